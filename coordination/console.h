// Console for "-console"/"-c": attach to the parent's console or create one.
#pragma once

bool attachOrAllocConsole();

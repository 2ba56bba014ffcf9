// Obtaining a runtime when none was found: the download/locate choice.
#pragma once
#include <windows.h>

int offerJreChoice(HWND dialog);

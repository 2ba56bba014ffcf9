// JSON string literals for inspect --json: ASCII only, every other UTF-16
// unit escaped, so texts come out exactly as stored (even broken ones).
#pragma once
#include <string>

void appendJsonString(std::string* out, const std::u16string& text);
void appendJsonString(std::string* out, const std::string& ascii);

// Escaping per UTF-16 unit keeps unpaired surrogates of a damaged wide text
// visible instead of silently replacing them.
#include "builder/json_text.h"

#include <cstdint>
#include <cstdio>
#include <type_traits>

namespace {

template <class Text>
void appendEscaped(std::string* out, const Text& text) {
    out->push_back('"');
    for (auto unit : text) {
        auto c = static_cast<uint32_t>(static_cast<typename std::make_unsigned<decltype(unit)>::type>(unit));
        if (c == '"' || c == '\\') {
            out->push_back('\\');
            out->push_back(static_cast<char>(c));
        } else if (c >= 0x20 && c < 0x7F) {
            out->push_back(static_cast<char>(c));
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            out->append(escape);
        }
    }
    out->push_back('"');
}

}  // namespace

void appendJsonString(std::string* out, const std::u16string& text) { appendEscaped(out, text); }

void appendJsonString(std::string* out, const std::string& ascii) { appendEscaped(out, ascii); }

// resinfo: a test tool. Reads the icon and the version resource of an
// executable through the system's own functions (the version library, the
// resource loader, the shell's icon extraction) and prints one JSON object:
//   resinfo FILE   {"fixed_file":"1.2.3.4","fixed_product":"1.2.0.0","strings":{"ProductName":...},
//                   "icon_count":N,"icons":[{"id","width","height","bits","decoded","data"}]}
// data is the RT_ICON image in hex; decoded is the width the system's icon
// decoder gives it (0 when it cannot decode it). Version fields are null
// without a version resource. The path may carry \uXXXX escapes (tool_args.h).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/tools/tool_args.h"

namespace {

std::string numbers(DWORD high, DWORD low) {
    char text[64];
    snprintf(text, sizeof text, "\"%u.%u.%u.%u\"", unsigned(HIWORD(high)), unsigned(LOWORD(high)),
             unsigned(HIWORD(low)), unsigned(LOWORD(low)));
    return text;
}

std::string versionFields(const std::wstring& file) {
    DWORD ignored = 0, size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
    std::vector<BYTE> data(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!size || !GetFileVersionInfoW(file.c_str(), 0, size, data.data()) ||
        !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length))
        return "\"fixed_file\":null,\"fixed_product\":null,\"strings\":null";
    std::string out = "\"fixed_file\":" + numbers(fixed->dwFileVersionMS, fixed->dwFileVersionLS) +
                      ",\"fixed_product\":" + numbers(fixed->dwProductVersionMS, fixed->dwProductVersionLS) +
                      ",\"strings\":{";
    WORD* translation = nullptr;
    if (VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) &&
        length >= 4) {
        const wchar_t* names[] = {L"ProductName", L"ProductVersion",  L"FileVersion",
                                  L"CompanyName", L"FileDescription", L"LegalCopyright"};
        for (const wchar_t* name : names) {
            wchar_t query[128];
            _snwprintf(query, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translation[0], translation[1], name);
            wchar_t* value = nullptr;
            if (!VerQueryValueW(data.data(), query, reinterpret_cast<void**>(&value), &length)) continue;
            out += (out.back() == '{' ? "" : ",") + json(name) + ":" + json(value);
        }
    }
    return out + "}";
}

BOOL CALLBACK firstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) {
    *reinterpret_cast<LPCWSTR*>(found) = name;
    return FALSE;
}

std::string iconFields(const std::wstring& file) {
    std::string out =
        "\"icon_count\":" + std::to_string(ExtractIconExW(file.c_str(), -1, nullptr, nullptr, 0)) + ",\"icons\":[";
    HMODULE module = LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    LPCWSTR group = nullptr;
    EnumResourceNamesW(module, MAKEINTRESOURCEW(14), firstName, reinterpret_cast<LONG_PTR>(&group));
    HRSRC found = group ? FindResourceW(module, group, MAKEINTRESOURCEW(14)) : nullptr;
    const BYTE* directory = found ? static_cast<const BYTE*>(LockResource(LoadResource(module, found))) : nullptr;
    for (int i = 0; directory && i < *reinterpret_cast<const WORD*>(directory + 4); ++i) {
        const BYTE* entry = directory + 6 + 14 * i;
        WORD id = *reinterpret_cast<const WORD*>(entry + 12);
        HRSRC image = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3));
        DWORD size = image ? SizeofResource(module, image) : 0;
        const BYTE* bytes = image ? static_cast<const BYTE*>(LockResource(LoadResource(module, image))) : nullptr;
        int decoded = 0;
        if (HICON icon =
                bytes ? CreateIconFromResourceEx(const_cast<BYTE*>(bytes), size, TRUE, 0x00030000, 0, 0, 0) : nullptr) {
            ICONINFO info = {};
            BITMAP bitmap = {};
            if (GetIconInfo(icon, &info) &&
                GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap))
                decoded = bitmap.bmWidth;
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            DestroyIcon(icon);
        }
        std::string hex;
        for (DWORD b = 0; b < size; ++b) hex += {"0123456789abcdef"[bytes[b] >> 4], "0123456789abcdef"[bytes[b] & 15]};
        out += std::string(i ? "," : "") + "{\"id\":" + std::to_string(id) +
               ",\"width\":" + std::to_string(entry[0] ? entry[0] : 256) +
               ",\"height\":" + std::to_string(entry[1] ? entry[1] : 256) +
               ",\"bits\":" + std::to_string(*reinterpret_cast<const WORD*>(entry + 6)) +
               ",\"decoded\":" + std::to_string(decoded) + ",\"data\":\"" + hex + "\"}";
    }
    if (module) FreeLibrary(module);
    return out + "]";
}

}  // namespace

int main() {
    std::vector<std::wstring> args = commandLineArgs();
    if (args.size() != 2) {
        std::fputs("usage: resinfo FILE\n", stderr);
        return 2;
    }
    std::wstring file = decodeEscapes(args[1]);
    std::printf("{%s,%s}\n", versionFields(file).c_str(), iconFields(file).c_str());
    return 0;
}

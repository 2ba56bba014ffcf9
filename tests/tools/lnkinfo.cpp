// lnkinfo: a test tool. Loads shortcut files through the shell's own link
// object and prints what it reads back, one JSON object per file:
//
//   lnkinfo FILE...   {"file","loaded","target","arguments","directory",
//                      "description","icon","iconIndex","show","flags"}
//
// "loaded" is false (and nothing else is given) when the shell cannot load
// the file. Paths may carry \uXXXX escapes (tool_args.h). Exit code 0.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "tests/tools/tool_args.h"

namespace {

std::string json(const wchar_t* text) {
    std::string out = "\"";
    for (unsigned char c : toUtf8(text)) {
        char escaped[8];
        snprintf(escaped, sizeof escaped, c == '"' || c == '\\' || c < 0x20 ? "\\u%04x" : "%c", c);
        out += escaped;
    }
    return out + "\"";
}

std::string describe(const std::wstring& file) {
    std::string out = "{\"file\":" + json(file.c_str());
    IShellLinkW* link = nullptr;
    IPersistFile* persist = nullptr;
    IShellLinkDataList* data = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))) ||
        FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) ||
        FAILED(persist->Load(file.c_str(), STGM_READ))) {
        out += ",\"loaded\":false}";
    } else {
        wchar_t target[MAX_PATH] = L"", arguments[1024] = L"", directory[MAX_PATH] = L"", description[1024] = L"",
                icon[MAX_PATH] = L"";
        int iconIndex = -1, show = -1;
        DWORD flags = 0;
        link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
        link->GetArguments(arguments, 1024);
        link->GetWorkingDirectory(directory, MAX_PATH);
        link->GetDescription(description, 1024);
        link->GetIconLocation(icon, MAX_PATH, &iconIndex);
        link->GetShowCmd(&show);
        if (SUCCEEDED(link->QueryInterface(IID_IShellLinkDataList, reinterpret_cast<void**>(&data))))
            data->GetFlags(&flags);
        out += ",\"loaded\":true,\"target\":" + json(target) + ",\"arguments\":" + json(arguments) +
               ",\"directory\":" + json(directory) + ",\"description\":" + json(description) +
               ",\"icon\":" + json(icon) + ",\"iconIndex\":" + std::to_string(iconIndex) +
               ",\"show\":" + std::to_string(show) + ",\"flags\":" + std::to_string(flags) + "}";
    }
    if (data) data->Release();
    if (persist) persist->Release();
    if (link) link->Release();
    return out;
}

}  // namespace

int main() {
    CoInitialize(nullptr);
    std::vector<std::wstring> args = commandLineArgs();
    for (size_t i = 1; i < args.size(); ++i) printf("%s\n", describe(decodeEscapes(args[i])).c_str());
    CoUninitialize();
    return 0;
}

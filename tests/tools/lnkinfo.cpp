// lnkinfo: a test tool. Loads shortcut files through the shell's own link
// object and prints, one JSON object per file, what it reads back:
//   lnkinfo FILE...   {"file","target","arguments","directory","description","icon","iconIndex"}
// or {"file"} alone when the shell cannot load it. Paths may carry \uXXXX
// escapes (tool_args.h).
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "launcher/base/scoped.h"
#include "tests/tools/tool_args.h"

namespace {

std::string describe(const std::wstring& file) {
    std::string out = "{\"file\":" + json(file.c_str());
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> persist;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.receive())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, persist.receive())) || FAILED(persist->Load(file.c_str(), 0)))
        return out + "}";
    wchar_t target[MAX_PATH] = L"", arguments[1024] = L"", directory[MAX_PATH] = L"", description[1024] = L"",
            icon[MAX_PATH] = L"";
    int iconIndex = -1;
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetArguments(arguments, 1024);
    link->GetWorkingDirectory(directory, MAX_PATH);
    link->GetDescription(description, 1024);
    link->GetIconLocation(icon, MAX_PATH, &iconIndex);
    return out + ",\"target\":" + json(target) + ",\"arguments\":" + json(arguments) +
           ",\"directory\":" + json(directory) + ",\"description\":" + json(description) + ",\"icon\":" + json(icon) +
           ",\"iconIndex\":" + std::to_string(iconIndex) + "}";
}

}  // namespace

int main() {
    CoInitialize(nullptr);
    std::vector<std::wstring> args = commandLineArgs();
    for (size_t i = 1; i < args.size(); ++i) printf("%s\n", describe(decodeEscapes(args[i])).c_str());
    CoUninitialize();
    return 0;
}

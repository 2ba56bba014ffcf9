// The natives of the runtime's Win32UserInfo class: who the runtime runs as
// (SID, builtin group membership, elevation), starting a program elevated,
// local users and groups, account names of SIDs, profile directories and LSA
// account rights. Passwords go to the system only: never into a log line, a
// diagnostic or a result, and their copies are wiped before they are freed.
#include "natives/native_support.h"

#include <windows.h>
#include <jni.h>
#include <sddl.h>

#include <atomic>
#include <cwchar>

#include "launcher/base/proc_address.h"
#include "launcher/base/scoped.h"
#include "launcher/base/wformat.h"
#include "natives/account_ops.h"
#include "natives/secret_copy.h"
#include "natives/shell_binding.h"

namespace {

constexpr size_t kTextUnits = 8192;
constexpr DWORD kTokenGroupsClass = 2;      // TokenGroups
constexpr DWORD kTokenElevationClass = 18;  // TokenElevationType
constexpr DWORD kEnabledOrDenyOnly = SE_GROUP_ENABLED | SE_GROUP_USE_FOR_DENY_ONLY;

typedef BOOL(WINAPI* AllocateSidFunction)(PSID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD a0, DWORD a1, DWORD a2,
                                          DWORD a3, DWORD a4, DWORD a5, DWORD a6, DWORD a7, PSID* sid);
typedef BOOL(WINAPI* EqualSidFunction)(PSID first, PSID second);
typedef BOOL(WINAPI* TokenInformationFunction)(HANDLE token, DWORD kind, LPVOID information, DWORD size, PDWORD needed);
typedef BOOL(WINAPI* OpenProcessTokenFunction)(HANDLE process, DWORD access, PHANDLE token);
typedef BOOL(WINAPI* OpenThreadTokenFunction)(HANDLE thread, DWORD access, BOOL asSelf, PHANDLE token);
typedef BOOL(WINAPI* SidToTextFunction)(PSID sid, LPWSTR* text);
typedef BOOL(WINAPI* TextToSidFunction)(LPCWSTR text, PSID* sid);

// The five token functions, looked up afresh on every call that needs them.
struct TokenApi {
    AllocateSidFunction allocateSid;
    EqualSidFunction equalSid;
    TokenInformationFunction information;
    OpenProcessTokenFunction openProcessToken;
    OpenThreadTokenFunction openThreadToken;
};

HMODULE advapi32() { return GetModuleHandleW(L"advapi32.dll"); }

bool bindTokenApi(TokenApi* api) {
    HMODULE advapi = advapi32();
    api->allocateSid = procAddress<AllocateSidFunction>(advapi, "AllocateAndInitializeSid");
    api->equalSid = procAddress<EqualSidFunction>(advapi, "EqualSid");
    api->information = procAddress<TokenInformationFunction>(advapi, "GetTokenInformation");
    api->openProcessToken = procAddress<OpenProcessTokenFunction>(advapi, "OpenProcessToken");
    api->openThreadToken = procAddress<OpenThreadTokenFunction>(advapi, "OpenThreadToken");
    return api->allocateSid && api->equalSid && api->information && api->openProcessToken && api->openThreadToken;
}

// The thread's token when it impersonates, else the process's.
bool openQueryToken(const TokenApi& api, ScopedHandle* token) {
    return api.openThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token->receive()) ||
           api.openProcessToken(GetCurrentProcess(), TOKEN_QUERY, token->receive());
}

struct SidTraits : NullMeansNone<PSID> {
    static void close(PSID sid) { FreeSid(sid); }
};
using ScopedSid = Scoped<SidTraits>;

// Whether the token holds the group enabled; a deny-only or disabled entry
// does not count. Preparation failures answer true (membership assumed),
// a failed fetch of the groups false.
bool tokenHasEnabledGroup(const TokenApi& api, jint rid) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    ScopedSid group;
    if (!api.allocateSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, static_cast<DWORD>(rid), 0, 0, 0, 0, 0, 0,
                         group.receive())) {
        return true;
    }
    ScopedHandle token;
    if (!openQueryToken(api, &token)) return true;
    DWORD size = 0;
    if (!api.information(token.get(), kTokenGroupsClass, nullptr, 0, &size) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return true;
    }
    HeapBuffer buffer(size);
    if (!buffer.get() || !api.information(token.get(), kTokenGroupsClass, buffer.get(), size, &size)) return false;
    auto* groups = reinterpret_cast<TOKEN_GROUPS*>(buffer.get());
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        if (api.equalSid(groups->Groups[i].Sid, group.get()) &&
            (groups->Groups[i].Attributes & kEnabledOrDenyOnly) == SE_GROUP_ENABLED) {
            return true;
        }
    }
    return false;
}

// The fixed names of the three service accounts, which need no lookup.
const wchar_t* serviceAccountName(const wchar_t* sid) {
    if (std::wcscmp(sid, L"S-1-5-18") == 0) return L"NT AUTHORITY\\System";
    if (std::wcscmp(sid, L"S-1-5-19") == 0) return L"NT AUTHORITY\\LocalService";
    if (std::wcscmp(sid, L"S-1-5-20") == 0) return L"NT AUTHORITY\\NetworkService";
    return nullptr;
}

void accountName(const wchar_t* sidText, bool nameOnly, wchar_t* out, size_t capacity) {
    out[0] = L'\0';
    if (!advapi32()) return;
    if (const wchar_t* fixed = sidText ? serviceAccountName(sidText) : nullptr) {
        formatWide(out, capacity, L"%s", fixed);
        return;
    }
    auto toSid = procAddress<TextToSidFunction>(advapi32(), "ConvertStringSidToSidW");
    if (!toSid) return;
    ScopedLocalMemory<PSID> sid;
    if (!toSid(sidText, sid.receive())) {
        formatWide(out, capacity, L" %d", static_cast<int>(GetLastError()));
        return;
    }
    AccountOfSid account;
    if (!account.lookUp(sid.get())) {
        formatWide(out, capacity, L" %d", static_cast<int>(GetLastError()));
    } else if (nameOnly) {
        formatWide(out, capacity, L"%s", account.name());
    } else if (account.localDomain(sidText)) {
        formatWide(out, capacity, L".\\%s", account.name());
    } else {
        formatWide(out, capacity, L"%s\\%s", account.domain(), account.name());
    }
}

// NetUserDel or NetLocalGroupDel (null server: this machine); -1 when
// missing, 87 without a name.
jint deleteNamed(JNIEnv* env, NET_API_STATUS(WINAPI* remove)(LPCWSTR, LPCWSTR), jstring server, jstring name) {
    if (!remove) return -1;
    JavaStringCopy machine(env, server);
    JavaStringCopy account(env, name);
    if (machine.refused() || !account.get()) return ERROR_INVALID_PARAMETER;
    return static_cast<jint>(remove(machine.get(), account.get()));
}

// NetUserAdd's numbers of the parameters addUser0 can find at fault itself.
enum UserParameter { kUserName = 1, kUserPassword = 3, kUserComment = 5 };

std::atomic<bool> g_sspicliLoaded{false};

// A result text built in a heap buffer of kTextUnits.
class ResultText {
public:
    ResultText() : buffer_(kTextUnits * sizeof(wchar_t)) {}
    wchar_t* get() const { return reinterpret_cast<wchar_t*>(buffer_.get()); }
    size_t capacity() const { return kTextUnits; }

private:
    HeapBuffer buffer_;
};

}  // namespace

// boolean isMemberOfGroup0(int rid)  (I)Z
// Without the token functions membership is assumed.
extern "C" jboolean JNICALL TLX_JNI(Win32UserInfo, isMemberOfGroup0)(JNIEnv*, jclass, jint rid) {
    TokenApi api;
    if (!bindTokenApi(&api)) return JNI_TRUE;
    return tokenHasEnabledGroup(api, rid) ? JNI_TRUE : JNI_FALSE;
}

// boolean executeElevated0(String file, String parameters, String directory, int showCommand)
// (Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;I)Z
extern "C" jboolean JNICALL TLX_JNI(Win32UserInfo, executeElevated0)(JNIEnv* env, jclass, jstring file,
                                                                     jstring parameters, jstring directory,
                                                                     jint showCommand) {
    // The elevation prompt needs it loaded ahead of the shell; whether it loads does not matter.
    if (!g_sspicliLoaded.exchange(true)) LoadLibraryW(L"sspicli.dll");
    ShellFunctions shell;
    if (!shellFunctions(&shell)) return JNI_FALSE;
    JavaStringCopy program(env, file);
    JavaStringCopy arguments(env, parameters);
    JavaStringCopy workDirectory(env, directory);
    if (!program.get() || anyRefused(arguments, workDirectory)) return JNI_FALSE;
    HINSTANCE result =
        shell.execute(nullptr, L"runas", program.get(), arguments.get(), workDirectory.get(), showCommand);
    return reinterpret_cast<INT_PTR>(result) > 32 ? JNI_TRUE : JNI_FALSE;
}

// int getElevationType0()  ()I  (1 default, 2 full, 3 limited, 0 unknown)
extern "C" jint JNICALL TLX_JNI(Win32UserInfo, getElevationType0)(JNIEnv*, jclass) {
    TokenApi api;
    if (!bindTokenApi(&api)) return 0;
    ScopedHandle token;
    if (!api.openProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive())) return 0;
    DWORD type = 0, size = 0;
    if (!api.information(token.get(), kTokenElevationClass, &type, sizeof(type), &size)) return 0;
    return static_cast<jint>(type);
}

// String addUser0(String user, String password, String comment, String group, String groupComment,
//                 boolean createGroup, boolean failIfGroupExists)
// (Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;Ljava/lang/String;ZZ)Ljava/lang/String;
extern "C" jstring JNICALL TLX_JNI(Win32UserInfo, addUser0)(JNIEnv* env, jclass, jstring user, jstring password,
                                                            jstring comment, jstring group, jstring groupComment,
                                                            jboolean createGroup, jboolean failIfGroupExists) {
    NetApi api;
    if (!bindNetApi(&api)) return nullptr;
    JavaStringCopy userName(env, user);
    SecretCopy secret(env, password);
    JavaStringCopy userComment(env, comment);
    JavaStringCopy groupName(env, group);
    JavaStringCopy groupText(env, groupComment);
    ResultText result;
    if (!result.get()) return nullptr;
    // What the account functions would answer for an argument they refuse,
    // found here before a group is made: the step and status 87, for the
    // user the number of the parameter too.
    if (!userName.get() || !secret.get() || userComment.refused()) {
        jint parameter = !userName.get() ? kUserName : !secret.get() ? kUserPassword : kUserComment;
        formatWide(result.get(), result.capacity(), L"2 87 %d", static_cast<int>(parameter));
        return newJavaString(env, result.get());
    }
    if (anyRefused(groupName, groupText)) {
        formatWide(result.get(), result.capacity(), L"%d 87", createGroup ? 1 : 6);
        return newJavaString(env, result.get());
    }
    NewUser request = {userName.get(),
                       secret.data(),
                       userComment.get(),
                       groupName.get(),
                       groupText.get(),
                       createGroup != JNI_FALSE,
                       failIfGroupExists != JNI_FALSE};
    if (!addUser(api, request, result.get(), result.capacity()) || !result.get()[0]) return nullptr;
    return newJavaString(env, result.get());
}

// int deleteUser0(String server, String user)  (Ljava/lang/String;Ljava/lang/String;)I  (-1: unavailable)
extern "C" jint JNICALL TLX_JNI(Win32UserInfo, deleteUser0)(JNIEnv* env, jclass, jstring server, jstring user) {
    NetApi api;
    return bindNetApi(&api) ? deleteNamed(env, api.userDel, server, user) : -1;
}

// int deleteLocalGroup0(String server, String group)  (Ljava/lang/String;Ljava/lang/String;)I  (-1: unavailable)
extern "C" jint JNICALL TLX_JNI(Win32UserInfo, deleteLocalGroup0)(JNIEnv* env, jclass, jstring server, jstring group) {
    NetApi api;
    return bindNetApi(&api) ? deleteNamed(env, api.localGroupDel, server, group) : -1;
}

// String getAccountName0(String sid, boolean nameOnly)  (Ljava/lang/String;Z)Ljava/lang/String;
// An error reads as a blank and the code: no account name starts with a blank.
extern "C" jstring JNICALL TLX_JNI(Win32UserInfo, getAccountName0)(JNIEnv* env, jclass, jstring sid,
                                                                   jboolean nameOnly) {
    JavaStringCopy sidText(env, sid);
    ResultText result;
    if (!result.get()) return nullptr;
    accountName(sidText.get(), nameOnly != JNI_FALSE, result.get(), result.capacity());
    return newJavaString(env, result.get());
}

// String getUserProfileDirectory0(String sid, String password)
// (Ljava/lang/String;Ljava/lang/String;)Ljava/lang/String;
extern "C" jstring JNICALL TLX_JNI(Win32UserInfo, getUserProfileDirectory0)(JNIEnv* env, jclass, jstring sid,
                                                                            jstring password) {
    JavaStringCopy sidText(env, sid);
    SecretCopy secret(env, password);
    ResultText result;
    if (!result.get()) return nullptr;
    HMODULE userenv = advapi32() ? LoadLibraryW(L"Userenv.dll") : nullptr;
    if (!userenv) {
        formatWide(result.get(), result.capacity(), L" could not load library %d", static_cast<int>(GetLastError()));
    } else {
        ProfileApi api;
        bindProfileApi(userenv, &api);
        profileDirectory(api, sidText.get(), secret.get(), result.get(), result.capacity());
        FreeLibrary(userenv);
    }
    return newJavaString(env, result.get());
}

// String getUserSid0()  ()Ljava/lang/String;
extern "C" jstring JNICALL TLX_JNI(Win32UserInfo, getUserSid0)(JNIEnv* env, jclass) {
    TokenApi api;
    auto toText = procAddress<SidToTextFunction>(advapi32(), "ConvertSidToStringSidW");
    if (!bindTokenApi(&api) || !toText) return nullptr;
    ScopedHandle token;
    if (!openQueryToken(api, &token)) return nullptr;
    DWORD size = 0;
    api.information(token.get(), TokenUser, nullptr, 0, &size);
    HeapBuffer buffer(size);
    if (!size || !buffer.get() || !api.information(token.get(), TokenUser, buffer.get(), size, &size)) return nullptr;
    ScopedLocalMemory<wchar_t*> text;
    if (!toText(reinterpret_cast<TOKEN_USER*>(buffer.get())->User.Sid, text.receive())) return nullptr;
    return newJavaString(env, text.get());
}

// boolean setLsaAccountRight0(String account, String right, boolean add)  (Ljava/lang/String;Ljava/lang/String;Z)Z
extern "C" jboolean JNICALL TLX_JNI(Win32UserInfo, setLsaAccountRight0)(JNIEnv* env, jclass, jstring account,
                                                                        jstring right, jboolean add) {
    LsaApi api;
    if (!bindLsaApi(&api)) return JNI_FALSE;
    JavaStringCopy accountName(env, account);
    JavaStringCopy rightName(env, right);
    // A refused right must not read as none: that would revoke every right.
    if (rightName.refused()) return JNI_FALSE;
    return setAccountRight(api, accountName.get(), rightName.get(), add != JNI_FALSE) ? JNI_TRUE : JNI_FALSE;
}

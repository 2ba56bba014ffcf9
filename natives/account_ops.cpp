// Local users and groups, profile directories and LSA account rights through
// run-time bound functions.
#include "natives/account_ops.h"

#include <sddl.h>

#include <cstring>
#include <cwchar>

#include "launcher/base/proc_address.h"
#include "launcher/base/scoped.h"
#include "launcher/base/wformat.h"

namespace {

// Statuses addUser tells apart.
constexpr NET_API_STATUS kAliasExists = 1379;    // ERROR_ALIAS_EXISTS
constexpr NET_API_STATUS kGroupExists = 2223;    // NERR_GroupExists
constexpr NET_API_STATUS kAlreadyMember = 1378;  // ERROR_MEMBER_IN_ALIAS

// The step numbers of addUser's error texts.
enum AddUserStep { kCreateGroup = 1, kAddUser = 2, kUserInfo = 3, kAddToGroup = 4, kSidText = 5, kFindGroup = 6 };

constexpr DWORD kSidBytes = 8192;
constexpr DWORD kNameUnits = 8192;
constexpr DWORD kNetworkLogon = 3;  // LOGON32_LOGON_NETWORK
constexpr ACCESS_MASK kRightsPolicyAccess = POLICY_CREATE_ACCOUNT | POLICY_LOOKUP_NAMES;

typedef BOOL(WINAPI* SidToTextFunction)(PSID sid, LPWSTR* text);
typedef BOOL(WINAPI* TextToSidFunction)(LPCWSTR text, PSID* sid);

HMODULE advapi32() { return GetModuleHandleW(L"advapi32.dll"); }

SidToTextFunction sidToText() { return procAddress<SidToTextFunction>(advapi32(), "ConvertSidToStringSidW"); }
TextToSidFunction textToSid() { return procAddress<TextToSidFunction>(advapi32(), "ConvertStringSidToSidW"); }

// Frees what a net function handed out, on every path.
class NetBuffer {
public:
    explicit NetBuffer(const NetApi& api) : api_(api) {}
    ~NetBuffer() {
        if (buffer_) api_.bufferFree(buffer_);
    }
    NetBuffer(const NetBuffer&) = delete;
    NetBuffer& operator=(const NetBuffer&) = delete;
    LPBYTE* receive() { return &buffer_; }
    LPBYTE get() const { return buffer_; }

private:
    const NetApi& api_;
    LPBYTE buffer_ = nullptr;
};

// Step 1 or 6: the group made or found. Returns 0, or the status that ends
// the work after writing the error text; *created tells whether it is new.
bool prepareGroup(const NetApi& api, const NewUser& request, bool* created, wchar_t* out, size_t capacity) {
    if (request.createGroup) {
        LOCALGROUP_INFO_1 group = {const_cast<LPWSTR>(request.group), const_cast<LPWSTR>(request.groupComment)};
        NET_API_STATUS status = api.localGroupAdd(nullptr, 1, reinterpret_cast<LPBYTE>(&group), nullptr);
        *created = status == NERR_Success;
        bool exists = status == kAliasExists || status == kGroupExists;
        if (status == NERR_Success || (exists && !request.failIfGroupExists)) return true;
        formatWide(out, capacity, L"%d %d", kCreateGroup, static_cast<int>(status));
        return false;
    }
    NetBuffer info(api);
    NET_API_STATUS status = api.localGroupGetInfo(nullptr, request.group, 1, info.receive());
    if (status == NERR_Success) return true;
    formatWide(out, capacity, L"%d %d", kFindGroup, static_cast<int>(status));
    return false;
}

// The group's SID text, or false when the group cannot be found or shown.
bool groupSidText(const wchar_t* group, SidToTextFunction toText, wchar_t* out, size_t capacity) {
    HeapBuffer sid(kSidBytes);
    HeapBuffer domain(kNameUnits * sizeof(wchar_t));
    if (!sid.get() || !domain.get()) return false;
    DWORD sidBytes = kSidBytes, domainUnits = kNameUnits;
    SID_NAME_USE use;
    if (!LookupAccountNameW(nullptr, group, sid.get(), &sidBytes, reinterpret_cast<wchar_t*>(domain.get()),
                            &domainUnits, &use)) {
        return false;
    }
    ScopedLocalMemory<wchar_t*> text;
    if (!toText(sid.get(), text.receive())) return false;
    formatWide(out, capacity, L"%s", text.get());
    return true;
}

}  // namespace

bool bindNetApi(NetApi* api) {
    *api = {};
    HMODULE netapi = GetModuleHandleW(L"netapi32.dll");
    if (!netapi) netapi = LoadLibraryW(L"netapi32.dll");
    if (!netapi) return false;
    api->localGroupAdd = procAddress<decltype(api->localGroupAdd)>(netapi, "NetLocalGroupAdd");
    api->localGroupGetInfo = procAddress<decltype(api->localGroupGetInfo)>(netapi, "NetLocalGroupGetInfo");
    api->bufferFree = procAddress<decltype(api->bufferFree)>(netapi, "NetApiBufferFree");
    api->userAdd = procAddress<decltype(api->userAdd)>(netapi, "NetUserAdd");
    api->userGetInfo = procAddress<decltype(api->userGetInfo)>(netapi, "NetUserGetInfo");
    api->localGroupAddMembers = procAddress<decltype(api->localGroupAddMembers)>(netapi, "NetLocalGroupAddMembers");
    api->userDel = procAddress<decltype(api->userDel)>(netapi, "NetUserDel");
    api->localGroupDel = procAddress<decltype(api->localGroupDel)>(netapi, "NetLocalGroupDel");
    return true;
}

bool addUser(const NetApi& api, const NewUser& request, wchar_t* out, size_t capacity) {
    SidToTextFunction toText = sidToText();
    if (!toText || !api.localGroupAdd || !api.localGroupGetInfo || !api.bufferFree || !api.userAdd ||
        !api.userGetInfo || !api.localGroupAddMembers) {
        return false;
    }
    out[0] = L'\0';
    bool groupCreated = false;
    if (request.group && !prepareGroup(api, request, &groupCreated, out, capacity)) return true;

    USER_INFO_1 user = {};
    user.usri1_name = const_cast<LPWSTR>(request.user);
    user.usri1_password = request.password;
    user.usri1_priv = USER_PRIV_USER;
    user.usri1_comment = const_cast<LPWSTR>(request.comment);
    user.usri1_flags = UF_SCRIPT;
    DWORD faultyParameter = 0;
    NET_API_STATUS status = api.userAdd(nullptr, 1, reinterpret_cast<LPBYTE>(&user), &faultyParameter);
    if (status != NERR_Success) {
        formatWide(out, capacity, L"%d %d %d", kAddUser, static_cast<int>(status), static_cast<int>(faultyParameter));
        return true;
    }
    NetBuffer info(api);
    status = api.userGetInfo(nullptr, request.user, 23, info.receive());
    if (status != NERR_Success) {
        formatWide(out, capacity, L"%d %d", kUserInfo, static_cast<int>(status));
        return true;
    }
    PSID userSid = reinterpret_cast<USER_INFO_23*>(info.get())->usri23_user_sid;
    if (request.group) {
        LOCALGROUP_MEMBERS_INFO_0 member = {userSid};
        status = api.localGroupAddMembers(nullptr, request.group, 0, reinterpret_cast<LPBYTE>(&member), 1);
        if (status != NERR_Success && status != kAlreadyMember) {
            formatWide(out, capacity, L"%d %d", kAddToGroup, static_cast<int>(status));
            return true;
        }
    }
    ScopedLocalMemory<wchar_t*> userText;
    if (!toText(userSid, userText.receive())) {
        formatWide(out, capacity, L"%d", kSidText);
        return true;
    }
    wchar_t groupText[256];
    if (request.group && groupSidText(request.group, toText, groupText, sizeof(groupText) / sizeof(groupText[0]))) {
        formatWide(out, capacity, L"%s %s %s", userText.get(), groupText, groupCreated ? L"true" : L"false");
    } else {
        formatWide(out, capacity, L"%s", userText.get());
    }
    return true;
}

void bindProfileApi(HMODULE userenv, ProfileApi* api) {
    api->convertStringSidToSid = textToSid();
    api->logonUser = procAddress<decltype(api->logonUser)>(advapi32(), "LogonUserW");
    api->getUserProfileDirectory =
        procAddress<decltype(api->getUserProfileDirectory)>(userenv, "GetUserProfileDirectoryW");
}

void profileDirectory(const ProfileApi& api, const wchar_t* sidText, const wchar_t* password, wchar_t* out,
                      size_t capacity) {
    out[0] = L'\0';
    if (sidText && (std::wcscmp(sidText, L"S-1-5-18") == 0 || std::wcscmp(sidText, L"S-1-5-19") == 0 ||
                    std::wcscmp(sidText, L"S-1-5-20") == 0)) {
        formatWide(out, capacity, L" no user account");
        return;
    }
    if (!api.convertStringSidToSid || !api.logonUser || !api.getUserProfileDirectory) {
        formatWide(out, capacity, L" could not get functions %d", static_cast<int>(GetLastError()));
        return;
    }
    ScopedLocalMemory<PSID> sid;
    if (!api.convertStringSidToSid(sidText, sid.receive())) {
        formatWide(out, capacity, L" could not convert sid %d", static_cast<int>(GetLastError()));
        return;
    }
    AccountOfSid account;
    if (!account.lookUp(sid.get())) {
        formatWide(out, capacity, L" could not look up account name %d", static_cast<int>(GetLastError()));
        return;
    }
    const wchar_t* domain = account.localDomain(sidText) ? L"." : account.domain();
    ScopedHandle token;
    // No password is no logon: the logon function takes none.
    if (!password ||
        !api.logonUser(account.name(), domain, password, kNetworkLogon, LOGON32_PROVIDER_DEFAULT, token.receive())) {
        int error = password ? static_cast<int>(GetLastError()) : ERROR_INVALID_PARAMETER;
        formatWide(out, capacity, L" could not get token %d", error);
        return;
    }
    DWORD units = static_cast<DWORD>(capacity);
    if (!api.getUserProfileDirectory(token.get(), out, &units)) {
        formatWide(out, capacity, L" could not get user profile dir %d", static_cast<int>(GetLastError()));
    }
}

bool bindLsaApi(LsaApi* api) {
    HMODULE advapi = advapi32();
    api->openPolicy = procAddress<decltype(api->openPolicy)>(advapi, "LsaOpenPolicy");
    api->addAccountRights = procAddress<decltype(api->addAccountRights)>(advapi, "LsaAddAccountRights");
    api->removeAccountRights = procAddress<decltype(api->removeAccountRights)>(advapi, "LsaRemoveAccountRights");
    api->close = procAddress<decltype(api->close)>(advapi, "LsaClose");
    return api->openPolicy && api->addAccountRights && api->removeAccountRights && api->close;
}

bool setAccountRight(const LsaApi& api, const wchar_t* account, const wchar_t* right, bool add) {
    const wchar_t* rightText = right ? right : L"";
    // A counted string counts in 16 bits: a longer right would reach the system cut.
    size_t units = std::wcslen(rightText);
    ScopedLocalMemory<PSID> sid(accountSid(account));
    if (units >= 0x7FFF || !sid.get()) return false;
    LSA_OBJECT_ATTRIBUTES attributes = {};
    LSA_HANDLE policy = nullptr;
    if (api.openPolicy(nullptr, &attributes, kRightsPolicyAccess, &policy) != 0) return false;
    LSA_UNICODE_STRING rights;
    rights.Buffer = const_cast<PWSTR>(rightText);
    rights.Length = static_cast<USHORT>(units * sizeof(wchar_t));
    rights.MaximumLength = static_cast<USHORT>(rights.Length + sizeof(wchar_t));
    NTSTATUS status = add ? api.addAccountRights(policy, sid.get(), &rights, 1)
                          : api.removeAccountRights(policy, sid.get(), right == nullptr, &rights, 1);
    api.close(policy);
    return status == 0;
}

AccountOfSid::AccountOfSid() : buffer_(2 * kNameUnits * sizeof(wchar_t)) {
    name_ = reinterpret_cast<wchar_t*>(buffer_.get());
    if (name_) domain_ = name_ + kNameUnits;
}

bool AccountOfSid::lookUp(PSID sid) {
    if (!name_) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    DWORD nameUnits = kNameUnits, domainUnits = kNameUnits;
    SID_NAME_USE use;
    return LookupAccountSidW(nullptr, sid, name_, &nameUnits, domain_, &domainUnits, &use) != FALSE;
}

bool AccountOfSid::localDomain(const wchar_t* sidText) const {
    return std::wcsncmp(sidText, L"S-1-5-32-", 9) == 0 || domain_[0] == L'\0';
}

PSID accountSid(const wchar_t* account) {
    TextToSidFunction toSid = textToSid();
    if (!toSid || !account) return nullptr;
    PSID sid = nullptr;
    if (toSid(account, &sid)) return sid;
    HeapBuffer found(kSidBytes);
    HeapBuffer domain(kNameUnits * sizeof(wchar_t));
    if (!found.get() || !domain.get()) return nullptr;
    std::memset(found.get(), 0, kSidBytes);
    DWORD sidBytes = kSidBytes, domainUnits = kNameUnits;
    SID_NAME_USE use;
    if (!LookupAccountNameW(nullptr, account, found.get(), &sidBytes, reinterpret_cast<wchar_t*>(domain.get()),
                            &domainUnits, &use)) {
        return nullptr;
    }
    DWORD length = GetLengthSid(found.get());
    sid = LocalAlloc(LMEM_FIXED, length);
    if (sid) CopySid(length, sid, found.get());
    return sid;
}

// The account natives where Wine cannot show them. Wine stubs the local user
// and group functions, LogonUser and the LSA rights functions (they report
// success and do nothing), so our handling of their answers runs here
// against small stand-ins for those functions; everything else (SID
// conversion and lookup, tokens, profile directories, registry ACLs) is
// Wine's real implementation.
#include <gtest/gtest.h>
#include <jni.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "java_vm.h"
#include "natives/account_ops.h"
#include "natives/native_support.h"

extern "C" jboolean JNICALL TLX_JNI(Win32UserInfo, isMemberOfGroup0)(JNIEnv*, jclass, jint);
extern "C" jboolean JNICALL TLX_JNI(ACLHandling, addACE)(JNIEnv*, jclass, jstring, jboolean, jboolean, jboolean,
                                                        jboolean, jboolean, jint, jstring);

namespace {

// Stands for the local account database of a Windows machine as netapi32
// shows it: NetLocalGroupAdd answers 1379 (alias exists) for a known group,
// NetLocalGroupGetInfo and NetLocalGroupAddMembers 1376 (no such alias) for
// an unknown one, NetUserAdd 2224 (user exists) for a known user, and
// NetUserGetInfo level 23 hands out the new user's SID in a buffer that
// NetApiBufferFree releases.
struct AccountStore {
    std::vector<std::wstring> groups, users;
    std::wstring passwordSeen;
    NET_API_STATUS userInfoStatus = NERR_Success;
    NET_API_STATUS addMembersStatus = NERR_Success;
    int buffersOut = 0;
};
AccountStore* g_store = nullptr;

bool known(const std::vector<std::wstring>& names, const wchar_t* name) {
    for (const auto& known : names)
        if (known == name) return true;
    return false;
}

NET_API_STATUS WINAPI groupAdd(LPCWSTR, DWORD, LPBYTE info, LPDWORD) {
    auto* group = reinterpret_cast<LOCALGROUP_INFO_1*>(info);
    if (known(g_store->groups, group->lgrpi1_name)) return 1379;
    g_store->groups.push_back(group->lgrpi1_name);
    return NERR_Success;
}
NET_API_STATUS WINAPI groupGetInfo(LPCWSTR, LPCWSTR group, DWORD, LPBYTE* info) {
    if (!known(g_store->groups, group)) return 1376;
    *info = static_cast<LPBYTE>(LocalAlloc(LPTR, sizeof(LOCALGROUP_INFO_1)));
    ++g_store->buffersOut;
    return NERR_Success;
}
NET_API_STATUS WINAPI bufferFree(LPVOID buffer) {
    LocalFree(buffer);
    --g_store->buffersOut;
    return NERR_Success;
}
NET_API_STATUS WINAPI userAdd(LPCWSTR, DWORD, LPBYTE info, LPDWORD parameterError) {
    auto* user = reinterpret_cast<USER_INFO_1*>(info);
    g_store->passwordSeen = user->usri1_password ? user->usri1_password : L"";
    if (known(g_store->users, user->usri1_name)) return NERR_UserExists;
    if (!*user->usri1_name) {
        *parameterError = USER_NAME_PARMNUM;
        return ERROR_INVALID_PARAMETER;
    }
    g_store->users.push_back(user->usri1_name);
    return NERR_Success;
}
NET_API_STATUS WINAPI userGetInfo(LPCWSTR, LPCWSTR user, DWORD level, LPBYTE* info) {
    if (level != 23 || g_store->userInfoStatus != NERR_Success) return g_store->userInfoStatus;
    size_t index = 0;
    while (g_store->users[index] != user) ++index;
    std::wstring text = L"S-1-5-21-7-8-9-" + std::to_wstring(1000 + index);
    PSID sid = nullptr;
    ConvertStringSidToSidW(text.c_str(), &sid);
    auto* block = static_cast<BYTE*>(LocalAlloc(LPTR, sizeof(USER_INFO_23) + GetLengthSid(sid)));
    CopySid(GetLengthSid(sid), block + sizeof(USER_INFO_23), sid);
    LocalFree(sid);
    reinterpret_cast<USER_INFO_23*>(block)->usri23_user_sid = block + sizeof(USER_INFO_23);
    *info = block;
    ++g_store->buffersOut;
    return NERR_Success;
}
NET_API_STATUS WINAPI addMembers(LPCWSTR, LPCWSTR group, DWORD, LPBYTE, DWORD) {
    return known(g_store->groups, group) ? g_store->addMembersStatus : 1376;
}

class Accounts : public ::testing::Test {
protected:
    void SetUp() override { g_store = &store; }
    void TearDown() override { g_store = nullptr; }
    std::wstring add(const wchar_t* user, const wchar_t* group, bool createGroup, bool failIfExists) {
        wchar_t password[] = L"pa55-w0rd";
        NewUser request = {user, password, L"comment", group, L"group comment", createGroup, failIfExists};
        wchar_t out[512] = L"untouched";
        if (!addUser(api, request, out, 512)) return L"(null)";
        EXPECT_EQ(store.buffersOut, 0) << "every buffer handed out is freed";
        return out;
    }
    AccountStore store;
    NetApi api = {groupAdd, groupGetInfo, bufferFree, userAdd, userGetInfo, addMembers, nullptr, nullptr};
};

// Each step of adding a user and the text its outcome gives; a group Wine
// knows (Administrators) shows its SID, one it does not know only the user's.
TEST_F(Accounts, AddingUsersAndGroupsStepByStep) {
    EXPECT_EQ(add(L"anna", L"Administrators", true, true), L"S-1-5-21-7-8-9-1000 S-1-5-32-544 true");
    EXPECT_EQ(store.passwordSeen, L"pa55-w0rd");
    EXPECT_EQ(add(L"bert", L"Administrators", true, false), L"S-1-5-21-7-8-9-1001 S-1-5-32-544 false");
    EXPECT_EQ(add(L"carl", L"Administrators", true, true), L"1 1379");
    EXPECT_FALSE(known(store.users, L"carl")) << "no user once the group step failed";
    EXPECT_EQ(add(L"dora", L"tlx-unknown", false, false), L"6 1376");
    EXPECT_EQ(add(L"anna", nullptr, false, false), L"2 2224 0");
    EXPECT_EQ(add(L"", nullptr, false, false), L"2 87 1");
    EXPECT_EQ(add(L"emil", L"tlx-made", true, false), L"S-1-5-21-7-8-9-1002");
    store.userInfoStatus = NERR_UserNotFound;
    EXPECT_EQ(add(L"fred", nullptr, false, false), L"3 2221");
    store.userInfoStatus = NERR_Success;
    store.addMembersStatus = 1378;   // already a member: no error
    EXPECT_EQ(add(L"gus", L"Administrators", false, false), L"S-1-5-21-7-8-9-1004 S-1-5-32-544 false");
    store.addMembersStatus = ERROR_ACCESS_DENIED;
    EXPECT_EQ(add(L"hugo", L"Administrators", false, false), L"4 5");
    api.userGetInfo = nullptr;
    EXPECT_EQ(add(L"ida", nullptr, false, false), L"(null)");
}

// Stands for LsaOpenPolicy, LsaAddAccountRights and LsaRemoveAccountRights
// of a Windows machine: it records what reaches them.
struct RightsCall {
    std::wstring sid, right;
    USHORT length, maximumLength;
    bool add, all;
    ULONG count;
};
std::vector<RightsCall>* g_rights = nullptr;
NTSTATUS g_openStatus = 0;

void recordRights(PSID sid, PLSA_UNICODE_STRING rights, ULONG count, bool add, bool all) {
    LPWSTR text = nullptr;
    ConvertSidToStringSidW(sid, &text);
    g_rights->push_back({text, std::wstring(rights->Buffer, rights->Length / 2), rights->Length,
                         rights->MaximumLength, add, all, count});
    LocalFree(text);
}
NTSTATUS NTAPI openPolicy(PLSA_UNICODE_STRING, PLSA_OBJECT_ATTRIBUTES, ACCESS_MASK, PLSA_HANDLE policy) {
    *policy = reinterpret_cast<LSA_HANDLE>(1);
    return g_openStatus;
}
NTSTATUS NTAPI addRights(LSA_HANDLE, PSID sid, PLSA_UNICODE_STRING rights, ULONG count) {
    recordRights(sid, rights, count, true, false);
    return 0;
}
NTSTATUS NTAPI removeRights(LSA_HANDLE, PSID sid, BOOLEAN all, PLSA_UNICODE_STRING rights, ULONG count) {
    recordRights(sid, rights, count, false, all != FALSE);
    return 0xC0000034;   // STATUS_OBJECT_NAME_NOT_FOUND: the account holds no rights
}
NTSTATUS NTAPI closePolicy(LSA_HANDLE) { return 0; }

// The account found by SID text or by name, one counted right, and "remove
// all" exactly when no right is named; a failing status is false.
TEST(AccountRights, WhatReachesTheRightsFunctions) {
    std::vector<RightsCall> calls;
    g_rights = &calls;
    LsaApi api = {openPolicy, addRights, removeRights, closePolicy};
    EXPECT_TRUE(setAccountRight(api, L"Administrators", L"SeServiceLogonRight", true));
    EXPECT_FALSE(setAccountRight(api, L"S-1-5-32-545", nullptr, false));
    EXPECT_FALSE(setAccountRight(api, L"tlx no such account", L"SeServiceLogonRight", true));
    g_openStatus = 0xC0000022;   // STATUS_ACCESS_DENIED
    EXPECT_FALSE(setAccountRight(api, L"Administrators", L"SeServiceLogonRight", true));
    g_openStatus = 0;
    g_rights = nullptr;
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].sid, L"S-1-5-32-544");
    EXPECT_EQ(calls[0].right, L"SeServiceLogonRight");
    EXPECT_EQ(calls[0].length, 38);
    EXPECT_EQ(calls[0].maximumLength, 40);
    EXPECT_TRUE(calls[0].add);
    EXPECT_EQ(calls[0].count, 1u);
    EXPECT_EQ(calls[1].sid, L"S-1-5-32-545");
    EXPECT_TRUE(calls[1].all && !calls[1].add);
    EXPECT_EQ(calls[1].right, L"");
}

// Stands for LogonUserW of a Windows machine: a network logon of a known
// account with its password gives a token (here, a copy of our own), a wrong
// password error 1326. GetUserProfileDirectoryW is Wine's real one.
std::wstring g_logonSeen;
BOOL WINAPI logonUser(LPCWSTR user, LPCWSTR domain, LPCWSTR password, DWORD type, DWORD, PHANDLE token) {
    g_logonSeen = std::wstring(domain) + L"\\" + user + L" " + std::to_wstring(type);
    if (std::wstring(password ? password : L"") != L"right") {
        SetLastError(ERROR_LOGON_FAILURE);
        return FALSE;
    }
    return OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE, token);
}

std::wstring ownSid() {
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    BYTE buffer[512];
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, buffer, sizeof(buffer), &size);
    CloseHandle(token);
    LPWSTR text = nullptr;
    ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text);
    std::wstring sid = text;
    LocalFree(text);
    return sid;
}

TEST(ProfileDirectory, LogonAndItsFailures) {
    HMODULE userenv = LoadLibraryW(L"userenv.dll");
    ASSERT_NE(userenv, nullptr);
    ProfileApi api;
    bindProfileApi(userenv, &api);
    ASSERT_NE(api.getUserProfileDirectory, nullptr);
    api.logonUser = logonUser;
    wchar_t out[1024];
    std::wstring sid = ownSid();

    profileDirectory(api, sid.c_str(), L"right", out, 1024);
    wchar_t expected[1024];
    ASSERT_GT(GetEnvironmentVariableW(L"USERPROFILE", expected, 1024), 0u);
    EXPECT_STREQ(out, expected);
    EXPECT_EQ(g_logonSeen.substr(g_logonSeen.size() - 2), L" 3") << "a network logon";
    profileDirectory(api, sid.c_str(), L"wrong", out, 1024);
    EXPECT_STREQ(out, L" could not get token 1326");
    profileDirectory(api, L"S-1-5-32-544", L"wrong", out, 1024);
    EXPECT_EQ(g_logonSeen.substr(0, 2), L".\\") << "a builtin account logs on in the local domain \".\"";
    api.logonUser = nullptr;
    SetLastError(ERROR_PROC_NOT_FOUND);
    profileDirectory(api, sid.c_str(), L"right", out, 1024);
    EXPECT_STREQ(out, L" could not get functions 127");
    FreeLibrary(userenv);
}

// Wine's real tokens and registry: administrators made deny-only on the
// calling thread are no membership (Wine's own full token is, as the launch
// scenario shows); an entry added to a key's DACL is there when the DACL is
// read back, for the builtin power users (S-1-5-32-547), and a key whose
// DACL was null (everyone may do everything) keeps everyone's access.
TEST(Security, DenyOnlyMembershipAndRegistryAcl) {
    JNIEnv* env = testJavaEnvironment();
    ASSERT_NE(env, nullptr);
    HANDLE own = nullptr, restricted = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &own));
    PSID admins = nullptr;
    ConvertStringSidToSidW(L"S-1-5-32-544", &admins);
    SID_AND_ATTRIBUTES disable = {admins, 0};
    ASSERT_TRUE(CreateRestrictedToken(own, 0, 1, &disable, 0, nullptr, 0, nullptr, &restricted));
    HANDLE impersonation = nullptr;
    ASSERT_TRUE(DuplicateToken(restricted, SecurityImpersonation, &impersonation));
    ASSERT_TRUE(SetThreadToken(nullptr, impersonation));
    EXPECT_FALSE(TLX_JNI(Win32UserInfo, isMemberOfGroup0)(env, nullptr, DOMAIN_ALIAS_RID_ADMINS));
    RevertToSelf();
    for (HANDLE handle : {own, restricted, impersonation}) CloseHandle(handle);
    LocalFree(admins);

    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\tlxtest\\unit-acl", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr), ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(SetNamedSecurityInfoW(const_cast<LPWSTR>(L"CURRENT_USER\\Software\\tlxtest\\unit-acl"), SE_REGISTRY_KEY,
                                    DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    jstring path = newJavaString(env, L"CURRENT_USER\\Software\\tlxtest\\unit-acl");
    EXPECT_TRUE(TLX_JNI(ACLHandling, addACE)(env, nullptr, path, JNI_TRUE, JNI_TRUE, JNI_TRUE, JNI_FALSE, JNI_FALSE, 5,
                                             nullptr));
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoW(L"CURRENT_USER\\Software\\tlxtest\\unit-acl", SE_REGISTRY_KEY,
                                    DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr, &descriptor),
              ERROR_SUCCESS);
    ASSERT_NE(dacl, nullptr);
    std::wstring found;
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!GetAce(dacl, i, reinterpret_cast<void**>(&ace)) || ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
        LPWSTR text = nullptr;
        ConvertSidToStringSidW(&ace->SidStart, &text);
        found += std::wstring(text) + L" " + std::to_wstring(ace->Mask) + L" " + std::to_wstring(ace->Header.AceFlags) + L";";
        LocalFree(text);
    }
    LocalFree(descriptor);
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\tlxtest\\unit-acl");
    EXPECT_EQ(found, L"S-1-5-32-547 " + std::to_wstring(GENERIC_READ | GENERIC_WRITE) + L" 3;S-1-1-0 " +
                         std::to_wstring(GENERIC_ALL) + L" 0;");
}

}  // namespace

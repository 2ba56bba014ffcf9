// The account natives where Wine cannot show them. Wine stubs the local user
// and group functions, LogonUser and the LSA rights functions (they report
// success and do nothing), so our handling of their answers runs here
// against small stand-ins for those functions; everything else (SID
// conversion and lookup, tokens, profile directories, registry ACLs) is
// Wine's real implementation.
#include <windows.h>
#include <aclapi.h>
#include <jni.h>
#include <sddl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "java_vm.h"
#include "natives/account_ops.h"
#include "natives/native_support.h"

extern "C" jboolean JNICALL TLX_JNI(Win32UserInfo, isMemberOfGroup0)(JNIEnv*, jclass, jint);
extern "C" jstring JNICALL TLX_JNI(Win32UserInfo, getUserSid0)(JNIEnv*, jclass);
extern "C" jboolean JNICALL TLX_JNI(ACLHandling, addACE)(JNIEnv*, jclass, jstring, jboolean, jboolean, jboolean,
                                                         jboolean, jboolean, jint, jstring);

namespace {

// Stands for netapi32 of a Windows machine, whose NetUser*/NetLocalGroup*
// functions Wine only stubs: each row gives what every function answers
// (1379 alias exists, 1376 no such alias, 2224 user exists, 87 with the name
// as the faulty parameter, 2221 user not found, 1378 already a member, 5
// access denied); NetUserGetInfo level 23 hands out the user's SID in a
// buffer that NetApiBufferFree releases. Each call leaves its letter in the
// trace: G group add, I group info, U user add, S user info, M add members,
// F buffer freed.
struct Answers {
    NET_API_STATUS groupAdd, groupInfo, userAdd, userInfo, addMembers;
};
const Answers* g_answers = nullptr;
std::wstring g_trace, g_password;

NET_API_STATUS traced(wchar_t letter, NET_API_STATUS answer) {
    g_trace += letter;
    return answer;
}
NET_API_STATUS WINAPI groupAdd(LPCWSTR, DWORD, LPBYTE, LPDWORD) { return traced(L'G', g_answers->groupAdd); }
NET_API_STATUS WINAPI groupGetInfo(LPCWSTR, LPCWSTR, DWORD, LPBYTE* info) {
    if (g_answers->groupInfo == NERR_Success) *info = static_cast<LPBYTE>(LocalAlloc(LPTR, sizeof(LOCALGROUP_INFO_1)));
    return traced(L'I', g_answers->groupInfo);
}
NET_API_STATUS WINAPI bufferFree(LPVOID buffer) {
    LocalFree(buffer);
    return traced(L'F', NERR_Success);
}
NET_API_STATUS WINAPI userAdd(LPCWSTR, DWORD, LPBYTE info, LPDWORD parameterError) {
    g_password = reinterpret_cast<USER_INFO_1*>(info)->usri1_password;
    if (g_answers->userAdd == ERROR_INVALID_PARAMETER) *parameterError = USER_NAME_PARMNUM;
    return traced(L'U', g_answers->userAdd);
}
NET_API_STATUS WINAPI userGetInfo(LPCWSTR, LPCWSTR, DWORD level, LPBYTE* info) {
    if (level != 23 || g_answers->userInfo != NERR_Success)
        return traced(L'S', level != 23 ? ERROR_INVALID_LEVEL : g_answers->userInfo);
    PSID sid = nullptr;
    ConvertStringSidToSidW(L"S-1-5-21-7-8-9-1000", &sid);
    auto* block = static_cast<BYTE*>(LocalAlloc(LPTR, sizeof(USER_INFO_23) + GetLengthSid(sid)));
    CopySid(GetLengthSid(sid), block + sizeof(USER_INFO_23), sid);
    LocalFree(sid);
    reinterpret_cast<USER_INFO_23*>(block)->usri23_user_sid = block + sizeof(USER_INFO_23);
    *info = block;
    return traced(L'S', NERR_Success);
}
NET_API_STATUS WINAPI addMembers(LPCWSTR, LPCWSTR, DWORD, LPBYTE, DWORD) { return traced(L'M', g_answers->addMembers); }

// Each step of adding a user, the calls it makes and the text its outcome
// gives; a group Wine knows (Administrators) shows its SID, one it does not
// know only the user's.
TEST(Accounts, AddingUsersAndGroupsStepByStep) {
    const struct {
        const wchar_t* group;
        bool createGroup, failIfExists;
        Answers answers;
        const wchar_t *trace, *out;
    } rows[] = {
        {L"Administrators", true, true, {0, 0, 0, 0, 0}, L"GUSMF", L"S-1-5-21-7-8-9-1000 S-1-5-32-544 true"},
        {L"Administrators", true, false, {1379, 0, 0, 0, 0}, L"GUSMF", L"S-1-5-21-7-8-9-1000 S-1-5-32-544 false"},
        {L"Administrators", true, true, {1379, 0, 0, 0, 0}, L"G", L"1 1379"},
        {L"tlx-unknown", false, false, {0, 1376, 0, 0, 0}, L"I", L"6 1376"},
        {nullptr, false, false, {0, 0, NERR_UserExists, 0, 0}, L"U", L"2 2224 0"},
        {nullptr, false, false, {0, 0, ERROR_INVALID_PARAMETER, 0, 0}, L"U", L"2 87 1"},
        {L"tlx-made", true, false, {0, 0, 0, 0, 0}, L"GUSMF", L"S-1-5-21-7-8-9-1000"},
        {nullptr, false, false, {0, 0, 0, NERR_UserNotFound, 0}, L"US", L"3 2221"},
        {L"Administrators", false, false, {0, 0, 0, 0, 1378}, L"IFUSMF", L"S-1-5-21-7-8-9-1000 S-1-5-32-544 false"},
        {L"Administrators", false, false, {0, 0, 0, 0, ERROR_ACCESS_DENIED}, L"IFUSMF", L"4 5"},
    };
    NetApi api = {groupAdd, groupGetInfo, bufferFree, userAdd, userGetInfo, addMembers, nullptr, nullptr};
    wchar_t password[] = L"pa55-w0rd", out[512];
    for (const auto& row : rows) {
        g_answers = &row.answers;
        g_trace.clear();
        NewUser request = {L"anna",          password,        L"comment",      row.group,
                           L"group comment", row.createGroup, row.failIfExists};
        ASSERT_TRUE(addUser(api, request, out, 512));
        EXPECT_EQ(std::wstring(out) + L" / " + g_trace, std::wstring(row.out) + L" / " + row.trace);
    }
    EXPECT_EQ(g_password, L"pa55-w0rd");
    api.userGetInfo = nullptr;
    EXPECT_FALSE(addUser(api, {L"ida", password, nullptr, nullptr, nullptr, false, false}, out, 512));
    g_answers = nullptr;
}

// Stands for LsaOpenPolicy, LsaAddAccountRights and LsaRemoveAccountRights
// of a Windows machine: the policy opens with the row's status, and the
// trace shows what reached the rights functions. Removing answers
// STATUS_OBJECT_NAME_NOT_FOUND: the account holds no rights.
NTSTATUS g_openStatus = 0;
std::wstring g_rights;

NTSTATUS recordRights(const wchar_t* call, PSID sid, PLSA_UNICODE_STRING rights, ULONG count, NTSTATUS status) {
    LPWSTR text = nullptr;
    ConvertSidToStringSidW(sid, &text);
    g_rights = std::wstring(call) + L" " + text + L" " + std::wstring(rights->Buffer, rights->Length / 2) + L" " +
               std::to_wstring(rights->Length) + L"/" + std::to_wstring(rights->MaximumLength) + L" " +
               std::to_wstring(count);
    LocalFree(text);
    return status;
}
NTSTATUS NTAPI openPolicy(PLSA_UNICODE_STRING, PLSA_OBJECT_ATTRIBUTES, ACCESS_MASK, PLSA_HANDLE policy) {
    *policy = reinterpret_cast<LSA_HANDLE>(1);
    return g_openStatus;
}
NTSTATUS NTAPI addRights(LSA_HANDLE, PSID sid, PLSA_UNICODE_STRING rights, ULONG count) {
    return recordRights(L"add", sid, rights, count, 0);
}
NTSTATUS NTAPI removeRights(LSA_HANDLE, PSID sid, BOOLEAN all, PLSA_UNICODE_STRING rights, ULONG count) {
    return recordRights(all ? L"remove all" : L"remove", sid, rights, count, 0xC0000034);
}
NTSTATUS NTAPI closePolicy(LSA_HANDLE) { return 0; }

// The account found by SID text or by name, one counted right, and "remove
// all" exactly when no right is named; a failing status is false.
TEST(AccountRights, WhatReachesTheRightsFunctions) {
    const struct {
        const wchar_t *account, *right;
        bool add;
        ULONG openStatus;
        bool result;
        const wchar_t* reached;
    } rows[] = {
        {L"Administrators", L"SeServiceLogonRight", true, 0, true, L"add S-1-5-32-544 SeServiceLogonRight 38/40 1"},
        {L"S-1-5-32-545", nullptr, false, 0, false, L"remove all S-1-5-32-545  0/2 1"},
        {L"tlx no such account", L"SeServiceLogonRight", true, 0, false, L""},
        {L"Administrators", L"SeServiceLogonRight", true, 0xC0000022 /* access denied */, false, L""},
    };
    LsaApi api = {openPolicy, addRights, removeRights, closePolicy};
    for (const auto& row : rows) {
        g_openStatus = static_cast<NTSTATUS>(row.openStatus);
        g_rights.clear();
        EXPECT_EQ(setAccountRight(api, row.account, row.right, row.add), row.result) << row.account;
        EXPECT_EQ(g_rights, row.reached);
    }
    g_openStatus = 0;
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

TEST(ProfileDirectory, LogonAndItsFailures) {
    HMODULE userenv = LoadLibraryW(L"userenv.dll");
    ASSERT_NE(userenv, nullptr);
    ProfileApi api;
    bindProfileApi(userenv, &api);
    ASSERT_NE(api.getUserProfileDirectory, nullptr);
    api.logonUser = logonUser;
    wchar_t out[1024];
    JNIEnv* env = testJavaEnvironment();
    ASSERT_NE(env, nullptr);
    std::wstring sid = JavaStringCopy(env, TLX_JNI(Win32UserInfo, getUserSid0)(env, nullptr)).get();

    profileDirectory(api, sid.c_str(), L"right", out, 1024);
    EXPECT_STREQ(out, _wgetenv(L"USERPROFILE"));
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

    const wchar_t* subkey = L"Software\\tlxtest\\unit-acl";
    std::wstring path = std::wstring(L"CURRENT_USER\\") + subkey;
    const wchar_t* name = path.c_str();
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, subkey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    ASSERT_EQ(SetNamedSecurityInfoW(const_cast<LPWSTR>(name), SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr,
                                    nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_TRUE(TLX_JNI(ACLHandling, addACE)(env, nullptr, newJavaString(env, name), JNI_TRUE, JNI_TRUE, JNI_TRUE,
                                             JNI_FALSE, JNI_FALSE, 5, nullptr));
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    LPWSTR sddl = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoW(name, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                                    nullptr, &descriptor),
              ERROR_SUCCESS);
    ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1,
                                                                     DACL_SECURITY_INFORMATION, &sddl, nullptr));
    std::wstring dacl = sddl;  // the two generic rights in either order
    EXPECT_TRUE(dacl == L"D:(A;OICI;GRGW;;;PU)(A;;GA;;;WD)" || dacl == L"D:(A;OICI;GWGR;;;PU)(A;;GA;;;WD)") << dacl;
    LocalFree(sddl);
    LocalFree(descriptor);
    RegDeleteKeyW(HKEY_CURRENT_USER, subkey);
}

}  // namespace

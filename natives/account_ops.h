// The account work of the Win32UserInfo natives that goes through functions
// bound at run time: local users and groups (netapi32), a user's profile
// directory (a logon token and userenv), and LSA account rights. Each takes
// its functions as a table, filled from the system by the bind functions;
// so the natives degrade to their failure results when a function is
// missing, and the unit tests can hand in a stand-in for the functions that
// Wine only stubs. No jni.h here: the JNI side only converts.
#pragma once
#include <windows.h>
#include <lm.h>
#include <ntsecapi.h>

#include <cstddef>

#include "launcher/base/scoped.h"

struct NetApi {
    NET_API_STATUS(WINAPI* localGroupAdd)(LPCWSTR server, DWORD level, LPBYTE info, LPDWORD parameterError);
    NET_API_STATUS(WINAPI* localGroupGetInfo)(LPCWSTR server, LPCWSTR group, DWORD level, LPBYTE* info);
    NET_API_STATUS(WINAPI* bufferFree)(LPVOID buffer);
    NET_API_STATUS(WINAPI* userAdd)(LPCWSTR server, DWORD level, LPBYTE info, LPDWORD parameterError);
    NET_API_STATUS(WINAPI* userGetInfo)(LPCWSTR server, LPCWSTR user, DWORD level, LPBYTE* info);
    NET_API_STATUS(WINAPI* localGroupAddMembers)
    (LPCWSTR server, LPCWSTR group, DWORD level, LPBYTE members, DWORD count);
    NET_API_STATUS(WINAPI* userDel)(LPCWSTR server, LPCWSTR user);
    NET_API_STATUS(WINAPI* localGroupDel)(LPCWSTR server, LPCWSTR group);
};

// netapi32's functions, from the loaded module or loaded now; what is
// missing stays null. False when netapi32 cannot be had at all.
bool bindNetApi(NetApi* api);

struct NewUser {
    const wchar_t* user;
    wchar_t* password;  // a secret: handed to the system only, never logged
    const wchar_t* comment;
    const wchar_t* group;
    const wchar_t* groupComment;
    bool createGroup;
    bool failIfGroupExists;
};

// Creates the user (and the group, or adds it to an existing one) and writes
// the result text to out: the user's SID, then the group's SID and whether
// the group was created here; or the step that failed and its status. False
// (out untouched) when a function it needs is missing.
bool addUser(const NetApi& api, const NewUser& request, wchar_t* out, size_t capacity);

struct ProfileApi {
    BOOL(WINAPI* convertStringSidToSid)(LPCWSTR text, PSID* sid);
    BOOL(WINAPI* logonUser)(LPCWSTR user, LPCWSTR domain, LPCWSTR password, DWORD type, DWORD provider, PHANDLE token);
    BOOL(WINAPI* getUserProfileDirectory)(HANDLE token, LPWSTR directory, LPDWORD size);
};

// advapi32's two and userenv's one; what is missing stays null.
void bindProfileApi(HMODULE userenv, ProfileApi* api);

// The profile directory of the account with that SID, or an error text that
// begins with a blank. Logs the account on with the password to get there.
void profileDirectory(const ProfileApi& api, const wchar_t* sid, const wchar_t* password, wchar_t* out,
                      size_t capacity);

struct LsaApi {
    NTSTATUS(NTAPI* openPolicy)
    (PLSA_UNICODE_STRING system, PLSA_OBJECT_ATTRIBUTES attributes, ACCESS_MASK access, PLSA_HANDLE policy);
    NTSTATUS(NTAPI* addAccountRights)(LSA_HANDLE policy, PSID account, PLSA_UNICODE_STRING rights, ULONG count);
    NTSTATUS(NTAPI* removeAccountRights)
    (LSA_HANDLE policy, PSID account, BOOLEAN all, PLSA_UNICODE_STRING rights, ULONG count);
    NTSTATUS(NTAPI* close)(LSA_HANDLE policy);
};

// False when advapi32 lacks any of the four.
bool bindLsaApi(LsaApi* api);

// Grants (add) or revokes the right of the account (a SID text or an account
// name); revoking a null right revokes every right the account holds.
bool setAccountRight(const LsaApi& api, const wchar_t* account, const wchar_t* right, bool add);

// The account name and domain of a SID on the local system, in buffers of
// 8,192 units each. A builtin SID (S-1-5-32-...) or an empty domain means
// the local machine, ".".
class AccountOfSid {
public:
    AccountOfSid();
    // False with the system's error in GetLastError (no memory: 8).
    bool lookUp(PSID sid);
    const wchar_t* name() const { return name_; }
    const wchar_t* domain() const { return domain_; }
    bool localDomain(const wchar_t* sidText) const;

private:
    HeapBuffer buffer_;
    wchar_t* name_ = nullptr;
    wchar_t* domain_ = nullptr;
};

// The SID of an account given as SID text or, failing that, as a name on the
// local system; LocalFree it. Null when neither works.
PSID accountSid(const wchar_t* account);

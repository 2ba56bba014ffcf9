// The natives of the runtime's ACLHandling class: granting a trustee access
// to a file or registry key by merging one entry into the object's DACL.
#include "natives/native_support.h"

#include <windows.h>
#include <aclapi.h>
#include <jni.h>

#include "launcher/base/scoped.h"
#include "natives/account_ops.h"
#include "natives/diagnostic.h"

namespace {

// The trustee kinds the Java side passes; any other value means everyone.
enum TrusteeKind : jint { kEveryone = 0, kAuthenticatedUsers = 1, kNamedAccount = 3, kPowerUsers = 5 };

constexpr DWORD kInheritEverywhere = SUB_CONTAINERS_AND_OBJECTS_INHERIT;

void grantEntry(EXPLICIT_ACCESSW* entry, DWORD mask, DWORD inheritance, PSID trustee) {
    *entry = {};
    entry->grfAccessPermissions = mask;
    entry->grfAccessMode = GRANT_ACCESS;
    entry->grfInheritance = inheritance;
    entry->Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entry->Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    entry->Trustee.ptstrName = static_cast<LPWSTR>(trustee);
}

// The trustee's SID: from LocalAlloc for a named account, from
// AllocateAndInitializeSid for the fixed ones; freed accordingly.
class TrusteeSid {
public:
    TrusteeSid(jint kind, const wchar_t* account) {
        SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
        SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
        switch (kind) {
            case kNamedAccount:
                sid_ = accountSid(account);
                local_ = true;
                break;
            case kAuthenticatedUsers:
                AllocateAndInitializeSid(&nt, 1, SECURITY_AUTHENTICATED_USER_RID, 0, 0, 0, 0, 0, 0, 0, &sid_);
                break;
            case kPowerUsers:
                // The builtin power-users group, S-1-5-32-547: 547 is its relative id.
                AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_POWER_USERS, 0, 0, 0, 0,
                                         0, 0, &sid_);
                break;
            default: AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &sid_); break;
        }
    }
    ~TrusteeSid() {
        if (!sid_) return;
        if (local_) {
            LocalFree(sid_);
        } else {
            FreeSid(sid_);
        }
    }
    TrusteeSid(const TrusteeSid&) = delete;
    TrusteeSid& operator=(const TrusteeSid&) = delete;
    PSID get() const { return sid_; }

private:
    PSID sid_ = nullptr;
    bool local_ = false;
};

// Reads the DACL, merges the grant, stores the result; stops at the first
// failure, so that a DACL that could not be read is never replaced by one
// holding the new entry alone. An object without a DACL (or with a null one)
// grants everyone everything: that grant is kept beside the new entry, for
// the object itself, so that nobody loses the access they had.
DWORD grantAccess(const wchar_t* path, const char* path8, SE_OBJECT_TYPE type, DWORD mask, PSID trustee) {
    PACL current = nullptr;
    ScopedLocalMemory<PSECURITY_DESCRIPTOR> descriptor;
    DWORD status = GetNamedSecurityInfoW(path, type, DACL_SECURITY_INFORMATION, nullptr, nullptr, &current, nullptr,
                                         descriptor.receive());
    if (status != ERROR_SUCCESS) {
        printDiagnostic("GetNamedSecurityInfo Error %u %s\n", static_cast<unsigned>(status), path8 ? path8 : "");
        return status;
    }
    EXPLICIT_ACCESSW entries[2];
    grantEntry(&entries[0], mask, kInheritEverywhere, trustee);
    TrusteeSid everyone(kEveryone, nullptr);
    if (!current) {
        if (!everyone.get()) return ERROR_NOT_ENOUGH_MEMORY;
        grantEntry(&entries[1], GENERIC_ALL, NO_INHERITANCE, everyone.get());
    }
    ScopedLocalMemory<PACL> merged;
    status = SetEntriesInAclW(current ? 1 : 2, entries, current, merged.receive());
    if (status != ERROR_SUCCESS) {
        printDiagnostic("SetEntriesInAcl Error %u\n", static_cast<unsigned>(status));
        return status;
    }
    status = SetNamedSecurityInfoW(const_cast<LPWSTR>(path), type, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                   merged.get(), nullptr);
    if (status != ERROR_SUCCESS) printDiagnostic("SetNamedSecurityInfo Error %u\n", static_cast<unsigned>(status));
    return status;
}

}  // namespace

// boolean addACE(String path, boolean registryKey, boolean read, boolean write, boolean execute, boolean all,
//                int trusteeKind, String account)  (Ljava/lang/String;ZZZZZILjava/lang/String;)Z
// A registry path is an object name as the security functions take it
// ("CURRENT_USER\Software\...", "MACHINE\...").
extern "C" jboolean JNICALL TLX_JNI(ACLHandling, addACE)(JNIEnv* env, jclass, jstring path, jboolean registryKey,
                                                         jboolean read, jboolean write, jboolean execute, jboolean all,
                                                         jint trusteeKind, jstring account) {
    SE_OBJECT_TYPE type = registryKey ? SE_REGISTRY_KEY : SE_FILE_OBJECT;
    DWORD mask = (read ? GENERIC_READ : 0) | (write ? GENERIC_WRITE : 0) | (execute ? GENERIC_EXECUTE : 0) |
                 (all ? GENERIC_ALL : 0);
    JavaStringCopy accountName(env, account);
    TrusteeSid trustee(trusteeKind, accountName.get());
    if (!trustee.get()) return JNI_FALSE;
    JavaStringCopy objectName(env, path);
    if (!objectName.get()) return JNI_FALSE;  // ERROR_INVALID_PARAMETER, nothing to tell
    JavaStringCopy8 objectName8(env, path);
    return grantAccess(objectName.get(), objectName8.get(), type, mask, trustee.get()) == ERROR_SUCCESS ? JNI_TRUE
                                                                                                        : JNI_FALSE;
}

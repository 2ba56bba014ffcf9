// The accounts the system's object picker handed back, as the runtime's
// ObjectPicker$Result objects; apart from show0 so that the conversion can
// be checked on a selection made in memory (the picker on this test
// platform returns before it ever shows).
#pragma once
#include <windows.h>
#include <jni.h>
#include <objsel.h>

// One Result per selected object: name, ADsPath, class, UPN and the string
// form of the fetched objectSID, each null where the picker gave none or
// the SID is not a valid one of the bytes given. Null when a Java object
// cannot be made or ConvertSidToStringSidW is missing.
jobjectArray pickedAccounts(JNIEnv* env, const DS_SELECTION_LIST& selection);

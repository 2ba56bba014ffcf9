// The work routine's thread; see work_thread.h.
#include "launcher/work_thread.h"

namespace {

// What java.exe reserves for the thread it creates the JVM and runs main on
// (the size in its PE header, which its CreateThread takes: 1 MB in the
// 64-bit JDK). A JVM created on the first thread of a GUI program starts
// measurably slower than on a thread of its own.
constexpr SIZE_T kWorkThreadStack = 1024 * 1024;

}  // namespace

HANDLE startWorkThread(LPTHREAD_START_ROUTINE routine, void* parameter) {
    return CreateThread(nullptr, kWorkThreadStack, routine, parameter, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
}

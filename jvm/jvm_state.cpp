// The single JvmState instance.
#include "jvm/jvm_state.h"

JvmState g_jvm;

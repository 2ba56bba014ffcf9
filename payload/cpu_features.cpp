// Processor features of the payload loops; see cpu_features.h.
#include "payload/cpu_features.h"

#include <cpuid.h>

namespace {

struct Features {
    bool carrylessMultiply = false;
    bool avx2 = false;
    bool wideCarrylessMultiply = false;
};

// The AVX registers are usable only when the system saves them on a task
// switch (XCR0 bits 1 and 2); the instruction is there only with OSXSAVE.
bool systemKeepsAvxState(unsigned ecx1) {
    if (!(ecx1 & bit_OSXSAVE) || !(ecx1 & bit_AVX)) return false;
    unsigned low = 0, high = 0;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return (low & 6u) == 6u;
}

Features detect() {
    Features features;
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return features;
    features.carrylessMultiply = (ecx & bit_PCLMUL) && (ecx & bit_SSE4_1);
    bool avxState = systemKeepsAvxState(ecx);
    unsigned ebx7 = 0, ecx7 = 0;
    if (!__get_cpuid_count(7, 0, &eax, &ebx7, &ecx7, &edx)) return features;
    features.avx2 = avxState && (ebx7 & bit_AVX2);
    features.wideCarrylessMultiply = features.avx2 && features.carrylessMultiply && (ecx7 & bit_VPCLMULQDQ);
    return features;
}

const Features& features() {
    static const Features detected = detect();
    return detected;
}

}  // namespace

bool hasCarrylessMultiply() { return features().carrylessMultiply; }
bool hasAvx2() { return features().avx2; }
bool hasWideCarrylessMultiply() { return features().wideCarrylessMultiply; }

// What the processor (and the system, which must save the wider registers)
// offers the loops that touch every byte of the payload: the CRC and the
// unscrambling. Each is asked once and remembered.
#pragma once

// PCLMULQDQ with SSE4.1: the CRC folds 16 bytes at a time.
bool hasCarrylessMultiply();
// AVX2 with the operating system keeping the 256-bit registers.
bool hasAvx2();
// AVX2 plus VPCLMULQDQ: the CRC folds 32 bytes at a time.
bool hasWideCarrylessMultiply();

// The one buffer through which the payload check and the extraction read the
// payload, a piece at a time: taken on first use, given back when the
// extraction is over. Fresh address space costs a page fault per page when
// first written (dearly so under virtualisation), so a buffer taken anew for
// the check and for every record cost more than the copying it served.
#pragma once
#include <windows.h>

// Large pieces: each read and write is a system call.
constexpr DWORD kPayloadPieceSize = 1 << 20;

// kPayloadPieceSize bytes, or null when the memory cannot be had.
BYTE* payloadPiece();
// Frees the buffer; the next payloadPiece() takes a new one.
void releasePayloadPiece();

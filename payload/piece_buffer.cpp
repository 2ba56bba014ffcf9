// The payload's piece buffer; see piece_buffer.h. Used by the work routine's
// thread only.
#include "payload/piece_buffer.h"

#include <cstdlib>

namespace {

BYTE* g_piece = nullptr;

}  // namespace

BYTE* payloadPiece() {
    if (!g_piece) g_piece = static_cast<BYTE*>(std::malloc(kPayloadPieceSize));
    return g_piece;
}

void releasePayloadPiece() {
    std::free(g_piece);
    g_piece = nullptr;
}

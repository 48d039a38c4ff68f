// The piece-size choice of the splitter's windows, free of any window system.
#pragma once

#include <cstdint>
#include <string>

namespace portelan {

// How a piece size was chosen.
enum PieceUnit : int { UNIT_DISK = 10, UNIT_BYTES = 11, UNIT_KB = 12, UNIT_MB = 13 };

struct PieceSizeValue {
    std::int64_t value;
    int unit;
};

// What the piece-size window opens with for a stored size: the preset as it
// is, otherwise the largest of bytes, KB and MB in which the number is still
// at least 1 after truncating division.
PieceSizeValue PieceSizeForWindow(std::int64_t pieceSize, int sizeUnit);

// The window's OK: a number above its unit's cap becomes the cap (every cap
// is 2^30 bytes); zero and negative numbers stay.
std::int64_t CapPieceValue(std::int64_t value, int unit);

// The stored size after OK: the preset's 1457664 bytes with UNIT_DISK, or the
// number converted to bytes with UNIT_BYTES.
PieceSizeValue PieceSizeFromWindow(std::int64_t value, int unit);

// The main window's piece-size field: "%d [<size text>]".
std::string PieceSizeText(std::int64_t pieceSize);

// The piece-size window's number field: what atoi makes of the text.
std::int64_t ParseTypedNumber(const std::string& text);

} // namespace portelan

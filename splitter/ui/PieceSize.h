// The piece-size choice of the splitter's windows, free of any window system.
#pragma once

#include <cstdint>
#include <string>

#include "splitter/engine/SplitEngine.h"

namespace portelan {

// How a piece size was chosen.
enum PieceUnit : int { UNIT_DISK = 10, UNIT_BYTES = 11, UNIT_KB = 12, UNIT_MB = 13 };

struct PieceSizeValue {
    std::int64_t value;
    int unit;
};

// The units a number can be typed in, smallest first; every cap is 2^30 bytes.
struct PieceUnitInfo {
    int code;
    std::int64_t factor; // bytes per unit
    std::int64_t cap;    // the largest number the window takes
};
inline constexpr PieceUnitInfo kPieceUnits[] = {
    {UNIT_BYTES, 1, std::int64_t{1} << 30},
    {UNIT_KB, 1024, std::int64_t{1} << 20},
    {UNIT_MB, 1024 * 1024, 1024},
};

// The sizes chosen by name rather than typed.
struct PiecePreset {
    int code;
    std::int64_t bytes;
    const char* label; // the Qt window's radio button; the Windows one is in Portelan.rc
};
inline constexpr PiecePreset kPiecePresets[] = {
    {UNIT_DISK, kDiskPieceSize, "Disketten Größe (1,44 MB)"},
};
const PiecePreset* FindPiecePreset(int unit);

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

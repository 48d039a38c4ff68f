// The piece-size choice of the splitter's front ends, free of any window system.
#pragma once

#include <cstdint>
#include <string>

#include "splitter/engine/SplitPlan.h"
#include "texts/SplitterTexts.h"

namespace portelan {

// The units a number can be typed in, smallest first; every cap is 2^30 bytes.
struct PieceUnitInfo {
    PieceUnit code;
    std::int64_t factor; // bytes per unit
    std::int64_t cap;    // the largest number the window takes
};
inline constexpr PieceUnitInfo kPieceUnits[] = {
    {PieceUnit::Bytes, 1, std::int64_t{1} << 30},
    {PieceUnit::Kb, 1024, std::int64_t{1} << 20},
    {PieceUnit::Mb, 1024 * 1024, 1024},
};

// The sizes chosen by name rather than typed, for a medium or a limit. Every
// front end lists them in this order: the command line by name, the windows
// as radio buttons with the label. A preset is not held to the cap of typed
// sizes; the plan takes pieces below 2^32 bytes.
struct PiecePreset {
    PieceUnit code;
    std::int64_t bytes;
    const char* name; // portelan-cli split --size NAME
    Text label;       // the windows' radio button
};
inline constexpr PiecePreset kPiecePresets[] = {
    // The 2847 clusters of 512 bytes that FAT12 leaves for files on a 1.44 MB diskette.
    {PieceUnit::Disk, kDiskPieceSize, "disk", Text::PresetDisk},
    // A 74-minute CD: 333,000 sectors of 2048 data bytes.
    {PieceUnit::Cd650, 681984000, "cd650", Text::PresetCd650},
    // An 80-minute CD: 360,000 sectors of 2048 data bytes.
    {PieceUnit::Cd700, 737280000, "cd700", Text::PresetCd700},
    // FAT32 keeps a file's size in 32 bits: 2^32 - 1 bytes is the largest file.
    {PieceUnit::Fat32, 4294967295, "fat32", Text::PresetFat32},
    // 320,512 base64 lines of 57 bytes, each 76 characters and CRLF: 24,999,936
    // bytes encoded, within an attachment limit of 25,000,000.
    {PieceUnit::Mail, 18269184, "mail", Text::PresetMail},
};
const PiecePreset* FindPiecePreset(PieceUnit unit);
const PiecePreset* FindPiecePreset(const std::string& name);

// The choice by number of pieces, in both windows and in the main window's field.
inline constexpr Text kCountChoiceLabel = Text::CountChoiceLabel;
// What the count field of the piece-size window holds when no count was chosen.
inline constexpr std::int64_t kDefaultPieceCount = 2;

// What the piece-size window opens with for a stored choice: a preset or a
// count as it is, otherwise the largest of bytes, KB and MB in which the
// number is still at least 1 after truncating division.
PieceSizeValue PieceSizeForWindow(std::int64_t value, PieceUnit unit);

// The window's OK: a number above its unit's cap becomes the cap (every cap
// is 2^30 bytes); zero and negative numbers, presets and counts stay.
std::int64_t CapPieceValue(std::int64_t value, PieceUnit unit);

// The stored choice after OK: a preset with its bytes, a count as it is, or
// the number converted to bytes with PieceUnit::Bytes.
PieceSizeValue PieceSizeFromWindow(std::int64_t value, PieceUnit unit);

// The main window's piece-size field: "%lld [<size text>]", or the count.
std::string PieceSizeText(const PieceSizeValue& choice);

// The piece-size window's number fields: what the Windows C runtime's atoi
// makes of the text, which saturates at the limits of a 32-bit int.
std::int64_t ParseTypedNumber(const std::string& text);

} // namespace portelan

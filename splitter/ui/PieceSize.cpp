#include "splitter/ui/PieceSize.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "common/SizeText.h"
#include "common/StrFormat.h"

namespace portelan {

namespace {

const PieceUnitInfo* FindUnit(int unit)
{
    const PieceUnitInfo* found = std::ranges::find(kPieceUnits, unit, &PieceUnitInfo::code);
    return found == std::end(kPieceUnits) ? nullptr : found;
}

} // namespace

const PiecePreset* FindPiecePreset(int unit)
{
    const PiecePreset* found = std::ranges::find(kPiecePresets, unit, &PiecePreset::code);
    return found == std::end(kPiecePresets) ? nullptr : found;
}

PieceSizeValue PieceSizeForWindow(std::int64_t pieceSize, int sizeUnit)
{
    if (FindPiecePreset(sizeUnit))
        return {pieceSize, sizeUnit};
    // The largest unit, of those after bytes, in which the number is at least 1.
    for (auto unit = std::rbegin(kPieceUnits); unit != std::prev(std::rend(kPieceUnits)); ++unit)
        if (pieceSize / unit->factor >= 1)
            return {pieceSize / unit->factor, unit->code};
    return {pieceSize, kPieceUnits[0].code};
}

std::int64_t CapPieceValue(std::int64_t value, int unit)
{
    const PieceUnitInfo* info = FindUnit(unit);
    return info && value > info->cap ? info->cap : value;
}

PieceSizeValue PieceSizeFromWindow(std::int64_t value, int unit)
{
    if (const PiecePreset* preset = FindPiecePreset(unit))
        return {preset->bytes, unit};
    const PieceUnitInfo* info = FindUnit(unit);
    return {info ? value * info->factor : value, UNIT_BYTES};
}

std::string PieceSizeText(std::int64_t pieceSize)
{
    return StrFormat("%d [%s]", static_cast<int>(pieceSize), FormatSize(pieceSize).c_str());
}

std::int64_t ParseTypedNumber(const std::string& text) { return std::atoi(text.c_str()); }

} // namespace portelan

#include "splitter/ui/PieceSize.h"

#include <algorithm>
#include <climits>
#include <iterator>

#include "common/SizeText.h"
#include "common/StrFormat.h"

namespace portelan {

namespace {

const PieceUnitInfo* FindUnit(PieceUnit unit)
{
    const PieceUnitInfo* found = std::ranges::find(kPieceUnits, unit, &PieceUnitInfo::code);
    return found == std::end(kPieceUnits) ? nullptr : found;
}

} // namespace

const PiecePreset* FindPiecePreset(PieceUnit unit)
{
    const PiecePreset* found = std::ranges::find(kPiecePresets, unit, &PiecePreset::code);
    return found == std::end(kPiecePresets) ? nullptr : found;
}

const PiecePreset* FindPiecePreset(const std::string& name)
{
    for (const PiecePreset& preset : kPiecePresets)
        if (name == preset.name)
            return &preset;
    return nullptr;
}

PieceSizeValue PieceSizeForWindow(std::int64_t value, PieceUnit unit)
{
    if (FindPiecePreset(unit) || unit == PieceUnit::Count)
        return {value, unit};
    // The largest unit, of those after bytes, in which the number is at least 1.
    for (auto info = std::rbegin(kPieceUnits); info != std::prev(std::rend(kPieceUnits)); ++info)
        if (value / info->factor >= 1)
            return {value / info->factor, info->code};
    return {value, kPieceUnits[0].code};
}

std::int64_t CapPieceValue(std::int64_t value, PieceUnit unit)
{
    const PieceUnitInfo* info = FindUnit(unit);
    return info && value > info->cap ? info->cap : value;
}

PieceSizeValue PieceSizeFromWindow(std::int64_t value, PieceUnit unit)
{
    if (const PiecePreset* preset = FindPiecePreset(unit))
        return {preset->bytes, unit};
    if (unit == PieceUnit::Count)
        return {value, unit};
    const PieceUnitInfo* info = FindUnit(unit);
    return {info ? value * info->factor : value, PieceUnit::Bytes};
}

std::string PieceSizeText(const PieceSizeValue& choice)
{
    if (choice.unit == PieceUnit::Count)
        return StrFormat("%s: %lld", Tr(kCountChoiceLabel), static_cast<long long>(choice.value));
    return StrFormat("%lld [%s]", static_cast<long long>(choice.value), FormatSize(choice.value).c_str());
}

std::int64_t ParseTypedNumber(const std::string& text)
{
    // Blanks, a sign, digits; the rest is ignored, as atoi ignores it.
    std::size_t at = text.find_first_not_of(" \t\n\v\f\r");
    if (at == std::string::npos)
        return 0;
    const bool negative = text[at] == '-';
    if (text[at] == '-' || text[at] == '+')
        ++at;
    std::int64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        value = std::min<std::int64_t>(value * 10 + (text[at] - '0'), std::int64_t{INT_MAX} + 1);
    if (negative)
        return -value;
    return std::min<std::int64_t>(value, INT_MAX);
}

} // namespace portelan

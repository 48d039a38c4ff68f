// The piece-size window and the plan's arithmetic: a typed number and a
// unit through OK, reopening and OK again, then the count of pieces for a
// source of any size and the plan's verdict on it.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include <fuzzer/FuzzedDataProvider.h>

#include "splitter/engine/SplitEngine.h"
#include "splitter/ui/PieceSize.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace portelan;
    FuzzedDataProvider provider(data, size);
    const PieceUnit unit = provider.PickValueInArray(
        {PieceUnit::Disk, PieceUnit::Mail, PieceUnit::Bytes, PieceUnit::Kb, PieceUnit::Mb});
    const std::int64_t sourceSize = provider.ConsumeIntegral<std::int64_t>();
    const std::string typed = provider.ConsumeRandomLengthString(40);

    // The window's OK, as the main window stores it.
    const std::int64_t value = ParseTypedNumber(typed);
    const PieceSizeValue stored = PieceSizeFromWindow(CapPieceValue(value, unit), unit);
    const PiecePreset* preset = FindPiecePreset(unit);
    if (preset ? stored != PieceSizeValue{preset->bytes, unit}
               : stored.value > (std::int64_t{1} << 30) || stored.unit != PieceUnit::Bytes)
        __builtin_trap();
    // Reopened and confirmed unchanged, the size never grows.
    const PieceSizeValue shown = PieceSizeForWindow(stored.value, stored.unit);
    const PieceSizeValue again = PieceSizeFromWindow(CapPieceValue(shown.value, shown.unit), shown.unit);
    if (stored.value > 0 && (again.value > stored.value || again.value <= 0))
        __builtin_trap();
    PieceSizeText(stored);

    // The smallest count that covers the source, saturating far above 999.
    const int count = CountPieces(sourceSize, stored.value);
    if (count < 1)
        __builtin_trap();
    if (stored.value > 0 && sourceSize > stored.value && count < std::numeric_limits<int>::max()) {
        const __int128 covered = static_cast<__int128>(count) * stored.value;
        if (covered < sourceSize || covered - stored.value >= sourceSize)
            __builtin_trap();
    }
    SplitPlan plan;
    plan.sourceSize = sourceSize;
    plan.choice = stored;
    plan.pieceSize = stored.value;
    plan.count = count;
    plan.sourceDir = "/nonexistent/";
    plan.sourceName = "film.avi";
    plan.targetDir = "/";
    plan.freeBytes = provider.ConsumeIntegral<std::int64_t>();
    const PlanView view = DescribePlan(plan);
    if (view.verdict.canConfirm && (count < 2 || count > kMaxPieces))
        __builtin_trap();
    return 0;
}

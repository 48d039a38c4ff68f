// Planning a split: source size, piece count, the checks and their verdict.
#include <limits>

#include "common/FileNames.h"
#include "common/SizeText.h"
#include "common/SplitSet.h"
#include "common/StrFormat.h"
#include "platform/Platform.h"
#include "splitter/engine/SplitEngine.h"
#include "texts/SplitterTexts.h"

namespace portelan {

std::vector<par2::PieceSpec> PlannedPieces(const SplitPlan& plan)
{
    const std::string baseName = SplitSourceName(plan.sourceName).baseName;
    std::vector<par2::PieceSpec> pieces;
    std::int64_t left = plan.sourceSize;
    for (int k = 1; k <= plan.count && left > 0; ++k) {
        const std::int64_t length = left < plan.pieceSize ? left : plan.pieceSize;
        pieces.push_back({PieceFileName("", baseName, k), length});
        left -= length;
    }
    return pieces;
}

std::string RecoveryCreator() { return "Portelan " PORTELAN_VERSION_TEXT; }

std::optional<par2::RecoveryLayout> PlanRecoveryFiles(const SplitPlan& plan)
{
    if (plan.recoveryPieces <= 0 || plan.count < 2 || plan.count > kMaxPieces || plan.pieceSize <= 0 ||
        plan.pieceSize >= (std::int64_t{1} << 32))
        return std::nullopt;
    const std::string baseName = SplitSourceName(plan.sourceName).baseName;
    return par2::PlanRecovery("_" + baseName, PlannedPieces(plan),
                              static_cast<std::uint32_t>(plan.recoveryPieces), RecoveryCreator());
}

int CountPieces(std::int64_t sourceSize, std::int64_t pieceSize)
{
    // Same result as subtracting the piece size until the rest fits, without
    // a loop that a one-byte piece size would make run for minutes.
    if (pieceSize <= 0 || sourceSize <= pieceSize)
        return 1;
    std::int64_t count = (sourceSize - 1) / pieceSize + 1;
    return count > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                   : static_cast<int>(count);
}

std::int64_t PieceSizeForCount(std::int64_t sourceSize, std::int64_t count)
{
    if (sourceSize <= 0 || count < 1)
        return 0;
    return (sourceSize - 1) / count + 1;
}

bool IsSourceFile(const SplitPlan& plan, const std::string& path)
{
    const std::string source = plan.sourceDir + plan.sourceName;
    return path == source || platform::SameFile(path, source);
}

namespace {

// The planned piece that is the source itself, 0 for none: cutting "x.001"
// into its own directory would truncate the source when the first piece is
// created.
int PieceThatIsTheSource(const SplitPlan& plan)
{
    const SourceNameParts parts = SplitSourceName(plan.sourceName);
    const std::optional<int> k = PieceNumberOfExtension(parts.extension);
    if (!k || *k < 1 || *k > plan.count)
        return 0;
    return IsSourceFile(plan, PieceFileName(plan.targetDir, parts.baseName, *k)) ? *k : 0;
}

} // namespace

std::optional<SplitPlan> MakePlan(const SplitPlan& inputs)
{
    SplitPlan plan = inputs;
    const std::optional<std::int64_t> size = platform::FindFileSize(plan.sourceDir + plan.sourceName);
    if (!size)
        return std::nullopt;
    plan.sourceSize = *size;
    plan.pieceSize = plan.choice.unit == PieceUnit::Count
                         ? PieceSizeForCount(plan.sourceSize, plan.choice.value)
                         : plan.choice.value;
    plan.count = CountPieces(plan.sourceSize, plan.pieceSize);
    plan.freeBytes = platform::QueryFreeSpace(plan.targetDir);
    plan.sourcePiece = PieceThatIsTheSource(plan);
    return plan;
}

PlanVerdict CheckPlan(const SplitPlan& plan)
{
    // A count asked for is held to the rules of the count it gives.
    const bool byCount = plan.choice.unit == PieceUnit::Count;
    if (plan.sourceSize <= 0)
        return {Tr(Text::PlanSourceEmpty), false};
    if (byCount && plan.choice.value <= 0)
        return {Tr(Text::PlanNoCount), false};
    if (plan.pieceSize <= 0)
        return {Tr(Text::PlanNoPieceSize), false};
    if (plan.count <= 0)
        return {Tr(Text::PlanNoCount), false};
    if (plan.count > kMaxPieces || (byCount && plan.choice.value > kMaxPieces))
        return {Tr(Text::PlanTooManyPieces), false};
    if (plan.pieceSize >= (std::int64_t{1} << 32))
        return {Tr(Text::PlanPiecesTooLarge), false};
    // The configuration file holds the names in fields of 256 bytes, and the
    // set's joiner must be able to read them back.
    const SourceNameParts names = SplitSourceName(plan.sourceName);
    const StoredNames stored = EncodeNames(names.baseName, names.extension);
    if (!stored.Fit())
        return {Tr(Text::PlanNameTooLong), false};
    if (!stored.Readable())
        return {Tr(Text::PlanNameEncoding), false};
    // The recovery files need room of their own beside the pieces.
    const std::optional<par2::RecoveryLayout> recovery = PlanRecoveryFiles(plan);
    if (plan.recoveryPieces > 0 && plan.count >= 2 && !recovery)
        return {Tr(Text::PlanNoRecovery), false};
    const std::int64_t needed = plan.sourceSize + kFreeSpaceReserve + (recovery ? recovery->totalBytes : 0);
    // Where the system could not say, the text shows what is needed as free.
    if (!plan.freeBytes || *plan.freeBytes < needed)
        return {StrFormat(Tr(Text::PlanLowSpace), FormatSize(plan.freeBytes.value_or(needed)).c_str(),
                          plan.targetDir.c_str(), FormatSize(needed).c_str()),
                false};
    if (plan.count <= 1)
        return {Tr(Text::PlanSinglePiece), false};
    if (plan.sourcePiece > 0)
        return {StrFormat(Tr(Text::PlanSourceIsPiece),
                          PieceFileName(plan.targetDir, names.baseName, plan.sourcePiece).c_str()),
                false};
    // Sets that one of our joiners would refuse, by the rule they apply:
    // Windows' rules too, for a set may be joined there.
    const std::string decodedBase = DecodeName(stored.baseName, stored.encoding).value_or("");
    const std::string decodedExt = DecodeName(stored.extension, stored.encoding).value_or("");
    switch (CheckSetNames(decodedBase, decodedExt, true)) {
    case SetNameFault::None:
        break;
    case SetNameFault::NoBaseName:
        return {Tr(Text::PlanNoBaseName), false};
    case SetNameFault::NoExtension:
        return {Tr(Text::PlanNoExtension), false};
    case SetNameFault::Character:
        return {Tr(Text::PlanBadCharacter), false};
    case SetNameFault::WindowsReserved:
        return {Tr(Text::PlanWindowsReserved), false};
    }
    if (std::optional<int> k = PieceNumberOfExtension(names.extension);
        k && *k >= 1 && *k <= plan.count && names.extension == StrFormat("%.3d", *k))
        return {StrFormat(Tr(Text::PlanNamedLikePiece), *k), false};

    std::int64_t last = plan.sourceSize - std::int64_t{plan.count - 1} * plan.pieceSize;
    if (last == plan.pieceSize) {
        long n = plan.count;
        return {StrFormat(Tr(Text::PlanEqualPieces, static_cast<unsigned long long>(n)), n,
                          FormatSize(plan.pieceSize).c_str()),
                true};
    }
    long n = plan.count - 1;
    return {StrFormat(Tr(Text::PlanPiecesAndLast, static_cast<unsigned long long>(n)), n,
                      FormatSize(plan.pieceSize).c_str(), FormatSize(last).c_str()),
            true};
}

PlanView DescribePlan(const SplitPlan& plan)
{
    PlanView view;
    view.sourceName = plan.sourceName;
    view.sourceDir = plan.sourceDir;
    view.sourceSize = FormatSize(plan.sourceSize);
    view.targetPath = plan.targetDir;
    view.count = StrFormat("%lu", static_cast<unsigned long>(static_cast<unsigned>(plan.count)));
    view.pieceSize = FormatSize(plan.pieceSize);
    if (const std::optional<par2::RecoveryLayout> recovery = PlanRecoveryFiles(plan)) {
        const unsigned long files = static_cast<unsigned long>(recovery->files.size());
        view.recovery =
            StrFormat(Tr(Text::PlanRecoveryFiles, files), files, FormatSize(recovery->totalBytes).c_str());
    } else {
        view.recovery = Tr(Text::PlanRecoveryNone);
    }
    view.verdict = CheckPlan(plan);
    return view;
}

void CSplitEngine::StartCommand(const SplitPlan& inputs, const StartInputs& have)
{
    // Later texts overwrite earlier ones: the source is named first.
    bool ok = true;
    if (!have.havePieceSize) {
        ok = false;
        m_ui.SetStatus(Tr(Text::StatusNoPieceSize));
    }
    if (!have.haveTarget) {
        ok = false;
        m_ui.SetStatus(Tr(Text::StatusNoTarget));
    }
    if (!have.haveSource) {
        ok = false;
        m_ui.SetStatus(Tr(Text::StatusNoSource));
    }
    if (!ok)
        return;
    if (const std::optional<SplitPlan> plan = PrepareSplit(inputs); plan && !StartSplit(*plan))
        m_ui.SetStatus(Tr(Text::StatusErrors));
}

std::optional<SplitPlan> CSplitEngine::PrepareSplit(const SplitPlan& inputs)
{
    std::optional<SplitPlan> plan = MakePlan(inputs);
    if (!plan) {
        m_ui.SetStatus(Tr(Text::StatusNoFileSize));
        return std::nullopt;
    }
    // The window only offers "&Fortfahren" for a valid plan; the engine does
    // not rely on that.
    if (!m_ui.ConfirmPlan(*plan) || !CheckPlan(*plan).canConfirm) {
        m_ui.SetStatus(Tr(Text::StatusCancelled));
        return std::nullopt;
    }
    return plan;
}

} // namespace portelan

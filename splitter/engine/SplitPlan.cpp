// Planning a split: source size, piece count, the checks and their verdict.
#include <limits>

#include "common/FileNames.h"
#include "common/SizeText.h"
#include "common/SplitSet.h"
#include "common/StrFormat.h"
#include "platform/Platform.h"
#include "splitter/engine/SplitEngine.h"

namespace portelan {

void CSplitJob::SetPlan(const CSplitJob& plan)
{
    m_nCount = plan.m_nCount;
    m_strTargetPath = plan.m_strTargetPath;
    m_nSourceSize = plan.m_nSourceSize;
    m_nPieceSize = plan.m_nPieceSize;
    m_strSourceDir = plan.m_strSourceDir;
    m_strSourceName = plan.m_strSourceName;
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

bool IsSourceFile(const CSplitJob& job, const std::string& path)
{
    const std::string source = job.m_strSourceDir + job.m_strSourceName;
    return path == source || platform::SameFile(path, source);
}

std::optional<std::string> PieceOverwritingSource(const CSplitJob& plan)
{
    SourceNameParts parts = SplitSourceName(plan.m_strSourceName);
    std::optional<int> k = PieceNumberOfExtension(parts.extension);
    if (!k || *k < 1 || *k > plan.m_nCount)
        return std::nullopt;
    std::string piece = PieceFileName(plan.m_strTargetPath, parts.baseName, *k);
    if (!IsSourceFile(plan, piece))
        return std::nullopt;
    return piece;
}

PlanVerdict CheckPlan(const CSplitJob& plan)
{
    if (plan.m_nSourceSize <= 0)
        return {"Fehler: Grösse der Quelldatei darf nicht Null sein.", false};
    if (plan.m_nPieceSize <= 0)
        return {"Fehler: Grösse der Zieldatei darf nicht Null sein.", false};
    if (plan.m_nCount <= 0)
        return {"Fehler: Anzahl der Zieldateien darf nicht Null sein.", false};
    if (plan.m_nCount > kMaxPieces)
        return {"Fehler: Zu viele Zieldateien (>999).", false};
    if (plan.m_nPieceSize >= (std::int64_t{1} << 32))
        return {"Fehler: Die Zieldateien sind zu gross.", false};
    // The configuration file holds the names in fields of 256 bytes, and the
    // set's joiner must be able to read them back.
    const SourceNameParts names = SplitSourceName(plan.m_strSourceName);
    const StoredNames stored = EncodeNames(names.baseName, names.extension);
    if (!stored.Fit())
        return {"Fehler: Der Name der Quelldatei ist zu lang für die Konfigurationsdatei.", false};
    if (!stored.Readable())
        return {"Fehler: Der Name der Quelldatei ist weder in UTF-8 noch in Windows-1252 kodiert.", false};
    std::int64_t needed = plan.m_nSourceSize + kFreeSpaceReserve;
    if (!CheckFreeSpace(plan.m_strTargetPath, needed))
        return {StrFormat("Warnung: Es sind nur noch %s auf \"%s\" frei.\r\nSie benötigen aber ca. %s.",
                          FormatSize(needed).c_str(), plan.m_strTargetPath.c_str(),
                          FormatSize(plan.m_nSourceSize + kFreeSpaceReserve).c_str()),
                false};
    if (plan.m_nCount <= 1)
        return {"Die Quelldatei ist nicht grösser als ein Einzelstück.\r\n"
                "Es würde nur eine einzelne Datei erzeugt.",
                false};
    // Cutting "x.001" into its own directory would truncate the source when
    // the first piece is created.
    if (std::optional<std::string> piece = PieceOverwritingSource(plan))
        return {StrFormat("Fehler: Die Quelldatei wäre zugleich das Teilstück \"%s\" "
                          "und würde überschrieben.",
                          piece->c_str()),
                false};
    // Sets that one of our joiners would refuse, by the rule they apply:
    // Windows' rules too, for a set may be joined there.
    const std::string decodedBase = DecodeName(stored.baseName, stored.encoding).value_or("");
    const std::string decodedExt = DecodeName(stored.extension, stored.encoding).value_or("");
    switch (CheckSetNames(decodedBase, decodedExt, true)) {
    case SetNameFault::None:
        break;
    case SetNameFault::NoBaseName:
        return {"Fehler: Der Name der Quelldatei hat vor dem letzten Punkt keinen Namen.\r\n"
                "Die Teilstücke liessen sich nicht wieder zusammensetzen.",
                false};
    case SetNameFault::NoExtension:
        return {"Fehler: Der Name der Quelldatei endet mit einem Punkt.\r\n"
                "Die Teilstücke liessen sich nicht wieder zusammensetzen.",
                false};
    case SetNameFault::Character:
        return {"Fehler: Der Name der Quelldatei enthält einen Pfadtrenner oder ein Steuerzeichen.\r\n"
                "Die Teilstücke liessen sich nicht wieder zusammensetzen.",
                false};
    case SetNameFault::WindowsReserved:
        return {"Fehler: Der Name der Quelldatei ist unter Windows nicht erlaubt "
                "(\":\", Gerätename, Punkt oder Leerzeichen am Ende).\r\n"
                "Die Teilstücke liessen sich unter Windows nicht wieder zusammensetzen.",
                false};
    }
    if (std::optional<int> k = PieceNumberOfExtension(names.extension);
        k && *k >= 1 && *k <= plan.m_nCount && names.extension == StrFormat("%.3d", *k))
        return {StrFormat("Fehler: Die Quelldatei heisst wie ihr eigenes Teilstück %d.\r\n"
                          "Die Teilstücke liessen sich nicht wieder zusammensetzen.",
                          *k),
                false};

    std::int64_t last = plan.m_nSourceSize - std::int64_t{plan.m_nCount - 1} * plan.m_nPieceSize;
    auto plural = [](long n) { return n == 1 ? "" : "en"; };
    if (last == plan.m_nPieceSize) {
        long n = plan.m_nCount;
        return {
            StrFormat("Sie erzeugen %ld Datei%s je %s.", n, plural(n), FormatSize(plan.m_nPieceSize).c_str()),
            true};
    }
    long n = plan.m_nCount - 1;
    return {StrFormat("Sie erzeugen %ld Datei%s je %s\r\nund eine Datei mit %s.", n, plural(n),
                      FormatSize(plan.m_nPieceSize).c_str(), FormatSize(last).c_str()),
            true};
}

PlanView DescribePlan(const CSplitJob& plan)
{
    PlanView view;
    view.sourceName = plan.m_strSourceName;
    view.sourceDir = plan.m_strSourceDir;
    view.sourceSize = FormatSize(plan.m_nSourceSize);
    view.targetPath = plan.m_strTargetPath;
    view.count = StrFormat("%lu", static_cast<unsigned long>(static_cast<unsigned>(plan.m_nCount)));
    view.pieceSize = FormatSize(plan.m_nPieceSize);
    view.recovery = "keine";
    view.verdict = CheckPlan(plan);
    return view;
}

void CSplitEngine::StartCommand(const StartInputs& inputs)
{
    // Later texts overwrite earlier ones: the source is named first.
    bool ok = true;
    if (!inputs.havePieceSize) {
        ok = false;
        m_ui.SetStatus("Keine Stückgrösse.");
    }
    if (!inputs.haveTarget) {
        ok = false;
        m_ui.SetStatus("Kein Zielverzeichnis.");
    }
    if (!inputs.haveSource) {
        ok = false;
        m_ui.SetStatus("Keine Quelldatei.");
    }
    if (ok && PrepareSplit() && !StartSplit())
        m_ui.SetStatus("Es traten Fehler auf.");
}

bool CSplitEngine::PrepareSplit()
{
    CSplitJob plan;
    plan.m_nPieceSize = m_nPieceSize;
    plan.m_strSourceName = m_strSourceName;
    plan.m_strSourceDir = m_strSourceDir;
    plan.m_strTargetPath = m_strTargetDir;

    std::optional<std::int64_t> size = platform::FindFileSize(m_strSourceDir + m_strSourceName);
    if (!size) {
        m_ui.SetStatus("Die Dateigrösse konnte nicht bestimmt werden.");
        return false;
    }
    plan.m_nSourceSize = m_nSourceSize = *size;
    plan.m_nCount = m_nPieceCount = CountPieces(plan.m_nSourceSize, plan.m_nPieceSize);

    // The window only offers "&Fortfahren" for a valid plan; the engine does
    // not rely on that.
    if (!m_ui.ConfirmPlan(plan) || !CheckPlan(plan).canConfirm) {
        m_ui.SetStatus("Der Vorgang wurde abgebrochen.");
        return false;
    }
    return true;
}

} // namespace portelan

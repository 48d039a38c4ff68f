#include "splitter/ui/SplitterModel.h"

#include "common/PathText.h"
#include "splitter/engine/SplitEngine.h"

namespace portelan {
namespace {

const char* const kBadRecoveryText = "Keine gültige Anzahl für die Wiederherstellung.";

} // namespace

DroppedPath ClassifyDrop(const std::string& path)
{
    PathParts parts = SplitPath(path);
    DroppedPath dropped{path, parts.fileName.find('.') != std::string::npos};
    // Only a dot in the last component counts: "a.b/c" is a folder.
    if (!dropped.isFile)
        EnsureTrailingBackslash(dropped.path);
    return dropped;
}

std::optional<int> ParseRecoveryPieces(const std::string& text)
{
    const std::string::size_type first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::nullopt;
    const std::string::size_type last = text.find_last_not_of(" \t");
    int value = 0;
    for (std::string::size_type at = first; at <= last; ++at) {
        const char c = text[at];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        // Checked at every digit, so a long number cannot overflow.
        if (value > kMaxRecoveryPieces)
            return std::nullopt;
    }
    return value;
}

CSplitterModel::CSplitterModel(ISplitterView& view, CSplitEngine& engine, std::string browseDir)
    : m_view(view), m_engine(engine), m_strBrowseDir(std::move(browseDir))
{
    EnsureTrailingBackslash(m_strBrowseDir);
}

void CSplitterModel::Init()
{
    m_view.SetStatus("Auf Eingaben warten...");
    ShowFields();
    m_view.SetChecked(Input::PieceSize, true);
    m_view.ShowRecovery(std::to_string(m_engine.m_nRecoveryPieces));
}

void CSplitterModel::ShowFields()
{
    if (!m_engine.m_strSourceName.empty())
        m_view.ShowInput(Input::Source, m_engine.m_strSourceDir + m_engine.m_strSourceName);
    m_view.ShowInput(Input::Target, m_engine.m_strTargetDir);
    m_view.ShowInput(Input::PieceSize, PieceSizeText(m_engine.m_nPieceSize));
}

void CSplitterModel::SourceClicked()
{
    std::optional<std::string> chosen = m_view.ChooseSourceFile(m_strBrowseDir);
    if (chosen)
        SetSourcePath(*chosen);
    m_view.SetChecked(Input::Source, chosen.has_value());
    UpdateStatus();
}

void CSplitterModel::TargetClicked()
{
    std::optional<std::string> chosen = m_view.ChooseFolder();
    if (chosen)
        SetTargetDir(*chosen);
    m_view.SetChecked(Input::Target, chosen.has_value());
    UpdateStatus();
}

void CSplitterModel::PieceSizeClicked()
{
    std::optional<PieceSizeValue> chosen =
        m_view.ChoosePieceSize(PieceSizeForWindow(m_engine.m_nPieceSize, m_nSizeUnit));
    if (chosen) {
        const PieceSizeValue stored = PieceSizeFromWindow(chosen->value, chosen->unit);
        m_engine.m_nPieceSize = stored.value;
        m_nSizeUnit = stored.unit;
        ShowFields();
    }
    m_view.SetChecked(Input::PieceSize, chosen.has_value());
    UpdateStatus();
}

void CSplitterModel::Dropped(Input field, const std::string& path)
{
    const DroppedPath dropped = ClassifyDrop(path);
    if (field == Input::Source && dropped.isFile) {
        SetSourcePath(dropped.path);
        m_view.SetChecked(Input::Source, true);
    } else if (field == Input::Target && !dropped.isFile) {
        SetTargetDir(dropped.path);
        m_view.SetChecked(Input::Target, true);
    }
    UpdateStatus();
}

void CSplitterModel::RecoveryEdited(const std::string& text)
{
    const std::optional<int> pieces = ParseRecoveryPieces(text);
    m_bRecoveryValid = pieces.has_value();
    if (pieces)
        m_engine.m_nRecoveryPieces = *pieces;
    UpdateStatus();
}

void CSplitterModel::StartClicked()
{
    if (!m_bRecoveryValid) {
        m_view.SetStatus(kBadRecoveryText);
        return;
    }
    m_engine.StartCommand({.haveSource = m_view.IsChecked(Input::Source),
                           .haveTarget = m_view.IsChecked(Input::Target),
                           .havePieceSize = m_view.IsChecked(Input::PieceSize)});
}

void CSplitterModel::SetSourcePath(const std::string& path)
{
    PathParts parts = SplitPath(path);
    m_engine.m_strSourceDir = parts.directory;
    m_engine.m_strSourceName = parts.fileName;
    EnsureTrailingBackslash(m_engine.m_strSourceDir);
    m_strBrowseDir = m_engine.m_strSourceDir;
    ShowFields();
}

void CSplitterModel::SetTargetDir(const std::string& dir)
{
    m_engine.m_strTargetDir = dir;
    EnsureTrailingBackslash(m_engine.m_strTargetDir);
    ShowFields();
}

void CSplitterModel::UpdateStatus()
{
    if (!m_bRecoveryValid) {
        m_view.SetStatus(kBadRecoveryText);
        return;
    }
    const bool all = m_view.IsChecked(Input::PieceSize) && m_view.IsChecked(Input::Target) &&
                     m_view.IsChecked(Input::Source);
    m_view.SetStatus(all ? "Alle Informationen vorhanden." : "Auf Eingaben warten...");
}

void CProgressModel::Init(int lower, int upper, int step)
{
    m_nLower = lower;
    m_nUpper = upper;
    m_nStep = step;
    if (m_nPos < lower || m_nPos > upper)
        m_nPos = lower;
}

void CProgressModel::Step()
{
    m_nPos += m_nStep;
    if (m_nPos > m_nUpper)
        m_nPos = m_nLower;
}

std::string UnixLineBreaks(std::string text)
{
    std::string::size_type at = 0;
    while ((at = text.find("\r\n", at)) != std::string::npos)
        text.erase(at, 1);
    return text;
}

} // namespace portelan

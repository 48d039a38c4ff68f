#include "splitter/ui/SplitterModel.h"

#include "common/PathText.h"
#include "splitter/engine/SplitEngine.h"
#include "texts/SplitterTexts.h"

namespace portelan {
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
    m_view.SetStatus(Tr(Text::StatusWaiting));
    ShowFields();
    m_view.SetChecked(Input::PieceSize, true);
    m_view.ShowRecovery(std::to_string(m_inputs.recoveryPieces));
}

void CSplitterModel::ShowFields()
{
    if (!m_inputs.sourceName.empty())
        m_view.ShowInput(Input::Source, m_inputs.sourceDir + m_inputs.sourceName);
    m_view.ShowInput(Input::Target, m_inputs.targetDir);
    m_view.ShowInput(Input::PieceSize, PieceSizeText(m_inputs.choice));
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
        m_view.ChoosePieceSize(PieceSizeForWindow(m_inputs.choice.value, m_inputs.choice.unit));
    if (chosen) {
        m_inputs.choice = PieceSizeFromWindow(chosen->value, chosen->unit);
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
        m_inputs.recoveryPieces = *pieces;
    UpdateStatus();
}

void CSplitterModel::StartClicked()
{
    if (!m_bRecoveryValid) {
        m_view.SetStatus(Tr(Text::StatusBadRecovery));
        return;
    }
    m_engine.StartCommand(m_inputs, {.haveSource = m_view.IsChecked(Input::Source),
                                     .haveTarget = m_view.IsChecked(Input::Target),
                                     .havePieceSize = m_view.IsChecked(Input::PieceSize)});
}

void CSplitterModel::AboutRequested()
{
    if (m_bAboutOpen)
        return;
    m_bAboutOpen = true;
    m_view.RunAboutBox();
    m_bAboutOpen = false;
}

void CSplitterModel::SetSourcePath(const std::string& path)
{
    PathParts parts = SplitPath(path);
    m_inputs.sourceDir = parts.directory;
    m_inputs.sourceName = parts.fileName;
    EnsureTrailingBackslash(m_inputs.sourceDir);
    m_strBrowseDir = m_inputs.sourceDir;
    ShowFields();
}

void CSplitterModel::SetTargetDir(const std::string& dir)
{
    m_inputs.targetDir = dir;
    EnsureTrailingBackslash(m_inputs.targetDir);
    ShowFields();
}

void CSplitterModel::UpdateStatus()
{
    if (!m_bRecoveryValid) {
        m_view.SetStatus(Tr(Text::StatusBadRecovery));
        return;
    }
    const bool all = m_view.IsChecked(Input::PieceSize) && m_view.IsChecked(Input::Target) &&
                     m_view.IsChecked(Input::Source);
    m_view.SetStatus(Tr(all ? Text::StatusReady : Text::StatusWaiting));
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

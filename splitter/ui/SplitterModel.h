// What the splitter's main window decides, free of any toolkit: the choice of
// source, target and piece size, drops, the status rule and the progress
// bar. The windows only show what they are told and report what was done.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "splitter/ui/PieceSize.h"

namespace portelan {

class CSplitEngine;

// The three inputs, each with its check box and field; Index gives their
// place in a window's tables of controls.
enum class Input { Source, Target, PieceSize };
constexpr std::size_t Index(Input input) { return static_cast<std::size_t>(input); }

// The main window as the model sees it.
class ISplitterView {
  public:
    virtual ~ISplitterView() = default;
    virtual void SetStatus(const std::string& text) = 0;
    virtual void ShowInput(Input input, const std::string& text) = 0;
    virtual void SetChecked(Input input, bool checked) = 0;
    virtual bool IsChecked(Input input) const = 0;
    // The choosers and the piece-size window; nullopt when cancelled.
    virtual std::optional<std::string> ChooseSourceFile(const std::string& browseDir) = 0;
    virtual std::optional<std::string> ChooseFolder() = 0;
    virtual std::optional<PieceSizeValue> ChoosePieceSize(const PieceSizeValue& shown) = 0;
    // The modal about box.
    virtual void RunAboutBox() = 0;
    // The recovery field, an editable number of pieces' worth.
    virtual void ShowRecovery(const std::string& text) = 0;
};

// A dropped path as the window takes it: an extension makes a file, whatever
// the item is on disk; anything else is a folder and ends in a separator.
struct DroppedPath {
    std::string path;
    bool isFile = false;
};
DroppedPath ClassifyDrop(const std::string& path);

// The most recovery a window takes, in pieces' worth: no set has more pieces.
inline constexpr int kMaxRecoveryPieces = 999;
// The recovery field's text as a number of pieces' worth: digits only,
// blanks around them allowed, at most kMaxRecoveryPieces; nullopt otherwise.
std::optional<int> ParseRecoveryPieces(const std::string& text);

class CSplitterModel {
  public:
    // browseDir: where the first source file dialog opens (with or without
    // its final separator).
    CSplitterModel(ISplitterView& view, CSplitEngine& engine, std::string browseDir);

    // The window's first state: waiting, the fields filled, the preset
    // piece size counting as chosen.
    void Init();
    // A click on a check box, which has toggled itself: the choice decides.
    void SourceClicked();
    void TargetClicked();
    void PieceSizeClicked();
    // A path dropped onto the source's or the target's field.
    void Dropped(Input field, const std::string& path);
    // The recovery field's text, after every change.
    void RecoveryEdited(const std::string& text);
    // "&Starten": refused in the status while the recovery field holds no
    // valid number.
    void StartClicked();
    // The about box, however it is asked for (menu, F1, the help command):
    // while one is open its modal loop still delivers these, so one at a time.
    void AboutRequested();

    void SetSourcePath(const std::string& path);
    void SetTargetDir(const std::string& dir);
    // "Alle Informationen vorhanden." once all three boxes are set and the
    // recovery field holds a valid number.
    void UpdateStatus();
    const std::string& BrowseDir() const { return m_strBrowseDir; }
    // The inputs as chosen so far; the engine plans from them at "&Starten".
    const SplitPlan& Inputs() const { return m_inputs; }

  private:
    void ShowFields();

    ISplitterView& m_view;
    CSplitEngine& m_engine;
    std::string m_strBrowseDir;
    SplitPlan m_inputs;
    bool m_bRecoveryValid = true;
    bool m_bAboutOpen = false;
};

// The progress bar as the worker sets it: stepping past the end starts over,
// as the Windows control does.
class CProgressModel {
  public:
    void Reset() { m_nPos = m_nLower; }
    void Init(int lower, int upper, int step);
    void Step();
    int Lower() const { return m_nLower; }
    int Upper() const { return m_nUpper; }
    int Position() const { return m_nPos; }

  private:
    int m_nLower = 0;
    int m_nUpper = 0;
    int m_nStep = 1;
    int m_nPos = 0;
};

// The engine's texts break lines with "\r\n", as Windows windows want them;
// other toolkits take "\n".
std::string UnixLineBreaks(std::string text);

} // namespace portelan

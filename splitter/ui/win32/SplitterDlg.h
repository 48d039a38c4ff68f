// The splitter's main window.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include <windows.h>

#include "platform/win32/Window.h"
#include "splitter/engine/HandOver.h"
#include "splitter/engine/SplitEngine.h"
#include "splitter/ui/Greeting.h"
#include "splitter/ui/SplitterModel.h"
#include "splitter/ui/win32/Choosers.h"
#include "splitter/ui/win32/DropEdit.h"
#include "splitter/ui/win32/ResourceJoiner.h"
#include "splitter/ui/win32/UpdateUi.h"

namespace portelan {

inline constexpr UINT WM_SPLIT_FINISHED = WM_APP + 1;
// From the greeting watcher: wParam TRUE shows and enables the greeting
// button, FALSE disables and hides it.
inline constexpr UINT WM_GREETING_BUTTON = WM_APP + 3;

class CSplitterDlg : public win::CDialog, public ISplitFrontEnd, public ISplitterView {
  public:
    using CDialog::IsChecked;
    explicit CSplitterDlg(IChoosers& choosers);
    ~CSplitterDlg() override;

    // ISplitFrontEnd
    void SetStatus(const std::string& text) override;
    void ShowErrorWindow(const std::string& message, const std::string& caption) override;
    bool ConfirmPlan(const SplitPlan& plan) override;
    void ResetProgress() override;
    void InitProgress(int lower, int upper, int step) override;
    void StepProgress() override;
    void EnableStart(bool enable) override;
    void RunOnUiThread(const std::function<void()>& task) override;

    void ShowInput(Input input, const std::string& text) override;
    void SetChecked(Input input, bool checked) override;
    bool IsChecked(Input input) const override;
    std::optional<std::string> ChooseSourceFile(const std::string& browseDir) override;
    std::optional<std::string> ChooseFolder() override;
    std::optional<PieceSizeValue> ChoosePieceSize(const PieceSizeValue& shown) override;
    void ShowRecovery(const std::string& text) override;
    void RunAboutBox() override;

    void ShowAboutBox();
    void ShowGreeting();
    // "Update suchen": asks, then looks for and downloads a newer version.
    bool RunUpdateCheck();
    // Replaces the HTTP client the update check uses (tests).
    void SetUpdateClientFactory(UpdateClientFactory factory) { m_updateClient = std::move(factory); }
    // The inputs and the engine behind the window.
    const SplitPlan& Inputs() const { return m_model.Inputs(); }
    const CSplitEngine& Engine() const { return m_engine; }

  protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    void OnCancel() override;

  private:
    bool PaintMinimised();

    IChoosers& m_choosers;
    CResourceJoiner m_joiner;
    CSplitEngine m_engine;
    CSplitterModel m_model;
    CDropEdit m_editTarget;
    CDropEdit m_editSource;
    HWND m_progress = nullptr;
    HICON m_hIcon = nullptr;
    // Set while the window closes: the worker's reports are no longer shown.
    std::atomic<bool> m_bClosing{false};
    CCloseAfterTask m_closeAfterTask;
    // Reports to the window, so made once it has one.
    std::unique_ptr<CGreetingWatcher> m_greetingWatcher;
    UpdateClientFactory m_updateClient;
};

} // namespace portelan

// The splitter's main window.
#pragma once

#include <atomic>
#include <string>
#include <thread>

#include <windows.h>

#include <shellapi.h>

#include "platform/win32/Window.h"
#include "splitter/engine/SplitEngine.h"
#include "splitter/ui/win32/Choosers.h"
#include "splitter/ui/win32/ResourceJoiner.h"

namespace portelan {

inline constexpr UINT WM_SPLIT_FINISHED = WM_APP + 1;
inline constexpr UINT WM_DROPPED_PATH = WM_APP + 2;

// The watcher thread's flags: the window asks it to stop, it says it has.
extern std::atomic<bool> g_bStopRequested;
extern std::atomic<bool> g_bWatcherFinished;

// A read-only edit that takes a file or folder dropped from the shell and
// reports it to its owner with WM_DROPPED_PATH.
class CDropEdit {
  public:
    void Attach(HWND edit);
    void SetOwner(HWND owner, int role);
    int GetRole() const { return m_nRole; }
    bool GetDroppedPath(std::string& path) const;

  private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnDropFiles(HDROP drop);

    bool m_bIsFile = false;
    int m_nRole = 0;
    HWND m_pOwner = nullptr;
    std::string m_strDropped;
    WNDPROC m_pDefault = nullptr;
};

class CSplitterDlg : public win::CDialog, public ISplitFrontEnd {
  public:
    explicit CSplitterDlg(IChoosers& choosers);
    ~CSplitterDlg() override;

    // ISplitFrontEnd
    void SetStatus(const std::string& text) override;
    void ShowErrorWindow(const std::string& message, const std::string& caption) override;
    bool ConfirmPlan(const CSplitJob& plan) override;
    void ResetProgress() override;
    void InitProgress(int lower, int upper, int step) override;
    void StepProgress() override;
    void EnableStart(bool enable) override;
    void RunOnUiThread(const std::function<void()>& task) override;

    void UpdateStatus();
    void ShowSourcePath();
    void ShowTargetDir();
    void ShowPieceSize();
    bool ChooseSource();
    bool ChooseTarget();
    void ShowAboutBox();

  protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    void OnCancel() override;

  private:
    void OnPieceSizeClicked();
    void OnDroppedPath(bool isFile, const CDropEdit* edit);
    bool PaintMinimised();
    static void GreetingWatcher(CSplitterDlg* dialog);

    IChoosers& m_choosers;
    CResourceJoiner m_joiner;
    CSplitEngine m_engine;
    CDropEdit m_editTarget;
    CDropEdit m_editSource;
    HWND m_progress = nullptr;
    HICON m_hIcon = nullptr;
    bool m_bAboutOpen = false;
    int m_nSizeUnit;
    std::string m_strBrowseDir = "C:\\";
    // Set while the window closes: the worker's reports are no longer shown.
    std::atomic<bool> m_bClosing{false};
    std::thread m_watcher;
};

} // namespace portelan

// The splitter's main window.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include <windows.h>

#include <shellapi.h>

#include "platform/win32/Window.h"
#include "splitter/engine/SplitEngine.h"
#include "splitter/ui/Greeting.h"
#include "splitter/ui/win32/Choosers.h"
#include "splitter/ui/win32/ResourceJoiner.h"
#include "splitter/update/UpdateCheck.h"

namespace portelan {

inline constexpr UINT WM_SPLIT_FINISHED = WM_APP + 1;
inline constexpr UINT WM_DROPPED_PATH = WM_APP + 2;
// From the greeting watcher: wParam TRUE shows and enables the greeting
// button, FALSE disables and hides it.
inline constexpr UINT WM_GREETING_BUTTON = WM_APP + 3;

// The watcher thread's flags: the window asks it to stop, it says it has.
extern std::atomic<bool> g_bStopRequested;
extern std::atomic<bool> g_bWatcherFinished;

// The clock the greeting watcher reads. An empty clock (the default) is the
// system's local time; tests set their own. Safe to change at any time.
using GreetingClock = std::function<LocalTime()>;
void SetGreetingClock(GreetingClock clock);
// The local date and time as GetLocalTime gives them.
LocalTime SystemLocalTime();
// Whether the greeting is due now, by the clock above.
bool IsGreetingTime();

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

// The update check's boxes, cursor and clipboard, owned by a window.
class CWindowUpdateUi : public IUpdateUi {
  public:
    explicit CWindowUpdateUi(HWND owner) : m_owner(owner) {}
    int ShowMessageBox(const std::string& text, const std::string& caption, unsigned style) override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    bool CopyTextToClipboard(const std::string& text) override;

  private:
    HWND m_owner;
    HCURSOR m_previous = nullptr;
};

// Makes the HTTP client of the update check; the default is WinInet.
using UpdateClientFactory = std::function<std::unique_ptr<IHttpClient>()>;

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
    void ShowGreeting();
    // "Update suchen": asks, then looks for and downloads a newer version.
    bool RunUpdateCheck();
    // Replaces the HTTP client the update check uses (tests).
    void SetUpdateClientFactory(UpdateClientFactory factory) { m_updateClient = std::move(factory); }

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
    // The watcher's view of the greeting: due by the clock, button shown.
    std::atomic<bool> m_bGreetingDue{false};
    std::atomic<bool> m_bGreetingShown{false};
    // The window the watcher reports to, fixed before it starts.
    HWND m_hGreetingWindow = nullptr;
    int m_nSizeUnit;
    std::string m_strBrowseDir = "C:\\";
    // Set while the window closes: the worker's reports are no longer shown.
    std::atomic<bool> m_bClosing{false};
    // A close asked for while a completion runs (its error window open)
    // waits until the completion is done: the worker waits for it.
    bool m_bInTask = false;
    bool m_bCloseDeferred = false;
    std::thread m_watcher;
    UpdateClientFactory m_updateClient;
};

} // namespace portelan

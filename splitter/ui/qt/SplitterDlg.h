// The splitter's main window.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include <QDialog>

#include "splitter/engine/SplitEngine.h"
#include "splitter/ui/Greeting.h"
#include "splitter/ui/qt/UpdateUi.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;

namespace portelan::qt {

class CDropEdit;
class IChoosers;

// The watcher thread's flags: the window asks it to stop, it says it has.
extern std::atomic<bool> g_bStopRequested;
extern std::atomic<bool> g_bWatcherFinished;

// The clock the greeting watcher reads. An empty clock (the default) is the
// system's local time; tests set their own. Safe to change at any time.
using GreetingClock = std::function<LocalTime()>;
void SetGreetingClock(GreetingClock clock);
// The local date and time of the system.
LocalTime SystemLocalTime();
// Whether the greeting is due now, by the clock above.
bool IsGreetingTime();

class CSplitterDlg : public QDialog, public ISplitFrontEnd {
    Q_OBJECT
  public:
    // joiner: the joiner program written beside every set.
    CSplitterDlg(IChoosers& choosers, IJoinerImage& joiner, QWidget* parent = nullptr);
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

    // The window's context menu: a separator, "Inf&o über Portelan..." and
    // "&Update suchen". The caller owns it; the window's own menu acts on
    // the entry chosen.
    QMenu* CreateContextMenu();

    // The inputs and results behind the window, and where the next source
    // file dialog opens.
    const CSplitEngine& Engine() const { return m_engine; }
    const std::string& BrowseDir() const { return m_strBrowseDir; }

  public slots:
    // "Be&enden", Esc and the close box. A running split is stopped first.
    void reject() override;

  signals:
    // The worker's progress, carried to the window's thread.
    void ProgressResetQueued();
    void ProgressInitQueued(int lower, int upper, int step);
    void ProgressStepQueued();

  protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    struct PendingTask;

    bool OnUiThread() const;
    void ApplyResetProgress();
    void ApplyInitProgress(int lower, int upper, int step);
    void ApplyStepProgress();
    void ShowProgress();
    void OnPieceSizeClicked();
    void OnDroppedPath(bool isFile, const CDropEdit* edit);
    void ShowGreetingButton(bool show);
    void StopWorker();
    static void GreetingWatcher(CSplitterDlg* dialog);

    IChoosers& m_choosers;
    CSplitEngine m_engine;

    QLabel* m_status = nullptr;
    QCheckBox* m_haveSource = nullptr;
    QCheckBox* m_haveTarget = nullptr;
    QCheckBox* m_haveSize = nullptr;
    CDropEdit* m_editSource = nullptr;
    CDropEdit* m_editTarget = nullptr;
    QLineEdit* m_sizeText = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_greeting = nullptr;

    // The progress bar as the worker sets it; a range without steps shows
    // an empty bar.
    int m_nProgressLower = 0;
    int m_nProgressUpper = 0;
    int m_nProgressStep = 1;
    int m_nProgressPos = 0;

    bool m_bAboutOpen = false;
    // The watcher's view of the greeting: due by the clock, button shown.
    std::atomic<bool> m_bGreetingDue{false};
    std::atomic<bool> m_bGreetingShown{false};
    int m_nSizeUnit;
    std::string m_strBrowseDir;
    // Set while the window closes: the worker's reports are no longer shown.
    std::atomic<bool> m_bClosing{false};
    // A worker's task runs on this thread now; a close waits until it is done.
    bool m_bInTask = false;
    bool m_bCloseDeferred = false;
    std::thread m_watcher;
    UpdateClientFactory m_updateClient;
};

} // namespace portelan::qt

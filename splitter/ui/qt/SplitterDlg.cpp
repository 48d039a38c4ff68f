#include "splitter/ui/qt/SplitterDlg.h"

#include <chrono>
#include <condition_variable>
#include <ctime>
#include <memory>
#include <mutex>
#include <system_error>

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QGroupBox>
#include <QIcon>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSysInfo>
#include <QThread>

#include "common/Helpers.h"
#include "splitter/ui/PieceSize.h"
#include "splitter/ui/qt/AboutDlg.h"
#include "splitter/ui/qt/Choosers.h"
#include "splitter/ui/qt/DialogUnits.h"
#include "splitter/ui/qt/Dialogs.h"
#include "splitter/ui/qt/DropEdit.h"
#include "splitter/ui/qt/ErrorDlg.h"

namespace portelan::qt {

using namespace std::chrono_literals;

std::atomic<bool> g_bStopRequested{false};
std::atomic<bool> g_bWatcherFinished{false};

namespace {

std::mutex g_clockMutex;
GreetingClock g_greetingClock;

constexpr auto kWatcherPeriod = 100ms;
// The watcher sleeps its period in slices, so that a closing window does not
// wait for a whole one.
constexpr auto kWatcherSlice = 10ms;

// A check box with its text left of the box, as the template draws it.
QCheckBox* InputBox(QWidget* parent, const char* name, const char* text, int x, int y)
{
    auto* box = Make<QCheckBox>(parent, name, x, y, 54, 10);
    box->setText(QString::fromUtf8(text));
    box->setLayoutDirection(Qt::RightToLeft);
    return box;
}

} // namespace

// --- Greeting clock -----------------------------------------------------------

void SetGreetingClock(GreetingClock clock)
{
    std::lock_guard lock(g_clockMutex);
    g_greetingClock = std::move(clock);
}

LocalTime SystemLocalTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!localtime_r(&now, &local))
        return {};
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

bool IsGreetingTime()
{
    GreetingClock clock;
    {
        std::lock_guard lock(g_clockMutex);
        clock = g_greetingClock;
    }
    return IsGreetingTime(clock ? clock() : SystemLocalTime());
}

// --- CSplitterDlg -------------------------------------------------------------

// A task handed over by the worker. The worker may leave before the task has
// started (the window is closing); the task then never runs and never
// touches what the worker handed over.
struct CSplitterDlg::PendingTask {
    std::mutex mutex;
    std::condition_variable changed;
    bool started = false;
    bool finished = false;
    bool abandoned = false;
};

CSplitterDlg::CSplitterDlg(IChoosers& choosers, IJoinerImage& joiner, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_choosers(choosers), m_engine(*this, joiner), m_nSizeUnit(UNIT_DISK)
{
    g_bStopRequested = false;
    g_bWatcherFinished = false;

    // The source file dialog starts in the home directory, as it started in
    // the root of drive C: on Windows.
    m_strBrowseDir = QDir::homePath().toStdString();
    EnsureTrailingBackslash(m_strBrowseDir);

    setWindowTitle(QStringLiteral("Portelan"));
    setWindowIcon(QIcon(QStringLiteral(":/pictures/portelan.ico")));
    SetDialogSize(this, 213, 106);

    // Created in the template's order, which is also the tab order; the
    // group box first, so that it lies beneath the fields it frames.
    m_status = Make<QLabel>(this, "status", 5, 5, 203, 8);
    auto* group = Make<QGroupBox>(this, "settings", 4, 16, 203, 70);
    group->setTitle(QStringLiteral("Einstellungen"));
    m_haveSource = InputBox(this, "haveSource", "Quelldatei", 13, 31);
    m_haveTarget = InputBox(this, "haveTarget", "Zielpfad", 13, 45);
    m_haveSize = InputBox(this, "haveSize", "Einzelgrösse", 13, 60);
    m_editSource = Make<CDropEdit>(this, "source", 74, 29, 128, 13);
    m_editTarget = Make<CDropEdit>(this, "target", 74, 44, 128, 13);
    m_sizeText = Make<QLineEdit>(this, "sizeText", 74, 58, 128, 13);
    m_sizeText->setReadOnly(true);
    m_progress = Make<QProgressBar>(this, "progress", 13, 76, 189, 6);
    m_progress->setTextVisible(false);
    m_start = Make<QPushButton>(this, "start", 51, 89, 50, 14);
    m_start->setText(QStringLiteral("&Starten"));
    m_start->setDefault(true);
    auto* quit = Make<QPushButton>(this, "quit", 117, 89, 50, 14);
    quit->setText(QStringLiteral("Be&enden"));
    m_greeting = Make<QPushButton>(this, "greeting", 104, 91, 10, 10);
    m_greeting->setText(QStringLiteral("?"));
    m_greeting->hide();
    m_greeting->setEnabled(false);

    connect(m_start, &QPushButton::clicked, this, [this] {
        m_engine.StartCommand(m_haveSource->isChecked(), m_haveTarget->isChecked(), m_haveSize->isChecked());
    });
    // A box has toggled itself when `clicked` arrives; the choice decides.
    connect(m_haveSource, &QCheckBox::clicked, this, [this] {
        m_haveSource->setChecked(ChooseSource());
        UpdateStatus();
    });
    connect(m_haveTarget, &QCheckBox::clicked, this, [this] {
        m_haveTarget->setChecked(ChooseTarget());
        UpdateStatus();
    });
    connect(m_haveSize, &QCheckBox::clicked, this, &CSplitterDlg::OnPieceSizeClicked);
    connect(m_greeting, &QPushButton::clicked, this, &CSplitterDlg::ShowGreeting);
    connect(quit, &QPushButton::clicked, this, &CSplitterDlg::reject);
    connect(m_editSource, &CDropEdit::PathDropped, this, &CSplitterDlg::OnDroppedPath);
    connect(m_editTarget, &CDropEdit::PathDropped, this, &CSplitterDlg::OnDroppedPath);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &CSplitterDlg::ShowAboutBox);

    connect(this, &CSplitterDlg::ProgressResetQueued, this, &CSplitterDlg::ApplyResetProgress,
            Qt::QueuedConnection);
    connect(this, &CSplitterDlg::ProgressInitQueued, this, &CSplitterDlg::ApplyInitProgress,
            Qt::QueuedConnection);
    connect(this, &CSplitterDlg::ProgressStepQueued, this, &CSplitterDlg::ApplyStepProgress,
            Qt::QueuedConnection);

    m_editSource->SetRole(1);
    m_editTarget->SetRole(2);
    ShowProgress();
    SetStatus("Auf Eingaben warten...");
    ShowSourcePath();
    ShowTargetDir();
    ShowPieceSize();
    m_haveSize->setChecked(true);
    try {
        m_watcher = std::thread(GreetingWatcher, this);
    } catch (const std::system_error&) {
        // Without a watcher there is nothing to wait for when closing.
    }
}

CSplitterDlg::~CSplitterDlg()
{
    // A window destroyed without being closed: its worker must not report to it.
    StopWorker();
    g_bStopRequested = true;
    if (m_watcher.joinable()) {
        while (!g_bWatcherFinished)
            std::this_thread::sleep_for(kWatcherSlice);
        m_watcher.join();
    }
}

void CSplitterDlg::GreetingWatcher(CSplitterDlg* dialog)
{
    // Widgets belong to the window's thread: the button is changed there,
    // through a queued call, never from here.
    while (!g_bStopRequested) {
        const bool due = IsGreetingTime();
        dialog->m_bGreetingDue = due;
        if (due != dialog->m_bGreetingShown) {
            dialog->m_bGreetingShown = due;
            QMetaObject::invokeMethod(
                dialog, [dialog, due] { dialog->ShowGreetingButton(due); }, Qt::QueuedConnection);
        }
        for (auto slept = 0ms; slept < kWatcherPeriod && !g_bStopRequested; slept += kWatcherSlice)
            std::this_thread::sleep_for(kWatcherSlice);
    }
    g_bWatcherFinished = true;
}

void CSplitterDlg::ShowGreetingButton(bool show)
{
    if (show) {
        m_greeting->show();
        m_greeting->setEnabled(true);
    } else {
        m_greeting->setEnabled(false);
        m_greeting->hide();
    }
}

bool CSplitterDlg::OnUiThread() const { return QThread::currentThread() == thread(); }

void CSplitterDlg::SetStatus(const std::string& text) { m_status->setText(QString::fromStdString(text)); }

void CSplitterDlg::ShowErrorWindow(const std::string& message, const std::string& caption)
{
    // The status line has been set by the engine already.
    CErrorDlg dialog(this);
    dialog.SetTexts(message, caption);
    dialog.exec();
}

bool CSplitterDlg::ConfirmPlan(const CSplitJob& plan)
{
    CInfoDlg dialog(this);
    dialog.SetPlan(plan);
    return dialog.exec() == QDialog::Accepted;
}

void CSplitterDlg::ResetProgress()
{
    if (OnUiThread())
        ApplyResetProgress();
    else
        emit ProgressResetQueued();
}

void CSplitterDlg::InitProgress(int lower, int upper, int step)
{
    if (OnUiThread())
        ApplyInitProgress(lower, upper, step);
    else
        emit ProgressInitQueued(lower, upper, step);
}

void CSplitterDlg::StepProgress()
{
    if (OnUiThread())
        ApplyStepProgress();
    else
        emit ProgressStepQueued();
}

void CSplitterDlg::ApplyResetProgress()
{
    if (m_bClosing)
        return;
    m_nProgressPos = m_nProgressLower;
    ShowProgress();
}

void CSplitterDlg::ApplyInitProgress(int lower, int upper, int step)
{
    if (m_bClosing)
        return;
    m_nProgressLower = lower;
    m_nProgressUpper = upper;
    m_nProgressStep = step;
    if (m_nProgressPos < lower || m_nProgressPos > upper)
        m_nProgressPos = lower;
    ShowProgress();
}

void CSplitterDlg::ApplyStepProgress()
{
    if (m_bClosing)
        return;
    m_nProgressPos += m_nProgressStep;
    // Past the end the bar starts over, as the Windows control does.
    if (m_nProgressPos > m_nProgressUpper)
        m_nProgressPos = m_nProgressLower;
    ShowProgress();
}

void CSplitterDlg::ShowProgress()
{
    // QProgressBar shows a busy indicator for an empty range; Windows shows
    // an empty bar.
    if (m_nProgressUpper > m_nProgressLower) {
        m_progress->setRange(m_nProgressLower, m_nProgressUpper);
        m_progress->setValue(m_nProgressPos);
    } else {
        m_progress->setRange(m_nProgressLower, m_nProgressLower + 1);
        m_progress->setValue(m_nProgressLower);
    }
}

void CSplitterDlg::EnableStart(bool enable) { m_start->setEnabled(enable); }

void CSplitterDlg::RunOnUiThread(const std::function<void()>& task)
{
    // A closing window waits for the worker; the worker must not wait for it.
    if (m_bClosing)
        return;
    if (OnUiThread()) {
        task();
        return;
    }
    auto pending = std::make_shared<PendingTask>();
    const std::function<void()>* work = &task;
    QMetaObject::invokeMethod(
        this,
        [this, pending, work] {
            {
                std::lock_guard lock(pending->mutex);
                if (pending->abandoned || m_bClosing) {
                    pending->finished = true;
                    pending->changed.notify_all();
                    return;
                }
                pending->started = true;
            }
            m_bInTask = true;
            (*work)();
            m_bInTask = false;
            {
                std::lock_guard lock(pending->mutex);
                pending->finished = true;
            }
            pending->changed.notify_all();
            if (m_bCloseDeferred) {
                m_bCloseDeferred = false;
                QMetaObject::invokeMethod(this, &CSplitterDlg::reject, Qt::QueuedConnection);
            }
        },
        Qt::QueuedConnection);

    std::unique_lock lock(pending->mutex);
    while (!pending->finished) {
        // Once the window closes, a task that has not begun is given up.
        if (m_bClosing && !pending->started) {
            pending->abandoned = true;
            return;
        }
        pending->changed.wait_for(lock, 10ms);
    }
}

void CSplitterDlg::StopWorker()
{
    // The worker stops at its next block and ends without reporting; the
    // pieces written so far stay. Its progress reports are queued and its
    // completion is given up, so it never waits for this thread.
    if (!m_engine.IsWorkerAlive())
        return;
    m_bClosing = true;
    m_engine.RequestStop();
    while (m_engine.IsWorkerAlive())
        std::this_thread::sleep_for(10ms);
}

void CSplitterDlg::reject()
{
    // The worker is waiting for its completion, which runs (in a window of
    // its own) below this call: close once it is done.
    if (m_bInTask) {
        m_bCloseDeferred = true;
        return;
    }
    StopWorker();
    QDialog::reject();
}

void CSplitterDlg::UpdateStatus()
{
    if (m_haveSize->isChecked() && m_haveTarget->isChecked() && m_haveSource->isChecked())
        SetStatus("Alle Informationen vorhanden.");
    else
        SetStatus("Auf Eingaben warten...");
}

void CSplitterDlg::ShowSourcePath()
{
    if (!m_engine.m_strSourceName.empty())
        m_editSource->setText(QString::fromStdString(m_engine.m_strSourceDir + m_engine.m_strSourceName));
}

void CSplitterDlg::ShowTargetDir() { m_editTarget->setText(QString::fromStdString(m_engine.m_strTargetDir)); }

void CSplitterDlg::ShowPieceSize()
{
    m_sizeText->setText(QString::fromStdString(PieceSizeText(m_engine.m_nPieceSize)));
}

bool CSplitterDlg::ChooseSource()
{
    std::optional<std::string> chosen = m_choosers.ChooseSourceFile(this, m_strBrowseDir);
    if (!chosen)
        return false;
    PathParts parts = SplitPath(*chosen);
    m_engine.m_strSourceDir = parts.directory;
    m_engine.m_strSourceName = parts.fileName;
    EnsureTrailingBackslash(m_engine.m_strSourceDir);
    m_strBrowseDir = m_engine.m_strSourceDir;
    ShowSourcePath();
    return true;
}

bool CSplitterDlg::ChooseTarget()
{
    std::optional<std::string> chosen = m_choosers.ChooseFolder(this);
    if (!chosen)
        return false;
    m_engine.m_strTargetDir = *chosen;
    EnsureTrailingBackslash(m_engine.m_strTargetDir);
    ShowTargetDir();
    return true;
}

void CSplitterDlg::ShowAboutBox()
{
    // One box at a time, however it is asked for.
    if (m_bAboutOpen)
        return;
    m_bAboutOpen = true;
    CAboutDlg about(this);
    about.exec();
    m_bAboutOpen = false;
}

void CSplitterDlg::ShowGreeting()
{
    const QString name = QSysInfo::machineHostName();
    if (name.isEmpty())
        return;
    QMessageBox box(QMessageBox::Information, QString::fromStdString(GreetingCaption(name.toStdString())),
                    QString::fromUtf8(kGreetingText), QMessageBox::Ok, this);
    box.exec();
}

bool CSplitterDlg::RunUpdateCheck() { return qt::RunUpdateCheck(this, m_updateClient); }

QMenu* CSplitterDlg::CreateContextMenu()
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("windowMenu"));
    menu->addSeparator();
    menu->addAction(QString::fromUtf8("Inf&o über Portelan..."))->setObjectName(QStringLiteral("about"));
    menu->addAction(QStringLiteral("&Update suchen"))->setObjectName(QStringLiteral("update"));
    return menu;
}

void CSplitterDlg::contextMenuEvent(QContextMenuEvent* event)
{
    // The commands of the Windows system menu, on the window's background.
    std::unique_ptr<QMenu> menu(CreateContextMenu());
    QAction* chosen = menu->exec(event->globalPos());
    event->accept();
    if (!chosen)
        return;
    const QString command = chosen->objectName();
    menu.reset();
    if (command == QLatin1String("about"))
        ShowAboutBox();
    else if (command == QLatin1String("update"))
        RunUpdateCheck();
}

void CSplitterDlg::OnPieceSizeClicked()
{
    PieceSizeValue shown = PieceSizeForWindow(m_engine.m_nPieceSize, m_nSizeUnit);
    CPieceSizeDlg dialog(this);
    dialog.SetValues(shown.value, shown.unit);
    bool ok = false;
    if (dialog.exec() == QDialog::Accepted) {
        std::int64_t value = 0;
        int unit = 0;
        dialog.GetValues(value, unit);
        PieceSizeValue stored = PieceSizeFromWindow(value, unit);
        m_engine.m_nPieceSize = stored.value;
        m_nSizeUnit = stored.unit;
        ShowPieceSize();
        ok = true;
    }
    m_haveSize->setChecked(ok);
    UpdateStatus();
}

void CSplitterDlg::OnDroppedPath(bool isFile, const CDropEdit* edit)
{
    // The path is read from this window's own edit of that role.
    std::string path;
    if (edit->GetRole() == 1 && isFile && m_editSource->GetDroppedPath(path)) {
        m_editSource->setText(QString::fromStdString(path));
        PathParts parts = SplitPath(path);
        m_engine.m_strSourceDir = parts.directory;
        m_engine.m_strSourceName = parts.fileName;
        EnsureTrailingBackslash(m_engine.m_strSourceDir);
        m_strBrowseDir = m_engine.m_strSourceDir;
        ShowSourcePath();
        m_haveSource->setChecked(true);
    } else if (edit->GetRole() == 2 && !isFile && m_editTarget->GetDroppedPath(path)) {
        m_editTarget->setText(QString::fromStdString(path));
        m_engine.m_strTargetDir = path;
        ShowTargetDir();
        m_haveTarget->setChecked(true);
    }
    UpdateStatus();
}

} // namespace portelan::qt

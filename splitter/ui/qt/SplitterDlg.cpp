#include "splitter/ui/qt/SplitterDlg.h"

#include <chrono>
#include <memory>
#include <thread>

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
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QShortcut>
#include <QSysInfo>
#include <QThread>

#include "splitter/ui/qt/AboutDlg.h"
#include "splitter/ui/qt/Choosers.h"
#include "splitter/ui/qt/DialogUnits.h"
#include "splitter/ui/qt/Dialogs.h"
#include "splitter/ui/qt/DropEdit.h"
#include "splitter/ui/qt/ErrorDlg.h"
#include "texts/SplitterTexts.h"

namespace portelan::qt {

using namespace std::chrono_literals;

namespace {

// A check box with its text left of the box, as the template draws it.
QCheckBox* InputBox(QWidget* parent, const char* name, const char* text, int x, int y)
{
    auto* box = Make<QCheckBox>(parent, name, text, x, y, 54, 10);
    box->setLayoutDirection(Qt::RightToLeft);
    return box;
}

} // namespace

CSplitterDlg::CSplitterDlg(IChoosers& choosers, IJoinerImage& joiner, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      m_choosers(choosers), m_engine(*this, joiner), m_model(*this, m_engine, QDir::homePath().toStdString()),
      m_greetingWatcher([this](bool show) {
          // Widgets belong to the window's thread: changed there, never from the watcher's.
          QMetaObject::invokeMethod(
              this,
              [this, show] {
                  m_greeting->setVisible(show);
                  m_greeting->setEnabled(show);
              },
              Qt::QueuedConnection);
      })
{
    setWindowTitle(QStringLiteral("Portelan"));
    setWindowIcon(QIcon(QStringLiteral(":/pictures/portelan.ico")));
    SetDialogSize(this, 213, 120);

    // Created in the template's order, which is also the tab order; the
    // group box first, so that it lies beneath the fields it frames.
    m_status = Make<QLabel>(this, "status", 5, 5, 203, 8);
    auto* group = Make<QGroupBox>(this, "settings", 4, 16, 203, 84);
    group->setTitle(QString::fromUtf8(Tr(Text::SettingsGroup)));
    m_boxes = {InputBox(this, "haveSource", Tr(Text::SourceFileBox), 13, 31),
               InputBox(this, "haveTarget", Tr(Text::TargetPathBox), 13, 45),
               InputBox(this, "haveSize", Tr(Text::PieceSizeBox), 13, 60)};
    auto* source = Make<CDropEdit>(this, "source", 74, 29, 128, 13);
    auto* target = Make<CDropEdit>(this, "target", 74, 44, 128, 13);
    m_fields = {source, target, Make<QLineEdit>(this, "sizeText", 74, 58, 128, 13)};
    m_fields[Index(Input::PieceSize)]->setReadOnly(true);
    Make<QLabel>(this, "recoveryLabel", Tr(Text::RecoveryFor), 13, 75, 58, 8);
    m_recovery = Make<QLineEdit>(this, "recovery", 74, 73, 24, 13);
    m_recovery->setMaxLength(3);
    m_recovery->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_recovery));
    Make<QLabel>(this, "recoveryUnit", Tr(Text::RecoveryPieces), 102, 75, 100, 8);
    m_progress = Make<QProgressBar>(this, "progress", 13, 90, 189, 6);
    m_progress->setTextVisible(false);
    m_start = Make<QPushButton>(this, "start", Tr(Text::StartButton), 51, 103, 50, 14);
    m_start->setDefault(true);
    auto* quit = Make<QPushButton>(this, "quit", Tr(JoinerText::QuitButton), 117, 103, 50, 14);
    m_greeting = Make<QPushButton>(this, "greeting", "?", 104, 105, 10, 10);
    m_greeting->hide();
    m_greeting->setEnabled(false);

    connect(m_start, &QPushButton::clicked, this, [this] { m_model.StartClicked(); });
    connect(m_boxes[Index(Input::Source)], &QCheckBox::clicked, this, [this] { m_model.SourceClicked(); });
    connect(m_boxes[Index(Input::Target)], &QCheckBox::clicked, this, [this] { m_model.TargetClicked(); });
    connect(m_boxes[Index(Input::PieceSize)], &QCheckBox::clicked, this,
            [this] { m_model.PieceSizeClicked(); });
    connect(m_recovery, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_model.RecoveryEdited(text.toStdString()); });
    for (auto [edit, input] : {std::pair{source, Input::Source}, std::pair{target, Input::Target}})
        connect(edit, &CDropEdit::PathDropped, this,
                [this, input](const std::string& path) { m_model.Dropped(input, path); });
    connect(m_greeting, &QPushButton::clicked, this, &CSplitterDlg::ShowGreeting);
    connect(quit, &QPushButton::clicked, this, &CSplitterDlg::reject);
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &CSplitterDlg::ShowAboutBox);

    ShowProgress();
    m_model.Init();
    m_greetingWatcher.Start();
}

CSplitterDlg::~CSplitterDlg()
{
    // A window destroyed without being closed: its worker must not report to it.
    StopWorker();
}

void CSplitterDlg::SetStatus(const std::string& text) { m_status->setText(QString::fromStdString(text)); }

void CSplitterDlg::ShowErrorWindow(const std::string& message, const std::string& caption)
{
    // The status line has been set by the engine already.
    CErrorDlg dialog(this);
    dialog.SetTexts(message, caption);
    dialog.exec();
}

bool CSplitterDlg::ConfirmPlan(const SplitPlan& plan)
{
    CInfoDlg dialog(this);
    dialog.SetPlan(plan);
    return dialog.exec() == QDialog::Accepted;
}

void CSplitterDlg::ResetProgress()
{
    UpdateProgress([](CProgressModel& bar) { bar.Reset(); });
}

void CSplitterDlg::InitProgress(int lower, int upper, int step)
{
    UpdateProgress([=](CProgressModel& bar) { bar.Init(lower, upper, step); });
}

void CSplitterDlg::StepProgress()
{
    UpdateProgress([](CProgressModel& bar) { bar.Step(); });
}

void CSplitterDlg::UpdateProgress(std::function<void(CProgressModel&)> change)
{
    auto apply = [this, change = std::move(change)] {
        if (m_handOver.IsClosed())
            return;
        change(m_progressModel);
        ShowProgress();
    };
    // The worker's progress is queued, so the worker never waits for the window.
    if (QThread::currentThread() == thread())
        apply();
    else
        QMetaObject::invokeMethod(this, apply, Qt::QueuedConnection);
}

void CSplitterDlg::ShowProgress()
{
    // QProgressBar shows a busy indicator for an empty range; Windows shows
    // an empty bar.
    const int lower = m_progressModel.Lower();
    const bool empty = m_progressModel.Upper() <= lower;
    m_progress->setRange(lower, empty ? lower + 1 : m_progressModel.Upper());
    m_progress->setValue(empty ? lower : m_progressModel.Position());
}

void CSplitterDlg::EnableStart(bool enable) { m_start->setEnabled(enable); }

void CSplitterDlg::RunOnUiThread(const std::function<void()>& task)
{
    if (QThread::currentThread() == thread()) {
        if (!m_handOver.IsClosed())
            task();
        return;
    }
    m_handOver.RunAndWait(task, [this] {
        QMetaObject::invokeMethod(this, &CSplitterDlg::RunHandedOver, Qt::QueuedConnection);
    });
}

void CSplitterDlg::RunHandedOver()
{
    if (m_closeAfterTask.Run([this] { m_handOver.RunPending(); }))
        QMetaObject::invokeMethod(this, &CSplitterDlg::reject, Qt::QueuedConnection);
}

void CSplitterDlg::StopWorker()
{
    // The worker stops at its next block and ends without reporting; the
    // pieces written so far stay. Its progress reports are dropped and its
    // completion is given up, so it never waits for this thread.
    if (!m_engine.IsWorkerAlive())
        return;
    m_handOver.Close();
    m_engine.RequestStop();
    while (m_engine.IsWorkerAlive())
        std::this_thread::sleep_for(10ms);
}

void CSplitterDlg::reject()
{
    // The worker is waiting for its completion, which runs (in a window of
    // its own) below this call: close once it is done.
    if (m_closeAfterTask.Defer())
        return;
    StopWorker();
    QDialog::reject();
}

void CSplitterDlg::ShowInput(Input input, const std::string& text)
{
    m_fields[Index(input)]->setText(QString::fromStdString(text));
}

void CSplitterDlg::SetChecked(Input input, bool checked) { m_boxes[Index(input)]->setChecked(checked); }

bool CSplitterDlg::IsChecked(Input input) const { return m_boxes[Index(input)]->isChecked(); }

std::optional<std::string> CSplitterDlg::ChooseSourceFile(const std::string& browseDir)
{
    return m_choosers.ChooseSourceFile(this, browseDir);
}

void CSplitterDlg::ShowRecovery(const std::string& text)
{
    m_recovery->setText(QString::fromStdString(text));
}

std::optional<std::string> CSplitterDlg::ChooseFolder() { return m_choosers.ChooseFolder(this); }

std::optional<PieceSizeValue> CSplitterDlg::ChoosePieceSize(const PieceSizeValue& shown)
{
    CPieceSizeDlg dialog(this);
    return dialog.Choose(shown);
}

void CSplitterDlg::ShowAboutBox() { m_model.AboutRequested(); }

void CSplitterDlg::RunAboutBox()
{
    CAboutDlg about(this);
    about.exec();
}

void CSplitterDlg::ShowGreeting()
{
    const QString name = QSysInfo::machineHostName();
    if (name.isEmpty())
        return;
    QMessageBox box(QMessageBox::Information, QString::fromStdString(GreetingCaption(name.toStdString())),
                    QString::fromUtf8(GreetingText()), QMessageBox::Ok, this);
    box.exec();
}

bool CSplitterDlg::RunUpdateCheck() { return qt::RunUpdateCheck(this, m_updateClient); }

QMenu* CSplitterDlg::CreateContextMenu()
{
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("windowMenu"));
    menu->addSeparator();
    menu->addAction(QString::fromUtf8(Tr(Text::AboutMenuItem)))->setObjectName(QStringLiteral("about"));
    menu->addAction(QString::fromUtf8(Tr(Text::UpdateMenuItem)))->setObjectName(QStringLiteral("update"));
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

} // namespace portelan::qt

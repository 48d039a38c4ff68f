#include "window_support.h"

#include <sys/resource.h>

#include <csignal>
#include <random>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace portelan::qt::test {

std::optional<std::string> CFakeChoosers::ChooseSourceFile(QWidget*, const std::string& browseDir)
{
    m_browseDirs.push_back(browseDir);
    if (m_sources.empty())
        return std::nullopt;
    std::optional<std::string> answer = m_sources.front();
    m_sources.erase(m_sources.begin());
    return answer;
}

std::optional<std::string> CFakeChoosers::ChooseFolder(QWidget*)
{
    if (m_folders.empty())
        return std::nullopt;
    std::optional<std::string> answer = m_folders.front();
    m_folders.erase(m_folders.begin());
    return answer;
}

bool WithWindows(const std::function<void()>& trigger, const std::function<QWidget*()>& find,
                 const std::vector<Answer>& answers, int timeoutMs)
{
    std::size_t next = 0;
    QDeadlineTimer deadline(timeoutMs);
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (next == answers.size()) {
            poll.stop();
            return;
        }
        QWidget* window = find();
        if (!window || !window->isVisible()) {
            if (deadline.hasExpired())
                poll.stop();
            return;
        }
        QPointer<QWidget> guard(window);
        answers[next++](window);
        if (guard && guard->isVisible()) {
            if (auto* dialog = qobject_cast<QDialog*>(guard.data()))
                dialog->reject();
            else
                guard->close();
        }
    });
    poll.start();
    if (trigger)
        trigger();
    while (next < answers.size() && !deadline.hasExpired())
        QTest::qWait(5);
    poll.stop();
    return next == answers.size();
}

bool WithModals(const std::function<void()>& trigger, const std::vector<Answer>& answers, int timeoutMs)
{
    QPointer<QWidget> before = QApplication::activeModalWidget();
    return WithWindows(
        trigger,
        [before]() -> QWidget* {
            QWidget* modal = QApplication::activeModalWidget();
            return modal == before.data() ? nullptr : modal;
        },
        answers, timeoutMs);
}

bool WithModal(const std::function<void()>& trigger, const Answer& answer, int timeoutMs)
{
    return WithModals(trigger, {answer}, timeoutMs);
}

bool WithPopup(const std::function<void()>& trigger, const Answer& answer, int timeoutMs)
{
    return WithWindows(
        trigger, [] { return QApplication::activePopupWidget(); }, {answer}, timeoutMs);
}

QAbstractButton* ButtonWithText(const QWidget* window, const QString& text)
{
    const auto buttons = window->findChildren<QAbstractButton*>();
    for (QAbstractButton* button : buttons)
        if (button->text() == text)
            return button;
    return nullptr;
}

bool Press(const QWidget* window, const QString& text)
{
    QAbstractButton* button = ButtonWithText(window, text);
    if (!button || !button->isEnabled())
        return false;
    button->click();
    return true;
}

CTestWindow::CTestWindow(bool recovery) : m_dialog(new CSplitterDlg(m_choosers, m_joiner))
{
    if (!recovery)
        Child<QLineEdit>(m_dialog, "recovery")->setText(QStringLiteral("0"));
    m_dialog->show();
    m_dialog->activateWindow();
    (void)QTest::qWaitForWindowActive(m_dialog);
}

CTestWindow::~CTestWindow() { delete m_dialog; }

QString CTestWindow::Text(const char* name) const
{
    if (auto* label = Child<QLabel>(m_dialog, name))
        return label->text();
    if (auto* edit = Child<QLineEdit>(m_dialog, name))
        return edit->text();
    return QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

bool CTestWindow::Checked(const char* name) const
{
    auto* box = Child<QCheckBox>(m_dialog, name);
    return box && box->isChecked();
}

void CTestWindow::Click(const char* name)
{
    if (auto* button = Child<QAbstractButton>(m_dialog, name))
        button->click();
}

void CTestWindow::ChooseSourceAndTarget(const QString& source, const QString& targetDir)
{
    m_choosers.AnswerSource(Std(source));
    m_choosers.AnswerFolder(Std(targetDir));
    Click("haveSource");
    Click("haveTarget");
}

bool CTestWindow::ChoosePieceSize(const QString& typed, const char* unit)
{
    bool done = false;
    WithModal([&] { Click("haveSize"); },
              [&](QWidget* dialog) {
                  auto* free = Child<QAbstractButton>(dialog, "free");
                  auto* value = Child<QLineEdit>(dialog, "value");
                  auto* unitButton = Child<QAbstractButton>(dialog, unit);
                  if (!free || !value || !unitButton)
                      return;
                  free->click();
                  value->selectAll();
                  QTest::keyClick(value, Qt::Key_Backspace);
                  QTest::keyClicks(value, typed);
                  unitButton->click();
                  done = Press(dialog, QStringLiteral("OK"));
              });
    return done && Checked("haveSize");
}

namespace {

// While alive, closes every modal window that comes up and notes it.
class CWindowCloser {
  public:
    explicit CWindowCloser(QStringList* unexpected) : m_unexpected(unexpected)
    {
        m_poll.setInterval(5);
        QObject::connect(&m_poll, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible())
                return;
            QString seen = modal->windowTitle();
            if (auto* box = qobject_cast<QMessageBox*>(modal))
                seen += QStringLiteral(": ") + box->text();
            else if (auto* message = modal->findChild<QPlainTextEdit*>())
                seen += QStringLiteral(": ") + message->toPlainText();
            if (m_unexpected)
                m_unexpected->append(seen);
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
        });
        m_poll.start();
    }

  private:
    QStringList* m_unexpected;
    QTimer m_poll;
};

} // namespace

void RunEventsClosingWindows(int ms, QStringList* unexpected)
{
    CWindowCloser closer(unexpected);
    QTest::qWait(ms);
}

bool CTestWindow::WaitForStatus(const QString& text, QStringList* unexpected, int timeoutMs)
{
    CWindowCloser closer(unexpected);
    return QTest::qWaitFor([&] { return Text("status") == text; }, timeoutMs);
}

std::string Std(const QString& text) { return text.toStdString(); }

QString Shown(const std::string& text)
{
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

QByteArray RandomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    QByteArray bytes(static_cast<qsizetype>(n), '\0');
    for (char& c : bytes)
        c = static_cast<char>(rng() & 0xFF);
    return bytes;
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool Exists(const QString& path) { return QFileInfo::exists(path); }

QString PieceName(const QString& dir, const QString& base, int k)
{
    return dir + base + QStringLiteral(".%1").arg(k, 3, 10, QLatin1Char('0'));
}

CFileSizeLimit::CFileSizeLimit(std::uint64_t bytes)
{
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0)
        return;
    m_savedCurrent = limit.rlim_cur;
    m_saved = true;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

CFileSizeLimit::~CFileSizeLimit()
{
    if (!m_saved)
        return;
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = m_savedCurrent;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

} // namespace portelan::qt::test

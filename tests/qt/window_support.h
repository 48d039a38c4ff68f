// Driving the splitter's real windows from QtTest: choosers answered through
// their seam, modal windows answered as they come up, real files.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QWidget>

class QAbstractButton;

#include "splitter/engine/posix/EmbeddedJoiner.h"
#include "splitter/ui/qt/Choosers.h"
#include "splitter/ui/qt/SplitterDlg.h"

namespace portelan::qt::test {

// Choosers that give the answers queued before the click; with none queued
// the chooser counts as cancelled.
class CFakeChoosers : public IChoosers {
  public:
    void AnswerSource(std::optional<std::string> path) { m_sources.push_back(std::move(path)); }
    void AnswerFolder(std::optional<std::string> path) { m_folders.push_back(std::move(path)); }
    std::optional<std::string> ChooseSourceFile(QWidget* owner, const std::string& browseDir) override;
    std::optional<std::string> ChooseFolder(QWidget* owner) override;
    // The directories the source file dialog was asked to open in.
    const std::vector<std::string>& BrowseDirsSeen() const { return m_browseDirs; }

  private:
    std::vector<std::optional<std::string>> m_sources;
    std::vector<std::optional<std::string>> m_folders;
    std::vector<std::string> m_browseDirs;
};

// What a test does with a window that has come up; it runs on the window's
// thread while the window waits for input.
using Answer = std::function<void(QWidget*)>;

// Runs trigger (which may open windows and wait in them) and answers the
// windows find() yields, one answer per window in turn, until every answer
// is used or timeoutMs have passed. A window that its answer leaves open is
// closed after it, so that a failed check cannot hang the test. True when
// every answer found its window.
bool WithWindows(const std::function<void()>& trigger, const std::function<QWidget*()>& find,
                 const std::vector<Answer>& answers, int timeoutMs = 30000);
// The same for modal windows that come up after the call (a modal window
// already open stays alone).
bool WithModals(const std::function<void()>& trigger, const std::vector<Answer>& answers,
                int timeoutMs = 30000);
bool WithModal(const std::function<void()>& trigger, const Answer& answer, int timeoutMs = 30000);
// The same for the next popup menu.
bool WithPopup(const std::function<void()>& trigger, const Answer& answer, int timeoutMs = 30000);

// A child by its object name; null when there is none.
template <typename T> T* Child(const QWidget* parent, const char* name)
{
    return parent->findChild<T*>(QString::fromLatin1(name));
}

// The button of a window that shows this text (mnemonics included).
QAbstractButton* ButtonWithText(const QWidget* window, const QString& text);
// Presses the button of a window that shows this text; false when there is none.
bool Press(const QWidget* window, const QString& text);

// The main window with choosers answered by the test and the real joiner,
// shown as the program shows it.
class CTestWindow {
  public:
    // Without recovery files unless asked: the tests cut pieces of a few bytes.
    explicit CTestWindow(bool recovery = false);
    ~CTestWindow();
    CTestWindow(const CTestWindow&) = delete;
    CTestWindow& operator=(const CTestWindow&) = delete;

    CSplitterDlg& Dialog() { return *m_dialog; }
    CFakeChoosers& Choosers() { return m_choosers; }

    QString Text(const char* name) const;
    bool Checked(const char* name) const;
    // A click on a check box or button, as the mouse gives it.
    void Click(const char* name);
    // Chooses the source file and the target folder through their boxes.
    void ChooseSourceAndTarget(const QString& source, const QString& targetDir);
    // Opens the piece-size window and confirms a free size: the number as
    // typed and the unit button "unitBytes", "unitKb" or "unitMb".
    bool ChoosePieceSize(const QString& typed, const char* unit);
    // Waits until the status line shows text. A modal window that comes up
    // meanwhile is closed and its title and text are added to `unexpected`.
    bool WaitForStatus(const QString& text, QStringList* unexpected = nullptr, int timeoutMs = 60000);

  private:
    CFakeChoosers m_choosers;
    CEmbeddedJoiner m_joiner;
    CSplitterDlg* m_dialog;
};

// Lets the window's thread run for ms milliseconds, closing any modal window
// that comes up meanwhile and noting its title and text in `unexpected`.
void RunEventsClosingWindows(int ms, QStringList* unexpected);

std::string Std(const QString& text);

// Text from the engine as a window shows it: "\r\n" breaks lines.
QString Shown(const std::string& text);

QByteArray RandomBytes(std::size_t n, unsigned seed);
bool WriteAll(const QString& path, const QByteArray& bytes);
QByteArray ReadAll(const QString& path);
bool Exists(const QString& path);

// "<dir><base>.%.3d"
QString PieceName(const QString& dir, const QString& base, int k);

// While alive, no file of this process may grow beyond `bytes`: writes past
// it fail as on a full disk (SIGXFSZ is ignored, as the program does).
class CFileSizeLimit {
  public:
    explicit CFileSizeLimit(std::uint64_t bytes);
    ~CFileSizeLimit();
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

  private:
    std::uint64_t m_savedCurrent = 0;
    bool m_saved = false;
};

} // namespace portelan::qt::test

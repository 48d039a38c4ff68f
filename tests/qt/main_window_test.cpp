// The splitter's main window, driven as a user drives it: its start, the
// record of the inputs, drops, whole splits with real files and real faults,
// closing during a split, the greeting and the window's menu.
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <mutex>
#include <thread>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "platform/Platform.h"
#include "splitter/ui/PieceSize.h"
#include "splitter/ui/qt/AboutDlg.h"
#include "splitter/ui/qt/ErrorDlg.h"
#include "window_support.h"

namespace portelan::qt::test {
namespace {

constexpr LocalTime kOrdinaryDay{2008, 3, 14, 12, 0, 0};
constexpr LocalTime kGreetingDay{2008, 9, 6, 12, 0, 0};

// The clock the greeting watcher reads, moved by the test.
class CTestClock {
  public:
    explicit CTestClock(LocalTime now) : m_now(now)
    {
        SetGreetingClock([this] {
            std::lock_guard lock(m_mutex);
            ++m_reads;
            return m_now;
        });
    }
    ~CTestClock()
    {
        SetGreetingClock([] { return kOrdinaryDay; });
    }
    CTestClock(const CTestClock&) = delete;
    CTestClock& operator=(const CTestClock&) = delete;

    void Set(LocalTime now)
    {
        std::lock_guard lock(m_mutex);
        m_now = now;
    }
    int Reads()
    {
        std::lock_guard lock(m_mutex);
        return m_reads;
    }

  private:
    std::mutex m_mutex;
    LocalTime m_now;
    int m_reads = 0;
};

// An HTTP client that is never online, and says what it was asked for.
class COfflineClient : public IHttpClient {
  public:
    explicit COfflineClient(QStringList& urls) : m_urls(urls) {}
    HttpResult Get(const std::string& url, IHttpSink&) override
    {
        m_urls.append(QString::fromStdString(url));
        return {HttpResult::Status::Failed, "offline"};
    }

  private:
    QStringList& m_urls;
};

// Drags urls onto a widget and drops them there, as the desktop does.
bool Drop(QWidget* target, const QList<QUrl>& urls)
{
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

QUrl Local(const QString& path) { return QUrl::fromLocalFile(path); }

// The focusable controls of a window in tab order, from its first one.
QStringList TabOrder(QWidget* window)
{
    QStringList names;
    for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window) && w->isEnabled())
            names.append(w->objectName());
    return names;
}

bool GreetingShown(CTestWindow& w)
{
    auto* button = Child<QPushButton>(&w.Dialog(), "greeting");
    return button && button->isVisible() && button->isEnabled();
}

bool GreetingGone(CTestWindow& w)
{
    auto* button = Child<QPushButton>(&w.Dialog(), "greeting");
    return button && !button->isVisible() && !button->isEnabled();
}

// Waits until the watcher has read the clock twice more, so that what it
// saw has been decided on, and lets the window handle what it was sent.
bool LetTheWatcherLook(CTestClock& clock)
{
    const int reads = clock.Reads();
    if (!QTest::qWaitFor([&] { return clock.Reads() >= reads + 2; }, 10000))
        return false;
    QCoreApplication::processEvents();
    return true;
}

// Which of the numbered pieces exist from 1 on without a gap.
int PiecesInARow(const QString& dir, const QString& base, int limit)
{
    int k = 0;
    while (k < limit && Exists(PieceName(dir, base, k + 1)))
        ++k;
    return k;
}

// A right click on the window's background: the group box's empty middle.
// The platform turns the click into a context-menu event for the widget
// under the mouse, which hands it on to its parents until one takes it.
void RightClickBackground(CSplitterDlg& dialog)
{
    auto* group = Child<QGroupBox>(&dialog, "settings");
    auto* progress = Child<QProgressBar>(&dialog, "progress");
    // Between the progress bar and the group box's bottom edge.
    const QPoint inDialog(group->geometry().center().x(),
                          (progress->geometry().bottom() + group->geometry().bottom()) / 2);
    QWidget* under = dialog.childAt(inDialog);
    QVERIFY(under == group);
    const QPoint inGroup = group->mapFrom(&dialog, inDialog);
    QContextMenuEvent click(QContextMenuEvent::Mouse, inGroup, group->mapToGlobal(inGroup));
    QApplication::sendEvent(group, &click);
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase()
    {
        platform::InitProcess();
        // The greeting's day does not come up by chance.
        SetGreetingClock([] { return kOrdinaryDay; });
    }

    void startsWaitingWithThePresetPieceSize()
    {
        CTestWindow w(true);
        CSplitterDlg& dialog = w.Dialog();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Portelan"));
        QVERIFY(!dialog.windowIcon().pixmap(32).isNull()); // the program's icon, read from its resources
        QCOMPARE(w.Text("status"), QStringLiteral("Auf Eingaben warten..."));
        QVERIFY(w.Checked("haveSize"));
        QVERIFY(!w.Checked("haveSource"));
        QVERIFY(!w.Checked("haveTarget"));
        QCOMPARE(w.Text("source"), QString());
        QCOMPARE(w.Text("target"), QString());
        QCOMPARE(w.Text("sizeText"),
                 QString::fromStdString(PieceSizeText({kDiskPieceSize, PieceUnit::Disk})));
        QCOMPARE(w.Text("sizeText"), QStringLiteral("1457664 [1.4 MB]"));
        QVERIFY(GreetingGone(w));

        // An empty bar, not the busy indicator an empty range gives.
        auto* progress = Child<QProgressBar>(&dialog, "progress");
        QVERIFY(progress->maximum() > progress->minimum());
        QCOMPARE(progress->value(), progress->minimum());

        auto* start = Child<QPushButton>(&dialog, "start");
        QCOMPARE(start->text(), QStringLiteral("&Starten"));
        QVERIFY(start->isDefault());
        QVERIFY(start->isEnabled());
        QCOMPARE(Child<QPushButton>(&dialog, "quit")->text(), QStringLiteral("Be&enden"));
        QCOMPARE(Child<QPushButton>(&dialog, "greeting")->text(), QStringLiteral("?"));
        QCOMPARE(Child<QGroupBox>(&dialog, "settings")->title(), QStringLiteral("Einstellungen"));
        const char* const boxes[][2] = {
            {"haveSource", "Quelldatei"}, {"haveTarget", "Zielpfad"}, {"haveSize", "Einzelgrösse"}};
        for (const auto& box : boxes) {
            auto* check = Child<QCheckBox>(&dialog, box[0]);
            QCOMPARE(check->text(), QString::fromUtf8(box[1]));
            QCOMPARE(check->layoutDirection(), Qt::RightToLeft); // the text left of the box
        }
        for (const char* edit : {"source", "target", "sizeText"})
            QVERIFY(Child<QLineEdit>(&dialog, edit)->isReadOnly());
        // The recovery amount is typed, its default shown.
        QCOMPARE(Child<QLabel>(&dialog, "recoveryLabel")->text(), QString::fromUtf8("Ersatz für"));
        QVERIFY(!Child<QLineEdit>(&dialog, "recovery")->isReadOnly());
        QCOMPARE(w.Text("recovery"), QString::number(kDefaultRecoveryPieces));

        QCOMPARE(TabOrder(&dialog), (QStringList{"haveSource", "haveTarget", "haveSize", "source", "target",
                                                 "sizeText", "recovery", "start", "quit"}));
    }

    // The boxes open their windows and show the answers; what follows from
    // them is the window model's (tests/unit/ui_splitter_model_test.cpp).
    void boxesOpenTheirChoosersAndStartReportsInTheStatus()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("film.avi"));
        CTestWindow w;
        w.Click("start");
        QCOMPARE(w.Text("status"), QStringLiteral("Keine Quelldatei."));

        w.Choosers().AnswerSource(Std(source));
        w.Click("haveSource");
        QVERIFY(w.Checked("haveSource"));
        QCOMPARE(w.Text("source"), source);
        QCOMPARE(w.Text("status"), QStringLiteral("Auf Eingaben warten..."));
        // Cancelled now: the box is cleared, the edit keeps the earlier file.
        w.Click("haveSource");
        QVERIFY(!w.Checked("haveSource"));
        QCOMPARE(w.Text("source"), source);
        // The first dialog opened in the home directory.
        QString home = QDir::homePath();
        if (!home.endsWith(QLatin1Char('/')))
            home += QLatin1Char('/');
        QCOMPARE(QString::fromStdString(w.Choosers().BrowseDirsSeen().at(0)), home);

        w.Choosers().AnswerFolder(Std(dir.path()));
        w.Click("haveTarget");
        QCOMPARE(w.Text("target"), dir.path() + QLatin1Char('/'));
        QVERIFY(w.Checked("haveTarget"));

        // The piece-size window, cancelled: the size box is cleared.
        QVERIFY(WithModal([&] { w.Click("haveSize"); },
                          [](QWidget* sizes) { QVERIFY(Press(sizes, QStringLiteral("Abbrechen"))); }));
        QVERIFY(!w.Checked("haveSize"));
    }

    void dropsFillTheRightEditOnly()
    {
        QTemporaryDir dir;
        const QString film = dir.filePath(QStringLiteral("film.avi"));
        const QString archive = dir.filePath(QStringLiteral("Archiv"));
        const QString readme = dir.filePath(QStringLiteral("README"));
        QVERIFY(WriteAll(film, "film"));
        QVERIFY(QDir().mkdir(archive));
        QVERIFY(WriteAll(readme, "lies mich"));

        CTestWindow w;
        CSplitterDlg& dialog = w.Dialog();
        auto* source = Child<QLineEdit>(&dialog, "source");
        auto* target = Child<QLineEdit>(&dialog, "target");

        QVERIFY(Drop(source, {Local(film)}));
        QVERIFY(w.Checked("haveSource"));
        QCOMPARE(w.Text("source"), film);
        QCOMPARE(QString::fromStdString(dialog.Inputs().sourceDir), dir.path() + QLatin1Char('/'));
        QCOMPARE(QString::fromStdString(dialog.Inputs().sourceName), QStringLiteral("film.avi"));
        QCOMPARE(QString::fromStdString(dialog.BrowseDir()), dir.path() + QLatin1Char('/'));

        QVERIFY(Drop(target, {Local(archive)}));
        QVERIFY(w.Checked("haveTarget"));
        QCOMPARE(w.Text("target"), archive + QLatin1Char('/'));
        QCOMPARE(QString::fromStdString(dialog.Inputs().targetDir), archive + QLatin1Char('/'));
        QCOMPARE(w.Text("status"), QStringLiteral("Alle Informationen vorhanden."));

        // A status that only a drop handler would overwrite.
        QVERIFY(WithModal([&] { w.Click("haveSize"); },
                          [](QWidget* sizes) { QVERIFY(Press(sizes, QStringLiteral("Abbrechen"))); }));
        w.Click("start");
        QCOMPARE(w.Text("status"), QStringLiteral("Keine Stückgrösse."));

        // Two at once: nothing happens, not even the status.
        Drop(source, {Local(film), Local(readme)});
        Drop(target, {Local(archive), Local(dir.path())});
        QCOMPARE(w.Text("status"), QStringLiteral("Keine Stückgrösse."));
        // Not a local file: nothing either.
        Drop(source, {QUrl(QStringLiteral("http://example.invalid/film.avi"))});
        QCOMPARE(w.Text("status"), QStringLiteral("Keine Stückgrösse."));

        // Which kind of path each field takes is the window model's
        // (ClassifyDrop). Plain text is no drop of a file at all.
        QMimeData text;
        text.setText(QStringLiteral("/etc"));
        QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QVERIFY(!enter.isAccepted());
    }

    void splitsThroughTheWindowIntoASetThatRejoins()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("daten.bin"));
        const QString target = dir.filePath(QStringLiteral("satz")) + QLatin1Char('/');
        const QByteArray bytes = RandomBytes(300000, 11); // four pieces of 64 KB and one of 37856 bytes
        QVERIFY(WriteAll(source, bytes));
        QVERIFY(QDir().mkdir(target));

        CTestWindow w;
        w.ChooseSourceAndTarget(source, dir.filePath(QStringLiteral("satz")));
        QVERIFY(w.ChoosePieceSize(QStringLiteral("64"), "unitKb"));
        QCOMPARE(w.Text("sizeText"), QStringLiteral("65536 [64.0 KB]"));
        QCOMPARE(w.Text("status"), QStringLiteral("Alle Informationen vorhanden."));
        // Typed as a user types: a letter is not taken, the digits replace the default.
        auto* recovery = Child<QLineEdit>(&w.Dialog(), "recovery");
        recovery->selectAll();
        QTest::keyClicks(recovery, QStringLiteral("x2"));
        QCOMPARE(recovery->text(), QStringLiteral("2"));
        QCOMPARE(w.Dialog().Inputs().recoveryPieces, 2);
        QCOMPARE(w.Text("status"), QStringLiteral("Alle Informationen vorhanden."));

        QVERIFY(WithModal([&] { w.Click("start"); },
                          [&](QWidget* info) {
                              QCOMPARE(info->windowTitle(), QStringLiteral("Information"));
                              QCOMPARE(Child<QLineEdit>(info, "infoCount")->text(), QStringLiteral("5"));
                              QVERIFY(!Child<QLineEdit>(info, "infoRecovery")->text().isEmpty());
                              QCOMPARE(Child<QLineEdit>(info, "infoTarget")->text(), target);
                              QVERIFY(Press(info, QStringLiteral("&Fortfahren")));
                          }));
        QStringList unexpected;
        QVERIFY2(w.WaitForStatus(QStringLiteral("Die Datei wurde erfolgreich aufgeteilt..."), &unexpected),
                 qPrintable(w.Text("status") + QLatin1Char(' ') + unexpected.join(QLatin1Char('|'))));
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(QLatin1Char('|'))));

        // Ready for the next split, the bar back at its start.
        QVERIFY(Child<QPushButton>(&w.Dialog(), "start")->isEnabled());
        auto* progress = Child<QProgressBar>(&w.Dialog(), "progress");
        QCOMPARE(progress->value(), 0);
        QCOMPARE(progress->minimum(), 0);
        QCOMPARE(progress->maximum(), 5);

        QByteArray joined;
        for (int k = 1; k <= 5; ++k) {
            const QByteArray piece = ReadAll(PieceName(target, QStringLiteral("daten"), k));
            QCOMPARE(piece.size(), k < 5 ? 65536 : 37856);
            joined += piece;
        }
        QVERIFY(joined == bytes);
        QVERIFY(!Exists(PieceName(target, QStringLiteral("daten"), 6)));
        QCOMPARE(QFileInfo(target + QStringLiteral("_daten.cfg")).size(), 536);

        // par2cmdline takes the recovery files written for the amount typed.
        QProcess par2;
        par2.setWorkingDirectory(target);
        par2.start(QStringLiteral("par2"), {QStringLiteral("verify"), QStringLiteral("_daten.par2")});
        QVERIFY(par2.waitForStarted());
        QVERIFY(par2.waitForFinished(120000));
        const QByteArray said = par2.readAllStandardOutput();
        QVERIFY2(par2.exitCode() == 0, said.constData());
        QVERIFY2(said.contains("All files are correct"), said.constData());

        // The Linux joiner written beside the set rebuilds the file in its own directory.
        const QString joiner = target + QStringLiteral("_daten");
        QVERIFY(QFileInfo(joiner).isExecutable());
        QProcess run;
        run.setWorkingDirectory(target);
        run.start(joiner, {});
        QVERIFY(run.waitForStarted());
        run.closeWriteChannel();
        QVERIFY(run.waitForFinished(120000));
        QCOMPARE(run.exitStatus(), QProcess::NormalExit);
        QVERIFY2(run.exitCode() == 0, run.readAllStandardOutput().constData());
        QVERIFY(ReadAll(target + QStringLiteral("daten.bin")) == bytes);
        QVERIFY(ReadAll(source) == bytes);
    }

    // The system's reason that the error window shows below a failed file operation.
    static QString Reason(int code)
    {
        return QString::fromStdString(platform::ErrorText(platform::Error{static_cast<std::uint32_t>(code)}));
    }

    void showsTheErrorWindowAfterRealFaults()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("daten.bin"));
        const QByteArray bytes = RandomBytes(10000, 5);
        QVERIFY(WriteAll(source, bytes));
        const QString blocked = dir.filePath(QStringLiteral("besetzt")) + QLatin1Char('/');
        const QString full = dir.filePath(QStringLiteral("voll")) + QLatin1Char('/');
        QVERIFY(QDir().mkdir(blocked));
        QVERIFY(QDir().mkdir(full));
        // A directory in the second piece's place.
        QVERIFY(QDir().mkdir(PieceName(blocked, QStringLiteral("daten"), 2)));

        CTestWindow w;
        CSplitterDlg& dialog = w.Dialog();
        w.ChooseSourceAndTarget(source, blocked);
        QVERIFY(w.ChoosePieceSize(QStringLiteral("4000"), "unitBytes")); // three pieces

        const auto errorWindow = [&](const QString& message) {
            return [&, message](QWidget* error) {
                QVERIFY(qobject_cast<CErrorDlg*>(error));
                QCOMPARE(error->windowTitle(), QStringLiteral("Fehlermeldung"));
                auto* text = error->findChild<QPlainTextEdit*>();
                QVERIFY(text);
                QCOMPARE(text->toPlainText(), message);
                QCOMPARE(w.Text("status"), QStringLiteral("Ein Fehler ist aufgetreten."));
                // The split waits for this window: not finished meanwhile.
                QVERIFY(!Child<QPushButton>(&dialog, "start")->isEnabled());
                QVERIFY(Press(error, QStringLiteral("Be&enden")));
            };
        };
        const auto confirm = [](QWidget* info) { QVERIFY(Press(info, QStringLiteral("&Fortfahren"))); };
        QVERIFY(WithModals(
            [&] { w.Click("start"); },
            {confirm,
             errorWindow(QStringLiteral("Die Datei \"%1\" konnte nicht geöffnet werden.\n%2")
                             .arg(PieceName(blocked, QStringLiteral("daten"), 2), Reason(EISDIR)))}));
        QVERIFY(dialog.isVisible()); // "Be&enden" closed only the error window
        QCOMPARE(w.Text("status"), QStringLiteral("Ein Fehler ist aufgetreten."));
        QVERIFY(QTest::qWaitFor([&] { return Child<QPushButton>(&dialog, "start")->isEnabled(); }));
        QCOMPARE(Child<QProgressBar>(&dialog, "progress")->value(), 0);
        QVERIFY(ReadAll(PieceName(blocked, QStringLiteral("daten"), 1)) == bytes.left(4000));
        QVERIFY(!Exists(PieceName(blocked, QStringLiteral("daten"), 3)));
        QVERIFY(!Exists(blocked + QStringLiteral("_daten.cfg")));
        QVERIFY(!Exists(blocked + QStringLiteral("_daten.exe")));

        // The same window again, into a target where writing stops at a
        // file-size limit below the piece size.
        w.Choosers().AnswerFolder(Std(full));
        w.Click("haveTarget");
        {
            CFileSizeLimit limit(1500);
            QVERIFY(WithModals(
                [&] { w.Click("start"); },
                {confirm, errorWindow(QStringLiteral(
                                          "In die Datei \"%1daten.001\" konnte nicht geschrieben werden.\n%2")
                                          .arg(full, Reason(EFBIG)))}));
        }
        QCOMPARE(w.Text("status"), QStringLiteral("Ein Fehler ist aufgetreten."));
        QVERIFY(QTest::qWaitFor([&] { return Child<QPushButton>(&dialog, "start")->isEnabled(); }));
        const QByteArray first = ReadAll(PieceName(full, QStringLiteral("daten"), 1));
        QVERIFY(first.size() <= 1500);
        QVERIFY(bytes.startsWith(first));
        QVERIFY(!Exists(PieceName(full, QStringLiteral("daten"), 2)));
        QVERIFY(!Exists(full + QStringLiteral("_daten.cfg")));
        QVERIFY(!Exists(full + QStringLiteral("_daten.exe")));
    }

    void closingDuringALongSplitStopsItAndWritesNoSetFiles()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("gross.dat"));
        const QString target = dir.filePath(QStringLiteral("ziel")) + QLatin1Char('/');
        const int pieceSize = 1 << 20;
        const int count = 60;
        const QByteArray bytes = RandomBytes(std::size_t{pieceSize} * count, 3);
        QVERIFY(WriteAll(source, bytes));
        QVERIFY(QDir().mkdir(target));

        CTestWindow w;
        CSplitterDlg& dialog = w.Dialog();
        w.ChooseSourceAndTarget(source, target);
        QVERIFY(w.ChoosePieceSize(QStringLiteral("1"), "unitMb"));
        QVERIFY(WithModal([&] { w.Click("start"); },
                          [&](QWidget* info) {
                              QCOMPARE(Child<QLineEdit>(info, "infoCount")->text(), QString::number(count));
                              QVERIFY(Press(info, QStringLiteral("&Fortfahren")));
                          }));

        // Close as soon as the second piece has begun, as "Be&enden" does.
        const QString second = PieceName(target, QStringLiteral("gross"), 2);
        for (int waited = 0; !Exists(second) && waited < 60000; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        QVERIFY(Exists(second));
        w.Click("quit");
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QVERIFY(!dialog.Engine().IsWorkerAlive());
        QStringList unexpected;
        RunEventsClosingWindows(300, &unexpected);
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(QLatin1Char('|'))));

        const int written = PiecesInARow(target, QStringLiteral("gross"), count);
        QVERIFY(written >= 2);
        QVERIFY2(written < count, "the split ended before the window was closed");
        for (int k = 1; k <= written; ++k) {
            const QByteArray piece = ReadAll(PieceName(target, QStringLiteral("gross"), k));
            const QByteArray part = bytes.mid(qsizetype{k - 1} * pieceSize, pieceSize);
            if (k < written)
                QVERIFY2(piece == part, qPrintable(QStringLiteral("piece %1 is not whole").arg(k)));
            else
                QVERIFY2(part.startsWith(piece), "the last piece is not a start of its part");
        }
        for (int k = written + 1; k <= count; ++k)
            QVERIFY(!Exists(PieceName(target, QStringLiteral("gross"), k)));
        QVERIFY(!Exists(target + QStringLiteral("_gross.cfg")));
        QVERIFY(!Exists(target + QStringLiteral("_gross.exe")));
        QVERIFY(ReadAll(source) == bytes);
    }

    void closingWhileTheCompletionWaitsGivesItUp()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("klein.dat"));
        const QString target = dir.filePath(QStringLiteral("ziel")) + QLatin1Char('/');
        const QByteArray bytes = RandomBytes(3000, 7);
        QVERIFY(WriteAll(source, bytes));
        QVERIFY(QDir().mkdir(target));

        CTestWindow w;
        CSplitterDlg& dialog = w.Dialog();
        w.ChooseSourceAndTarget(source, target);
        QVERIFY(w.ChoosePieceSize(QStringLiteral("1000"), "unitBytes"));
        QVERIFY(WithModal([&] { w.Click("start"); },
                          [&](QWidget* info) { QVERIFY(Press(info, QStringLiteral("&Fortfahren"))); }));

        // This thread handles no events now: the worker writes every piece
        // and the set files and then waits for its completion to run here.
        const QString last = target + QStringLiteral("_klein.sfv");
        for (int waited = 0; !Exists(last) && waited < 60000; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        QVERIFY(Exists(last));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        QVERIFY(dialog.Engine().IsWorkerAlive());

        dialog.reject(); // returns only once the worker has ended
        QVERIFY(!dialog.Engine().IsWorkerAlive());
        QVERIFY(!dialog.isVisible());
        QStringList unexpected;
        RunEventsClosingWindows(200, &unexpected);
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(QLatin1Char('|'))));
        // The worker wrote the set files before it asked for this thread:
        // the set is whole, only its completion was given up.
        QVERIFY(Exists(target + QStringLiteral("_klein.cfg")));
        QByteArray joined;
        for (int k = 1; k <= 3; ++k)
            joined += ReadAll(PieceName(target, QStringLiteral("klein"), k));
        QVERIFY(joined == bytes);
        QVERIFY(w.Text("status") != QStringLiteral("Die Datei wurde erfolgreich aufgeteilt..."));
    }

    void greetingButtonFollowsTheClockAcrossItsEdges()
    {
        CTestClock clock(kOrdinaryDay);
        CTestWindow w;
        QVERIFY(LetTheWatcherLook(clock));
        QVERIFY(GreetingGone(w));

        clock.Set({2008, 9, 6, 8, 0, 0});
        QVERIFY2(QTest::qWaitFor([&] { return GreetingShown(w); }, 10000), "at 08:00");
        // Reachable with the keyboard now.
        QVERIFY(TabOrder(&w.Dialog()).contains(QStringLiteral("greeting")));

        clock.Set({2008, 9, 6, 19, 59, 59});
        QVERIFY(LetTheWatcherLook(clock));
        QVERIFY2(GreetingShown(w), "still at 19:59:59");

        clock.Set({2008, 9, 6, 20, 0, 0});
        QVERIFY2(QTest::qWaitFor([&] { return GreetingGone(w); }, 10000), "at 20:00");
        QVERIFY(!TabOrder(&w.Dialog()).contains(QStringLiteral("greeting")));

        clock.Set({2009, 9, 6, 7, 59, 59});
        QVERIFY(LetTheWatcherLook(clock));
        QVERIFY2(GreetingGone(w), "a year later, a second before");

        clock.Set({2009, 9, 6, 8, 0, 0});
        QVERIFY2(QTest::qWaitFor([&] { return GreetingShown(w); }, 10000), "back again");
    }

    void greetingButtonComesUpWhenTheWindowOpensOnTheDay()
    {
        CTestClock clock(kGreetingDay);
        CTestWindow w;
        QVERIFY(QTest::qWaitFor([&] { return GreetingShown(w); }, 10000));
    }

    void greetingGreetsTheComputerByName()
    {
        char name[HOST_NAME_MAX + 1] = "";
        QCOMPARE(gethostname(name, sizeof name - 1), 0);

        CTestClock clock(kGreetingDay);
        CTestWindow w;
        QVERIFY(QTest::qWaitFor([&] { return GreetingShown(w); }, 10000));
        for (int round = 1; round <= 2; ++round) {
            QVERIFY(WithModal([&] { w.Click("greeting"); },
                              [&](QWidget* window) {
                                  auto* box = qobject_cast<QMessageBox*>(window);
                                  QVERIFY(box);
                                  QCOMPARE(box->windowTitle(), QStringLiteral("Hallo %1...").arg(name));
                                  QCOMPARE(box->text(), QString::fromUtf8(GreetingText()));
                                  QCOMPARE(box->icon(), QMessageBox::Information);
                                  QCOMPARE(box->parentWidget(), &w.Dialog());
                                  box->button(QMessageBox::Ok)->click();
                              }));
            QVERIFY(w.Dialog().isVisible());
        }
    }

    void closingTheWindowEndsTheWatcherFirst()
    {
        CTestClock clock(kOrdinaryDay);
        auto w = std::make_unique<CTestWindow>();
        QVERIFY(QTest::qWaitFor([&] { return clock.Reads() > 0; }, 10000));
        QVERIFY(!g_bStopRequested);
        QVERIFY(!g_bWatcherFinished);
        w.reset();
        QVERIFY(g_bStopRequested);
        QVERIFY(g_bWatcherFinished);
        // Nobody reads the clock any more.
        const int reads = clock.Reads();
        QTest::qWait(300);
        QCOMPARE(clock.Reads(), reads);
    }

    void windowMenuHoldsItsTwoCommandsAfterASeparator()
    {
        CTestWindow w;
        QStringList texts;
        bool separatorFirst = false;
        QVERIFY(WithPopup([&] { RightClickBackground(w.Dialog()); },
                          [&](QWidget* popup) {
                              auto* menu = qobject_cast<QMenu*>(popup);
                              QVERIFY(menu);
                              const QList<QAction*> actions = menu->actions();
                              QCOMPARE(actions.size(), 3);
                              separatorFirst = actions[0]->isSeparator();
                              texts = {actions[1]->text(), actions[2]->text()};
                              menu->close();
                          }));
        QVERIFY(separatorFirst);
        QCOMPARE(texts, (QStringList{QString::fromUtf8("Inf&o über Portelan..."),
                                     QStringLiteral("&Update suchen")}));
    }

    void aboutBoxOpensFromTheMenuAndF1OnlyOnceAtATime()
    {
        CTestWindow w;
        CSplitterDlg& dialog = w.Dialog();
        const auto aboutOnce = [&](QWidget* about) {
            QVERIFY(qobject_cast<CAboutDlg*>(about));
            QCOMPARE(about->windowTitle(), QString::fromUtf8("Info über Portelan"));
            // A second request while it is open does nothing.
            dialog.ShowAboutBox();
            int open = 0;
            for (QWidget* top : QApplication::topLevelWidgets())
                open += qobject_cast<CAboutDlg*>(top) && top->isVisible() ? 1 : 0;
            QCOMPARE(open, 1);
            QCOMPARE(QApplication::activeModalWidget(), about);
        };

        // From the window's menu, by the entry's mnemonic.
        QVERIFY(WithWindows([&] { RightClickBackground(dialog); },
                            [] {
                                QWidget* popup = QApplication::activePopupWidget();
                                return popup ? popup : QApplication::activeModalWidget();
                            },
                            {[](QWidget* menu) { QTest::keyClick(menu, Qt::Key_O); }, aboutOnce}));
        QVERIFY(dialog.isVisible());

        // F1.
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QVERIFY(WithModal([&] { QTest::keyClick(&dialog, Qt::Key_F1); }, aboutOnce));

        // And after it has closed, once more.
        QVERIFY(WithModal([&] { dialog.ShowAboutBox(); }, aboutOnce));
    }

    void updateEntryRunsTheUpdateCheckWithTheClientSet()
    {
        qputenv("PORTELAN_UPDATE_URL", "http://127.0.0.1:9/");
        CTestWindow w;
        CSplitterDlg& dialog = w.Dialog();
        QStringList urls;
        int made = 0;
        dialog.SetUpdateClientFactory([&]() -> std::unique_ptr<IHttpClient> {
            ++made;
            return std::make_unique<COfflineClient>(urls);
        });
        QString question;
        QVERIFY(WithWindows([&] { RightClickBackground(dialog); },
                            [] {
                                QWidget* popup = QApplication::activePopupWidget();
                                return popup ? popup : QApplication::activeModalWidget();
                            },
                            {[](QWidget* menu) { QTest::keyClick(menu, Qt::Key_U); },
                             [&](QWidget* ask) {
                                 question = ask->windowTitle();
                                 QVERIFY(Press(ask, QStringLiteral("&Ja")));
                             },
                             [](QWidget*) {}}));
        qunsetenv("PORTELAN_UPDATE_URL");
        QCOMPARE(question, QStringLiteral("Update suchen..."));
        QVERIFY(made >= 1);
        QVERIFY(!urls.isEmpty());
        QVERIFY2(urls.front().endsWith(QStringLiteral("Updates/_updates.txt")), qPrintable(urls.front()));
    }
};

} // namespace portelan::qt::test

QTEST_MAIN(portelan::qt::test::MainWindowTest)
#include "main_window_test.moc"

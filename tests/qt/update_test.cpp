// "Update suchen" through real message boxes and the real libcurl client,
// against the test server (tests/cli/update_server.py) on 127.0.0.1. The
// program's directory is this test program's directory: the downloads land
// there and are removed again.
#include <memory>
#include <vector>

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "splitter/ui/qt/UpdateUi.h"
#include "splitter/update/posix/CurlHttpClient.h"
#include "texts/Language.h"

using namespace portelan;
using namespace portelan::qt;

Q_DECLARE_METATYPE(portelan::BoxStyle)
Q_DECLARE_METATYPE(portelan::BoxAnswer)
Q_DECLARE_METATYPE(portelan::Language)

namespace {

// An archive name of its own, so that nothing else in the directory is touched.
const QString kArchive = QStringLiteral("qt_update_test.zip");

bool WaitCursorShown()
{
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(not readable)");
}

bool WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// One message box as the user saw it.
struct Box {
    QString caption;
    QString text;
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool waitCursor = false; // the pointer was the wait cursor meanwhile
    bool ownedByWindow = false;
};

// Plays the user: records every message box and presses Yes or No as
// scripted (a script entry of -1 closes the box with its close box instead),
// OK on the others, whatever their language. Only looks and presses; the
// tests assert afterwards.
class User : public QObject {
  public:
    User(QWidget* window, QList<int> answers) : m_window(window), m_answers(std::move(answers))
    {
        connect(&m_timer, &QTimer::timeout, this, &User::Look);
        m_timer.start(10);
    }

    QList<Box> boxes;

  private:
    enum { kNo = 0, kYes = 1 };

    void Look()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal == m_last)
            return;
        m_last = modal;
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) {
            boxes.append({QStringLiteral("(not a message box)"), modal->windowTitle(), {}, {}, false, false});
            modal->close();
            return;
        }
        Box seen;
        seen.caption = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        seen.waitCursor = WaitCursorShown();
        seen.ownedByWindow = box->parentWidget() == m_window;
        for (QAbstractButton* button : box->buttons())
            seen.buttons << button->text();
        QAbstractButton* yes = box->button(QMessageBox::Yes);
        QAbstractButton* no = box->button(QMessageBox::No);
        QAbstractButton* ok = box->button(QMessageBox::Ok);
        boxes.append(seen);
        if (yes != nullptr || no != nullptr) {
            const int answer = m_answers.isEmpty() ? kNo : m_answers.takeFirst();
            if (answer == -1)
                box->close();
            else if (answer == kYes && yes != nullptr)
                yes->click();
            else if (no != nullptr)
                no->click();
        } else if (ok != nullptr) {
            ok->click();
        }
        // Whatever happened, the box must not stay open.
        QTimer::singleShot(3000, box, [box] { box->done(-99); });
    }

    QWidget* m_window;
    QList<int> m_answers;
    QPointer<QWidget> m_last;
    QTimer m_timer;
};

// The real client, noting for every request whether the wait cursor was up.
class ObservedClient : public IHttpClient {
  public:
    explicit ObservedClient(std::vector<bool>& waits) : m_real("Portelan"), m_waits(waits) {}
    HttpResult Get(const std::string& url, IHttpSink& sink) override
    {
        m_waits.push_back(WaitCursorShown());
        return m_real.Get(url, sink);
    }

  private:
    CCurlHttpClient m_real;
    std::vector<bool>& m_waits;
};

const QString kQuestion =
    QStringLiteral("Sie können nun nach neueren Programmversionen im Internet suchen lassen.\n"
                   "Dafür müssen Sie allerdings mit dem Internet verbunden ('online') sein.\n"
                   "Wenn es eine neuere Version gibt, können Sie diese auch sofort herunter laden.\n"
                   "Die ge'zip'te Datei liegt dann im gleichen Pfad wie dieses Programm.\n\n"
                   "Updates auf den Seiten der Orvel-online suchen?");

} // namespace

class UpdateTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase()
    {
        // The server is local; no proxy may stand in between.
        for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
            qunsetenv(name);
        QVERIFY(m_site.isValid());
        QVERIFY(QDir(m_site.path()).mkpath(QStringLiteral("Updates")));
        m_archive.resize(70000);
        for (int i = 0; i < m_archive.size(); ++i)
            m_archive[i] = char((i * 7919 + i / 251) & 0xFF);
        QVERIFY(WriteAll(m_site.filePath(QStringLiteral("Updates/") + kArchive), m_archive));

        m_log = m_site.filePath(QStringLiteral("requests.log"));
        m_server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_server.start(QStringLiteral("python3"),
                       {QStringLiteral(PORTELAN_TEST_UPDATE_SERVER), m_site.path(), m_log});
        QVERIFY2(m_server.waitForStarted(10000), "python3 is needed for the test server");
        while (!m_server.canReadLine())
            QVERIFY2(m_server.waitForReadyRead(20000), "the test server did not start");
        const int port = m_server.readLine().trimmed().toInt();
        QVERIFY(port > 0);
        qputenv("PORTELAN_UPDATE_URL", QStringLiteral("http://127.0.0.1:%1/").arg(port).toUtf8());

        m_programDir = QCoreApplication::applicationDirPath() + QLatin1Char('/');
        m_local = m_programDir + kArchive;
    }

    void cleanupTestCase()
    {
        m_server.terminate();
        m_server.waitForFinished(10000);
    }

    void init()
    {
        Cleanup();
        QFile::remove(m_log);
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        m_window = std::make_unique<QDialog>();
        m_window->setWindowTitle(QStringLiteral("Portelan"));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup()
    {
        m_window.reset();
        Cleanup();
        // Whatever happened, the wait cursor is gone.
        QVERIFY(QApplication::overrideCursor() == nullptr);
    }

    // A newer version: the question, the offer with both versions, the
    // download into the program's directory byte for byte, the closing box
    // and the archive's path on the clipboard; the wait cursor is up while
    // the network is used and not over the boxes.
    void newerVersionIsDownloadedAndItsPathCopied()
    {
        Manifest("# Portelan\nportelan;2;0;1;0;2008.9.6;0;500;Updates/;" + kArchive.toUtf8() + ";\n");
        std::vector<bool> waits;
        User user(m_window.get(), {1, 1});
        const bool downloaded =
            RunUpdateCheck(m_window.get(), [&waits] { return std::make_unique<ObservedClient>(waits); });

        QVERIFY(downloaded);
        QCOMPARE(user.boxes.size(), 3);
        const Box& question = user.boxes[0];
        QCOMPARE(question.caption, QStringLiteral("Update suchen..."));
        QCOMPARE(question.text, kQuestion);
        QCOMPARE(question.buttons, QStringList({QStringLiteral("&Ja"), QStringLiteral("&Nein")}));
        QCOMPARE(question.icon, QMessageBox::Information);

        const Box& offer = user.boxes[1];
        QCOMPARE(offer.caption, QStringLiteral("Suche nach Updates..."));
        QCOMPARE(offer.text,
                 QStringLiteral("Es existiert eine neuere Programm-Version:\nLokale Version:   2.0.0.6\n"
                                "Aktuelle Version: 2.0.1.0\nGröße: 500 Byte\nHerunterladen ?"));
        QCOMPARE(offer.buttons, QStringList({QStringLiteral("&Ja"), QStringLiteral("&Nein")}));
        QCOMPARE(offer.icon, QMessageBox::Question);

        const Box& done = user.boxes[2];
        QCOMPARE(done.caption, QStringLiteral("Herunterladen erfolgreich"));
        QCOMPARE(done.text,
                 QStringLiteral("Die neue Version (2.0.1.0) steht nun unter dem Pfad\n\"%1\"\nzur Verfügung.")
                     .arg(m_local));
        QCOMPARE(done.buttons, QStringList({QStringLiteral("OK")}));
        QCOMPARE(done.icon, QMessageBox::Information);
        for (const Box& box : user.boxes) {
            QVERIFY(box.ownedByWindow);
            QVERIFY(!box.waitCursor);
        }

        QCOMPARE(ReadAll(m_local), m_archive);
        QCOMPARE(QGuiApplication::clipboard()->text(), m_local);
        // The manifest's copy and the partial download do not stay.
        QVERIFY(!QFile::exists(m_programDir + QStringLiteral("_updates.txt")));
        QVERIFY(!QFile::exists(m_local + QStringLiteral(".part")));

        QCOMPARE(waits, std::vector<bool>({true, true})); // manifest, archive
        QCOMPARE(Requests(), QStringList({QStringLiteral("/Updates/_updates.txt"),
                                          QStringLiteral("/Updates/") + kArchive}));
    }

    // The same version as the program's: nothing to offer, nothing written;
    // the boxes and their buttons in the language of the windows. This
    // check runs with the default client.
    void equalVersionIsNotOffered_data()
    {
        QTest::addColumn<Language>("language");
        QTest::addColumn<QStringList>("question"); // caption, buttons
        QTest::addColumn<QStringList>("answer");   // caption, text, button
        QTest::newRow("German") << Language::German
                                << QStringList{QStringLiteral("Update suchen..."), QStringLiteral("&Ja"),
                                               QStringLiteral("&Nein")}
                                << QStringList{QStringLiteral("Suche nach Updates..."),
                                               QStringLiteral("Keine neuere Version vorhanden"),
                                               QStringLiteral("OK")};
        QTest::newRow("English") << Language::English
                                 << QStringList{QStringLiteral("Check for updates..."),
                                                QStringLiteral("&Yes"), QStringLiteral("&No")}
                                 << QStringList{QStringLiteral("Checking for updates..."),
                                                QStringLiteral("No newer version available"),
                                                QStringLiteral("OK")};
    }
    void equalVersionIsNotOffered()
    {
        QFETCH(Language, language);
        QFETCH(QStringList, question);
        QFETCH(QStringList, answer);
        Manifest("portelan;2;0;0;6;;2;1;Updates/;" + kArchive.toUtf8() + ";\n");
        SetLanguage(language);
        User user(m_window.get(), {1});
        const bool downloaded = RunUpdateCheck(m_window.get());
        SetLanguage(Language::German);
        QVERIFY(!downloaded);

        QCOMPARE(user.boxes.size(), 2);
        QCOMPARE(user.boxes[0].caption, question[0]);
        QCOMPARE(user.boxes[0].buttons, question.mid(1));
        QCOMPARE(user.boxes[1].caption, answer[0]);
        QCOMPARE(user.boxes[1].text, answer[1]);
        QCOMPARE(user.boxes[1].buttons, answer.mid(2));
        QVERIFY(!user.boxes[1].waitCursor);
        QVERIFY(!QFile::exists(m_local));
        QVERIFY(!QFile::exists(m_programDir + QStringLiteral("_updates.txt")));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
        QCOMPARE(Requests(), QStringList({QStringLiteral("/Updates/_updates.txt")}));
    }

    // Declining: "&Nein" to the first question asks the server nothing;
    // "&Nein" or the close box on the offer downloads nothing.
    void declinedQuestionOrOfferWritesNothing_data()
    {
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<int>("boxCount");
        QTest::addColumn<int>("requestCount");
        QTest::newRow("no search") << QList<int>{0} << 1 << 0;
        QTest::newRow("search closed") << QList<int>{-1} << 1 << 0;
        QTest::newRow("offer declined") << QList<int>{1, 0} << 2 << 1;
        QTest::newRow("offer closed") << QList<int>{1, -1} << 2 << 1;
    }
    void declinedQuestionOrOfferWritesNothing()
    {
        QFETCH(QList<int>, answers);
        QFETCH(int, boxCount);
        QFETCH(int, requestCount);
        Manifest("portelan;2;0;1;0;;2;1;Updates/;" + kArchive.toUtf8() + ";\n");
        User user(m_window.get(), answers);
        QVERIFY(!RunUpdateCheck(m_window.get()));

        QCOMPARE(user.boxes.size(), boxCount);
        QCOMPARE(user.boxes[0].caption, QStringLiteral("Update suchen..."));
        if (boxCount == 2)
            QVERIFY(
                user.boxes[1].text.startsWith(QStringLiteral("Es existiert eine neuere Programm-Version:")));
        QCOMPARE(Requests().size(), requestCount);
        QVERIFY(!QFile::exists(m_local));
        QVERIFY(!QFile::exists(m_local + QStringLiteral(".part")));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    }

    // The server announces the whole archive and closes after 1000 bytes:
    // the network error, then "Fehler beim Herunterladen"; nothing stays.
    void cutTransferLeavesNothing()
    {
        Manifest("portelan;2;0;1;0;;1;68;cut/1000/Updates/;" + kArchive.toUtf8() + ";\n");
        std::vector<bool> waits;
        User user(m_window.get(), {1, 1});
        QVERIFY(
            !RunUpdateCheck(m_window.get(), [&waits] { return std::make_unique<ObservedClient>(waits); }));

        QCOMPARE(user.boxes.size(), 4);
        QCOMPARE(user.boxes[1].caption, QStringLiteral("Suche nach Updates..."));
        QCOMPARE(user.boxes[2].caption, QStringLiteral("Portelan")); // the network's own message
        QVERIFY(!user.boxes[2].text.isEmpty());
        QCOMPARE(user.boxes[2].buttons, QStringList({QStringLiteral("OK")}));
        QCOMPARE(user.boxes[3].caption, QStringLiteral("Fehler beim Herunterladen"));
        QCOMPARE(user.boxes[3].text,
                 QStringLiteral("Die Datei konnte nicht herunter geladen werden.\nErrorcode: "));
        QCOMPARE(user.boxes[3].icon, QMessageBox::Critical);
        QCOMPARE(user.boxes[3].buttons, QStringList({QStringLiteral("OK")}));
        for (const Box& box : user.boxes)
            QVERIFY(!box.waitCursor);

        QCOMPARE(waits, std::vector<bool>({true, true}));
        QCOMPARE(Requests().last(), QStringLiteral("/cut/1000/Updates/") + kArchive);
        QVERIFY(!QFile::exists(m_local));
        QVERIFY(!QFile::exists(m_local + QStringLiteral(".part")));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
    }

    // The boxes on their own: OK, Yes and No answers, closing a Yes/No box
    // as No, the icons by style.
    void messageBoxAnswersAndIcons_data()
    {
        QTest::addColumn<BoxStyle>("style");
        QTest::addColumn<int>("press"); // 1 Yes / OK, 0 No, -1 close box
        QTest::addColumn<BoxAnswer>("expected");
        QTest::addColumn<int>("icon");
        QTest::newRow("OK") << IUpdateUi::kOk << 1 << BoxAnswer::Ok << int(QMessageBox::NoIcon);
        QTest::newRow("OK stop") << IUpdateUi::kOkStop << 1 << BoxAnswer::Ok << int(QMessageBox::Critical);
        QTest::newRow("OK information")
            << IUpdateUi::kOkInformation << 1 << BoxAnswer::Ok << int(QMessageBox::Information);
        QTest::newRow("Yes") << IUpdateUi::kYesNoQuestion << 1 << BoxAnswer::Yes
                             << int(QMessageBox::Question);
        QTest::newRow("No") << IUpdateUi::kYesNoQuestion << 0 << BoxAnswer::No << int(QMessageBox::Question);
        QTest::newRow("closed") << IUpdateUi::kYesNoInformation << -1 << BoxAnswer::No
                                << int(QMessageBox::Information);
    }
    void messageBoxAnswersAndIcons()
    {
        QFETCH(BoxStyle, style);
        QFETCH(int, press);
        QFETCH(BoxAnswer, expected);
        QFETCH(int, icon);
        CQtUpdateUi ui(m_window.get());
        User user(m_window.get(), {press});
        QVERIFY(ui.ShowMessageBox("Zeile 1\r\nZeile <2> & 3", "Titel", style) == expected);
        QCOMPARE(user.boxes.size(), 1);
        QCOMPARE(user.boxes[0].caption, QStringLiteral("Titel"));
        QCOMPARE(user.boxes[0].text, QStringLiteral("Zeile 1\nZeile <2> & 3"));
        QCOMPARE(int(user.boxes[0].icon), icon);
    }

    // Nested wait cursors end in order; the clipboard holds what was copied.
    void waitCursorAndClipboard()
    {
        CQtUpdateUi ui(m_window.get());
        QVERIFY(!WaitCursorShown());
        ui.BeginWaitCursor();
        QVERIFY(WaitCursorShown());
        ui.BeginWaitCursor();
        ui.EndWaitCursor();
        QVERIFY(WaitCursorShown());
        ui.EndWaitCursor();
        QVERIFY(QApplication::overrideCursor() == nullptr);
        ui.EndWaitCursor(); // one too many changes nothing
        QVERIFY(QApplication::overrideCursor() == nullptr);

        const std::string path = "/home/nutzer/Programme/Größe 2.zip";
        QVERIFY(ui.CopyTextToClipboard(path));
        QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromStdString(path));
    }

  private:
    void Manifest(const QByteArray& text)
    {
        QVERIFY(WriteAll(m_site.filePath(QStringLiteral("Updates/_updates.txt")), text));
    }

    QStringList Requests() const
    {
        QFile log(m_log);
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    void Cleanup() const
    {
        QFile::remove(m_local);
        QFile::remove(m_local + QStringLiteral(".part"));
        QFile::remove(m_programDir + QStringLiteral("_updates.txt"));
        QFile::remove(m_programDir + QStringLiteral("_updates.txt.part"));
    }

    QTemporaryDir m_site;
    QByteArray m_archive;
    QString m_log;
    QProcess m_server;
    QString m_programDir;
    QString m_local;
    std::unique_ptr<QDialog> m_window;
};

QTEST_MAIN(UpdateTest)
#include "update_test.moc"

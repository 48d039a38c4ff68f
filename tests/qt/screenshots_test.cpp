// Pictures of every window of the desktop splitter for the documentation:
// saved as PNG files into PORTELAN_SCREENSHOT_DIR by scripts/screenshots.sh,
// which runs this under Xvfb. Skipped without that variable.
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include "platform/Platform.h"
#include "splitter/ui/qt/AboutDlg.h"
#include "splitter/ui/qt/ErrorDlg.h"
#include "window_support.h"

namespace portelan::qt::test {

class ScreenshotsTest : public QObject {
    Q_OBJECT

    QString m_out;

    // The window as the display shows it; the widget's own rendering where
    // there is no real display.
    bool Save(QWidget* window, const char* name)
    {
        QTest::qWait(300); // let the clips reach a frame worth showing
        QPixmap picture;
        if (QGuiApplication::platformName() == QLatin1String("xcb"))
            picture = window->screen()->grabWindow(window->winId());
        else
            picture = window->grab();
        return !picture.isNull() && picture.save(m_out + QLatin1String(name) + QLatin1String(".png"));
    }

  private slots:
    void initTestCase()
    {
        m_out = qEnvironmentVariable("PORTELAN_SCREENSHOT_DIR");
        if (m_out.isEmpty())
            QSKIP("PORTELAN_SCREENSHOT_DIR not set");
        if (!m_out.endsWith(QLatin1Char('/')))
            m_out += QLatin1Char('/');
        platform::InitProcess();
        SetGreetingClock([] { return LocalTime{2026, 1, 15, 12, 0, 0}; });
    }

    void everyWindow()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString source = dir.filePath(QStringLiteral("Urlaubsfilm Südtirol.avi"));
        QVERIFY(WriteAll(source, RandomBytes(5000000, 3)));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Stick")));

        CTestWindow w;
        w.ChooseSourceAndTarget(source, dir.filePath(QStringLiteral("Stick")));
        QVERIFY(Save(&w.Dialog(), "linux-main"));

        QVERIFY(WithModal([&] { w.Click("haveSize"); },
                          [&](QWidget* sizes) {
                              QVERIFY(Save(sizes, "linux-piece-size"));
                              QVERIFY(Press(sizes, QStringLiteral("OK")));
                          }));
        QVERIFY(WithModal([&] { w.Click("start"); },
                          [&](QWidget* info) {
                              QVERIFY(Save(info, "linux-information"));
                              QVERIFY(Press(info, QStringLiteral("Ab&brechen")));
                          }));

        {
            CErrorDlg error(&w.Dialog());
            error.SetTexts("In die Datei \"" +
                               dir.filePath(QStringLiteral("Stick/Urlaubsfilm Südtirol.003")).toStdString() +
                               "\" konnte nicht geschrieben werden.",
                           "");
            error.show();
            QVERIFY(QTest::qWaitForWindowExposed(&error));
            QVERIFY(Save(&error, "linux-error"));
        }
        {
            CAboutDlg about(&w.Dialog());
            about.show();
            QVERIFY(QTest::qWaitForWindowExposed(&about));
            QVERIFY(Save(&about, "linux-about"));
            CDedicationDlg dedication(&about);
            dedication.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dedication));
            QVERIFY(Save(&dedication, "linux-dedication"));
        }
        // The update check's first question, answered No: no network.
        QVERIFY(WithModal([&] { w.Dialog().RunUpdateCheck(); },
                          [&](QWidget* box) {
                              QVERIFY(Save(box, "linux-update"));
                              QVERIFY(Press(box, QStringLiteral("&Nein")));
                          }));
    }
};

} // namespace portelan::qt::test

QTEST_MAIN(portelan::qt::test::ScreenshotsTest)
#include "screenshots_test.moc"

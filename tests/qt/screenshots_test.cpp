// Pictures of every window of the desktop splitter for the documentation:
// saved as PNG files into PORTELAN_SCREENSHOT_DIR by scripts/screenshots.sh,
// which runs this under Xvfb. Skipped without that variable.
#include <QAbstractButton>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include "platform/Platform.h"
#include "splitter/ui/qt/AboutDlg.h"
#include "splitter/ui/qt/ErrorDlg.h"
#include "texts/Language.h"
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

    // Every label and button of the window shows its whole text: a
    // language with longer words must not cut any off.
    static bool FitsItsText(const QWidget* window)
    {
        for (const QLabel* label : window->findChildren<QLabel*>()) {
            const bool fits = label->wordWrap() ? label->heightForWidth(label->width()) <= label->height()
                                                : label->sizeHint().width() <= label->width();
            if (label->isVisible() && !fits) {
                qWarning() << "clipped:" << label->text();
                return false;
            }
        }
        for (const QAbstractButton* button : window->findChildren<QAbstractButton*>())
            if (button->isVisible() && button->sizeHint().width() > button->width()) {
                qWarning() << "clipped:" << button->text();
                return false;
            }
        return true;
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
        // The update check's first question, answered No: no network; in
        // German and in English.
        const struct {
            Language language;
            const char* name;
            QString no;
        } updates[] = {{Language::German, "linux-update", QStringLiteral("&Nein")},
                       {Language::English, "linux-update-en", QStringLiteral("&No")}};
        for (const auto& update : updates) {
            SetLanguage(update.language);
            QVERIFY(WithModal([&] { w.Dialog().RunUpdateCheck(); },
                              [&](QWidget* box) {
                                  QVERIFY(Save(box, update.name));
                                  QVERIFY(FitsItsText(box));
                                  QVERIFY(Press(box, update.no));
                              }));
        }
        SetLanguage(Language::German);
    }
};

} // namespace portelan::qt::test

QTEST_MAIN(portelan::qt::test::ScreenshotsTest)
#include "screenshots_test.moc"

// Pictures of every window of the desktop splitter for the documentation:
// saved as PNG files into PORTELAN_SCREENSHOT_DIR by scripts/screenshots.sh,
// which runs this under Xvfb. Without that variable it only checks that no
// window, in either language, cuts off a text.
#include <QAbstractButton>
#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>

#include "common/StrFormat.h"
#include "platform/Platform.h"
#include "splitter/ui/qt/AboutDlg.h"
#include "splitter/ui/qt/ErrorDlg.h"
#include "texts/SplitterTexts.h"
#include "window_support.h"

namespace portelan::qt::test {

class ScreenshotsTest : public QObject {
    Q_OBJECT

    QString m_out;

    // The window as the display shows it; the widget's own rendering where
    // there is no real display.
    bool Save(QWidget* window, const char* name)
    {
        if (m_out.isEmpty())
            return true;   // only the texts are checked
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
            if (button->isVisible() && NeededWidth(button) > button->width()) {
                qWarning() << "clipped:" << button->text();
                return false;
            }
        return true;
    }

    // The width a button draws its text and its box or frame in; a check
    // box's size hint adds room beyond that, which a fixed layout need not
    // give.
    static int NeededWidth(const QAbstractButton* button)
    {
        const QStyle* style = button->style();
        const int text =
            button->fontMetrics().horizontalAdvance(QString(button->text()).remove(QLatin1Char('&')));
        if (qobject_cast<const QCheckBox*>(button))
            return text + style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, button) +
                   style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, button);
        if (qobject_cast<const QRadioButton*>(button))
            return text + style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, button) +
                   style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, button);
        return text + style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
               2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
    }

  private slots:
    void initTestCase()
    {
        m_out = qEnvironmentVariable("PORTELAN_SCREENSHOT_DIR");
        if (!m_out.isEmpty() && !m_out.endsWith(QLatin1Char('/')))
            m_out += QLatin1Char('/');
        platform::InitProcess();
        SetGreetingClock([] { return LocalTime{2026, 1, 15, 12, 0, 0}; });
    }

    // Every window in German and in English ("-en" beside the German
    // picture), each showing all its texts.
    void everyWindow()
    {
        const struct {
            Language language;
            QString suffix;
        } languages[] = {{Language::German, QString()}, {Language::English, QStringLiteral("-en")}};
        for (const auto& language : languages) {
            SetLanguage(language.language);
            const auto save = [&](QWidget* window, const char* name) {
                return Save(window, (QLatin1String(name) + language.suffix).toUtf8().constData()) &&
                       FitsItsText(window);
            };
            QTemporaryDir dir;
            QVERIFY(dir.isValid());
            const QString source = dir.filePath(QStringLiteral("Urlaubsfilm Südtirol.avi"));
            QVERIFY(WriteAll(source, RandomBytes(5000000, 3)));
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Stick")));

            CTestWindow w;
            w.ChooseSourceAndTarget(source, dir.filePath(QStringLiteral("Stick")));
            QVERIFY(save(&w.Dialog(), "linux-main"));

            QVERIFY(WithModal([&] { w.Click("haveSize"); },
                              [&](QWidget* sizes) {
                                  QVERIFY(save(sizes, "linux-piece-size"));
                                  QVERIFY(Press(sizes, QString::fromUtf8(Tr(Text::Ok))));
                              }));
            QVERIFY(WithModal([&] { w.Click("start"); },
                              [&](QWidget* info) {
                                  QVERIFY(save(info, "linux-information"));
                                  QVERIFY(Press(info, QString::fromUtf8(Tr(Text::AbortButton))));
                              }));

            {
                CErrorDlg error(&w.Dialog());
                const std::string piece =
                    dir.filePath(QStringLiteral("Stick/Urlaubsfilm Südtirol.003")).toStdString();
                error.SetTexts(StrFormat(Tr(Text::CannotWriteFile), piece.c_str()), "");
                error.show();
                QVERIFY(QTest::qWaitForWindowExposed(&error));
                QVERIFY(save(&error, "linux-error"));
            }
            {
                CAboutDlg about(&w.Dialog());
                about.show();
                QVERIFY(QTest::qWaitForWindowExposed(&about));
                QVERIFY(save(&about, "linux-about"));
                CDedicationDlg dedication(&about);
                dedication.show();
                QVERIFY(QTest::qWaitForWindowExposed(&dedication));
                QVERIFY(save(&dedication, "linux-dedication"));
            }
            // The update check's first question, answered No: no network.
            QVERIFY(WithModal([&] { w.Dialog().RunUpdateCheck(); },
                              [&](QWidget* box) {
                                  QVERIFY(save(box, "linux-update"));
                                  QVERIFY(Press(box, QString::fromUtf8(Tr(Text::No))));
                              }));
        }
        SetLanguage(Language::German);
    }
};

} // namespace portelan::qt::test

QTEST_MAIN(portelan::qt::test::ScreenshotsTest)
#include "screenshots_test.moc"

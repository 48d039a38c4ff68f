// The error window, the About box with the version record, and the
// dedication behind the About box's right-button double click.
#include <functional>

#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QtTest>

#include "splitter/ui/VersionRecord.h"
#include "splitter/ui/qt/AboutDlg.h"
#include "splitter/ui/qt/ClipPlayer.h"
#include "splitter/ui/qt/DialogUnits.h"
#include "splitter/ui/qt/ErrorDlg.h"

using namespace portelan;
using namespace portelan::qt;

namespace {

// Hands the next modal window that opens to `handler`, from inside its own
// event loop. The handler only looks and closes; the test asserts afterwards,
// so a failed check can never leave a window open that nobody closes.
class NextModal : public QObject {
  public:
    explicit NextModal(std::function<void(QWidget*)> handler) : m_handler(std::move(handler))
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || m_seen)
                return;
            m_seen = true;
            m_timer.stop();
            m_handler(modal);
        });
        m_timer.start(10);
    }
    bool Seen() const { return m_seen; }

  private:
    std::function<void(QWidget*)> m_handler;
    QTimer m_timer;
    bool m_seen = false;
};

QPushButton* ButtonByText(QWidget* window, const QString& text)
{
    for (QPushButton* button : window->findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

// The texts of a window's labels, top to bottom.
QStringList LabelTexts(QWidget* window)
{
    QList<QLabel*> labels = window->findChildren<QLabel*>();
    std::sort(labels.begin(), labels.end(), [](QLabel* a, QLabel* b) { return a->y() < b->y(); });
    QStringList texts;
    for (QLabel* label : labels)
        if (!label->text().isEmpty())
            texts << label->text();
    return texts;
}

// The source tree, from the test server's path the build hands us.
QString SourceFile(const QString& relative)
{
    QString server = QStringLiteral(PORTELAN_TEST_UPDATE_SERVER);
    return server.left(server.size() - int(strlen("tests/cli/update_server.py"))) + relative;
}

} // namespace

class AboutErrorTest : public QObject {
    Q_OBJECT

  private slots:
    // --- the error window ---------------------------------------------------

    void errorTitleIsTheGivenOneOrFehlermeldung()
    {
        CErrorDlg dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Fehlermeldung"));
        dialog.SetTexts("Etwas ging schief.", "Eigener Titel");
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Eigener Titel"));
        dialog.SetTexts("Etwas ging schief.", "");
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Fehlermeldung"));
    }

    // "\r\n" breaks lines; a long line is not wrapped but scrolls sideways;
    // the field cannot be edited.
    void errorMessageShowsLinesWithoutWrapping()
    {
        CErrorDlg dialog;
        const QString longLine = QStringLiteral("Die Datei \"%1\" konnte nicht geöffnet werden.")
                                     .arg(QStringLiteral("/sehr/lang/") + QString(200, QLatin1Char('x')));
        dialog.SetTexts(
            "Warnung: Es sind nur noch 1.0 KB auf \"/ziel/\" frei.\r\nSie benötigen aber ca. 2.0 MB.\r\n" +
                longLine.toStdString(),
            "");
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        auto* edit = dialog.findChild<QPlainTextEdit*>();
        QVERIFY(edit != nullptr);
        QVERIFY(edit->isReadOnly());
        QCOMPARE(edit->toPlainText().split(QLatin1Char('\n')),
                 QStringList({QStringLiteral("Warnung: Es sind nur noch 1.0 KB auf \"/ziel/\" frei."),
                              QStringLiteral("Sie benötigen aber ca. 2.0 MB."), longLine}));
        QCOMPARE(edit->document()->blockCount(), 3);
        // One line per block: nothing was wrapped, the width scrolls instead.
        for (QTextBlock block = edit->document()->begin(); block.isValid(); block = block.next())
            QCOMPARE(block.layout()->lineCount(), 1);
        QVERIFY(edit->horizontalScrollBar()->isVisible());
        QVERIFY(edit->horizontalScrollBar()->maximum() > 0);

        // Typing changes nothing.
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("abc"));
        QCOMPARE(edit->document()->blockCount(), 3);
        QVERIFY(!edit->toPlainText().contains(QStringLiteral("abc")));
    }

    // Template 160: its size, the clip in the place of static 1012 and the
    // message field beside it, and "Be&enden" as the only button.
    void errorWindowHasTheTemplatesControls()
    {
        CErrorDlg dialog;
        dialog.SetTexts("x", "");
        QCOMPARE(dialog.size(), DialogRect(&dialog, 0, 0, 286, 61).size());
        auto* clip = dialog.findChild<CClipPlayer*>();
        QVERIFY(clip != nullptr);
        QVERIFY(clip->IsOpen());
        QCOMPARE(clip->ClipSize(), QSize(80, 57));
        QCOMPARE(clip->geometry(), DialogRect(&dialog, 6, 4, 55, 37));
        QCOMPARE(dialog.findChild<QPlainTextEdit*>()->geometry(), DialogRect(&dialog, 67, 4, 215, 37));
        const QList<QPushButton*> buttons = dialog.findChildren<QPushButton*>();
        QCOMPARE(buttons.size(), 1);
        QCOMPARE(buttons[0]->text(), QStringLiteral("Be&enden"));
        QCOMPARE(buttons[0]->geometry(), DialogRect(&dialog, 118, 45, 50, 14));
    }

    // "Be&enden", Esc, Return (the button has the focus) and the close box
    // end the error window, and only it: its owner stays open.
    void errorWindowClosesOnlyItself_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("Be&enden") << 0;
        QTest::newRow("Esc") << 1;
        QTest::newRow("Return") << 2;
        QTest::newRow("close box") << 3;
    }
    void errorWindowClosesOnlyItself()
    {
        QFETCH(int, way);
        QDialog owner;
        owner.setWindowTitle(QStringLiteral("Portelan"));
        owner.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner));

        CErrorDlg dialog(&owner);
        dialog.SetTexts("Die Datei \"/x\" konnte nicht gelesen werden.", "");
        QString seenTitle;
        bool focusOnButton = false;
        NextModal closer([&](QWidget* modal) {
            seenTitle = modal->windowTitle();
            QPushButton* button = ButtonByText(modal, QStringLiteral("Be&enden"));
            focusOnButton = button != nullptr && modal->focusWidget() == button;
            switch (way) {
            case 0:
                if (button)
                    button->click();
                break;
            case 1:
                QTest::keyClick(modal, Qt::Key_Escape);
                break;
            case 2:
                QTest::keyClick(modal, Qt::Key_Return);
                break;
            default:
                modal->close();
                break;
            }
            // Should the way under test not close it, the test must not hang.
            QTimer::singleShot(2000, modal, [modal] { static_cast<QDialog*>(modal)->done(42); });
        });
        const int result = dialog.exec();
        QVERIFY(closer.Seen());
        QCOMPARE(seenTitle, QStringLiteral("Fehlermeldung"));
        QVERIFY(focusOnButton);
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(!dialog.isVisible());
        QVERIFY(owner.isVisible());
    }

    // --- the version record and the About box -------------------------------

    // The record the Linux program carries is the one the Windows programs
    // carry in common/VersionInfo.rc.
    void versionRecordMatchesTheWindowsRecord()
    {
        const std::optional<VersionRecord> own = ReadOwnVersionRecord();
        QVERIFY(own.has_value());
        const std::string file = own->FileVersion(), product = own->productVersion, note = own->releaseNote,
                          legal = own->legalNotice;
        const VersionNumbers numbers = own->fileNumbers;

        QFile rc(SourceFile(QStringLiteral("common/VersionInfo.rc")));
        QVERIFY2(rc.open(QIODevice::ReadOnly), qPrintable(rc.fileName()));
        const QString record = QString::fromUtf8(rc.readAll());
        auto find = [&record](const QString& pattern) {
            const QRegularExpressionMatch match = QRegularExpression(pattern).match(record);
            return match.hasMatch() ? match.captured(1) : QStringLiteral("(missing)");
        };
        const QString rcFile = find(QStringLiteral(R"(FILEVERSION\s+(\d+,\d+,\d+,\d+))"));
        QCOMPARE(QString::fromStdString(file), QString(rcFile).replace(QLatin1Char(','), QLatin1Char('.')));
        QCOMPARE(QString::fromStdString(product),
                 find(QStringLiteral(R"(PRODUCTVERSION\s+(\d+,\d+,\d+,\d+))"))
                     .replace(QLatin1Char(','), QLatin1Char('.')));
        QCOMPARE(QString::fromStdString(note), find(QStringLiteral(R"re(VALUE "Comments", "([^"]*)")re")));
        QCOMPARE(QString::fromStdString(legal),
                 find(QStringLiteral(R"re(VALUE "LegalCopyright", "([^"]*)")re")));

        QCOMPARE(QString::fromStdString(file), QStringLiteral("2.0.0.6"));
        QCOMPARE(QString::fromStdString(product), QStringLiteral("1.0.0.1"));
        QCOMPARE(QString::fromStdString(note), QStringLiteral("Release 06.09.2008"));
        const QStringList parts = rcFile.split(QLatin1Char(','));
        for (int i = 0; i < 4; ++i)
            QCOMPARE(numbers[i], parts[i].toInt());

        // Read again, the record is the same.
        const std::optional<VersionRecord> again = ReadOwnVersionRecord();
        QVERIFY(again.has_value());
        QCOMPARE(again->FileVersion(), file);
        QCOMPARE(again->legalNotice, legal);
    }

    void aboutBoxShowsTheVersionRecord()
    {
        CAboutDlg about;
        QCOMPARE(about.windowTitle(), QStringLiteral("Info über Portelan"));
        QCOMPARE(about.size(), DialogRect(&about, 0, 0, 178, 103).size());
        QCOMPARE(
            LabelTexts(&about),
            QStringList({QStringLiteral("Portelan Version (2.0.0.6)"), QStringLiteral("© 2008 Portelan-Team"),
                         QStringLiteral("Release 06.09.2008"), QStringLiteral("feedback@portelan.invalid")}));

        auto* clip = about.findChild<CClipPlayer*>();
        QVERIFY(clip != nullptr);
        QVERIFY(clip->IsOpen());
        QCOMPARE(clip->ClipSize(), QSize(96, 96));
        QCOMPARE(clip->geometry(), DialogRect(&about, 3, 4, 66, 94));

        // The program's icon, from the resources.
        bool iconShown = false;
        for (QLabel* label : about.findChildren<QLabel*>())
            iconShown = iconShown || !label->pixmap().isNull();
        QVERIFY(iconShown);

        QPushButton* ok = ButtonByText(&about, QStringLiteral("OK"));
        QVERIFY(ok != nullptr);
        QVERIFY(ok->isDefault());
        NextModal closer([](QWidget* modal) {
            if (QPushButton* button = ButtonByText(modal, QStringLiteral("OK")))
                button->click();
            QTimer::singleShot(2000, modal, [modal] { static_cast<QDialog*>(modal)->done(42); });
        });
        QCOMPARE(about.exec(), int(QDialog::Accepted));
    }

    // A right-button double click opens "Widmung"; closing it (OK, then Esc)
    // returns to the About box, which stays open. A left double click opens
    // nothing.
    void rightDoubleClickOpensTheDedication()
    {
        CAboutDlg about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        const QPoint inside = DialogRect(&about, 150, 70, 1, 1).topLeft(); // free client area

        for (int round = 0; round < 2; ++round) {
            QString title;
            QStringList texts;
            bool clipOpen = false, cornerClear = false;
            QSize clipSize;
            QRect clipPlace, expectedPlace;
            bool aboutVisibleMeanwhile = false, sizeAsTemplate = false;
            NextModal answer([&](QWidget* modal) {
                title = modal->windowTitle();
                texts = LabelTexts(modal);
                if (auto* clip = modal->findChild<CClipPlayer*>()) {
                    clipOpen = clip->IsOpen();
                    clipSize = clip->ClipSize();
                    clipPlace = clip->geometry();
                    cornerClear = clipOpen && qAlpha(clip->CurrentImage().pixel(0, 0)) == 0;
                }
                expectedPlace = DialogRect(modal, 6, 16, 69, 80);
                sizeAsTemplate = modal->size() == DialogRect(modal, 0, 0, 81, 116).size();
                aboutVisibleMeanwhile = about.isVisible();
                if (round == 0) {
                    if (QPushButton* ok = ButtonByText(modal, QStringLiteral("OK")))
                        ok->click();
                } else {
                    QTest::keyClick(modal, Qt::Key_Escape);
                }
                QTimer::singleShot(2000, modal, [modal] { static_cast<QDialog*>(modal)->done(42); });
            });
            QTest::mouseDClick(&about, Qt::RightButton, Qt::NoModifier, inside);
            QVERIFY(answer.Seen());
            QCOMPARE(title, QStringLiteral("Widmung"));
            QCOMPARE(texts, QStringList({QStringLiteral("Für Marie")}));
            QVERIFY(clipOpen);
            QCOMPARE(clipSize, QSize(64, 64));
            QCOMPARE(clipPlace, expectedPlace);
            QVERIFY(sizeAsTemplate);
            QVERIFY(cornerClear); // clip 134 plays transparent
            QVERIFY(aboutVisibleMeanwhile);
            QVERIFY(about.isVisible());
            QCOMPARE(about.result(), 0); // not ended
        }

        NextModal unexpected([](QWidget* modal) { modal->close(); });
        QTest::mouseDClick(&about, Qt::LeftButton, Qt::NoModifier, inside);
        QVERIFY(!unexpected.Seen());
        QVERIFY(about.isVisible());
    }
};

QTEST_MAIN(AboutErrorTest)
#include "about_error_test.moc"

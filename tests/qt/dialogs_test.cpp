// The main window's small windows: the piece size, the plan of a split
// ("Information") and the system's choosers for the source and the target.
#include <memory>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTranslator>

#include "platform/Platform.h"
#include "splitter/ui/PieceSize.h"
#include "splitter/ui/qt/Dialogs.h"
#include "splitter/ui/qt/QtTranslation.h"
#include "window_support.h"

namespace portelan::qt::test {
namespace {

const char* const kSizeTitle = "Groesse der Einzeldateien";

// Which unit buttons are set, as "BKM" letters (Bytes, KB, MB).
QString UnitsSet(QWidget* dialog)
{
    QString units;
    if (Child<QRadioButton>(dialog, "unitBytes")->isChecked())
        units += QLatin1Char('B');
    if (Child<QRadioButton>(dialog, "unitKb")->isChecked())
        units += QLatin1Char('K');
    if (Child<QRadioButton>(dialog, "unitMb")->isChecked())
        units += QLatin1Char('M');
    return units;
}

// Whether the number and its unit buttons can be used; they go together.
bool FreeInputEnabled(QWidget* dialog)
{
    int enabled = 0;
    for (const char* name : {"value", "unitBytes", "unitKb", "unitMb"})
        enabled += Child<QWidget>(dialog, name)->isEnabled() ? 1 : 0;
    if (enabled != 0 && enabled != 4)
        qWarning("the number and its units are not enabled together");
    return enabled == 4;
}

QString ValueText(QWidget* dialog) { return Child<QLineEdit>(dialog, "value")->text(); }
bool IsChecked(QWidget* dialog, const char* name)
{
    return Child<QAbstractButton>(dialog, name)->isChecked();
}
void ClickIn(QWidget* dialog, const char* name) { Child<QAbstractButton>(dialog, name)->click(); }

// Replaces the number as the keyboard does.
void Type(QWidget* dialog, const QString& text)
{
    auto* value = Child<QLineEdit>(dialog, "value");
    value->setFocus();
    value->selectAll();
    QTest::keyClick(value, Qt::Key_Backspace);
    QTest::keyClicks(value, text);
}

QString InfoText(QWidget* info, const char* name)
{
    if (auto* edit = Child<QLineEdit>(info, name))
        return edit->text();
    if (auto* text = Child<QTextEdit>(info, name))
        return text->toPlainText();
    return QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

QAbstractButton* AcceptButton(QFileDialog* dialog)
{
    for (QDialogButtonBox* box : dialog->findChildren<QDialogButtonBox*>())
        for (QAbstractButton* button : box->buttons())
            if (box->buttonRole(button) == QDialogButtonBox::AcceptRole)
                return button;
    return nullptr;
}

QModelIndex RowNamed(QListView* list, const QString& name)
{
    QAbstractItemModel* model = list->model();
    for (int row = 0; row < model->rowCount(list->rootIndex()); ++row) {
        QModelIndex index = model->index(row, 0, list->rootIndex());
        if (index.data().toString() == name)
            return index;
    }
    return {};
}

void ClickRow(QListView* list, const QModelIndex& index)
{
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->visualRect(index).center());
}

} // namespace

class DialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase()
    {
        platform::InitProcess();
        SetGreetingClock([] { return LocalTime{2008, 3, 14, 12, 0, 0}; });
    }

    void pieceSizeIsStoredInBytesAndReopensInTheLargestWholeUnit()
    {
        CTestWindow w;
        const auto sizes = [&](const Answer& answer) {
            return WithModal([&] { w.Click("haveSize"); }, answer);
        };

        // First opening: the diskette preset, nothing free to edit.
        QVERIFY(sizes([](QWidget* dialog) {
            QCOMPARE(dialog->windowTitle(), QString::fromLatin1(kSizeTitle));
            QVERIFY(IsChecked(dialog, "preset_disk"));
            QVERIFY(!IsChecked(dialog, "free"));
            QCOMPARE(ValueText(dialog), QStringLiteral("1457664"));
            QVERIFY(!FreeInputEnabled(dialog));
            QCOMPARE(UnitsSet(dialog), QString());
            QCOMPARE(Child<QRadioButton>(dialog, "preset_disk")->text(),
                     QString::fromUtf8("Disketten Größe (1,44 MB)"));
            QCOMPARE(Child<QRadioButton>(dialog, "free")->text(), QString::fromUtf8("Frei definierte Größe"));

            // A free size starts in bytes from the number shown.
            ClickIn(dialog, "free");
            QVERIFY(IsChecked(dialog, "free"));
            QVERIFY(!IsChecked(dialog, "preset_disk"));
            QVERIFY(FreeInputEnabled(dialog));
            QCOMPARE(UnitsSet(dialog), QStringLiteral("B"));
            QCOMPARE(ValueText(dialog), QStringLiteral("1457664"));

            Type(dialog, QStringLiteral("700"));
            ClickIn(dialog, "unitMb");
            QCOMPARE(UnitsSet(dialog), QStringLiteral("M"));
            QVERIFY(Press(dialog, QStringLiteral("OK")));
        }));
        QCOMPARE(w.Text("sizeText"), QStringLiteral("734003200 [700.0 MB]"));
        QVERIFY(w.Checked("haveSize"));

        // Reopening shows the stored bytes in the unit the window model
        // chooses; its arithmetic (caps, truncation, typed text) is tested
        // without a window in tests/unit/ui_piece_size_test.cpp. A typed
        // number above its unit's cap reaches the window as the cap.
        QVERIFY(sizes([](QWidget* dialog) {
            QVERIFY(IsChecked(dialog, "free"));
            QVERIFY(FreeInputEnabled(dialog));
            QCOMPARE(ValueText(dialog), QStringLiteral("700"));
            QCOMPARE(UnitsSet(dialog), QStringLiteral("M"));
            Type(dialog, QStringLiteral("  5000abc"));
            QVERIFY(Press(dialog, QStringLiteral("OK")));
        }));
        QCOMPARE(w.Text("sizeText"), QStringLiteral("1073741824 [1.0 GB]"));

        // Back to the preset, whatever the number says.
        QVERIFY(sizes([](QWidget* dialog) {
            Type(dialog, QStringLiteral("77"));
            ClickIn(dialog, "preset_disk");
            QVERIFY(IsChecked(dialog, "preset_disk"));
            QVERIFY(!FreeInputEnabled(dialog));
            QVERIFY(Press(dialog, QStringLiteral("OK")));
        }));
        QCOMPARE(w.Text("sizeText"), QStringLiteral("1457664 [1.4 MB]"));
        QVERIFY(w.Checked("haveSize"));

        // Cancel after a change: the change is dropped, the size counts as not given.
        QVERIFY(sizes([](QWidget* dialog) {
            QVERIFY(IsChecked(dialog, "preset_disk"));
            QCOMPARE(ValueText(dialog), QStringLiteral("1457664"));
            QVERIFY(!FreeInputEnabled(dialog));
            ClickIn(dialog, "free");
            Type(dialog, QStringLiteral("3"));
            QVERIFY(Press(dialog, QStringLiteral("Abbrechen")));
        }));
        QCOMPARE(w.Text("sizeText"), QStringLiteral("1457664 [1.4 MB]"));
        QVERIFY(!w.Checked("haveSize"));
        QCOMPARE(w.Text("status"), QStringLiteral("Auf Eingaben warten..."));

        // Esc cancels too, and leaves the size as it was.
        QVERIFY(sizes([](QWidget* dialog) {
            ClickIn(dialog, "free");
            Type(dialog, QStringLiteral("9"));
            QTest::keyClick(dialog, Qt::Key_Escape);
        }));
        QCOMPARE(w.Text("sizeText"), QStringLiteral("1457664 [1.4 MB]"));
        QVERIFY(!w.Checked("haveSize"));

        // An empty number is a size of 0 bytes, and it counts as given.
        QVERIFY(sizes([](QWidget* dialog) {
            QVERIFY(IsChecked(dialog, "preset_disk")); // the cancelled change left no trace
            ClickIn(dialog, "free");
            ClickIn(dialog, "unitKb");
            Type(dialog, QString());
            QVERIFY(Press(dialog, QStringLiteral("OK")));
        }));
        QCOMPARE(w.Text("sizeText"), QStringLiteral("0 [0 Bytes]"));
        QVERIFY(w.Checked("haveSize"));
    }

    void pieceSizeWindowTakesReturnAsOk()
    {
        CTestWindow w;
        QVERIFY(WithModal([&] { w.Click("haveSize"); },
                          [](QWidget* dialog) {
                              ClickIn(dialog, "free");
                              Type(dialog, QStringLiteral("64"));
                              ClickIn(dialog, "unitKb");
                              QTest::keyClick(Child<QLineEdit>(dialog, "value"), Qt::Key_Return);
                          }));
        QCOMPARE(w.Text("sizeText"), QStringLiteral("65536 [64.0 KB]"));
        QVERIFY(w.Checked("haveSize"));
    }

    // One radio button per preset, in the table's order and wholly inside
    // the window; a preset or a count chosen is what the plan shows.
    void pieceSizeWindowListsEveryPresetAndACountThatReachThePlan()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("film.avi"));
        QVERIFY(WriteAll(source, ""));
        QVERIFY(QFile::resize(source, 2000000000)); // sparse
        CTestWindow w;
        w.ChooseSourceAndTarget(source, dir.path());
        const auto sizes = [&](const Answer& answer) {
            return WithModal([&] { w.Click("haveSize"); }, answer);
        };
        QVERIFY(sizes([](QWidget* dialog) {
            int lastY = -1;
            for (const PiecePreset& preset : kPiecePresets) {
                auto* button = Child<QRadioButton>(dialog, (std::string("preset_") + preset.name).c_str());
                QVERIFY2(button, preset.name);
                QCOMPARE(button->text(), QString::fromUtf8(Tr(preset.label)));
                QVERIFY(button->y() > lastY);
                lastY = button->y();
                QVERIFY(button->width() >= button->sizeHint().width());
                QVERIFY(dialog->rect().contains(button->geometry()));
            }
            QCOMPARE(Child<QRadioButton>(dialog, "byCount")->text(),
                     QString::fromUtf8("Anzahl der Teilstücke"));
            for (const char* name : {"byCount", "count", "ok", "cancel", "value", "unitMb"})
                QVERIFY2(dialog->rect().contains(Child<QWidget>(dialog, name)->geometry()), name);
            QVERIFY(!Child<QLineEdit>(dialog, "count")->isEnabled());
            ClickIn(dialog, "preset_cd700");
            QVERIFY(Press(dialog, QStringLiteral("OK")));
        }));
        QCOMPARE(w.Text("sizeText"), QStringLiteral("737280000 [703.1 MB]"));
        const auto plan = [&](const Answer& answer) { return WithModal([&] { w.Click("start"); }, answer); };
        QVERIFY(plan([](QWidget* info) {
            QCOMPARE(InfoText(info, "infoCount"), QStringLiteral("3"));
            QCOMPARE(InfoText(info, "infoPieceSize"), QStringLiteral("703.1 MB"));
            QVERIFY(Press(info, QStringLiteral("Ab&brechen")));
        }));

        QVERIFY(sizes([](QWidget* dialog) {
            QVERIFY(IsChecked(dialog, "preset_cd700"));
            ClickIn(dialog, "byCount");
            QVERIFY(Child<QLineEdit>(dialog, "count")->isEnabled());
            QVERIFY(!FreeInputEnabled(dialog));
            auto* count = Child<QLineEdit>(dialog, "count");
            count->selectAll();
            QTest::keyClicks(count, QStringLiteral("7"));
            QVERIFY(Press(dialog, QStringLiteral("OK")));
        }));
        QCOMPARE(w.Text("sizeText"), QString::fromUtf8("Anzahl der Teilstücke: 7"));
        QVERIFY(plan([](QWidget* info) {
            QCOMPARE(InfoText(info, "infoCount"), QStringLiteral("7"));
            QCOMPARE(InfoText(info, "infoPieceSize"), QStringLiteral("272.5 MB"));
            QVERIFY(Press(info, QStringLiteral("Ab&brechen")));
        }));
        // Reopened on the count, with its number.
        QVERIFY(sizes([](QWidget* dialog) {
            QVERIFY(IsChecked(dialog, "byCount"));
            QCOMPARE(Child<QLineEdit>(dialog, "count")->text(), QStringLiteral("7"));
            QVERIFY(Press(dialog, QStringLiteral("Abbrechen")));
        }));

        // A number beyond a 32-bit int is read as the Windows runtime reads
        // it, and capped: 1 GiB pieces, not 1-byte ones.
        QVERIFY(w.ChoosePieceSize(QStringLiteral("4294967297"), "unitBytes"));
        QCOMPARE(w.Text("sizeText"), QStringLiteral("1073741824 [1.0 GB]"));
    }

    void informationShowsThePlanAndOffersToContinueOnlyForAValidOne()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("probe.txt"));
        const QString target = dir.filePath(QStringLiteral("ziel")) + QLatin1Char('/');
        QVERIFY(WriteAll(source, "0123456789"));
        QVERIFY(QDir().mkdir(target));

        CTestWindow w;
        w.ChooseSourceAndTarget(source, dir.filePath(QStringLiteral("ziel")));
        QVERIFY(w.ChoosePieceSize(QStringLiteral("4"), "unitBytes"));
        QCOMPARE(w.Text("sizeText"), QStringLiteral("4 [4 Bytes]"));
        const auto plan = [&](const Answer& answer) { return WithModal([&] { w.Click("start"); }, answer); };

        // A valid plan: 10 bytes in pieces of 4.
        QVERIFY(plan([&](QWidget* info) {
            QCOMPARE(info->windowTitle(), QStringLiteral("Information"));
            QCOMPARE(InfoText(info, "infoName"), QStringLiteral("probe.txt"));
            QCOMPARE(InfoText(info, "infoSourceDir"), dir.path() + QLatin1Char('/'));
            QCOMPARE(InfoText(info, "infoSourceSize"), QStringLiteral("10 Bytes"));
            QCOMPARE(InfoText(info, "infoTarget"), target);
            QCOMPARE(InfoText(info, "infoCount"), QStringLiteral("3"));
            QCOMPARE(InfoText(info, "infoPieceSize"), QStringLiteral("4 Bytes"));
            QCOMPARE(InfoText(info, "infoVerdict"),
                     QStringLiteral("Sie erzeugen 2 Dateien je 4 Bytes\nund eine Datei mit 2 Bytes."));
            QVERIFY(Child<QTextEdit>(info, "infoVerdict")->isReadOnly());
            QCOMPARE(Child<QPushButton>(info, "ok")->text(), QStringLiteral("&Fortfahren"));
            QCOMPARE(Child<QPushButton>(info, "cancel")->text(), QStringLiteral("Ab&brechen"));
            QVERIFY(Child<QPushButton>(info, "ok")->isEnabled());
            QCOMPARE(info->focusWidget(), Child<QWidget>(info, "ok"));
            QVERIFY(Press(info, QStringLiteral("Ab&brechen")));
        }));
        QCOMPARE(w.Text("status"), QStringLiteral("Der Vorgang wurde abgebrochen."));
        QVERIFY(!Exists(target + QStringLiteral("probe.001")));
        QVERIFY(Child<QPushButton>(&w.Dialog(), "start")->isEnabled());

        // Esc leaves it the same way.
        QVERIFY(plan([](QWidget* info) { QTest::keyClick(info, Qt::Key_Escape); }));
        QCOMPARE(w.Text("status"), QStringLiteral("Der Vorgang wurde abgebrochen."));

        // A single piece is refused: no "&Fortfahren", the focus on "Ab&brechen".
        QVERIFY(WithModal([&] { w.Click("haveSize"); },
                          [](QWidget* sizes) {
                              ClickIn(sizes, "preset_disk");
                              QVERIFY(Press(sizes, QStringLiteral("OK")));
                          }));
        QVERIFY(plan([](QWidget* info) {
            QCOMPARE(InfoText(info, "infoCount"), QStringLiteral("1"));
            QCOMPARE(InfoText(info, "infoPieceSize"), QStringLiteral("1.4 MB"));
            QCOMPARE(InfoText(info, "infoVerdict"),
                     QString::fromUtf8("Die Quelldatei ist nicht grösser als ein Einzelstück.\n"
                                       "Es würde nur eine einzelne Datei erzeugt."));
            QVERIFY(!Child<QPushButton>(info, "ok")->isEnabled());
            QVERIFY(Child<QPushButton>(info, "cancel")->isEnabled());
            QCOMPARE(info->focusWidget(), Child<QWidget>(info, "cancel"));
            // Return does not confirm it.
            QTest::keyClick(info, Qt::Key_Return);
        }));
        QCOMPARE(w.Text("status"), QStringLiteral("Der Vorgang wurde abgebrochen."));
        QVERIFY(!Exists(target + QStringLiteral("probe.001")));
        QVERIFY(!Exists(target + QStringLiteral("_probe.cfg")));

        // A piece size of 0 bytes.
        QVERIFY(w.ChoosePieceSize(QString(), "unitKb"));
        QCOMPARE(w.Text("sizeText"), QStringLiteral("0 [0 Bytes]"));
        QVERIFY(plan([](QWidget* info) {
            QCOMPARE(InfoText(info, "infoCount"), QStringLiteral("1"));
            QCOMPARE(InfoText(info, "infoPieceSize"), QStringLiteral("0 Bytes"));
            QCOMPARE(InfoText(info, "infoVerdict"),
                     QString::fromUtf8("Fehler: Grösse der Zieldatei darf nicht Null sein."));
            QVERIFY(!Child<QPushButton>(info, "ok")->isEnabled());
        }));
        QCOMPARE(w.Text("status"), QStringLiteral("Der Vorgang wurde abgebrochen."));

        // A target without free space: /proc reports none.
        QVERIFY(w.ChoosePieceSize(QStringLiteral("4"), "unitBytes"));
        w.Choosers().AnswerFolder(std::string("/proc"));
        w.Click("haveTarget");
        QVERIFY(plan([](QWidget* info) {
            QCOMPARE(InfoText(info, "infoTarget"), QStringLiteral("/proc/"));
            QCOMPARE(InfoText(info, "infoVerdict"),
                     QString::fromUtf8("Warnung: Es sind nur noch 0 Bytes auf \"/proc/\" frei.\n"
                                       "Sie benötigen aber ca. 100.0 KB."));
            QVERIFY(!Child<QPushButton>(info, "ok")->isEnabled());
        }));
        w.Choosers().AnswerFolder(Std(target));
        w.Click("haveTarget");

        // An empty source is refused before anything else.
        QVERIFY(WriteAll(source, QByteArray()));
        QVERIFY(plan([](QWidget* info) {
            QCOMPARE(InfoText(info, "infoSourceSize"), QStringLiteral("0 Bytes"));
            QCOMPARE(InfoText(info, "infoVerdict"),
                     QString::fromUtf8("Fehler: Grösse der Quelldatei darf nicht Null sein."));
            QVERIFY(!Child<QPushButton>(info, "ok")->isEnabled());
        }));
        QCOMPARE(w.Text("status"), QStringLiteral("Der Vorgang wurde abgebrochen."));

        // A source that has gone: no plan, no window.
        QVERIFY(QFile::remove(source));
        QStringList unexpected;
        w.Click("start");
        RunEventsClosingWindows(100, &unexpected);
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(QLatin1Char('|'))));
        QCOMPARE(w.Text("status"), QString::fromUtf8("Die Dateigrösse konnte nicht bestimmt werden."));
        QVERIFY(Child<QPushButton>(&w.Dialog(), "start")->isEnabled());
    }

    void folderChooserConfirmsOnlyAfterTheSelectionChanged()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("alt")));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("neu")));

        std::unique_ptr<QFileDialog> chooser(CreateFolderChooser(nullptr, Std(dir.path())));
        QCOMPARE(chooser->windowTitle(), QString::fromUtf8("Bitte das Zielverzeichnis auswählen..."));
        QCOMPARE(chooser->fileMode(), QFileDialog::Directory);
        QCOMPARE(QDir(chooser->directory()).absolutePath(), QDir(dir.path()).absolutePath());
        QAbstractButton* accept = AcceptButton(chooser.get());
        QVERIFY(accept);
        QVERIFY(!accept->isEnabled());

        chooser->open();
        QVERIFY(QTest::qWaitForWindowExposed(chooser.get()));
        auto* list = chooser->findChild<QListView*>(QStringLiteral("listView"));
        QVERIFY(list);
        QVERIFY(QTest::qWaitFor([&] { return RowNamed(list, QStringLiteral("neu")).isValid(); }, 10000));
        // Loaded and shown, the dialog has checked its input again: still blocked.
        QTest::qWait(100);
        QVERIFY(!accept->isEnabled());
        // A folder made meanwhile by someone else is no choice either.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("dritt")));
        QVERIFY(QTest::qWaitFor([&] { return RowNamed(list, QStringLiteral("dritt")).isValid(); }, 10000));
        QTest::qWait(100);
        QVERIFY(!accept->isEnabled());

        ClickRow(list, RowNamed(list, QStringLiteral("neu")));
        QVERIFY(accept->isEnabled());
        // Never blocked again by a later change.
        ClickRow(list, RowNamed(list, QStringLiteral("alt")));
        QVERIFY(accept->isEnabled());
        ClickRow(list, RowNamed(list, QStringLiteral("neu")));
        QVERIFY(accept->isEnabled());
        accept->click();
        QCOMPARE(chooser->result(), int(QDialog::Accepted));
        QCOMPARE(chooser->selectedFiles(), QStringList{dir.filePath(QStringLiteral("neu"))});
    }

    void folderChooserAlsoConfirmsAfterMovingToAnotherFolder()
    {
        QTemporaryDir dir;
        const QString inner = dir.filePath(QStringLiteral("innen"));
        QVERIFY(QDir().mkdir(inner));

        std::unique_ptr<QFileDialog> chooser(CreateFolderChooser(nullptr, Std(inner)));
        QAbstractButton* accept = AcceptButton(chooser.get());
        QVERIFY(accept);
        chooser->open();
        QVERIFY(QTest::qWaitForWindowExposed(chooser.get()));
        QTest::qWait(100);
        QVERIFY(!accept->isEnabled());
        auto* up = chooser->findChild<QAbstractButton*>(QStringLiteral("toParentButton"));
        QVERIFY(up);
        up->click();
        QCOMPARE(QDir(chooser->directory()).absolutePath(), QDir(dir.path()).absolutePath());
        QVERIFY(accept->isEnabled());
        chooser->reject();
    }

    void folderChooserTakesATypedName()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("neu")));

        std::unique_ptr<QFileDialog> chooser(CreateFolderChooser(nullptr, Std(dir.path())));
        QAbstractButton* accept = AcceptButton(chooser.get());
        QVERIFY(accept);
        chooser->open();
        QVERIFY(QTest::qWaitForWindowExposed(chooser.get()));
        auto* list = chooser->findChild<QListView*>(QStringLiteral("listView"));
        QVERIFY(QTest::qWaitFor([&] { return RowNamed(list, QStringLiteral("neu")).isValid(); }, 10000));
        QVERIFY(!accept->isEnabled());
        auto* name = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        // Typing is choosing, but a folder that is not there stays refused
        // by the dialog's own rule.
        QTest::keyClicks(name, QStringLiteral("gibtsnicht"));
        QVERIFY(!accept->isEnabled());
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("neu"));
        QVERIFY(accept->isEnabled());
        QTest::keyClick(name, Qt::Key_Return);
        QCOMPARE(chooser->result(), int(QDialog::Accepted));
        QCOMPARE(chooser->selectedFiles(), QStringList{dir.filePath(QStringLiteral("neu"))});
    }

    void programChoosersFillTheMainWindow()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath(QStringLiteral("film.avi"));
        QVERIFY(WriteAll(source, "film"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("ziel")));

        CEmbeddedJoiner joiner;
        CSplitterDlg dialog(ProgramChoosers(), joiner);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        QVERIFY(WithModal([&] { Child<QAbstractButton>(&dialog, "haveSource")->click(); },
                          [&](QWidget* window) {
                              auto* chooser = qobject_cast<QFileDialog*>(window);
                              QVERIFY(chooser);
                              QCOMPARE(chooser->windowTitle(), QString::fromUtf8("Bitte Quelldatei wählen"));
                              QCOMPARE(QDir(chooser->directory()).absolutePath(), QDir::homePath());
                              QCOMPARE(chooser->acceptMode(), QFileDialog::AcceptOpen);
                              chooser->selectFile(source);
                              QAbstractButton* open = AcceptButton(chooser);
                              QVERIFY(open && open->isEnabled());
                              open->click();
                          }));
        QVERIFY(Child<QAbstractButton>(&dialog, "haveSource")->isChecked());
        QCOMPARE(Child<QLineEdit>(&dialog, "source")->text(), source);

        // The next source file dialog opens where the chosen file lies;
        // cancelling it clears the box and keeps the file shown.
        QVERIFY(WithModal([&] { Child<QAbstractButton>(&dialog, "haveSource")->click(); },
                          [&](QWidget* window) {
                              auto* chooser = qobject_cast<QFileDialog*>(window);
                              QVERIFY(chooser);
                              QCOMPARE(QDir(chooser->directory()).absolutePath(),
                                       QDir(dir.path()).absolutePath());
                              chooser->reject();
                          }));
        QVERIFY(!Child<QAbstractButton>(&dialog, "haveSource")->isChecked());
        QCOMPARE(Child<QLineEdit>(&dialog, "source")->text(), source);

        QVERIFY(WithModal([&] { Child<QAbstractButton>(&dialog, "haveTarget")->click(); },
                          [&](QWidget* window) {
                              auto* chooser = qobject_cast<QFileDialog*>(window);
                              QVERIFY(chooser);
                              QCOMPARE(chooser->windowTitle(),
                                       QString::fromUtf8("Bitte das Zielverzeichnis auswählen..."));
                              QAbstractButton* accept = AcceptButton(chooser);
                              QVERIFY(accept && !accept->isEnabled());
                              chooser->setDirectory(dir.filePath(QStringLiteral("ziel")));
                              QVERIFY(accept->isEnabled());
                              accept->click();
                          }));
        QVERIFY(Child<QAbstractButton>(&dialog, "haveTarget")->isChecked());
        QCOMPARE(Child<QLineEdit>(&dialog, "target")->text(),
                 dir.filePath(QStringLiteral("ziel")) + QLatin1Char('/'));
        dialog.reject();
    }

    // Qt's standard texts in the file chooser: German with Qt's translation,
    // English (and no failure) without it, and English, with no translation
    // installed, for English windows. Last: it changes the application.
    void standardTextsFollowTheLanguageOfOurWindows()
    {
        const auto texts = [] {
            std::unique_ptr<QFileDialog> chooser(CreateSourceChooser(nullptr, {}));
            auto* box = chooser->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
            if (!box || !box->button(QDialogButtonBox::Cancel))
                return QStringList{};
            return QStringList{Child<QLabel>(chooser.get(), "lookInLabel")->text(),
                               AcceptButton(chooser.get())->text().remove(QLatin1Char('&')),
                               box->button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&'))};
        };
        const QStringList english{QStringLiteral("Look in:"), QStringLiteral("Open"),
                                  QStringLiteral("Cancel")};
        QTemporaryDir empty;
        QCOMPARE(InstallQtTexts(Language::German, empty.path()), nullptr);
        QCOMPARE(texts(), english);
        const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
        QCOMPARE(InstallQtTexts(Language::English, translations), nullptr);
        QCOMPARE(texts(), english);

        QTranslator* translator = InstallQtTexts(Language::German, translations);
        QVERIFY2(translator, "qtbase_de.qm from qt6-translations-l10n");
        QCOMPARE(texts(), (QStringList{QStringLiteral("Suchen in:"), QString::fromUtf8("Öffnen"),
                                       QStringLiteral("Abbrechen")}));
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
};

} // namespace portelan::qt::test

QTEST_MAIN(portelan::qt::test::DialogsTest)
#include "dialogs_test.moc"

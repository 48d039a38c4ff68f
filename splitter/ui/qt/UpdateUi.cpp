#include "splitter/ui/qt/UpdateUi.h"

#include <optional>

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

#include "splitter/ui/SplitterModel.h"
#include "splitter/ui/VersionRecord.h"
#include "splitter/ui/qt/AboutDlg.h"
#include "splitter/update/posix/CurlHttpClient.h"
#include "texts/SplitterTexts.h"

namespace portelan::qt {
namespace {

// By BoxIcon.
constexpr QMessageBox::Icon kIcons[] = {QMessageBox::NoIcon, QMessageBox::Critical, QMessageBox::Question,
                                        QMessageBox::Information};

} // namespace

BoxAnswer CQtUpdateUi::ShowMessageBox(const std::string& text, const std::string& caption, BoxStyle style)
{
    // The wait cursor belongs to the search, not to the box that asks the
    // user something: as on Windows, the pointer over a box is the arrow.
    const int waiting = m_waitDepth;
    for (int i = 0; i < waiting; ++i)
        QApplication::restoreOverrideCursor();

    const QString message = QString::fromStdString(UnixLineBreaks(text));
    QMessageBox box(kIcons[static_cast<int>(style.icon)], QString::fromStdString(caption), message,
                    QMessageBox::NoButton, m_owner);
    box.setTextFormat(Qt::PlainText);
    const bool yesNo = style.buttons == BoxButtons::YesNo;
    if (yesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.button(QMessageBox::Yes)->setText(QString::fromUtf8(Tr(Text::Yes)));
        box.button(QMessageBox::No)->setText(QString::fromUtf8(Tr(Text::No)));
        box.setDefaultButton(QMessageBox::Yes);
        // Esc and the close box answer No: a Yes/No box has no Cancel.
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.button(QMessageBox::Ok)->setText(QString::fromUtf8(Tr(Text::Ok)));
    }
    const int answer = box.exec();

    for (int i = 0; i < waiting; ++i)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    return !yesNo ? BoxAnswer::Ok : answer == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
}

void CQtUpdateUi::BeginWaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++m_waitDepth;
}

void CQtUpdateUi::EndWaitCursor()
{
    if (m_waitDepth == 0)
        return;
    --m_waitDepth;
    QApplication::restoreOverrideCursor();
}

bool CQtUpdateUi::CopyTextToClipboard(const std::string& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr)
        return false;
    const QString value = QString::fromStdString(text);
    clipboard->setText(value);
    return clipboard->text() == value;
}

bool RunUpdateCheck(QWidget* owner, const UpdateClientFactory& client)
{
    std::unique_ptr<IHttpClient> http = client ? client() : nullptr;
    if (!http)
        http = std::make_unique<CCurlHttpClient>("Portelan");
    CQtUpdateUi ui(owner);

    return RunUpdateCommand(kUpdateName, *http, ui, WindowUpdateSettings(OwnFileVersion));
}

} // namespace portelan::qt

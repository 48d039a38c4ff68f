#include "splitter/ui/qt/ErrorDlg.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include "splitter/engine/SplitFrontEnd.h"
#include "splitter/ui/SplitterModel.h"
#include "splitter/ui/qt/ClipPlayer.h"
#include "splitter/ui/qt/DialogUnits.h"
#include "texts/SplitterTexts.h"

namespace portelan::qt {

CErrorDlg::CErrorDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8(Tr(JoinerText::ErrorCaption)));
    SetDialogSize(this, 286, 61);

    // Created in the template's order, which is also the tab order: the
    // button first, so it has the focus and Return presses it.
    auto* close = Make<QPushButton>(this, "closeButton", Tr(JoinerText::QuitButton), 118, 45, 50, 14);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* clip = new CClipPlayer(QStringLiteral(":/pictures/clip130.avi"), false, this);
    clip->setObjectName(QStringLiteral("clip"));
    Place(clip, 6, 4, 55, 37);

    m_message = Make<QPlainTextEdit>(this, "message", 67, 4, 215, 37);
    m_message->setReadOnly(true);
    m_message->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Read-only, yet the caret moves as in the Windows edit, so the keyboard
    // can scroll through a long message too.
    m_message->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_message->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    close->setFocus();
}

void CErrorDlg::SetTexts(const std::string& message, const std::string& title)
{
    setWindowTitle(QString::fromStdString(title.empty() ? Tr(JoinerText::ErrorCaption) : title));
    m_message->setPlainText(QString::fromStdString(UnixLineBreaks(message)));
}

} // namespace portelan::qt

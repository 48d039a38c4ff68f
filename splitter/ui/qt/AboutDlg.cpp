#include "splitter/ui/qt/AboutDlg.h"

#include <QIcon>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>

#include "common/StrFormat.h"
#include "splitter/ui/VersionRecord.h"
#include "splitter/ui/qt/ClipPlayer.h"
#include "splitter/ui/qt/DialogUnits.h"
#include "splitter/update/UpdateCheck.h"
#include "texts/SplitterTexts.h"

namespace portelan::qt {
namespace {

QLabel* AddLabel(QWidget* dialog, const QString& text, const char* name, int x, int y, int width, int height)
{
    auto* label = Make<QLabel>(dialog, name, x, y, width, height);
    // Shown as written: no markup and no mnemonics.
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

QPushButton* AddOkButton(QDialog* dialog, int x, int y)
{
    auto* ok = Make<QPushButton>(dialog, "okButton", Tr(Text::Ok), x, y, 50, 14);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    return ok;
}

} // namespace

// --- CDedicationDlg -----------------------------------------------------------

CDedicationDlg::CDedicationDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8(Tr(Text::DedicationCaption)));
    SetDialogSize(this, 81, 116);
    QLabel* line = AddLabel(this, QString::fromUtf8(Tr(Text::DedicationLine)), "dedication", 17, 4, 46, 9);
    line->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    auto* clip = new CClipPlayer(QStringLiteral(":/pictures/clip134.avi"), true, this);
    clip->setObjectName(QStringLiteral("clip"));
    Place(clip, 6, 16, 69, 80);
    AddOkButton(this, 16, 99)->setFocus();
}

// --- CAboutDlg ----------------------------------------------------------------

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8(Tr(Text::AboutCaption)));
    SetDialogSize(this, 178, 103);

    const VersionRecord record = ReadOwnVersionRecord().value_or(VersionRecord{});

    auto* clip = new CClipPlayer(QStringLiteral(":/pictures/clip133.avi"), false, this);
    clip->setObjectName(QStringLiteral("clip"));
    Place(clip, 3, 4, 66, 94);
    AddLabel(this, QString::fromStdString(StrFormat(Tr(Text::AboutVersion), record.FileVersion().c_str())),
             "version", 73, 4, 102, 8);
    AddLabel(this, QString::fromStdString(record.legalNotice), "legal", 73, 14, 102, 8);
    AddLabel(this, QString::fromStdString(record.releaseNote), "note", 73, 24, 102, 8);
    AddLabel(this, QString::fromLatin1(version_record::kFeedbackAddress), "mail", 73, 34, 101, 8);

    // An icon control takes the icon's own size at the template's position.
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    const QRect place = DialogRect(this, 112, 55, 20, 20);
    const int side = style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this);
    icon->setPixmap(QIcon(QStringLiteral(":/pictures/portelan.ico")).pixmap(side, side));
    icon->setGeometry(place.x(), place.y(), side, side);

    AddOkButton(this, 97, 84)->setFocus();
}

void CAboutDlg::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        CDedicationDlg dedication(this);
        dedication.exec();
    }
    QDialog::mouseDoubleClickEvent(event);
}

} // namespace portelan::qt

namespace portelan {

// The record travels inside the program: the file version is the version
// the program was built as, the rest comes from VersionRecord.h. So it can
// always be read, and every text is set.
std::optional<VersionRecord> ReadOwnVersionRecord()
{
    const auto& product = version_record::kProductVersion;
    return VersionRecord{ProgramVersion(),
                         StrFormat("%d.%d.%d.%d", product[0], product[1], product[2], product[3]),
                         version_record::kReleaseNote, version_record::kLegalNotice};
}

} // namespace portelan

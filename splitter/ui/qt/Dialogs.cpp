#include "splitter/ui/qt/Dialogs.h"

#include <algorithm>
#include <iterator>
#include <string>

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QTextOption>

#include "splitter/engine/SplitEngine.h"
#include "splitter/ui/PieceSize.h"
#include "splitter/ui/SplitterModel.h"
#include "splitter/ui/qt/DialogUnits.h"
#include "texts/SplitterTexts.h"

namespace portelan::qt {
namespace {

constexpr Qt::WindowFlags kDialogFlags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;

QGroupBox* Group(QWidget* parent, const char* text, int x, int y, int width, int height)
{
    auto* group = new QGroupBox(QString::fromUtf8(text), parent);
    Place(group, x, y, width, height);
    return group;
}

QLineEdit* ReadOnlyEdit(QWidget* parent, const char* name, int x, int y, int width, int height)
{
    auto* edit = Make<QLineEdit>(parent, name, x, y, width, height);
    edit->setReadOnly(true);
    return edit;
}

} // namespace

// --- CInfoDlg ----------------------------------------------------------------

CInfoDlg::CInfoDlg(QWidget* parent) : QDialog(parent, kDialogFlags)
{
    setWindowTitle(QString::fromUtf8(Tr(Text::InfoCaption)));
    SetDialogSize(this, 250, 193);

    // The template's order is also the tab order; group boxes first, so
    // that they lie beneath their fields.
    Group(this, Tr(Text::InfoSourceGroup), 4, 4, 242, 52);
    Make<QLabel>(this, "", Tr(Text::InfoFileName), 10, 16, 64, 8);
    m_name = ReadOnlyEdit(this, "infoName", 76, 14, 164, 12);
    Make<QLabel>(this, "", Tr(Text::InfoPath), 10, 29, 64, 8);
    m_sourceDir = ReadOnlyEdit(this, "infoSourceDir", 76, 27, 164, 12);
    Make<QLabel>(this, "", Tr(Text::InfoSize), 10, 42, 64, 8);
    m_sourceSize = ReadOnlyEdit(this, "infoSourceSize", 76, 40, 164, 12);
    Group(this, Tr(Text::InfoTargetGroup), 4, 60, 242, 65);
    Make<QLabel>(this, "", Tr(Text::InfoPath), 10, 72, 64, 8);
    m_target = ReadOnlyEdit(this, "infoTarget", 76, 70, 164, 12);
    Make<QLabel>(this, "", Tr(Text::InfoCount), 10, 85, 64, 8);
    m_count = ReadOnlyEdit(this, "infoCount", 76, 83, 164, 12);
    Make<QLabel>(this, "", Tr(Text::InfoSize), 10, 98, 64, 8);
    m_pieceSize = ReadOnlyEdit(this, "infoPieceSize", 76, 96, 164, 12);
    Make<QLabel>(this, "", Tr(Text::InfoRecovery), 10, 111, 64, 8);
    m_recovery = ReadOnlyEdit(this, "infoRecovery", 76, 109, 164, 12);
    Group(this, Tr(Text::InfoNotesGroup), 4, 129, 242, 42);
    m_verdict = Make<QTextEdit>(this, "infoVerdict", 10, 140, 230, 26);
    m_verdict->setReadOnly(true);
    m_verdict->setFocusPolicy(Qt::NoFocus);
    m_verdict->setAcceptRichText(false);
    m_verdict->document()->setDefaultTextOption(QTextOption(Qt::AlignHCenter));
    m_ok = Make<QPushButton>(this, "ok", Tr(Text::ContinueButton), 64, 175, 56, 14);
    m_ok->setDefault(true);
    m_cancel = Make<QPushButton>(this, "cancel", Tr(Text::AbortButton), 130, 175, 56, 14);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    CheckPlan();
}

void CInfoDlg::SetPlan(const SplitPlan& plan)
{
    m_plan = plan;
    const PlanView view = DescribePlan(m_plan);
    m_name->setText(QString::fromStdString(view.sourceName));
    m_sourceDir->setText(QString::fromStdString(view.sourceDir));
    m_sourceSize->setText(QString::fromStdString(view.sourceSize));
    m_target->setText(QString::fromStdString(view.targetPath));
    m_count->setText(QString::fromStdString(view.count));
    m_pieceSize->setText(QString::fromStdString(view.pieceSize));
    m_recovery->setText(QString::fromStdString(view.recovery));
    CheckPlan();
}

void CInfoDlg::CheckPlan()
{
    const PlanVerdict verdict = portelan::CheckPlan(m_plan);
    m_verdict->setPlainText(QString::fromStdString(UnixLineBreaks(verdict.text)));
    m_ok->setEnabled(verdict.canConfirm);
}

void CInfoDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The focus goes to the button that is there to be pressed.
    (m_ok->isEnabled() ? m_ok : m_cancel)->setFocus();
}

// --- CPieceSizeDlg -----------------------------------------------------------

CPieceSizeDlg::CPieceSizeDlg(QWidget* parent) : QDialog(parent, kDialogFlags)
{
    setWindowTitle(QString::fromUtf8(Tr(Text::PieceSizeCaption)));
    // A row of 14 dialog units for each preset, then the free size with its
    // number and units, then the count with its number.
    const int freeY = 8 + 14 * static_cast<int>(std::size(kPiecePresets));
    const int valueY = freeY + 16;
    const int countY = valueY + 16;
    const int buttonsY = countY + 19;
    SetDialogSize(this, 200, buttonsY + 17);

    m_value = Make<QLineEdit>(this, "value", 7, valueY, 100, 12);
    auto* unitBytes =
        Make<QRadioButton>(this, "unitBytes", Tr(Text::UnitBytesButton), 112, valueY + 2, 32, 10);
    auto* unitKb = Make<QRadioButton>(this, "unitKb", "KB", 145, valueY + 2, 23, 10);
    auto* unitMb = Make<QRadioButton>(this, "unitMb", "MB", 171, valueY + 2, 26, 10);
    QPushButton* ok = Make<QPushButton>(this, "ok", Tr(Text::Ok), 56, buttonsY, 50, 14);
    ok->setDefault(true);
    QPushButton* cancel = Make<QPushButton>(this, "cancel", Tr(Text::CancelButton), 122, buttonsY, 50, 14);
    int y = 8;
    for (const PiecePreset& preset : kPiecePresets) {
        const std::string name = std::string("preset_") + preset.name;
        m_choiceButtons.emplace_back(Make<QRadioButton>(this, name.c_str(), Tr(preset.label), 7, y, 150, 10),
                                     preset.code);
        y += 14;
    }
    m_free = Make<QRadioButton>(this, "free", Tr(Text::FreeSizeChoice), 7, freeY, 100, 10);
    auto* byCount = Make<QRadioButton>(this, "byCount", Tr(kCountChoiceLabel), 7, countY + 1, 100, 10);
    m_choiceButtons.emplace_back(byCount, PieceUnit::Count);
    m_count = Make<QLineEdit>(this, "count", 112, countY, 40, 12);
    // Wider fonts than the template's would cut the texts; there is room beside them.
    for (auto* radio : findChildren<QRadioButton*>())
        radio->resize(std::max(radio->width(), radio->sizeHint().width()), radio->height());

    // Two groups, as in the template: the unit, and preset, free size or count.
    m_unitButtons = {{unitBytes, PieceUnit::Bytes}, {unitKb, PieceUnit::Kb}, {unitMb, PieceUnit::Mb}};
    auto* units = new QButtonGroup(this);
    for (auto [button, unit] : m_unitButtons)
        units->addButton(button);
    auto* choice = new QButtonGroup(this);
    choice->addButton(m_free);
    for (auto [button, unit] : m_choiceButtons)
        choice->addButton(button);
    for (QAbstractButton* button : choice->buttons())
        connect(button, &QAbstractButton::clicked, this, [this] {
            ReadUnit();
            Refresh();
        });
    // Every change of the texts, typed or set, is read at once, as atoi reads it.
    connect(m_value, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_nValue = ParseTypedNumber(text.toStdString()); });
    connect(m_count, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_nCount = ParseTypedNumber(text.toStdString()); });
    connect(ok, &QPushButton::clicked, this, &CPieceSizeDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    Refresh();
}

std::optional<PieceSizeValue> CPieceSizeDlg::Choose(const PieceSizeValue& shown)
{
    SetValues(shown);
    if (exec() != QDialog::Accepted)
        return std::nullopt;
    if (m_nUnit == PieceUnit::Count)
        return PieceSizeValue{m_nCount, m_nUnit};
    return PieceSizeValue{m_nValue, m_nUnit};
}

void CPieceSizeDlg::SetValues(const PieceSizeValue& shown)
{
    m_nUnit = shown.unit;
    if (shown.unit == PieceUnit::Count)
        m_nCount = shown.value;
    else
        m_nValue = shown.value;
    Refresh();
}

void CPieceSizeDlg::Refresh()
{
    const bool free = FindPiecePreset(m_nUnit) == nullptr && m_nUnit != PieceUnit::Count;
    // In a group the checked button cannot be unchecked; checking another
    // one clears it.
    m_free->setChecked(free);
    for (auto [button, unit] : m_choiceButtons)
        if (unit == m_nUnit)
            button->setChecked(true);
    m_value->setEnabled(free);
    m_count->setEnabled(m_nUnit == PieceUnit::Count);
    for (auto [button, unit] : m_unitButtons) {
        button->setEnabled(free);
        if (unit == m_nUnit)
            button->setChecked(true);
    }
    // Setting the texts fires the change handlers, which read the same numbers back.
    m_value->setText(QString::number(m_nValue));
    m_count->setText(QString::number(m_nCount));
}

void CPieceSizeDlg::ReadUnit()
{
    // No unit checked reads as bytes; a preset or the count checked wins.
    m_nUnit = PieceUnit::Bytes;
    for (const auto* buttons : {&m_unitButtons, &m_choiceButtons})
        for (auto [button, unit] : *buttons)
            if (button->isChecked())
                m_nUnit = unit;
}

void CPieceSizeDlg::accept()
{
    ReadUnit();
    m_nValue = CapPieceValue(m_nValue, m_nUnit);
    QDialog::accept();
}

} // namespace portelan::qt

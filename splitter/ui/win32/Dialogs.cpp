#include "splitter/ui/win32/Dialogs.h"

#include <algorithm>

#include "splitter/engine/SplitEngine.h"
#include "splitter/ui/PieceSize.h"
#include "splitter/ui/win32/Resource.h"

namespace portelan {

CInfoDlg::CInfoDlg() : CDialog(IDD_INFO) {}

BOOL CInfoDlg::OnInitDialog()
{
    PlanView view = DescribePlan(m_plan);
    SetItemText(IDC_INFO_NAME, view.sourceName);
    SetItemText(IDC_INFO_SOURCE_DIR, view.sourceDir);
    SetItemText(IDC_INFO_SOURCE_SIZE, view.sourceSize);
    SetItemText(IDC_INFO_TARGET, view.targetPath);
    SetItemText(IDC_INFO_COUNT, view.count);
    SetItemText(IDC_INFO_PIECE_SIZE, view.pieceSize);
    SetItemText(IDC_INFO_RECOVERY, view.recovery);
    CheckPlan();
    // The focus goes to the button that is there to be pressed.
    SetFocus(Item(IsWindowEnabled(Item(IDOK)) ? IDOK : IDCANCEL));
    return FALSE;
}

void CInfoDlg::CheckPlan()
{
    PlanVerdict verdict = portelan::CheckPlan(m_plan);
    SetItemText(IDC_INFO_VERDICT, verdict.text);
    EnableItem(IDOK, verdict.canConfirm);
}

namespace {

// The window's radio buttons and the units they stand for.
struct UnitButton {
    int id;
    int unit;
};
constexpr UnitButton kUnitButtons[] = {
    {IDC_UNIT_BYTES, UNIT_BYTES}, {IDC_UNIT_KB, UNIT_KB}, {IDC_UNIT_MB, UNIT_MB}};
constexpr UnitButton kPresetButtons[] = {{IDC_PRESET, UNIT_DISK}};

} // namespace

CPieceSizeDlg::CPieceSizeDlg() : CDialog(IDD_PIECE_SIZE) {}

void CPieceSizeDlg::SetValues(std::int64_t value, int unit)
{
    m_nValue = value;
    m_nUnit = unit;
}

void CPieceSizeDlg::GetValues(std::int64_t& value, int& unit) const
{
    value = m_nValue;
    unit = m_nUnit;
}

BOOL CPieceSizeDlg::OnInitDialog()
{
    Refresh();
    return TRUE;
}

void CPieceSizeDlg::Refresh()
{
    const bool free = FindPiecePreset(m_nUnit) == nullptr;
    for (const UnitButton& preset : kPresetButtons)
        SetCheck(preset.id, preset.unit == m_nUnit);
    SetCheck(IDC_FREE, free);
    EnableItem(IDC_VALUE, free);
    for (const UnitButton& unit : kUnitButtons)
        EnableItem(unit.id, free);
    // Setting the text fires EN_CHANGE, which reads the same number back.
    SetItemText(IDC_VALUE, std::to_string(m_nValue));
    for (const UnitButton& unit : kUnitButtons)
        if (unit.unit == m_nUnit)
            SetCheck(unit.id, true);
}

void CPieceSizeDlg::ReadUnit()
{
    // No unit checked reads as bytes; a preset checked wins.
    m_nUnit = UNIT_BYTES;
    for (const UnitButton& button : kUnitButtons)
        if (IsChecked(button.id))
            m_nUnit = button.unit;
    for (const UnitButton& button : kPresetButtons)
        if (IsChecked(button.id))
            m_nUnit = button.unit;
}

bool CPieceSizeDlg::OnCommand(int id, int code, HWND)
{
    const bool choice = id == IDC_FREE ||
                        std::ranges::any_of(kPresetButtons, [id](const UnitButton& b) { return b.id == id; });
    if (choice && code == BN_CLICKED) {
        ReadUnit();
        Refresh();
        return true;
    }
    if (id == IDC_VALUE && code == EN_CHANGE) {
        m_nValue = ParseTypedNumber(GetItemText(IDC_VALUE));
        return true;
    }
    return false;
}

void CPieceSizeDlg::OnOK()
{
    ReadUnit();
    m_nValue = CapPieceValue(m_nValue, m_nUnit);
    CDialog::OnOK();
}

CErrorDlg::CErrorDlg() : CDialog(IDD_ERROR) {}

void CErrorDlg::SetTexts(const std::string& message, const std::string& title)
{
    m_strMessage = message;
    m_strTitle = title;
}

BOOL CErrorDlg::OnInitDialog()
{
    win::SetText(Hwnd(), m_strTitle.empty() ? kErrorCaption : m_strTitle);
    SetItemText(IDC_ERROR_TEXT, m_strMessage);
    win::PlayClip(Item(IDC_ERROR_CLIP), IDC_ERROR_CLIP, IDR_CLIP_ERROR);
    return TRUE;
}

} // namespace portelan

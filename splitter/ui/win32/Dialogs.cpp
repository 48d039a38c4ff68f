#include "splitter/ui/win32/Dialogs.h"

#include <iterator>

#include "splitter/engine/SplitEngine.h"
#include "splitter/ui/PieceSize.h"
#include "splitter/ui/win32/Resource.h"
#include "texts/SplitterTexts.h"

namespace portelan {

CInfoDlg::CInfoDlg() : CDialog(IDD_INFO) {}

BOOL CInfoDlg::OnInitDialog()
{
    const win::ControlText texts[] = {{IDC_INFO_SOURCE_GROUP, Tr(Text::InfoSourceGroup)},
                                      {IDC_INFO_NAME_LABEL, Tr(Text::InfoFileName)},
                                      {IDC_INFO_SOURCE_DIR_LABEL, Tr(Text::InfoPath)},
                                      {IDC_INFO_SOURCE_SIZE_LABEL, Tr(Text::InfoSize)},
                                      {IDC_INFO_TARGET_GROUP, Tr(Text::InfoTargetGroup)},
                                      {IDC_INFO_TARGET_LABEL, Tr(Text::InfoPath)},
                                      {IDC_INFO_COUNT_LABEL, Tr(Text::InfoCount)},
                                      {IDC_INFO_PIECE_SIZE_LABEL, Tr(Text::InfoSize)},
                                      {IDC_INFO_RECOVERY_LABEL, Tr(Text::InfoRecovery)},
                                      {IDC_INFO_NOTES_GROUP, Tr(Text::InfoNotesGroup)},
                                      {IDOK, Tr(Text::ContinueButton)},
                                      {IDCANCEL, Tr(Text::AbortButton)}};
    win::SetDialogTexts(Hwnd(), Tr(Text::InfoCaption), texts);
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
    PieceUnit unit;
};
constexpr UnitButton kUnitButtons[] = {
    {IDC_UNIT_BYTES, PieceUnit::Bytes}, {IDC_UNIT_KB, PieceUnit::Kb}, {IDC_UNIT_MB, PieceUnit::Mb}};
constexpr int kPresetCount = static_cast<int>(std::size(kPiecePresets));
// The height of a preset's row, in dialog units.
constexpr int kPresetRow = 14;

int PresetId(int index) { return IDC_PRESET + index; }

} // namespace

CPieceSizeDlg::CPieceSizeDlg() : CDialog(IDD_PIECE_SIZE) {}

std::optional<PieceSizeValue> CPieceSizeDlg::Choose(HWND owner, const PieceSizeValue& shown)
{
    m_nUnit = shown.unit;
    if (shown.unit == PieceUnit::Count)
        m_nCount = shown.value;
    else
        m_nValue = shown.value;
    if (DoModal(owner) != IDOK)
        return std::nullopt;
    if (m_nUnit == PieceUnit::Count)
        return PieceSizeValue{m_nCount, m_nUnit};
    return PieceSizeValue{m_nValue, m_nUnit};
}

BOOL CPieceSizeDlg::OnInitDialog()
{
    const win::ControlText texts[] = {{IDC_UNIT_BYTES, Tr(Text::UnitBytesButton)},
                                      {IDOK, Tr(Text::Ok)},
                                      {IDCANCEL, Tr(Text::CancelButton)},
                                      {IDC_FREE, Tr(Text::FreeSizeChoice)},
                                      {IDC_BY_COUNT, Tr(kCountChoiceLabel)}};
    win::SetDialogTexts(Hwnd(), Tr(Text::PieceSizeCaption), texts);
    AddPresetRows();
    Refresh();
    return TRUE;
}

void CPieceSizeDlg::AddPresetRows()
{
    // The template leaves the rows out: everything moves down by their height.
    RECT shift{0, 0, 0, kPresetRow * kPresetCount};
    MapDialogRect(Hwnd(), &shift);
    for (HWND child = GetWindow(Hwnd(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT place;
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&place), 2);
        SetWindowPos(child, nullptr, place.left, place.top + shift.bottom, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT window;
    GetWindowRect(Hwnd(), &window);
    SetWindowPos(Hwnd(), nullptr, 0, 0, window.right - window.left, window.bottom - window.top + shift.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    // The rows join the group of the free size and the count, ahead of them
    // in the tab order; the first one starts the group.
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(Hwnd(), WM_GETFONT, 0, 0));
    HWND previous = Item(IDCANCEL);
    for (int i = 0; i < kPresetCount; ++i) {
        RECT row{7, 8 + kPresetRow * i, 7 + 150, 8 + kPresetRow * i + 10};
        MapDialogRect(Hwnd(), &row);
        const DWORD style = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP | WS_TABSTOP : 0);
        HWND button = CreateWindowExW(
            0, L"Button", L"", style, row.left, row.top, row.right - row.left, row.bottom - row.top, Hwnd(),
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(PresetId(i))), GetModuleHandleW(nullptr), nullptr);
        if (!button)
            continue;
        SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SetItemText(PresetId(i), Tr(kPiecePresets[i].label));
        SetWindowPos(button, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = button;
    }
    if (kPresetCount > 0) {
        HWND free = Item(IDC_FREE);
        SetWindowLongW(free, GWL_STYLE, GetWindowLongW(free, GWL_STYLE) & ~(WS_GROUP | WS_TABSTOP));
    }
}

void CPieceSizeDlg::Refresh()
{
    const bool free = FindPiecePreset(m_nUnit) == nullptr && m_nUnit != PieceUnit::Count;
    for (int i = 0; i < kPresetCount; ++i)
        SetCheck(PresetId(i), kPiecePresets[i].code == m_nUnit);
    SetCheck(IDC_FREE, free);
    SetCheck(IDC_BY_COUNT, m_nUnit == PieceUnit::Count);
    EnableItem(IDC_VALUE, free);
    EnableItem(IDC_COUNT, m_nUnit == PieceUnit::Count);
    for (const UnitButton& unit : kUnitButtons)
        EnableItem(unit.id, free);
    // Setting the texts fires EN_CHANGE, which reads the same numbers back.
    SetItemText(IDC_VALUE, std::to_string(m_nValue));
    SetItemText(IDC_COUNT, std::to_string(m_nCount));
    for (const UnitButton& unit : kUnitButtons)
        if (unit.unit == m_nUnit)
            SetCheck(unit.id, true);
}

void CPieceSizeDlg::ReadUnit()
{
    // No unit checked reads as bytes; a preset or the count checked wins.
    m_nUnit = PieceUnit::Bytes;
    for (const UnitButton& button : kUnitButtons)
        if (IsChecked(button.id))
            m_nUnit = button.unit;
    for (int i = 0; i < kPresetCount; ++i)
        if (IsChecked(PresetId(i)))
            m_nUnit = kPiecePresets[i].code;
    if (IsChecked(IDC_BY_COUNT))
        m_nUnit = PieceUnit::Count;
}

bool CPieceSizeDlg::OnCommand(int id, int code, HWND)
{
    const bool choice =
        id == IDC_FREE || id == IDC_BY_COUNT || (id >= PresetId(0) && id < PresetId(kPresetCount));
    if (choice && code == BN_CLICKED) {
        ReadUnit();
        Refresh();
        return true;
    }
    if (id == IDC_VALUE && code == EN_CHANGE) {
        m_nValue = ParseTypedNumber(GetItemText(IDC_VALUE));
        return true;
    }
    if (id == IDC_COUNT && code == EN_CHANGE) {
        m_nCount = ParseTypedNumber(GetItemText(IDC_COUNT));
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
    const win::ControlText texts[] = {{IDCANCEL, Tr(JoinerText::QuitButton)}};
    win::SetDialogTexts(Hwnd(), m_strTitle.empty() ? Tr(JoinerText::ErrorCaption) : m_strTitle.c_str(),
                        texts);
    SetItemText(IDC_ERROR_TEXT, m_strMessage);
    win::PlayClip(Item(IDC_ERROR_CLIP), IDC_ERROR_CLIP, IDR_CLIP_ERROR);
    return TRUE;
}

} // namespace portelan

// Item stepping: "<<", ">>", a typed number and the paged item menu walk
// through the current list (combinations or texture files); each step
// applies one item at once.
#include "ColorPanelDlg.h"

#include "panel/EngineSteps.h"
#include "res/resource.h"

#include <algorithm>
#include <cstdio>

const char* const CColorPanelDlg::kOutOfRangeMessage = "您输入的值超过允许范围，不能使用！";
const char* const CColorPanelDlg::kQueryMenuText = "模糊查询...";
const char* const CColorPanelDlg::kPreviousPageText = "上一页...";
const char* const CColorPanelDlg::kNextPageText = "下一页...";
const char* const CColorPanelDlg::kCombinationEntryFormat = "第%d个：%s";
const char* const CColorPanelDlg::kTextureEntryFormat = "第%d个贴图：%s";
const char* const CColorPanelDlg::kChooseCombinationText = "选择房间配色：";
const char* const CColorPanelDlg::kChooseTextureText = "选择贴图文件：";

namespace {

// "第%d个：%s" and its texture form, filled with a number and a name.
std::string MenuEntryText(const char* format, int number, const std::string& name)
{
    char numberText[16];
    std::snprintf(numberText, sizeof numberText, "%d", number);
    std::string withNumber;
    for (const char* p = format; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] == 'd') {
            withNumber += numberText;
            ++p;
        } else {
            withNumber += *p;
        }
    }
    return engine::FillFormat(withNumber.c_str(), name);
}

}  // namespace

void CColorPanelDlg::StepIndexBack() { itemIndex = engine::StepBack(itemIndex, itemCount); }
void CColorPanelDlg::StepIndexForward() { itemIndex = engine::StepForward(itemIndex, itemCount); }

void CColorPanelDlg::ApplyCurrentItem(bool backward)
{
    if (mode == ModeExpert) {
        if (surfaceClasses.empty())
            return;
        if (itemCount > 0)
            ApplyCombination();
    } else if (mode == ModeTexture) {
        if (!currentMaterials.empty() && itemCount > 0)
            ApplyTexture();
    }
    if (mode == ModeExpert || mode == ModeTexture) {
        DrawItemNumber();
        OverviewMarkCurrent(itemIndex);
    }
    WriteFields();
    if (backward)
        StepIndexBack();
    else
        StepIndexForward();
}

void CColorPanelDlg::DrawItemNumber() { itemNumberLabel.ShowNumber(itemIndex); }

void CColorPanelDlg::StepButton(bool backward)
{
    HV_ClearSelection();
    if (indexEdited) {
        const int remembered = itemIndex;
        indexEdited = false;
        ReadFields();
        if (itemIndex == 0) {
            RestoreAll();
            if (backward)
                StepIndexBack();
            else
                StepIndexForward();
            return;
        }
        if (itemIndex < 0 || itemIndex > itemCount) {
            fw::ShowMessageBox(kOutOfRangeMessage, MB_OK, std::string(), m_hWnd);
            itemIndex = remembered;
            WriteFields();
        }
    } else if (mode == ModeExpert || mode == ModeTexture) {
        // The box shows the item last applied while itemIndex has already
        // moved on in the direction of that step.
        const int remembered = itemIndex;
        ReadFields();
        if (itemIndex == (backward ? remembered + 1 : remembered - 1))
            itemIndex = remembered;
        else if (backward)
            StepIndexBack();
        else
            StepIndexForward();
    }
    ApplyCurrentItem(backward);
}

void CColorPanelDlg::OnPreviousItem() { StepButton(true); }
void CColorPanelDlg::OnNextItem() { StepButton(false); }

void CColorPanelDlg::ShowItemMenu()
{
    itemMenuButton.SendMessage(BM_SETSTATE, TRUE);
    ReadFields();
    // The menu starts from the index box without asking the user; a typed
    // number outside the list is taken to its nearest end.
    itemIndex = engine::ClampToList(itemIndex, itemCount);
    RECT button;
    ::GetWindowRect(itemMenuButton.m_hWnd, &button);

    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, ID_ITEM_QUERY, kQueryMenuText);
    const bool paged = itemCount > engine::kMenuEntries;
    if (paged)
        menu.AppendMenu(MF_STRING, ID_ITEM_PREVIOUS_PAGE, kPreviousPageText);
    menu.AppendSeparator();
    if (mode == ModeExpert || mode == ModeTexture) {
        const bool expert = mode == ModeExpert;
        const std::vector<std::string>& names = expert ? combinationLabels : textureNames;
        const int count = std::min(itemCount, static_cast<int>(names.size()));
        for (int i = 0; i < count && i < engine::kMenuEntries; ++i) {
            const int number = engine::NumberAfter(itemIndex, i, count);
            menu.AppendMenu(MF_STRING, ID_ITEM_FIRST + i,
                            MenuEntryText(expert ? kCombinationEntryFormat : kTextureEntryFormat, number,
                                          names[static_cast<std::size_t>(number - 1)]));
            if (engine::SeparatorAfterEntry(i))
                menu.AppendSeparator();
        }
        SetDlgItemText(IDC_DESCRIPTION, expert ? kChooseCombinationText : kChooseTextureText);
    }
    if (paged) {
        menu.AppendSeparator();
        menu.AppendMenu(MF_STRING, ID_ITEM_NEXT_PAGE, kNextPageText);
    }
    menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_TOPALIGN | TPM_VERTICAL, button.right, button.top, m_hWnd);
    menu.DestroyMenu();
    itemMenuButton.SendMessage(BM_SETSTATE, FALSE);
}

void CColorPanelDlg::OnItemEntry(UINT id)
{
    // Only the entries a menu of this list can hold; a page has at most
    // itemCount of them.
    const int offset = static_cast<int>(id - ID_ITEM_FIRST);
    if (offset >= itemCount)
        return;
    ReadFields();
    itemIndex = engine::NumberAfter(engine::ClampToList(itemIndex, itemCount), offset, itemCount);
    ApplyCurrentItem(true);
}

void CColorPanelDlg::OnNextPage()
{
    itemIndex = engine::NumberAfter(engine::ClampToList(itemIndex, itemCount), engine::kPageStep, itemCount);
    WriteFields();
    ShowItemMenu();
}

void CColorPanelDlg::OnPreviousPage()
{
    itemIndex = engine::NumberBefore(engine::ClampToList(itemIndex, itemCount), engine::kPageStep, itemCount);
    WriteFields();
    ShowItemMenu();
}

void CColorPanelDlg::OnItemQuery()
{
    bool replaced = false;
    if (mode == ModeExpert)
        replaced = QueryCombinations();
    else if (mode == ModeTexture)
        replaced = QueryTextures();
    if (!replaced)
        return;
    itemIndex = 1;
    SetItemCountLabel();
    SetDlgItemText(IDC_ITEM_INDEX, std::to_string(itemIndex));
    indexEdited = false;
    UpdateStepButtons();
    OverviewListChanged();
}

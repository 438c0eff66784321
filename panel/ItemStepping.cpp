// Item stepping's window glue: "<<", ">>", a typed number and the paged
// item menu move the engine's position in the current list (combinations or
// texture files); each step applies one item at once.
#include "ColorPanelDlg.h"

#include "engine/EngineSteps.h"
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

void CColorPanelDlg::StepIndexBack() { items_.StepBack(); }
void CColorPanelDlg::StepIndexForward() { items_.StepForward(); }

void CColorPanelDlg::ApplyCurrentItem(bool backward)
{
    if (items_.mode == ModeExpert) {
        if (surfaceClasses.empty())
            return;
        if (items_.itemCount > 0)
            ApplyCombination();
    } else if (items_.mode == ModeTexture) {
        if (!currentMaterials.empty() && items_.itemCount > 0)
            ApplyTexture();
    }
    if (items_.IsList()) {
        DrawItemNumber();
        OverviewMarkCurrent(items_.itemIndex);
    }
    WriteFields();
    items_.Step(backward);
}

void CColorPanelDlg::DrawItemNumber() { itemNumberLabel_.ShowNumber(items_.itemIndex); }

void CColorPanelDlg::StepButton(bool backward)
{
    HV_ClearSelection();
    const bool typed = indexEdited_;
    const int remembered = items_.itemIndex;
    indexEdited_ = false;
    if (typed || items_.IsList())
        ReadFields();
    switch (items_.Resolve(backward, typed, remembered)) {
    case engine::ItemList::Press::RestoreAll:
        RestoreAll();
        return;
    case engine::ItemList::Press::Refused:
        fw::ShowMessageBox(kOutOfRangeMessage, MB_OK, std::string(), m_hWnd);
        WriteFields();
        break;
    case engine::ItemList::Press::Apply:
        break;
    }
    ApplyCurrentItem(backward);
}

void CColorPanelDlg::OnPreviousItem() { StepButton(true); }
void CColorPanelDlg::OnNextItem() { StepButton(false); }

void CColorPanelDlg::ShowItemMenu()
{
    itemMenuButton_.SendMessage(BM_SETSTATE, TRUE);
    ReadFields();
    // The menu starts from the index box without asking the user; a typed
    // number outside the list is taken to its nearest end.
    items_.itemIndex = items_.MenuStart();
    RECT button;
    ::GetWindowRect(itemMenuButton_.m_hWnd, &button);

    CMenu menu;
    menu.CreatePopupMenu();
    menu.AppendMenu(MF_STRING, ID_ITEM_QUERY, kQueryMenuText);
    const bool paged = items_.itemCount > engine::kMenuEntries;
    if (paged)
        menu.AppendMenu(MF_STRING, ID_ITEM_PREVIOUS_PAGE, kPreviousPageText);
    menu.AppendSeparator();
    if (items_.IsList()) {
        const bool expert = items_.mode == ModeExpert;
        const std::vector<std::string>& names = expert ? items_.combinationLabels : items_.textureNames;
        const int count = std::min(items_.itemCount, static_cast<int>(names.size()));
        for (int i = 0; i < count && i < engine::kMenuEntries; ++i) {
            const int number = engine::NumberAfter(items_.itemIndex, i, count);
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
    itemMenuButton_.SendMessage(BM_SETSTATE, FALSE);
}

void CColorPanelDlg::OnItemEntry(UINT id)
{
    // Only the entries a menu of this list can hold; a page has at most
    // itemCount of them.
    const int offset = static_cast<int>(id - ID_ITEM_FIRST);
    if (offset >= items_.itemCount)
        return;
    ReadFields();
    items_.itemIndex = items_.MenuEntryItem(offset);
    ApplyCurrentItem(true);
}

void CColorPanelDlg::OnNextPage()
{
    items_.NextPage();
    WriteFields();
    ShowItemMenu();
}

void CColorPanelDlg::OnPreviousPage()
{
    items_.PreviousPage();
    WriteFields();
    ShowItemMenu();
}

void CColorPanelDlg::OnItemQuery()
{
    bool replaced = false;
    if (items_.mode == ModeExpert)
        replaced = QueryCombinations();
    else if (items_.mode == ModeTexture)
        replaced = QueryTextures();
    if (!replaced)
        return;
    items_.itemIndex = 1;
    SetItemCountLabel();
    SetDlgItemText(IDC_ITEM_INDEX, std::to_string(items_.itemIndex));
    indexEdited_ = false;
    UpdateStepButtons();
    OverviewListChanged();
}

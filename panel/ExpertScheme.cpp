// Expert schemes' window glue: the chosen space type's combinations listed,
// one applied to the classified room, and the query that narrows the list.
#include "ColorPanelDlg.h"

#include "model/SurfaceMaterialStore.h"
#include "engine/EngineSteps.h"
#include "panel/FuzzyQueryDlg.h"

#include <cstdio>

const char* const CColorPanelDlg::kQueryFailedFormat = "失败:%s %s的查询没有发现满足要求的记录！";
const char* const CColorPanelDlg::kQueryNameFormat = "在名称中查找<%s>";
const char* const CColorPanelDlg::kQueryDescriptionFormat = "在说明中查找<%s>";

using engine::FillFormat;

void CColorPanelDlg::LoadCombinations()
{
    items_.spaceType = spaceTypeBox_.GetSelectedPath();
    if (items_.spaceType.empty() && firstCategoryItem_ != nullptr)
        items_.spaceType = TreeItemPath(firstCategoryItem_);
    items_.spaceType += "/";

    items_.ListCombinations(session_.library);
    SetItemCountLabel();
    WriteFields();
    spaceTypeBox_.SetWindowText(items_.spaceType);
    UpdateStepButtons();
    OverviewListChanged();
}

void CColorPanelDlg::ApplyCombination()
{
    const int record = items_.RecordOf(items_.itemIndex);
    if (record >= 0)
        painter_.ApplyCombination(session_.library[record]);
}

bool CColorPanelDlg::QueryCombinations()
{
    CFuzzyQueryDlg query(0);
    if (query.DoModal() != IDOK || (query.useName == 0 && query.useDescription == 0))
        return false;
    const bool byName = query.useName != 0 && !query.nameText.empty();
    const bool byDescription = query.useDescription != 0 && !query.descriptionText.empty();

    std::vector<int> found;
    SearchCombinations(session_.library, byName ? query.nameText.c_str() : nullptr, items_.spaceType,
                       byDescription ? query.descriptionText.c_str() : nullptr, found);
    if (found.empty()) {
        const std::string name = query.useName != 0 ? FillFormat(kQueryNameFormat, query.nameText) : "";
        const std::string text =
            query.useDescription != 0 ? FillFormat(kQueryDescriptionFormat, query.descriptionText) : "";
        fw::ShowMessageBox(FillFormat(kQueryFailedFormat, name, text), MB_OK, std::string(), m_hWnd);
        return false;
    }
    items_.TakeCombinations(session_.library, std::move(found));
    return true;
}

// Expert schemes: the combinations of the chosen space type, applied to the
// whole classified room, and the query that narrows their list.
#include "ColorPanelDlg.h"

#include "model/SurfaceMaterialStore.h"
#include "panel/EngineSteps.h"
#include "panel/FuzzyQueryDlg.h"

#include <cstdio>

const char* const CColorPanelDlg::kQueryFailedFormat = "失败:%s %s的查询没有发现满足要求的记录！";
const char* const CColorPanelDlg::kQueryNameFormat = "在名称中查找<%s>";
const char* const CColorPanelDlg::kQueryDescriptionFormat = "在说明中查找<%s>";

using engine::FillFormat;

std::string CColorPanelDlg::CombinationLabel(const CombinationRecord& record)
{
    return FieldString(record.name) + ":" + FieldString(record.shortDescription);
}

void CColorPanelDlg::LoadCombinations()
{
    spaceType = spaceTypeBox.GetSelectedPath();
    if (spaceType.empty() && firstCategoryItem != nullptr)
        spaceType = TreeItemPath(firstCategoryItem);
    spaceType += "/";

    std::vector<std::string> names;
    ListNamesInCategory(library, spaceType, names, matchIndices);
    combinationLabels.clear();
    for (int index : matchIndices)
        combinationLabels.push_back(CombinationLabel(library[index]));

    itemCount = static_cast<int>(combinationLabels.size());
    SetItemCountLabel();
    itemIndex = 1;
    WriteFields();
    spaceTypeBox.SetWindowText(spaceType);
    UpdateStepButtons();
    OverviewListChanged();
}

void CColorPanelDlg::ApplyCombination()
{
    if (!engine::InList(itemIndex, static_cast<int>(matchIndices.size())))
        return;
    const CombinationRecord& record = library[matchIndices[static_cast<std::size_t>(itemIndex - 1)]];
    description = FieldString(record.shortDescription);
    helpTopic = FieldString(record.extraText2);
    for (int part = Ceiling; part <= Wall; ++part) {
        OriginalMaterial material;
        SlotToMaterial(record.materials[part], material);
        for (const SurfaceClassEntry& entry : surfaceClasses) {
            if (entry.surfaceClass == part)
                HV_SetMaterial(entry.materialHandle, &material);
        }
    }
    HV_CalculateSurfaceColor();
    HV_Redraw();
}

bool CColorPanelDlg::QueryCombinations()
{
    CFuzzyQueryDlg query(0);
    if (query.DoModal() != IDOK || (query.useName == 0 && query.useDescription == 0))
        return false;
    const bool byName = query.useName != 0 && !query.nameText.empty();
    const bool byDescription = query.useDescription != 0 && !query.descriptionText.empty();

    std::vector<int> found;
    SearchCombinations(library, byName ? query.nameText.c_str() : nullptr, spaceType,
                       byDescription ? query.descriptionText.c_str() : nullptr, found);
    if (found.empty()) {
        const std::string name = query.useName != 0 ? FillFormat(kQueryNameFormat, query.nameText) : "";
        const std::string text =
            query.useDescription != 0 ? FillFormat(kQueryDescriptionFormat, query.descriptionText) : "";
        fw::ShowMessageBox(FillFormat(kQueryFailedFormat, name, text), MB_OK, std::string(), m_hWnd);
        return false;
    }
    matchIndices = found;
    combinationLabels.clear();
    for (int index : matchIndices)
        combinationLabels.push_back(CombinationLabel(library[index]));
    itemCount = static_cast<int>(combinationLabels.size());
    return true;
}

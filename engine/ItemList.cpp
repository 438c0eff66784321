#include "ItemList.h"

#include "EngineSteps.h"

namespace engine {

std::string ItemList::CombinationLabel(const CombinationRecord& record)
{
    return FieldString(record.name) + ":" + FieldString(record.shortDescription);
}

void ItemList::ListCombinations(const CombinationLibrary& library)
{
    std::vector<std::string> names;
    ListNamesInCategory(library, spaceType, names, matchIndices);
    combinationLabels.clear();
    for (int index : matchIndices)
        combinationLabels.push_back(CombinationLabel(library[index]));
    itemCount = static_cast<int>(combinationLabels.size());
    itemIndex = 1;
}

void ItemList::TakeCombinations(const CombinationLibrary& library, std::vector<int> found)
{
    matchIndices = std::move(found);
    combinationLabels.clear();
    for (int index : matchIndices)
        combinationLabels.push_back(CombinationLabel(library[index]));
    itemCount = static_cast<int>(combinationLabels.size());
}

void ItemList::TakeTextures(std::vector<std::string> names)
{
    textureNames = std::move(names);
    itemCount = static_cast<int>(textureNames.size());
}

void ItemList::ForgetCombinations()
{
    matchIndices.clear();
    combinationLabels.clear();
}

void ItemList::StepBack() { itemIndex = engine::StepBack(itemIndex, itemCount); }
void ItemList::StepForward() { itemIndex = engine::StepForward(itemIndex, itemCount); }

ItemList::Press ItemList::Resolve(bool backward, bool typedIndex, int remembered)
{
    if (typedIndex) {
        if (itemIndex == 0) {
            Step(backward);
            return Press::RestoreAll;
        }
        if (itemIndex < 0 || itemIndex > itemCount) {
            itemIndex = remembered;
            return Press::Refused;
        }
        return Press::Apply;
    }
    if (IsList()) {
        // The box shows the item last applied while itemIndex has already
        // moved on in the direction of that step.
        if (itemIndex == (backward ? remembered + 1 : remembered - 1))
            itemIndex = remembered;
        else
            Step(backward);
    }
    return Press::Apply;
}

int ItemList::MenuStart() const { return ClampToList(itemIndex, itemCount); }

int ItemList::MenuEntryItem(int offset) const
{
    // Only the entries a menu of this list can hold; a page has at most
    // itemCount of them.
    if (offset < 0 || offset >= itemCount)
        return 0;
    return NumberAfter(MenuStart(), offset, itemCount);
}

void ItemList::NextPage() { itemIndex = NumberAfter(MenuStart(), kPageStep, itemCount); }
void ItemList::PreviousPage() { itemIndex = NumberBefore(MenuStart(), kPageStep, itemCount); }

int ItemList::RecordOf(int number) const
{
    if (!InList(number, static_cast<int>(matchIndices.size())))
        return -1;
    return matchIndices[static_cast<std::size_t>(number - 1)];
}

std::string ItemList::TextureOf(int number) const
{
    if (!InList(number, static_cast<int>(textureNames.size())))
        return std::string();
    return textureNames[static_cast<std::size_t>(number - 1)];
}

}  // namespace engine

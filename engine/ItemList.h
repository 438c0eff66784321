// The list the panel steps through: the combinations of the chosen space
// type (expert schemes) or the picture files of a folder (textures), the
// position in it and how "<<", ">>", a typed number and the item menu move
// that position.
#pragma once

#include "library/CombinationLibrary.h"

#include <string>
#include <vector>

// The panel's mode; equals the index of the chosen entry of the mode list.
enum PanelMode : int { ModeExpert = 0, ModeCycle = 1, ModeTexture = 2 };

namespace engine {

class ItemList {
public:
    // What a press of "<<" or ">>" does once the position is settled.
    enum class Press {
        Apply,       // apply item itemIndex, then step
        RestoreAll,  // a typed 0: restore, the position has already stepped
        Refused,     // a typed number outside the list: itemIndex is back, apply it
    };

    // Expert or texture mode: the modes that step through a list.
    bool IsList() const { return mode == ModeExpert || mode == ModeTexture; }
    // "<<", ">>", the automatic change and the item menu work unless a list
    // mode has an empty list.
    bool StepsEnabled() const { return !(IsList() && itemCount == 0); }

    // The combinations of spaceType (ending with "/") in library, from the
    // first.
    void ListCombinations(const CombinationLibrary& library);
    // The records found by a query replace the list (not empty).
    void TakeCombinations(const CombinationLibrary& library, std::vector<int> found);
    // The texture files replace the list, from the first.
    void TakeTextures(std::vector<std::string> names);
    // The library changed under a list of another mode: the combinations
    // that pointed into it are dropped.
    void ForgetCombinations();
    static std::string CombinationLabel(const CombinationRecord& record);

    void StepBack();
    void StepForward();
    void Step(bool backward) { backward ? StepBack() : StepForward(); }

    // Settles itemIndex for a press: typedIndex is true when the user typed
    // into the index box, itemIndex holds the box's number and remembered
    // the position before the box was read.
    Press Resolve(bool backward, bool typedIndex, int remembered);
    // The position the item menu starts from: the box's number taken into
    // the list.
    int MenuStart() const;
    // The item that entry offset of the menu applies; 0 when the list cannot
    // hold that entry.
    int MenuEntryItem(int offset) const;
    // The page after or before the present one.
    void NextPage();
    void PreviousPage();

    // The record of item number (1-based) of the combinations, -1 when none.
    int RecordOf(int number) const;
    // The file name of texture item number, empty when none.
    std::string TextureOf(int number) const;

    int mode = -1;  // a PanelMode; -1 until initialisation
    std::string spaceType;
    std::string textureFolder;
    std::vector<int> matchIndices;
    std::vector<std::string> combinationLabels;
    std::vector<std::string> textureNames;
    int itemIndex = 1;
    int itemCount = 0;
};

}  // namespace engine

// Dialog 130 "新增天地墙配色组合定义": asks for the name, the description and
// the room category under which the classified room is stored as a
// combination of the expert library, and opens the library maintenance.
#pragma once

#include "CombinationLibrary.h"
#include "LibraryChanges.h"
#include "controls/TreeCombo.h"
#include "framework/Framework.h"

#include <functional>
#include <string>

class CAddCombinationDlg : public CDialog {
public:
    explicit CAddCombinationDlg(CombinationLibrary& library, HWND parent = nullptr);

    CTreeCombo categoryBox;
    std::string category;  // ends with "/" after OK
    std::string description;
    std::string name;
    CombinationLibrary& library;
    // Non-zero once a maintenance run from this dialog changed the library;
    // a later run that changes nothing does not clear it.
    int libraryChanged = 0;
    // Where the maintenance run records what it changes (none: not recorded).
    LibraryChanges* changes = nullptr;

    // Enter does not close the dialog.
    bool PreTranslateMessage(MSG* msg) override;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    void OnOK() override;
    const MessageMap& GetMessageMap() const override;

private:
    void OnLibraryMaintenance();
    LRESULT OnTreeComboSelect(WPARAM, LPARAM);
};

// The tool panel's button 1002 in expert mode: takes the first classified
// ceiling, floor and wall material from the host, runs dialog 130, replaces
// or appends the combination and saves the library at once with
// saveLibrary (the panel's save, which reports its own failures).
// Sets *libraryModified when the library changed (also through the
// maintenance dialog); never clears it. owner owns the message boxes.
// Every change is recorded into changes when given, before the save.
// Returns true when a combination was stored.
bool RunAddCombination(HWND owner, CombinationLibrary& library, const std::function<bool()>& saveLibrary,
                       bool* libraryModified, LibraryChanges* changes = nullptr);

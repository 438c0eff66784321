// Dialog 131 "天地墙专家库维护": browse the library by category and name, edit
// a combination's descriptions, rename or re-file it, delete it, export one
// or all combinations, merge an exchange file in, and collect the library's
// texture files into a folder. The export, import and extraction handlers
// are in LibraryExchangeUi.cpp.
#pragma once

#include "CombinationLibrary.h"
#include "LibraryChanges.h"
#include "LibraryExchange.h"
#include "controls/LabelTips.h"
#include "controls/TreeCombo.h"
#include "framework/Framework.h"

#include <string>

// The export's save-file dialog (title, filter, "Untitled", tgv, overwrite
// prompt); false when the user cancelled.
bool ChooseExchangeFileToWrite(HWND owner, std::string& path);

class CLibraryMaintenanceDlg : public CDialog {
public:
    explicit CLibraryMaintenanceDlg(CombinationLibrary& library, HWND parent = nullptr);

    CTreeCombo selector;
    CLabelTips statusTip;  // the whole status message when it is cut
    std::string shortDescription;
    std::string longDescription;
    std::string selectionPath;
    CombinationLibrary& library;
    // 1 once a delete, a modify or an import changed the library.
    int libraryChanged = 0;
    // Where modify, delete and import record what they change (none: not recorded).
    LibraryChanges* changes = nullptr;

    // The exchange file of the selective export, open until the dialog object
    // goes, and its folder (with a final backslash).
    std::string exportPath;
    std::string exportFolder;
    ExportFile exportFile;

    std::string extraText1;
    std::string extraText2;
    std::string currentName;
    std::string currentCategory;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(CDataExchange& dx) override;
    const MessageMap& GetMessageMap() const override;

private:
    void FillSelector();
    LRESULT OnTreeComboSelect(WPARAM, LPARAM);
    void OnModify();
    void OnDelete();
    void SetStatus(const std::string& text);

    // LibraryExchangeUi.cpp
    void OnExportSelected();
    void OnExportAll();
    void OnImport();
    void OnExtractTextures();
    bool ChooseExportFile(std::string& path);
};

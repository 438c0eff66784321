// The exchange buttons of the library maintenance dialog: selective and
// whole export, merge import, and texture extraction.
#include "LibraryDialogIds.h"
#include "LibraryDlgSupport.h"
#include "LibraryMaintenanceDlg.h"
#include "ReplaceConfirmDlg.h"
#include "TextureExtraction.h"
#include "controls/FolderBrowser.h"

using namespace librarydlg;

namespace {

// The wait cursor while a long operation runs, the previous one afterwards.
class WaitCursor {
public:
    // 32514 is IDC_WAIT as a wide resource name.
    WaitCursor() : previous(::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)))) {}
    ~WaitCursor() { ::SetCursor(previous); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous;
};

MergeDecision AskReplace(const CombinationRecord& incoming, const CombinationRecord& existing)
{
    CReplaceConfirmDlg confirm(nullptr);
    confirm.SetRecords(incoming, existing);
    switch (confirm.DoModal()) {
    case IDOK:
        return MergeDecision::Replace;
    case IDC_REPLACE_NO:
        return MergeDecision::Skip;
    case IDC_REPLACE_ALL:
        return MergeDecision::ReplaceAll;
    case IDC_REPLACE_NONE:
        return MergeDecision::SkipAll;
    default:
        return MergeDecision::Cancel;
    }
}

}  // namespace

bool CLibraryMaintenanceDlg::ChooseExportFile(std::string& path)
{
    return ChooseExchangeFileToWrite(m_hWnd, path);
}

bool ChooseExchangeFileToWrite(HWND owner, std::string& path)
{
    fw::FileDialogRequest request;
    request.save = true;
    request.owner = owner;
    request.title = kExportDialogTitle;
    request.filter = kExportFilter;
    request.defaultExtension = kExportDefaultExtension;
    request.initialFile = kExportInitialName;
    request.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    return fw::ShowFileDialog(request, path);
}

void CLibraryMaintenanceDlg::OnExportSelected()
{
    if (!exportFile.IsOpen()) {
        std::string path;
        if (!ChooseExportFile(path))
            return;
        if (!exportFile.Create(path)) {
            fw::ShowMessageBox(Format(kExportFailedFormat, path.c_str()), MB_OK, std::string(), m_hWnd);
            return;
        }
        exportPath = path;
        exportFolder = FolderOf(path);
    }
    ::EnableWindow(GetDlgItem(IDC_MAINT_EXPORT_ALL), FALSE);

    const int index = FindCombination(library, currentName, currentCategory);
    if (index < 0) {
        fw::ShowMessageBox(kExportNoRecordMessage, MB_OK, std::string(), m_hWnd);
        return;
    }
    if (!exportFile.Append(library[index])) {
        // The file is closed: the next press asks for a file again.
        fw::ShowMessageBox(Format(kExportFailedFormat, exportPath.c_str()), MB_OK, std::string(), m_hWnd);
        exportPath.clear();
        return;
    }
    SetStatus(Format(kExportedRecordFormat, currentName.c_str()));
    if (fw::ShowMessageBox(kCopyTexturesQuestion, MB_YESNO, kConfirmCaption, m_hWnd) == IDYES) {
        WaitCursor wait;
        ExtractRecordTextures(library[index], exportFolder);
    }
}

void CLibraryMaintenanceDlg::OnExportAll()
{
    std::string path;
    if (!ChooseExportFile(path))
        return;
    WaitCursor wait;
    if (!ExportWholeLibrary(path, library)) {
        fw::ShowMessageBox(Format(kExportFailedFormat, path.c_str()), MB_OK, std::string(), m_hWnd);
        return;
    }
    exportFolder = FolderOf(path);
    SetStatus(Format(kExportedLibraryFormat, path.c_str()));
    exportPath.clear();
    if (fw::ShowMessageBox(kCopyTexturesQuestion, MB_YESNO, kConfirmCaption, m_hWnd) == IDYES)
        ExtractLibraryTextures(library, exportFolder);
}

void CLibraryMaintenanceDlg::OnImport()
{
    fw::FileDialogRequest request;
    request.save = false;
    request.owner = m_hWnd;
    request.title = kImportDialogTitle;
    request.filter = kImportFilter;
    request.flags = OFN_HIDEREADONLY;
    std::string path;
    if (!fw::ShowFileDialog(request, path))
        return;

    WaitCursor wait;
    MergeObserver record;
    if (changes) {
        record = [this](const CombinationRecord* replaced, const CombinationRecord& incoming) {
            if (replaced)
                changes->Changed(*replaced, incoming);
            else
                changes->Added(incoming);
        };
    }
    const MergeResult result = MergeCombinationFile(path, library, AskReplace, record);
    switch (result.status) {
    case MergeStatus::NotOpened:
        fw::ShowMessageBox(Format(kImportOpenFailedFormat, path.c_str()), MB_OK, std::string(), m_hWnd);
        break;
    case MergeStatus::BadSignature:
    case MergeStatus::ReadFailed:
        // The reader has shown its message; nothing changed.
        break;
    case MergeStatus::Cancelled:
        // The records merged before the cancel stay, so they must be saved.
        if (result.added > 0 || result.replaced > 0)
            libraryChanged = 1;
        break;
    case MergeStatus::Completed:
        SetStatus(Format(kImportDoneFormat, result.added, result.replaced));
        libraryChanged = 1;
        break;
    }
}

void CLibraryMaintenanceDlg::OnExtractTextures()
{
    const std::string defaultFolder = kDefaultExtractionFolder;
    if (!Files().Exists(defaultFolder))
        Textures().CreateFolder("C:\\tintgrove");

    CStartFolderBrowser browser(m_hWnd, IDS_EXTRACT_FOLDER_TITLE);
    browser.SetFlags(kFolderBrowseFlags);  // file-system folders, status line, edit box
    browser.SetStartFolder(defaultFolder);
    if (!browser.Browse())
        return;
    const std::string target = WithFinalBackslash(browser.GetPath());
    WaitCursor wait;
    ExtractLibraryTextures(library, target);
}

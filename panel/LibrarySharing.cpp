// The panel's side of the shared library: saving its recorded changes under
// the lock, showing the library that was saved, telling the user of records
// another designer changed meanwhile, of a colleague's save in the way, of a
// library that cannot be read or written,
// keeping the work in an exchange file when the library cannot take it, and
// the system menu's "重新读取图库".
#include "ColorPanelDlg.h"

#include "librarydlg/LibraryDlgSupport.h"
#include "librarydlg/LibraryMaintenanceDlg.h"
#include "library/LibraryExchange.h"
#include "text/Cp936Text.h"
#include "text/UserPrompt.h"

const char* const CColorPanelDlg::kReloadLibraryText = "重新读取图库";
const char* const CColorPanelDlg::kSaveFailedReasonFormat =
    "图库文件“%1”不能保存：%2。\n所做的修改保留在本面板中，将在下次保存或“重新读取图库”时写入。"
    "关闭面板时，新增和修改的配色组合可以另存为交换文件，删除和改名则不能。";
const char* const CColorPanelDlg::kLockBusyMessage = "图库正由其他设计师保存，您的更改已保留，将在下次保存时写入";
const char* const CColorPanelDlg::kLibraryUnavailableFormat =
    "图库文件“%1”现在不能读取：%2。\n在能够读取之前不会保存任何更改，所做的更改保留在本面板中；"
    "每次保存和“重新读取图库”都会再读取它。";
const char* const CColorPanelDlg::kDeletionsLostFormat =
    "图库文件“%1”不能保存。本面板所做的删除和改名不能存入交换文件，关闭面板后将不再保留。";
const char* const CColorPanelDlg::kConflictsFormat =
    "下列配色组合在本面板打开后已被其他人修改或删除，保存时以本面板的修改为准，被删除的记录予以保留：\n%1";
const char* const CColorPanelDlg::kOfferExchangeFormat =
    "图库文件“%1”不能保存，本面板对图库所做的修改还没有保存。\n要把新增和修改的配色组合另存为交换文件吗？";
const char* const CColorPanelDlg::kExchangeOmitsText = "\n（删除和改名不能存入交换文件。）";

namespace {

// "%2" after "%1" has been replaced.
std::string FillTwo(const char* format, const std::string& first, const std::string& second)
{
    std::string text = fw::ReplacePlaceholder(format, first);
    const std::size_t at = text.find("%2");
    if (at != std::string::npos)
        text.replace(at, 2, second);
    return text;
}

}  // namespace

bool CColorPanelDlg::SaveSharedLibrary()
{
    using Kind = engine::LibrarySession::SaveOutcome::Kind;
    const bool ending = closingByPanel || savingAtEnd;
    HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(32514)));  // IDC_WAIT
    const engine::LibrarySession::SaveOutcome outcome = session_.Save(ending);
    ::SetCursor(previous);

    if (outcome.kind == Kind::Busy) {
        // A colleague's save: passing, so said every time, never as a failure.
        Prompt(kLockBusyMessage);
        return false;
    }
    if (outcome.kind == Kind::Failed) {
        if (outcome.tell) {
            if (outcome.unavailable)
                TellLibraryUnavailable();
            else
                Prompt(FillTwo(kSaveFailedReasonFormat, session_.libraryPath, outcome.reason));
        }
        return false;
    }
    if (outcome.merged) {
        ShowLibrary();
        if (!outcome.conflicts.empty()) {
            std::string lines;
            for (const std::string& path : outcome.conflicts)
                lines += (lines.empty() ? "" : "\n") + path;
            Prompt(fw::ReplacePlaceholder(kConflictsFormat, lines));
        }
    }
    return true;
}

void CColorPanelDlg::ShowLibrary()
{
    FillSpaceTypes(spaceTypeBox_.GetSelectedPath());
    if (items_.mode == ModeExpert)
        LoadCombinations();
    OverviewLibraryChanged();
}

void CColorPanelDlg::ReloadLibrary()
{
    // A copy that was never recorded change by change cannot be laid on the
    // file again: keep it rather than read over it.
    if (session_.HasUnsavedWork() && !SaveLibrary() && session_.sharedLibrary.WholeLibraryChanged())
        return;
    if (!session_.Reload())
        NoteUnreadLibrary();
    ShowLibrary();
}

void CColorPanelDlg::NoteUnreadLibrary()
{
    // The session has marked a file that is not a library for moving aside;
    // one that could not be read is left alone and said so.
    if (session_.sharedLibrary.Unavailable())
        TellLibraryUnavailable();
}

void CColorPanelDlg::TellLibraryUnavailable()
{
    Prompt(FillTwo(kLibraryUnavailableFormat, session_.libraryPath, session_.sharedLibrary.UnavailableReason()));
}

void CColorPanelDlg::OfferExchangeFile()
{
    if (!session_.sharedLibrary.HasPendingChanges())
        return;
    // The whole library is offered as it is, not copied: one copy at a time.
    const bool whole = session_.sharedLibrary.WholeLibraryChanged();
    const CombinationLibrary changed = whole ? CombinationLibrary() : session_.sharedLibrary.changes.ChangedRecords();
    const CombinationLibrary& records = whole ? session_.library : changed;
    const bool omitted = !whole && session_.sharedLibrary.changes.AnyDeletionOrRename();
    if (records.IsEmpty()) {
        // Only deletions, which an exchange file cannot carry: said, not hidden.
        if (omitted)
            fw::ShowMessageBox(fw::ReplacePlaceholder(kDeletionsLostFormat, session_.libraryPath), MB_OK, std::string(), m_hWnd);
        return;
    }
    std::string offer = fw::ReplacePlaceholder(kOfferExchangeFormat, session_.libraryPath);
    if (omitted)
        offer += kExchangeOmitsText;
    if (fw::ShowMessageBox(offer, MB_YESNO, librarydlg::kConfirmCaption, m_hWnd) != IDYES)
        return;
    for (;;) {
        std::string path;
        if (!ChooseExchangeFileToWrite(m_hWnd, path))
            return;
        if (ExportWholeLibrary(path, records))
            return;
        fw::ShowMessageBox(librarydlg::Format(librarydlg::kExportFailedFormat, path.c_str()), MB_OK, std::string(),
                           m_hWnd);
    }
}

void CColorPanelDlg::AddReloadMenuEntry()
{
    HMENU menu = ::GetSystemMenu(m_hWnd, FALSE);
    if (menu == nullptr || ::GetMenuState(menu, kReloadLibraryCommand, MF_BYCOMMAND) != static_cast<UINT>(-1))
        return;
    const std::wstring text = fw::Widen(kReloadLibraryText);
    // The library's entries follow one separator in the order reload,
    // maintenance (32832), overview (32816): go before whichever is there.
    for (UINT later : {32832u, 32816u}) {
        if (::GetMenuState(menu, later, MF_BYCOMMAND) != static_cast<UINT>(-1)) {
            ::InsertMenuW(menu, later, MF_BYCOMMAND | MF_STRING, kReloadLibraryCommand, text.c_str());
            return;
        }
    }
    const int count = ::GetMenuItemCount(menu);
    if (count <= 0 || (::GetMenuState(menu, count - 1, MF_BYPOSITION) & MF_SEPARATOR) == 0)
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu, MF_STRING, kReloadLibraryCommand, text.c_str());
}

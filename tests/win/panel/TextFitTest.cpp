// Texts that fit: every caption and label of the panel (in each mode) and of
// the plug-in's dialogs, measured with the control's own font in the control's
// client area, is either whole or drawn with an ellipsis; a label that cuts
// its text shows the whole text in its tooltip.
#include "PanelFixture.h"

#include "librarydlg/LibraryDialogIds.h"
#include "panel/SchemeOverviewDlg.h"

#include <commctrl.h>

#include <sstream>

namespace panel_test {
namespace {

std::wstring ClassOf(HWND wnd)
{
    wchar_t name[64] = {};
    ::GetClassNameW(wnd, name, 64);
    return name;
}

std::wstring TextOf(HWND wnd)
{
    wchar_t buffer[1024] = {};
    ::GetWindowTextW(wnd, buffer, 1024);
    return buffer;
}

// The room a control leaves its text, in pixels, and how it lays the text
// out; false for a control that draws no text of its own (pictures, frames,
// edit boxes, combo boxes) or that ends a long text with an ellipsis.
bool TextRoom(HWND control, RECT& room, UINT& format, int averageWidth)
{
    const LONG style = ::GetWindowLongW(control, GWL_STYLE);
    ::GetClientRect(control, &room);
    format = DT_CALCRECT | DT_EXPANDTABS;
    const std::wstring kind = ClassOf(control);
    if (kind == L"Static") {
        const LONG type = style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE)
            return false;
        if ((style & SS_ELLIPSISMASK) != 0)
            return false;
        if ((style & SS_NOPREFIX) != 0)
            format |= DT_NOPREFIX;
        const bool oneLine = type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE || (style & SS_CENTERIMAGE) != 0;
        format |= oneLine ? DT_SINGLELINE : DT_WORDBREAK;
        return true;
    }
    if (kind != L"Button" || (style & (BS_ICON | BS_BITMAP)) != 0)
        return false;
    format |= (style & BS_MULTILINE) != 0 ? DT_WORDBREAK : DT_SINGLELINE;
    switch (style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
        // Inside the frame.
        ::InflateRect(&room, -::GetSystemMetrics(SM_CXEDGE), -::GetSystemMetrics(SM_CYEDGE));
        return true;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
        // The box and the gap of half a character before the text.
        room.left += ::GetSystemMetrics(SM_CXMENUCHECK) + averageWidth / 2;
        return true;
    case BS_GROUPBOX:
        room.left += averageWidth;
        room.right -= averageWidth;
        room.bottom = room.top + 2 * averageWidth + 2;  // the caption line only
        format = (format & ~DT_WORDBREAK) | DT_SINGLELINE;
        return true;
    default:
        return false;
    }
}

// The visible controls of a dialog whose text is wider or taller than the
// room the control leaves it, without an ellipsis style: "id "text" needs
// W x H px, has W x H" each, or an empty text when all fit.
std::string Misfits(HWND dialog)
{
    std::ostringstream out;
    for (HWND control = ::GetWindow(dialog, GW_CHILD); control != nullptr;
         control = ::GetWindow(control, GW_HWNDNEXT)) {
        if ((::GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) == 0)
            continue;
        const std::wstring text = TextOf(control);
        if (text.empty())
            continue;
        const HDC dc = ::GetDC(control);
        const auto font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
        const HGDIOBJ old = ::SelectObject(dc, font != nullptr ? font : ::GetStockObject(SYSTEM_FONT));
        TEXTMETRICW metrics = {};
        ::GetTextMetricsW(dc, &metrics);
        RECT room;
        UINT format = 0;
        if (TextRoom(control, room, format, metrics.tmAveCharWidth)) {
            RECT needed = room;
            ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed, format);
            const int width = needed.right - needed.left, height = needed.bottom - needed.top;
            if (width > room.right - room.left || height > room.bottom - room.top)
                out << ::GetDlgCtrlID(control) << " \"" << fw::Narrow(text) << "\" needs " << width << "x" << height
                    << " px, has " << room.right - room.left << "x" << room.bottom - room.top << "\n";
        }
        ::SelectObject(dc, old);
        ::ReleaseDC(control, dc);
    }
    return out.str();
}

// The tooltip the dialog owns, or null.
HWND TooltipOf(HWND dialog)
{
    std::pair<HWND, HWND> found(dialog, nullptr);  // owner, tooltip
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND wnd, LPARAM data) {
            auto* owned = reinterpret_cast<std::pair<HWND, HWND>*>(data);
            if (ClassOf(wnd) == TOOLTIPS_CLASSW && ::GetWindow(wnd, GW_OWNER) == owned->first) {
                owned->second = wnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found.second;
}

// The text the tooltip owned by the dialog shows for the label: what the
// dialog hands the tooltip when it asks, as it does before it shows.
std::wstring TipOf(HWND dialog, int labelId)
{
    const HWND tip = TooltipOf(dialog);
    if (tip == nullptr)
        return L"(no tooltip)";
    wchar_t buffer[1024] = {};
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = dialog;
    tool.uId = reinterpret_cast<UINT_PTR>(::GetDlgItem(dialog, labelId));
    tool.lpszText = buffer;
    ::SendMessageW(tip, TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&tool));
    return tool.lpszText != nullptr ? tool.lpszText : L"";
}

class TextFit : public Panel {
protected:
    static constexpr const char* kLongName = "米色壁纸与胡桃木地面的客厅方案";

    void SetUp() override
    {
        Panel::SetUp();
        // Descriptions of the starter library, longer than the panel's label.
        CombinationLibrary library;
        CombinationRecord record;
        InitCombinationRecord(record, "米色壁纸", "住宅/客厅/", "米色壁纸与胡桃木地面，沉稳舒适");
        library.Append(record);
        InitCombinationRecord(record, "灰蓝现代", "住宅/客厅/", "浅灰蓝墙面配石材地面，清爽现代");
        library.Append(record);
        InitCombinationRecord(record, kLongName, "住宅/客厅/", "短");
        library.Append(record);
        InitCombinationRecord(record, "小", "住宅/卧室/", "短");
        library.Append(record);
        ASSERT_EQ(WriteCombinationFile(libraryPath, library), 1);
    }

    void ClassifyRoom()
    {
        RightClick(100, 50, ID_CLASSIFY_CEILING);
        RightClick(100, 300, ID_CLASSIFY_FLOOR);
        RightClick(20, 150, ID_CLASSIFY_WALL);
    }

    void ChooseLivingRoom()
    {
        CComboTree& tree = CColorPanelDlg::Current()->SpaceTypeBox().Tree();
        HTREEITEM living = tree.GetChildItem(tree.GetRootItem());
        ASSERT_EQ(tree.GetItemText(living), "客厅");
        tree.SelectItem(living);
        ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_TREECOMBO_SELECT, reinterpret_cast<WPARAM>(living), 0);
    }

    // Opens a modal dialog by command and returns what Misfits says of it.
    std::string MisfitsOfModal(UINT command, int expectedId, const char* name)
    {
        std::string found = "(not opened)";
        fw::SetModalDialogHook(
            [&](CDialog& dialog) {
                EXPECT_EQ(dialog.TemplateId(), static_cast<UINT>(expectedId)) << name;
                found = Misfits(dialog.m_hWnd);
                dialog.EndDialog(IDCANCEL);
            },
            5000);
        Command(command);
        fw::PumpMessages();
        fw::SetModalDialogHook(nullptr);
        return found;
    }
};

TEST_F(TextFit, ThePanelInEveryModeShowsWholeTextsOrEllipses)
{
    ASSERT_NE(Go(), nullptr);
    const HWND panel = CColorPanelDlg::Current()->m_hWnd;
    EXPECT_EQ(Misfits(panel), "");

    // Expert mode with a starter description: the label ends it with an
    // ellipsis and its tooltip holds it whole, following the label's text.
    ClassifyRoom();
    ChooseLivingRoom();
    Command(IDC_NEXT_ITEM);
    ASSERT_EQ(ItemText(IDC_DESCRIPTION), "浅灰蓝墙面配石材地面，清爽现代");
    EXPECT_TRUE(GetWindowLongW(Item(IDC_DESCRIPTION), GWL_STYLE) & SS_ENDELLIPSIS);
    EXPECT_EQ(Misfits(panel), "");
    EXPECT_EQ(fw::Narrow(TipOf(panel, IDC_DESCRIPTION)), "浅灰蓝墙面配石材地面，清爽现代");
    Command(IDC_PREVIOUS_ITEM);
    EXPECT_EQ(fw::Narrow(TipOf(panel, IDC_DESCRIPTION)), "米色壁纸与胡桃木地面，沉稳舒适");
    // The pointer resting on the label brings the tooltip up.
    RECT label;
    ::GetWindowRect(Item(IDC_DESCRIPTION), &label);
    ::SetCursorPos((label.left + label.right) / 2, (label.top + label.bottom) / 2);
    const HWND tip = TooltipOf(panel);
    for (int i = 0; i < 100 && tip != nullptr && !::IsWindowVisible(tip); ++i) {
        fw::PumpMessages();
        ::Sleep(30);
    }
    EXPECT_TRUE(tip != nullptr && ::IsWindowVisible(tip));
    // A text that fits has no tooltip.
    EXPECT_EQ(fw::Narrow(TipOf(panel, IDC_PROMPT_LABEL)), "");

    ChooseMode(ModeCycle);
    EXPECT_EQ(Misfits(panel), "");

    ChooseMode(ModeTexture);
    EXPECT_EQ(ItemText(IDC_PROMPT_LABEL), "进行材质贴图更换的贴图路径：");
    // The folder button's own caption "..." is three 6-pixel cells in a
    // button of 12 dialog units, as with SimSun on Windows: the dots' ink
    // (14 px) shows whole, the blank after the last dot is cut.
    EXPECT_EQ(Misfits(panel), "1018 \"...\" needs 18x12 px, has 14x14\n");
    EXPECT_EQ(fw::Narrow(TipOf(panel, IDC_PROMPT_LABEL)), "进行材质贴图更换的贴图路径：");
}

TEST_F(TextFit, EveryDialogOfThePlugInShowsWholeTextsOrEllipses)
{
    ASSERT_NE(Go(), nullptr);
    EXPECT_EQ(MisfitsOfModal(ID_LIBRARY_MAINTENANCE, IDD_LIBRARY_MAINTENANCE, "maintenance"), "");

    // The replace confirmation of a merge import, for a record of the
    // library with a long name and a long new description; then the
    // maintenance dialog with the import's status message.
    CombinationLibrary incoming;
    CombinationRecord record;
    std::string longDescription;
    for (int i = 0; i < 8; ++i)
        longDescription += "浅灰蓝墙面配石材地面，清爽现代。";
    InitCombinationRecord(record, kLongName, "住宅/客厅/", longDescription.c_str());
    incoming.Append(record);
    const std::string importPath = libraryPath + ".import.tgv";
    ASSERT_EQ(WriteCombinationFile(importPath, incoming), 1);
    fw::SetFileDialogHandler([&](const fw::FileDialogRequest&, std::string& path) {
        path = importPath;
        return true;
    });
    std::string maintenance = "(not opened)", confirmation = "(not opened)", nameTip, descriptionTip;
    fw::SetModalDialogHook(
        [&](CDialog& dialog) {
            if (dialog.TemplateId() == IDD_REPLACE_CONFIRM) {
                confirmation = Misfits(dialog.m_hWnd);
                nameTip = fw::Narrow(TipOf(dialog.m_hWnd, IDC_REPLACE_IN_NAME));
                descriptionTip = fw::Narrow(TipOf(dialog.m_hWnd, IDC_REPLACE_IN_DESCRIPTION));
                ::SendMessageW(::GetDlgItem(dialog.m_hWnd, IDC_REPLACE_NONE), BM_CLICK, 0, 0);
                return;
            }
            ::SendMessageW(::GetDlgItem(dialog.m_hWnd, IDC_MAINT_IMPORT), BM_CLICK, 0, 0);
            maintenance = Misfits(dialog.m_hWnd);
            dialog.EndDialog(IDCANCEL);
        },
        5000);
    Command(ID_LIBRARY_MAINTENANCE);
    fw::PumpMessages();
    fw::SetModalDialogHook(nullptr);
    fw::SetFileDialogHandler(nullptr);
    Remove(importPath);
    EXPECT_EQ(confirmation, "");
    EXPECT_EQ(nameTip, kLongName);
    EXPECT_EQ(descriptionTip, longDescription);
    EXPECT_EQ(maintenance, "");

    ClassifyRoom();
    ASSERT_TRUE(Enabled(IDC_LIBRARY_BUTTON));
    EXPECT_EQ(MisfitsOfModal(IDC_LIBRARY_BUTTON, IDD_ADD_COMBINATION, "add"), "");

    ChooseLivingRoom();
    Command(ID_SCHEME_OVERVIEW);
    ASSERT_NE(CColorPanelDlg::Current()->Overview(), nullptr);
    EXPECT_EQ(Misfits(CColorPanelDlg::Current()->Overview()->m_hWnd), "");

    std::string query = "(not opened)";
    fw::SetModalDialogHook(
        [&](CDialog& dialog) {
            query = Misfits(dialog.m_hWnd);
            dialog.EndDialog(IDCANCEL);
        },
        5000);
    menuAnswer = ID_ITEM_QUERY;
    ::SendMessageW(Item(IDC_ITEM_MENU), BM_CLICK, 0, 0);
    fw::PumpMessages();
    fw::SetModalDialogHook(nullptr);
    EXPECT_EQ(query, "");
}

}  // namespace
}  // namespace panel_test

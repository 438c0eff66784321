// The panel's resources as the plug-in links them: dialog template 1001 with
// its controls in tab order, positions and initial states; the item-menu
// glyph; the folder browser titles.
#include "framework/Framework.h"
#include "panel/ClrSlider.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct TemplateControl {
    int id;
    int x, y, width, height;  // dialog units
    bool visible;
    bool enabled;
};

// Template order, which is the tab order.
const TemplateControl kControls[] = {
    {1001, 4, 84, 95, 14, true, true},   {1002, 4, 50, 56, 14, true, false},  {1003, 4, 5, 95, 106, true, true},
    {1004, 4, 67, 20, 14, true, true},   {1010, 4, 22, 95, 8, true, true},    {1007, 4, 33, 95, 297, true, true},
    {1009, 4, 33, 85, 12, false, true},  {1012, 4, 33, 84, 12, false, true},  {1013, 4, 105, 83, 8, true, true},
    {1016, 26, 67, 21, 14, true, true},  {1005, 51, 67, 20, 14, true, true},  {1018, 87, 33, 12, 12, false, true},
    {1019, 76, 70, 22, 8, true, true},   {1020, 4, 117, 95, 43, true, true},  {1006, 82, 50, 17, 14, true, false},
    {1021, 88, 101, 11, 14, true, true}, {1011, 4, 50, 85, 12, false, true},  {1014, 4, 67, 85, 12, false, true},
    {1025, 90, 35, 8, 8, false, true},   {1026, 90, 53, 8, 8, false, true},   {1027, 90, 72, 8, 8, false, true},
};

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

class PanelTemplate : public ::testing::Test {
protected:
    HWND dialog = nullptr;
    void SetUp() override
    {
        ASSERT_TRUE(CClrSlider::Register());
        dialog = CreateDialogParamW(fw::ResourceInstance(), MAKEINTRESOURCEW(IDD_COLOR_PANEL), nullptr, PlainDialogProc, 0);
        ASSERT_NE(dialog, nullptr) << GetLastError();
    }
    void TearDown() override { DestroyWindow(dialog); }
    // Pixels of a template rectangle: the dialog manager converts position
    // and size separately.
    RECT Units(int x, int y, int width, int height) const
    {
        RECT r = {x, y, width, height};
        MapDialogRect(dialog, &r);
        return RECT{r.left, r.top, r.left + r.right, r.top + r.bottom};
    }
};

TEST_F(PanelTemplate, ControlsComeInTabOrderAtTheirPlacesAndStates)
{
    std::vector<int> order;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        order.push_back(GetDlgCtrlID(child));
    std::vector<int> expected;
    for (const TemplateControl& c : kControls)
        expected.push_back(c.id);
    EXPECT_EQ(order, expected);

    for (const TemplateControl& c : kControls) {
        HWND control = GetDlgItem(dialog, c.id);
        ASSERT_NE(control, nullptr) << c.id;
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        const RECT want = Units(c.x, c.y, c.width, c.height);
        EXPECT_EQ(r.left, want.left) << c.id;
        EXPECT_EQ(r.top, want.top) << c.id;
        EXPECT_EQ(r.right, want.right) << c.id;
        if (c.id != IDC_MODE_LIST && c.id != IDC_SPACE_TYPE) {  // a combo box's height is its edit's
            EXPECT_EQ(r.bottom, want.bottom) << c.id;
        }
        const LONG style = GetWindowLongW(control, GWL_STYLE);
        EXPECT_EQ((style & WS_VISIBLE) != 0, c.visible) << c.id;
        EXPECT_EQ((style & WS_DISABLED) == 0, c.enabled) << c.id;
    }
}

TEST_F(PanelTemplate, FrameCaptionFontAndControlKinds)
{
    EXPECT_EQ(fw::GetText(dialog), "染界");
    const LONG style = GetWindowLongW(dialog, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & WS_VISIBLE);
    RECT client;
    GetClientRect(dialog, &client);
    const RECT want = Units(0, 0, 103, 165);
    EXPECT_EQ(client.right, want.right);
    EXPECT_EQ(client.bottom, want.bottom);

    LOGFONTW font = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, L"\x5B8B\x4F53");  // 宋体

    auto kind = [&](int id) {
        wchar_t name[32] = {};
        GetClassNameW(GetDlgItem(dialog, id), name, 32);
        return std::wstring(name);
    };
    EXPECT_EQ(kind(IDC_HUE_SLIDER), L"CClrSlider");
    EXPECT_EQ(kind(IDC_SATURATION_SLIDER), L"CClrSlider");
    EXPECT_EQ(kind(IDC_BRIGHTNESS_SLIDER), L"CClrSlider");
    EXPECT_EQ(GetWindowLongW(GetDlgItem(dialog, IDC_MODE_LIST), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
    EXPECT_EQ(GetWindowLongW(GetDlgItem(dialog, IDC_SPACE_TYPE), GWL_STYLE) & 3, CBS_DROPDOWN);
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(dialog, IDC_TEXTURE_FOLDER), GWL_STYLE) & ES_READONLY);
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(dialog, IDC_ITEM_MENU), GWL_STYLE) & BS_ICON);
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(dialog, IDC_ITEM_NUMBER), GWL_STYLE) & SS_SUNKEN);
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(dialog, IDC_CYCLE_HUE), GWL_STYLE) & WS_GROUP);
    for (int id : {IDC_CYCLE_HUE, IDC_CYCLE_SATURATION, IDC_CYCLE_BRIGHTNESS})
        EXPECT_EQ(GetWindowLongW(GetDlgItem(dialog, id), GWL_STYLE) & 0xF, BS_AUTORADIOBUTTON) << id;
    const std::pair<int, const char*> texts[] = {{1001, "自动换色"}, {1002, "加入图库"}, {1004, "<<"},
                                                 {1005, ">>"},       {1010, "空间类型："}, {1018, "..."},
                                                 {1021, "？"}};
    for (const auto& [id, text] : texts)
        EXPECT_EQ(fw::GetText(GetDlgItem(dialog, id)), text) << id;
}

TEST(PanelResources, MenuGlyphIsA15By17PictureOnMagenta)
{
    HBITMAP glyph = static_cast<HBITMAP>(
        LoadImageW(fw::ResourceInstance(), MAKEINTRESOURCEW(IDB_MENU_GLYPH), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(glyph, nullptr);
    BITMAP info = {};
    GetObjectW(glyph, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 15);
    EXPECT_EQ(info.bmHeight, 17);

    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, glyph);
    int magenta = 0, black = 0;
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 15; ++x) {
            const COLORREF c = GetPixel(dc, x, y);
            magenta += c == RGB(255, 0, 255);
            black += c == RGB(0, 0, 0);
        }
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 255));
    EXPECT_EQ(GetPixel(dc, 7, 15), RGB(0, 0, 0));  // the tip of the arrow, at the bottom
    EXPECT_EQ(magenta + black, 15 * 17);
    EXPECT_GT(black, 20);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(glyph);
}

TEST(PanelResources, FolderBrowserTitles)
{
    EXPECT_EQ(fw::LoadResourceString(IDS_TEXTURE_FOLDER_TITLE), "选择进行材质贴图更换的贴图路径：");
    EXPECT_EQ(fw::LoadResourceString(IDS_EXTRACT_FOLDER_TITLE), "选择提取出的贴图所放的目录");
}

}  // namespace

namespace {

// Dialog 1004: the fuzzy query, its frame and its controls in tab order.
TEST(FuzzyQueryTemplate, FrameCaptionAndControlsInTabOrder)
{
    HWND dialog =
        CreateDialogParamW(fw::ResourceInstance(), MAKEINTRESOURCEW(IDD_FUZZY_QUERY), nullptr, PlainDialogProc, 0);
    ASSERT_NE(dialog, nullptr) << GetLastError();
    EXPECT_EQ(fw::GetText(dialog), "模糊查询");
    const LONG style = GetWindowLongW(dialog, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    RECT client;
    GetClientRect(dialog, &client);
    RECT units = {0, 0, 187, 81};
    MapDialogRect(dialog, &units);
    EXPECT_EQ(client.right, units.right);
    EXPECT_EQ(client.bottom, units.bottom);

    struct Control {
        int id;
        const char* text;
        int x, y, width, height;
    };
    const Control expected[] = {
        {IDOK, "确定", 43, 60, 50, 14},          {IDCANCEL, "取消", 105, 60, 50, 14},
        {-1, "名称中包含：", 9, 13, 49, 8},      {-1, "说明中包含：", 9, 33, 49, 8},
        {1020, "", 59, 10, 80, 13},              {1013, "", 59, 32, 80, 13},
        {1023, "需要", 148, 13, 32, 10},         {1024, "需要", 148, 33, 32, 10},
    };
    HWND child = GetWindow(dialog, GW_CHILD);
    for (const Control& c : expected) {
        ASSERT_NE(child, nullptr) << c.text;
        EXPECT_EQ(GetDlgCtrlID(child), c.id) << c.text;
        EXPECT_EQ(fw::GetText(child), c.text);
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        RECT want = {c.x, c.y, c.width, c.height};
        MapDialogRect(dialog, &want);
        EXPECT_EQ(r.left, want.left) << c.text;
        EXPECT_EQ(r.top, want.top) << c.text;
        EXPECT_EQ(r.right - r.left, want.right) << c.text;
        child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr);
    EXPECT_TRUE(GetWindowLongW(GetDlgItem(dialog, IDOK), GWL_STYLE) & BS_DEFPUSHBUTTON);
    for (int id : {1020, 1013})
        EXPECT_TRUE(GetWindowLongW(GetDlgItem(dialog, id), GWL_STYLE) & ES_AUTOHSCROLL) << id;
    for (int id : {1023, 1024})
        EXPECT_EQ(GetWindowLongW(GetDlgItem(dialog, id), GWL_STYLE) & BS_TYPEMASK, BS_AUTOCHECKBOX) << id;
    DestroyWindow(dialog);
}

}  // namespace

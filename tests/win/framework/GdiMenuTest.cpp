// GDI wrappers own their objects and put back what they replaced; menus load,
// build, and are tracked through the popup seam.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <type_traits>

static_assert(!std::is_copy_constructible_v<CBitmap> && std::is_nothrow_move_constructible_v<CBitmap>);
static_assert(!std::is_copy_assignable_v<CBrush> && std::is_move_assignable_v<CBrush>);
static_assert(!std::is_copy_constructible_v<CMemoryDC> && std::is_move_constructible_v<CMemoryDC>);
static_assert(!std::is_copy_constructible_v<CImageList> && !std::is_copy_constructible_v<CMenu>);

namespace {

std::uint32_t Pixel(const void* bits, int width, int x, int y)
{
    return static_cast<const std::uint32_t*>(bits)[y * width + x] & 0xFFFFFFu;
}

TEST(Gdi, SelectionGuardsPutBackWhatTheyReplaced)
{
    CMemoryDC dc(nullptr);
    ASSERT_TRUE(dc.GetSafeHdc());
    const HGDIOBJ oldBitmap = GetCurrentObject(dc, OBJ_BITMAP);
    const HGDIOBJ oldBrush = GetCurrentObject(dc, OBJ_BRUSH);
    const HGDIOBJ oldPen = GetCurrentObject(dc, OBJ_PEN);
    const HGDIOBJ oldFont = GetCurrentObject(dc, OBJ_FONT);
    {
        CBitmap bitmap;
        ASSERT_TRUE(bitmap.CreateDIBSection32(dc, 8, 8, nullptr));
        CSelectGuard selectBitmap(dc, bitmap);
        EXPECT_EQ(selectBitmap.Old(), oldBitmap);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), bitmap.GetSafeHandle());
        {
            CBrush brush(RGB(1, 2, 3));
            CPen pen(PS_SOLID, 1, RGB(4, 5, 6));
            CFont font;
            ASSERT_TRUE(font.CreatePointFont(90, "宋体"));
            CSelectGuard selectBrush(dc, brush);
            CSelectGuard selectPen(dc, pen);
            CSelectGuard selectFont(dc, font);
            EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush.GetSafeHandle());
            EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen.GetSafeHandle());
            EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font.GetSafeHandle());
        }
        EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), oldBrush);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), oldPen);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), oldFont);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), bitmap.GetSafeHandle());
    }
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), oldBitmap);
}

TEST(Gdi, OwnershipMovesAndEndsWithTheLastOwner)
{
    HGDIOBJ handle = nullptr;
    {
        CBrush first(RGB(10, 20, 30));
        handle = first.GetSafeHandle();
        ASSERT_TRUE(handle);
        CBrush second(std::move(first));
        EXPECT_EQ(first.GetSafeHandle(), nullptr);
        EXPECT_EQ(second.GetSafeHandle(), handle);
        CBrush third;
        third = std::move(second);
        EXPECT_EQ(third.GetSafeHandle(), handle);
        EXPECT_EQ(GetObjectType(handle), static_cast<DWORD>(OBJ_BRUSH));
    }
    EXPECT_EQ(GetObjectType(handle), 0u);

    CBrush kept(RGB(1, 1, 1));
    const HGDIOBJ detached = kept.Detach();
    EXPECT_EQ(kept.GetSafeHandle(), nullptr);
    EXPECT_EQ(GetObjectType(detached), static_cast<DWORD>(OBJ_BRUSH));
    DeleteObject(detached);
}

TEST(Gdi, DrawsIntoADibSection)
{
    CMemoryDC dc(nullptr);
    CBitmap dib;
    void* bits = nullptr;
    ASSERT_TRUE(dib.CreateDIBSection32(dc, 20, 10, &bits));
    ASSERT_TRUE(bits);
    EXPECT_EQ(dib.GetSize().cx, 20);
    EXPECT_EQ(dib.GetSize().cy, 10);
    CSelectGuard select(dc, dib);
    dc.FillSolidRect(RECT{0, 0, 20, 10}, RGB(10, 20, 30));
    dc.Draw3dRect(RECT{2, 2, 12, 8}, RGB(255, 255, 255), RGB(0, 0, 0));
    GdiFlush();
    EXPECT_EQ(Pixel(bits, 20, 0, 0), 0x0A141Eu);  // BGR bytes: row 0 is the top row
    EXPECT_EQ(Pixel(bits, 20, 2, 2), 0xFFFFFFu);
    EXPECT_EQ(Pixel(bits, 20, 2, 6), 0xFFFFFFu);
    EXPECT_EQ(Pixel(bits, 20, 11, 2), 0u);
    EXPECT_EQ(Pixel(bits, 20, 5, 7), 0u);
    EXPECT_EQ(Pixel(bits, 20, 5, 5), 0x0A141Eu);
    EXPECT_EQ(Pixel(bits, 20, 12, 8), 0x0A141Eu);

    CFont font;
    font.CreatePointFont(120, "宋体");
    CSelectGuard selectFont(dc, font);
    const SIZE one = dc.GetTextExtent("表");
    const SIZE two = dc.GetTextExtent("表表");
    EXPECT_GT(one.cx, 0);
    EXPECT_EQ(two.cx, 2 * one.cx);
}

TEST(Gdi, ImageListCutsAMaskedBitmapAndMakesIcons)
{
    CMemoryDC dc(nullptr);
    CBitmap strip;
    void* bits = nullptr;
    ASSERT_TRUE(strip.CreateDIBSection32(dc, 30, 17, &bits));
    {
        CSelectGuard select(dc, strip);
        dc.FillSolidRect(RECT{0, 0, 30, 17}, RGB(255, 0, 255));
        dc.FillSolidRect(RECT{3, 3, 12, 14}, RGB(0, 0, 128));
    }
    CImageList images;
    ASSERT_TRUE(images.Create(15, 17, ILC_COLOR32 | ILC_MASK, 2, 0));
    EXPECT_EQ(images.Add(strip, RGB(255, 0, 255)), 0);
    EXPECT_EQ(images.GetImageCount(), 2);
    CIcon icon = images.MakeIcon(0);
    EXPECT_TRUE(static_cast<HICON>(icon));
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    CImageList moved(std::move(images));
    EXPECT_EQ(images.GetSafeHandle(), nullptr);
    EXPECT_EQ(moved.GetImageCount(), 2);
}

TEST(Menus, LoadFromTheResourcesWithChineseTexts)
{
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDM_TEST));
    EXPECT_EQ(menu.GetMenuString(0), "表面分类");
    CMenu popup = menu.GetSubMenu(0);
    ASSERT_TRUE(popup.GetSafeHmenu());
    EXPECT_EQ(popup.GetMenuItemCount(), 4);
    EXPECT_EQ(popup.GetMenuString(0), "顶棚表面");
    EXPECT_EQ(popup.GetMenuString(ID_FLOOR, MF_BYCOMMAND), "地面表面");
    EXPECT_EQ(popup.GetMenuItemID(1), static_cast<UINT>(ID_WALL));
    EXPECT_EQ(popup.GetMenuItemID(2), 0u);  // separator
    EXPECT_FALSE(menu.GetSubMenu(5).GetSafeHmenu());
}

TEST(Menus, BuildAndTrackThroughTheSeam)
{
    CTestDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_TEST));
    dialog.log.clear();
    CMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    ASSERT_TRUE(menu.AppendMenu(MF_STRING, ID_ITEM_FIRST, "第1项：客厅"));
    ASSERT_TRUE(menu.AppendSeparator());
    ASSERT_TRUE(menu.AppendMenu(MF_STRING | MF_GRAYED, ID_ITEM_FIRST + 1, "第2项"));
    CMenu sub;
    sub.CreatePopupMenu();
    sub.AppendMenu(MF_STRING, ID_CEILING, "顶棚表面");
    const HMENU subHandle = sub;
    ASSERT_TRUE(menu.AppendPopup(std::move(sub), "更多"));
    EXPECT_EQ(sub.GetSafeHmenu(), nullptr);
    EXPECT_EQ(menu.GetSubMenu(3).GetSafeHmenu(), subHandle);
    EXPECT_EQ(menu.GetMenuItemCount(), 4);
    EXPECT_TRUE(menu.GetMenuState(ID_ITEM_FIRST + 1) & MF_GRAYED);

    std::vector<std::string> shown;
    UINT answer = ID_ITEM_FIRST;
    const fw::PopupMenuHandler previous = fw::SetPopupMenuHandler([&](HMENU handle, UINT, int x, int y, HWND owner) {
        CMenu seen = CMenu::FromHandle(handle);
        for (int i = 0; i < seen.GetMenuItemCount(); ++i) shown.push_back(seen.GetMenuString(i));
        EXPECT_EQ(owner, dialog.m_hWnd);
        EXPECT_EQ(x, 100);
        EXPECT_EQ(y, 200);
        return answer;
    });
    EXPECT_TRUE(menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, 100, 200, dialog));
    EXPECT_TRUE(dialog.log.empty());  // the command is posted, as the real menu does
    fw::PumpMessages();
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"item 32776"}));
    EXPECT_EQ(shown, (std::vector<std::string>{"第1项：客厅", "", "第2项", "更多"}));

    answer = ID_CEILING;
    EXPECT_EQ(menu.TrackPopupMenu(TPM_RETURNCMD, 100, 200, dialog), static_cast<UINT>(ID_CEILING));
    answer = 0;
    EXPECT_FALSE(menu.TrackPopupMenu(0, 100, 200, dialog));
    fw::PumpMessages();
    EXPECT_EQ(dialog.log.size(), 1u);
    fw::SetPopupMenuHandler(previous);
    dialog.DestroyWindow();
}

TEST(Controls, ListsAndTreesTakeChineseTexts)
{
    CTestDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_TEST));
    CComboBox combo;
    ASSERT_TRUE(combo.SubclassDlgItem(IDC_CHOICE, dialog));
    EXPECT_EQ(combo.GetLBText(2), "选择贴图");
    EXPECT_EQ(combo.FindStringExact(-1, "颜色循环"), 1);
    combo.AddString("新项");
    EXPECT_EQ(combo.GetCount(), 4);
    CListBox list;
    ASSERT_TRUE(list.SubclassDlgItem(IDC_LIST, dialog));
    EXPECT_EQ(list.GetText(3), "卫生间");

    CTreeCtrl tree;
    ASSERT_TRUE(tree.Create(WS_POPUP | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, RECT{0, 0, 100, 100},
                            dialog, 0));
    const HTREEITEM home = tree.InsertItem("住宅");
    const HTREEITEM room = tree.InsertItem("客厅", home);
    tree.InsertItem("卧室", home);
    EXPECT_EQ(tree.GetRootItem(), home);
    EXPECT_EQ(tree.GetChildItem(home), room);
    EXPECT_EQ(tree.GetParentItem(room), home);
    EXPECT_EQ(tree.GetItemText(tree.GetNextSiblingItem(room)), "卧室");
    EXPECT_EQ(tree.GetCount(), 3u);
    EXPECT_TRUE(tree.SelectItem(room));
    EXPECT_EQ(tree.GetSelectedItem(), room);
    EXPECT_EQ(tree.GetItemText(tree.GetSelectedItem()), "客厅");
    EXPECT_TRUE(tree.DeleteAllItems());
    EXPECT_EQ(tree.GetCount(), 0u);
    dialog.DestroyWindow();
}

}  // namespace

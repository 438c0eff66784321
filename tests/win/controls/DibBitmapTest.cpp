#include "controls/DibBitmap.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

HGDIOBJ SelectedBitmap(HDC dc) { return ::GetCurrentObject(dc, OBJ_BITMAP); }

}  // namespace

TEST(DibBitmap, CreatesABottomUpSectionWithOrWithoutAReferenceContext)
{
    CDibBitmap image;
    ASSERT_TRUE(image.Create(nullptr, 5, 3, 32));
    EXPECT_EQ(image.width, 5);
    EXPECT_EQ(image.height, 3);
    EXPECT_NE(image.bits, nullptr);
    EXPECT_EQ(image.GetSafeHandle(), image.bitmap);
    DIBSECTION section = {};
    ASSERT_EQ(::GetObjectW(image.bitmap, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBmih.biHeight, 3) << "positive height: rows run bottom-up";
    EXPECT_EQ(section.dsBmih.biBitCount, 32);
    EXPECT_EQ(section.dsBmih.biCompression, static_cast<DWORD>(BI_RGB));

    CDibBitmap refused;
    EXPECT_FALSE(refused.Create(nullptr, 0, 0, 32));
    EXPECT_EQ(refused.GetSafeHandle(), nullptr);
    EXPECT_EQ(refused.bits, nullptr);
}

TEST(DibMemDC, ReleaseWithoutADibDoesNothing)
{
    CDibMemDC empty;
    empty.Release();  // not even a context
    EXPECT_FALSE(empty.HasDIB());

    CDibMemDC dc;
    dc.Attach(::CreateCompatibleDC(nullptr));
    const HGDIOBJ original = SelectedBitmap(dc);
    dc.Release();
    EXPECT_EQ(SelectedBitmap(dc), original);
    EXPECT_EQ(dc.Pixel(0, 0), nullptr);
}

TEST(DibMemDC, CreateSelectsTheDibAndReleaseGivesThePreviousBitmapBack)
{
    CDibMemDC dc;
    dc.Attach(::CreateCompatibleDC(nullptr));
    const HGDIOBJ original = SelectedBitmap(dc);
    ASSERT_TRUE(dc.CreateDIB(4, 3, 32));
    const HBITMAP first = dc.Image().bitmap;
    EXPECT_TRUE(dc.HasDIB());
    EXPECT_EQ(SelectedBitmap(dc), first);

    // Drawing into the context lands in the pixels; Pixel counts from the top.
    ::SetPixelV(dc, 1, 0, RGB(10, 20, 30));
    ::GdiFlush();
    const std::uint8_t* p = dc.Pixel(1, 0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], 30);
    EXPECT_EQ(p[1], 20);
    EXPECT_EQ(p[2], 10);
    EXPECT_EQ(static_cast<const std::uint8_t*>(dc.Image().bits) + (2 * 4 + 1) * 4, p) << "top row is stored last";
    EXPECT_EQ(dc.Pixel(4, 0), nullptr);
    EXPECT_EQ(dc.Pixel(0, 3), nullptr);

    // Creating again replaces the DIB: the first one is deleted.
    ASSERT_TRUE(dc.CreateDIB(8, 2, 32));
    EXPECT_EQ(::GetObjectType(first), 0u);
    EXPECT_EQ(SelectedBitmap(dc), dc.Image().bitmap);
    EXPECT_EQ(dc.Image().width, 8);

    const HBITMAP second = dc.Image().bitmap;
    dc.Release();
    EXPECT_FALSE(dc.HasDIB());
    EXPECT_EQ(SelectedBitmap(dc), original);
    EXPECT_EQ(::GetObjectType(second), 0u);
    dc.Release();  // twice is harmless
    EXPECT_EQ(SelectedBitmap(dc), original);
}

TEST(DibMemDC, AFailedCreateLeavesNoDibAndThePreviousBitmap)
{
    CDibMemDC dc;
    dc.Attach(::CreateCompatibleDC(nullptr));
    const HGDIOBJ original = SelectedBitmap(dc);
    ASSERT_TRUE(dc.CreateDIB(4, 4, 32));
    const HBITMAP dib = dc.Image().bitmap;
    EXPECT_FALSE(dc.CreateDIB(0, 4, 32));
    EXPECT_FALSE(dc.HasDIB());
    EXPECT_EQ(SelectedBitmap(dc), original);
    EXPECT_EQ(::GetObjectType(dib), 0u);

    // Without a context there is nothing to select into.
    CDibMemDC none;
    EXPECT_FALSE(none.CreateDIB(4, 4, 32));
    EXPECT_FALSE(none.HasDIB());
}

TEST(DibMemDC, DestructionDeletesTheDibAndTheContext)
{
    HDC handle = nullptr;
    HBITMAP dib = nullptr;
    {
        CDibMemDC dc;
        dc.Attach(::CreateCompatibleDC(nullptr));
        handle = dc.GetSafeHdc();
        ASSERT_TRUE(dc.CreateDIB(2, 2, 32));
        dib = dc.Image().bitmap;
    }
    EXPECT_EQ(::GetObjectType(dib), 0u);
    EXPECT_EQ(::GetObjectType(handle), 0u);
}

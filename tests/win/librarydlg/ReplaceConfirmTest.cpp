// Dialog 1006 as the merge import shows it: which record is which, the three
// materials of each as swatches with their texture names, and the fields in
// which the two records differ drawn in red.
#include "DialogTestUi.h"
#include "LibraryDialogIds.h"
#include "ReplaceConfirmDlg.h"

#include <gtest/gtest.h>

#include <map>

namespace {

constexpr COLORREF kRed = CReplaceConfirmDlg::kDifferenceColour;

CombinationRecord Record(const std::string& name, const std::string& description)
{
    CombinationRecord record = TestRecord(name, "住宅/客厅/", description);
    const float colours[3][3] = {{0.9f, 0.9f, 0.85f}, {0.5f, 0.3f, 0.1f}, {0.2f, 0.4f, 0.8f}};
    for (int slot = 0; slot < 3; ++slot)
        for (int c = 0; c < 3; ++c)
            record.materials[slot].color[c] = colours[slot][c];
    SetField(record.materials[0].mapFile[0], "");
    SetField(record.materials[1].mapFile[0], "C:\\贴图\\oak_floor.jpg");
    return record;
}

// What the user sees of one static: its text and the colours it is drawn in,
// asked of the dialog as the control asks when it paints.
struct Look {
    std::string text;
    COLORREF textColour;
    COLORREF background;
};

Look LookOf(CDialog& dialog, int id)
{
    const HWND control = dialog.GetDlgItem(id);
    HDC dc = CreateCompatibleDC(nullptr);
    SetTextColor(dc, RGB(1, 2, 3));
    const auto brush = reinterpret_cast<HBRUSH>(
        dialog.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
    LOGBRUSH logBrush{};
    GetObjectW(brush, sizeof logBrush, &logBrush);
    Look look{fw::GetText(control), GetTextColor(dc), logBrush.lbColor};
    DeleteDC(dc);
    return look;
}

// The texts of the group boxes, left to right.
std::vector<std::string> GroupBoxes(CDialog& dialog)
{
    std::map<LONG, std::string> byLeft;
    for (HWND child = GetWindow(dialog.m_hWnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK) != BS_GROUPBOX)
            continue;
        wchar_t cls[32] = {};
        GetClassNameW(child, cls, 32);
        if (std::wstring(cls) != L"Button")
            continue;
        RECT rect;
        GetWindowRect(child, &rect);
        byLeft[rect.left] = fw::GetText(child);
    }
    std::vector<std::string> texts;
    for (const auto& entry : byLeft)
        texts.push_back(entry.second);
    return texts;
}

class ReplaceConfirm : public ::testing::Test {
protected:
    // Runs the dialog on the two records; action inspects it and ends it.
    INT_PTR Run(const CombinationRecord& incoming, const CombinationRecord& existing,
                std::function<void(CReplaceConfirmDlg&)> action)
    {
        CReplaceConfirmDlg dialog;
        dialog.SetRecords(incoming, existing);
        ui.dialogActions.push_back([&dialog, action](CDialog&) { action(dialog); });
        return dialog.DoModal();
    }

    DialogTestUi ui;
};

TEST_F(ReplaceConfirm, TheLeftBoxHoldsTheIncomingRecordAndTheRightOneTheStoredRecord)
{
    CombinationRecord incoming = Record("暖色客厅", "新的说明");
    CombinationRecord existing = Record("暖色客厅", "旧的说明");
    Run(incoming, existing, [](CReplaceConfirmDlg& dlg) {
        EXPECT_EQ(fw::GetText(dlg.m_hWnd), "确认是否替换图库中原有的记录");
        EXPECT_EQ(GroupBoxes(dlg), (std::vector<std::string>{"准备导入的", "图库中原有的"}));
        EXPECT_EQ(TextOf(dlg, IDC_REPLACE_IN_NAME), "暖色客厅");
        EXPECT_EQ(TextOf(dlg, IDC_REPLACE_IN_DESCRIPTION), "新的说明");
        EXPECT_EQ(TextOf(dlg, IDC_REPLACE_OLD_DESCRIPTION), "旧的说明");
        EXPECT_EQ(TextOf(dlg, IDC_REPLACE_OLD_CATEGORY), "住宅/客厅/");
        // Each side labels its material row "材质".
        int materialLabels = 0;
        for (HWND child = GetWindow(dlg.m_hWnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            materialLabels += fw::GetText(child) == "材质" ? 1 : 0;
        EXPECT_EQ(materialLabels, 2);
        // Swatch captions in the order ceiling, wall, floor on both sides.
        for (int first : {IDC_REPLACE_IN_SURFACE_FIRST, IDC_REPLACE_OLD_SURFACE_FIRST}) {
            EXPECT_EQ(TextOf(dlg, first), "顶棚");
            EXPECT_EQ(TextOf(dlg, first + 1), "墙面");
            EXPECT_EQ(TextOf(dlg, first + 2), "地面");
        }
        // Each stands in its group box, under the description.
        RECT left, right, description, swatch;
        GetWindowRect(dlg.GetDlgItem(IDC_REPLACE_IN_SWATCH_FIRST + 2), &left);
        GetWindowRect(dlg.GetDlgItem(IDC_REPLACE_OLD_SWATCH_FIRST), &right);
        GetWindowRect(dlg.GetDlgItem(IDC_REPLACE_IN_DESCRIPTION), &description);
        GetWindowRect(dlg.GetDlgItem(IDC_REPLACE_IN_SWATCH_FIRST), &swatch);
        EXPECT_LT(left.right, right.left);
        EXPECT_GE(swatch.top, description.bottom);
        dlg.EndDialog(IDCANCEL);
    });
}

TEST_F(ReplaceConfirm, SwatchesShowEachMaterialsColourAndTextureFileName)
{
    CombinationRecord record = Record("r", "d");
    Run(record, record, [](CReplaceConfirmDlg& dlg) {
        // Column 0 ceiling, 1 wall, 2 floor.
        EXPECT_EQ(LookOf(dlg, IDC_REPLACE_IN_SWATCH_FIRST).background, RGB(229, 229, 216));
        EXPECT_EQ(LookOf(dlg, IDC_REPLACE_IN_SWATCH_FIRST + 1).background, RGB(51, 102, 204));
        EXPECT_EQ(LookOf(dlg, IDC_REPLACE_OLD_SWATCH_FIRST + 2).background, RGB(127, 76, 25));
        EXPECT_EQ(TextOf(dlg, IDC_REPLACE_IN_TEXTURE_FIRST), "");
        EXPECT_EQ(TextOf(dlg, IDC_REPLACE_IN_TEXTURE_FIRST + 1), "");
        EXPECT_EQ(TextOf(dlg, IDC_REPLACE_IN_TEXTURE_FIRST + 2), "oak_floor.jpg");
        EXPECT_EQ(TextOf(dlg, IDC_REPLACE_OLD_TEXTURE_FIRST + 2), "oak_floor.jpg");

        // The swatch is painted in that colour on the screen, not only asked for.
        const HWND swatch = dlg.GetDlgItem(IDC_REPLACE_IN_SWATCH_FIRST + 1);
        RedrawWindow(swatch, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        RECT client;
        GetClientRect(swatch, &client);
        HDC dc = GetDC(swatch);
        const COLORREF middle = GetPixel(dc, client.right / 2, client.bottom / 2);
        ReleaseDC(swatch, dc);
        EXPECT_EQ(middle, RGB(51, 102, 204));

        // Identical records: nothing is red.
        for (int id = IDC_REPLACE_IN_NAME; id <= IDC_REPLACE_OLD_SURFACE_FIRST + 2; ++id)
            EXPECT_FALSE(dlg.Differs(id)) << id;
        EXPECT_NE(LookOf(dlg, IDC_REPLACE_IN_NAME).textColour, kRed);
        dlg.EndDialog(IDCANCEL);
    });
}

TEST_F(ReplaceConfirm, EveryDifferingFieldIsRedOnBothSidesAndOnlyThose)
{
    CombinationRecord incoming = Record("Warm", "新的说明");
    CombinationRecord existing = Record("WARM", "新的说明");  // matched regardless of case
    SetField(existing.roomCategory, "住宅/客厅/");
    incoming.materials[0].color[0] = 0.5f;                        // ceiling colour
    SetField(existing.materials[1].mapFile[0], "C:\\贴图\\stone.jpg");  // floor texture
    SetField(existing.shortDescription, "旧的说明");
    Run(incoming, existing, [](CReplaceConfirmDlg& dlg) {
        for (int id : {IDC_REPLACE_IN_NAME, IDC_REPLACE_OLD_NAME})
            EXPECT_EQ(LookOf(dlg, id).textColour, kRed) << id;
        for (int id : {IDC_REPLACE_IN_CATEGORY, IDC_REPLACE_OLD_CATEGORY})
            EXPECT_NE(LookOf(dlg, id).textColour, kRed) << id;
        // Ceiling (column 0) and floor (column 2) differ, the wall does not.
        for (int side : {IDC_REPLACE_IN_SURFACE_FIRST, IDC_REPLACE_OLD_SURFACE_FIRST}) {
            EXPECT_EQ(LookOf(dlg, side).textColour, kRed);
            EXPECT_NE(LookOf(dlg, side + 1).textColour, kRed);
            EXPECT_EQ(LookOf(dlg, side + 2).textColour, kRed);
        }
        EXPECT_EQ(LookOf(dlg, IDC_REPLACE_OLD_TEXTURE_FIRST + 2).textColour, kRed);
        EXPECT_EQ(TextOf(dlg, IDC_REPLACE_OLD_TEXTURE_FIRST + 2), "stone.jpg");
        // The description labels paint themselves.
        EXPECT_TRUE(dlg.Differs(IDC_REPLACE_IN_DESCRIPTION));
        auto* label = dynamic_cast<CColorLabel*>(CWnd::FromHandle(dlg.GetDlgItem(IDC_REPLACE_OLD_DESCRIPTION)));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->TextColour(), kRed);
        dlg.EndDialog(IDCANCEL);
    });
}

TEST_F(ReplaceConfirm, EachButtonEndsTheDialogWithItsOwnId)
{
    const CombinationRecord record = Record("r", "d");
    for (int id : {IDOK, IDC_REPLACE_NO, IDC_REPLACE_ALL, IDC_REPLACE_NONE, IDCANCEL}) {
        EXPECT_EQ(Run(record, record, [id](CReplaceConfirmDlg& dlg) { Click(dlg, id); }), id);
    }
    EXPECT_EQ(Run(record, record, [](CReplaceConfirmDlg& dlg) { dlg.SendMessage(WM_CLOSE); }), IDCANCEL);
}

}  // namespace

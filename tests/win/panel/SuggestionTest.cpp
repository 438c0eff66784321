// The suggestion window "配色建议" driven by its ids: opened by 32880 and
// Ctrl+J, anchored on the picked surface, a card put on the classified room
// and the room restored by a typed 0, dialog 130 for the applied scheme, the
// page for the client, the paint decks beside the plug-in.
#include "PanelFixture.h"

#include "panel/SuggestionDlg.h"

#include <cmath>

namespace {

using namespace panel_test;

class Suggestions : public Panel {
protected:
    std::string paintsFolder = CColorPanelDlg::ModuleFolder() + "paints";

    void TearDown() override
    {
        Panel::TearDown();
        fw::SetFileDialogHandler(nullptr);
        BYTE keys[256] = {};
        ::SetKeyboardState(keys);
        for (const char* name : {"\\good.csv", "\\broken.gpl"})
            Remove(paintsFolder + name);
        ::RemoveDirectoryW(fw::Widen(paintsFolder).c_str());
    }

    // Ceiling, floor, then the wall: the wall is the picked surface.
    void ClassifyRoom()
    {
        CColorPanelDlg::Current()->MoveWindow(700, 0, 200, 400, true);
        RightClick(100, 50, ID_CLASSIFY_CEILING);
        RightClick(100, 300, ID_CLASSIFY_FLOOR);
        RightClick(20, 150, ID_CLASSIFY_WALL);
        menus.clear();
    }
    CSuggestionDlg* Window() const { return CColorPanelDlg::Current()->Suggestions(); }
    HWND Control(int id) const { return ::GetDlgItem(Window()->m_hWnd, id); }
    int Count() const { return static_cast<int>(::SendMessageW(Control(IDC_SUGGESTION_LIST), LVM_GETITEMCOUNT, 0, 0)); }
    void Select(int item) const
    {
        LVITEMW lv{};
        lv.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        lv.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageW(Control(IDC_SUGGESTION_LIST), LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv));
    }
    void ExpectColour(unsigned material, const Rgb& rgb) const
    {
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(host.Material(material).color[c], rgb[static_cast<std::size_t>(c)], 1e-6) << material << " " << c;
    }
    // The page written through the save dialog, answered with a file in the temp folder.
    std::string Export(int button)
    {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        const std::string path = fw::Narrow(temp) + "tg-client-page.htm";
        Remove(path);
        fw::FileDialogRequest asked;
        fw::SetFileDialogHandler([&](const fw::FileDialogRequest& request, std::string& answer) {
            asked = request;
            answer = path;
            return true;
        });
        ::SendMessageW(Control(button), BM_CLICK, 0, 0);
        EXPECT_TRUE(asked.save);
        EXPECT_EQ(asked.defaultExtension, "htm");
        const std::string page = ReadBytes(path);
        Remove(path);
        return page;
    }
};

std::size_t Occurrences(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

TEST_F(Suggestions, OpenAnchorApplyRestoreAddExportAndClose)
{
    ASSERT_NE(Go(), nullptr);
    HMENU system = ::GetSystemMenu(CColorPanelDlg::Current()->m_hWnd, FALSE);
    CMenu menu = CMenu::FromHandle(system);
    const int last = menu.GetMenuItemCount() - 1;
    EXPECT_EQ(menu.GetMenuItemID(last), static_cast<UINT>(ID_SCHEME_SUGGESTIONS));
    EXPECT_EQ(menu.GetMenuString(last), "配色建议...\tCtrl+J");

    // Nothing picked: the window says what to do.
    Command(ID_SCHEME_SUGGESTIONS);
    ASSERT_NE(Window(), nullptr);
    EXPECT_EQ(fw::GetText(Window()->m_hWnd), "配色建议");
    EXPECT_EQ(::GetWindow(Window()->m_hWnd, GW_OWNER), CColorPanelDlg::Current()->m_hWnd);
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(fw::GetText(Control(IDC_SUGGESTION_NOTE)), CSuggestionDlg::kNothingPickedNote);

    // The picks follow into the open window: anchored on the wall's orange.
    ClassifyRoom();
    ASSERT_GT(Count(), 1);
    EXPECT_EQ(fw::GetText(Control(IDC_SUGGESTION_NOTE)), "依据：墙面 #FF8000（LRV 37）");
    const Suggestion first = Window()->At(1);
    EXPECT_EQ(HexColour(first.At(SchemeSurface::Wall).rgb), "#FF8000");

    // A card goes on the whole classified room, as the panel applies a combination.
    EXPECT_FALSE(::IsWindowEnabled(Control(IDC_SUGGESTION_ADD)));
    const std::string before = host.Material(wallMaterial).mapFile[0].Text();
    Select(0);
    ExpectColour(ceilingMaterial, first.At(SchemeSurface::Ceiling).rgb);
    ExpectColour(wallMaterial, first.At(SchemeSurface::Wall).rgb);
    ExpectColour(floorMaterial, first.At(SchemeSurface::Floor).rgb);
    EXPECT_EQ(Window()->Applied(), 1);
    EXPECT_EQ(ItemText(IDC_DESCRIPTION), std::string("配色建议：") + HarmonyName(first.harmony));

    // "加入图库…" runs dialog 130 on the room as it is.
    std::string addCaption;
    fw::SetModalDialogHook(
        [&addCaption](CDialog& dialog) {
            addCaption = fw::GetText(dialog.m_hWnd);
            ::SendMessageW(dialog.m_hWnd, WM_COMMAND, IDCANCEL, 0);
        },
        3000);
    ASSERT_TRUE(::IsWindowEnabled(Control(IDC_SUGGESTION_ADD)));
    ::SendMessageW(Control(IDC_SUGGESTION_ADD), BM_CLICK, 0, 0);
    fw::PumpMessages();
    fw::SetModalDialogHook(nullptr);
    EXPECT_EQ(addCaption, "新增天地墙配色组合定义");

    // The page for the client: every card with its colours and a picture.
    const std::string page = Export(IDC_SUGGESTION_EXPORT);
    EXPECT_EQ(Occurrences(page, "data:image/png;base64,"), static_cast<std::size_t>(Count()));
    EXPECT_NE(page.find("#FF8000"), std::string::npos);
    EXPECT_NE(page.find(u8"配色建议"), std::string::npos);

    // A typed 0 puts the room back as it was picked.
    ::SetWindowTextW(Item(IDC_ITEM_INDEX), L"0");
    ::SendMessageW(Item(IDC_NEXT_ITEM), BM_CLICK, 0, 0);
    ExpectColour(wallMaterial, {1.0, 0.5, 0.0});
    ExpectColour(ceilingMaterial, {1.0, 1.0, 1.0});
    ExpectColour(floorMaterial, {0.5, 0.25, 0.0});
    EXPECT_EQ(host.Material(wallMaterial).mapFile[0].Text(), before);

    // Escape closes it; Ctrl+J in the panel opens it again; closing the panel closes it.
    ::SendMessageW(Window()->m_hWnd, WM_COMMAND, IDCANCEL, 0);
    fw::PumpMessages();
    EXPECT_EQ(Window(), nullptr);
    BYTE keys[256] = {};
    keys[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keys);
    ::PostMessageW(Item(IDC_ITEM_INDEX), WM_KEYDOWN, 'J', 0);
    fw::PumpMessages();
    ASSERT_NE(Window(), nullptr);
    HWND window = Window()->m_hWnd;
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    fw::PumpMessages();
    EXPECT_FALSE(::IsWindow(window));
}

TEST_F(Suggestions, RoomViewsCaptureTheHostViewWithEachCardAndPutTheRoomBack)
{
    MakeView();
    ASSERT_NE(Go(), nullptr);
    ClassifyRoom();
    // The wall keeps the picked orange on every card: the view shows the ceiling.
    viewColours = {ceilingMaterial, floorMaterial, false};
    Command(ID_SCHEME_SUGGESTIONS);
    ASSERT_NE(Window(), nullptr);
    Window()->MoveWindow(420, 420, 700, 500, true);
    ASSERT_GT(Count(), 1);
    auto noteLeft = [this] {
        RECT r{};
        ::GetWindowRect(Control(IDC_SUGGESTION_NOTE), &r);
        return r.left;
    };
    auto progressShown = [this] {
        return (::GetWindowLongW(Control(IDC_SUGGESTION_PROGRESS), GWL_STYLE) & WS_VISIBLE) != 0;
    };
    const LONG idle = noteLeft();

    // While the captures run, the note moves over for the progress bar.
    ::SendMessageW(Control(IDC_SUGGESTION_ROOM_VIEWS), BM_CLICK, 0, 0);
    ASSERT_TRUE(Window()->Capturing());
    EXPECT_TRUE(progressShown());
    EXPECT_GT(noteLeft(), idle);
    ASSERT_TRUE(fw::PumpUntil([this] { return !Window()->Capturing(); }, 10000));
    EXPECT_FALSE(progressShown());
    EXPECT_EQ(noteLeft(), idle);

    // Card 1 shows the view as it was with card 1 on the room: its ceiling
    // on the left half, at the card's size.
    const Rgb ceiling = Window()->At(1).At(SchemeSurface::Ceiling).rgb;
    ASSERT_NE(HexColour(ceiling), "#FFFFFF");
    const Picture& shot = Window()->ThumbnailAt(1);
    EXPECT_EQ(shot.width, CSuggestionDlg::kPictureWidth);
    const uint32_t left = shot.pixels[static_cast<std::size_t>(shot.height / 2) * shot.width + 4];
    for (int c = 0; c < 3; ++c)  // the host holds the colour as float: a byte's rounding either way
        EXPECT_NEAR(static_cast<int>((left >> (16 - 8 * c)) & 255), ceiling[static_cast<std::size_t>(c)] * 255, 1) << c;

    // Then the room as it was picked.
    ExpectColour(wallMaterial, {1.0, 0.5, 0.0});
    ExpectColour(ceilingMaterial, {1.0, 1.0, 1.0});
    ExpectColour(floorMaterial, {0.5, 0.25, 0.0});
}

TEST_F(Suggestions, PaintDecksBesideThePluginNameTheNearestPaints)
{
    ::CreateDirectoryW(fw::Widen(paintsFolder).c_str(), nullptr);
    WriteBytes(paintsFolder + "\\good.csv", "name,code,hex,lrv\nOrange,TG-1,#FF8000,40\nWhite,TG-2,#FFFFFF,90\n"
                                            "Dark,TG-3,#202020,3\nBrown,TG-4,#804000,12\n");
    WriteBytes(paintsFolder + "\\broken.gpl", "GIMP Palette\nName: x\n#\n255 128\n");
    ASSERT_NE(Go(), nullptr);
    ClassifyRoom();
    Command(ID_SCHEME_SUGGESTIONS);
    ASSERT_NE(Window(), nullptr);
    // The broken deck is named with its line and left out of the box.
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("broken.gpl: line 4"), std::string::npos) << boxes[0].text;
    HWND deckBox = Control(IDC_SUGGESTION_DECK);
    ASSERT_EQ(::SendMessageW(deckBox, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(::SendMessageW(deckBox, CB_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(Window()->CardAt(1).paintLine.empty());

    // Chosen: each card names the nearest paint of each surface.
    ::SendMessageW(deckBox, CB_SETCURSEL, 1, 0);
    ::SendMessageW(Window()->m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_SUGGESTION_DECK, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(deckBox));
    EXPECT_NE(Window()->CardAt(1).paintLine.find("/TG-1/"), std::string::npos) << Window()->CardAt(1).paintLine;

    // Snapped: every colour is a paint, its published LRV judged.
    ::SendMessageW(Control(IDC_SUGGESTION_SNAP), BM_CLICK, 0, 0);
    ASSERT_GT(Count(), 0);
    for (int number = 1; number <= Count(); ++number)
        for (const SchemeColour& colour : Window()->At(number).colours) {
            ASSERT_TRUE(colour.paint.has_value());
            EXPECT_EQ(colour.paintDeltaE >= 0, true);
        }
    EXPECT_EQ(Window()->CardAt(1).lrv.wall, 40.0);

    // The overview shares the choice and writes its listed combinations.
    Command(ID_SCHEME_OVERVIEW);
    ASSERT_NE(CColorPanelDlg::Current()->Overview(), nullptr);
    HWND overview = CColorPanelDlg::Current()->Overview()->m_hWnd;
    EXPECT_EQ(::SendMessageW(::GetDlgItem(overview, IDC_OVERVIEW_DECK), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(CColorPanelDlg::Current()->Overview()->CardAt(1).paintLine, "TG-3/TG-3/TG-3");
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::string path = fw::Narrow(temp) + "tg-overview-page.htm";
    fw::SetFileDialogHandler([&path](const fw::FileDialogRequest&, std::string& answer) {
        answer = path;
        return true;
    });
    ::SendMessageW(::GetDlgItem(overview, IDC_OVERVIEW_EXPORT), BM_CLICK, 0, 0);
    const std::string page = ReadBytes(path);
    Remove(path);
    EXPECT_EQ(Occurrences(page, "<article"), static_cast<std::size_t>(CColorPanelDlg::Current()->Items().itemCount));
    EXPECT_NE(page.find(u8"暖色客厅"), std::string::npos);
    EXPECT_NE(page.find("TG-3"), std::string::npos);
    // Back to none for the other tests of this process.
    ::SendMessageW(deckBox, CB_SETCURSEL, 0, 0);
    ::SendMessageW(Window()->m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_SUGGESTION_DECK, CBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(deckBox));
}

}  // namespace

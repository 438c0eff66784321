// Two designers on one library: two panels in two processes (this test
// program started again as a helper) load the library beside the module,
// then change it one after the other. And one panel on a library it cannot
// write, and the system menu's reload.
#include "PanelFixture.h"

#include "WinTestProcess.h"
#include "library/LibraryLock.h"
#include "librarydlg/LibraryDialogIds.h"
#include "text/Win32Text.h"

#include <cstdlib>
#include <sstream>

using namespace panel_test;

namespace {

const char* const kConflictsStart = "下列配色组合在本面板打开后已被其他人修改或删除";

std::wstring EventName(const std::string& role, const char* what)
{
    return fw::Widen("tg_team_" + role + "_" + what);
}

// Types into dialog 130 and presses OK.
void FillAddDialog(CDialog& dialog, const std::string& name)
{
    ::SetDlgItemTextW(dialog.m_hWnd, IDC_ADD_NAME, fw::Widen(name).c_str());
    ::SetDlgItemTextW(dialog.m_hWnd, IDC_ADD_DESCRIPTION, L"desc");
    ::SetDlgItemTextW(dialog.m_hWnd, IDC_ADD_CATEGORY, fw::Widen("团队").c_str());
    ::SendMessageW(::GetDlgItem(dialog.m_hWnd, IDOK), BM_CLICK, 0, 0);
}

// One helper process: "role action name [text]" in TG_TEAM.
struct TeamOrder {
    std::string role, action, name, text;
};

bool ReadOrder(TeamOrder& order)
{
    wchar_t buffer[512] = {};
    if (GetEnvironmentVariableW(L"TG_TEAM", buffer, 512) == 0)
        return false;
    std::string line;
    win32text::WideToCp936(buffer, line);
    std::istringstream in(line);
    in >> order.role >> order.action >> order.name >> order.text;
    return true;
}

class TeamChild : public Panel {
protected:
    TeamChild() { keepLibrary = true; }
};

// A started process running TeamChild.Act with its order.
class Helper {
public:
    Helper(const std::string& order) : role(order.substr(0, order.find(' ')))
    {
        loaded = CreateEventW(nullptr, TRUE, FALSE, EventName(role, "loaded").c_str());
        go = CreateEventW(nullptr, TRUE, FALSE, EventName(role, "go").c_str());
        SetEnvironmentVariableW(L"TG_TEAM", fw::Widen(order).c_str());
        wchar_t exe[MAX_PATH];
        GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring command = L"\"" + std::wstring(exe) + L"\" --gtest_filter=TeamChild.Act";
        // Its own test report would only repeat a case count: quiet.
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE quiet = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = si.hStdError = quiet;
        started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &process);
        CloseHandle(quiet);
        SetEnvironmentVariableW(L"TG_TEAM", nullptr);
    }
    ~Helper()
    {
        if (started) {
            if (WaitForSingleObject(process.hProcess, 0) != WAIT_OBJECT_0)
                TerminateProcess(process.hProcess, 99);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        CloseHandle(loaded);
        CloseHandle(go);
    }
    bool WaitLoaded() { return started && WaitForSingleObject(loaded, 60000) == WAIT_OBJECT_0; }
    // Lets it change the library and close its panel; its exit code.
    DWORD Finish()
    {
        SetEvent(go);
        DWORD code = 0xFFFFFFFF;
        if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.hProcess, &code);
        return code;
    }
    // The message boxes it showed, one a line.
    std::string Boxes() const { return ReadBytes(CColorPanelDlg::ModuleFolder() + "team_" + role + ".txt"); }

    std::string role;
    HANDLE loaded = nullptr;
    HANDLE go = nullptr;
    PROCESS_INFORMATION process = {};
    BOOL started = FALSE;
};

TEST_F(TeamChild, Act)
{
    TeamOrder order;
    if (!ReadOrder(order))
        GTEST_SKIP() << "run by the team tests as a helper process";
    if (order.action == "hold") {
        // Another program (a scanner, a backup) holding the library open
        // without sharing for name milliseconds.
        HANDLE file = CreateFileW(fw::Widen(libraryPath).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        HANDLE held = OpenEventW(EVENT_MODIFY_STATE, FALSE, EventName(order.role, "loaded").c_str());
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        SetEvent(held);
        Sleep(static_cast<DWORD>(std::atoi(order.name.c_str())));
        CloseHandle(file);
        CloseHandle(held);
        return;
    }
    ASSERT_NE(Go(), nullptr);
    HANDLE loaded = OpenEventW(EVENT_MODIFY_STATE, FALSE, EventName(order.role, "loaded").c_str());
    HANDLE go = OpenEventW(SYNCHRONIZE, FALSE, EventName(order.role, "go").c_str());
    ASSERT_TRUE(loaded && go);
    SetEvent(loaded);
    ASSERT_EQ(WaitForSingleObject(go, 60000), WAIT_OBJECT_0);

    CombinationLibrary& library = CColorPanelDlg::Current()->Session().library;
    LibraryChanges& changes = CColorPanelDlg::Current()->Session().sharedLibrary.changes;
    const int index = FindCombination(library, order.name, "住宅/客厅/");
    if (order.action == "add") {
        RightClick(100, 50, ID_CLASSIFY_CEILING);
        RightClick(100, 300, ID_CLASSIFY_FLOOR);
        RightClick(20, 150, ID_CLASSIFY_WALL);
        const std::string name = order.name;
        fw::SetModalDialogHook([name](CDialog& dialog) { FillAddDialog(dialog, name); });
        Command(IDC_LIBRARY_BUTTON);
    } else if (order.action == "edit" || order.action == "crash") {
        ASSERT_GE(index, 0);
        const CombinationRecord before = library[index];
        SetField(library[index].shortDescription, order.text);
        changes.Changed(before, library[index]);
        CColorPanelDlg::Current()->Session().libraryModified = true;
        if (order.action == "crash")  // dies with the new file written, before it replaces the old one
            CColorPanelDlg::Current()->Session().sharedLibrary.beforeReplace = [] { ExitProcess(3); };
    } else if (order.action == "delete") {
        ASSERT_GE(index, 0);
        changes.Deleted(library[index]);
        library.RemoveAt(index);
        CColorPanelDlg::Current()->Session().libraryModified = true;
    }
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
    std::string lines;
    for (const Box& box : boxes)
        lines += box.text + "\n";
    WriteBytes(CColorPanelDlg::ModuleFolder() + "team_" + order.role + ".txt", lines);
    CloseHandle(loaded);
    CloseHandle(go);
}

class Team : public Panel {
protected:
    void TearDown() override
    {
        Panel::TearDown();
        Remove(CColorPanelDlg::ModuleFolder() + "team_A.txt");
        Remove(CColorPanelDlg::ModuleFolder() + "team_B.txt");
    }

    // Both helpers load the library, then A changes it and closes, then B.
    void InTurn(Helper& a, Helper& b)
    {
        ASSERT_TRUE(a.WaitLoaded());
        ASSERT_TRUE(b.WaitLoaded());
        EXPECT_EQ(a.Finish(), 0u);
        EXPECT_EQ(b.Finish(), 0u);
    }

    // Classifies the three surfaces and adds a combination through dialog 130.
    void AddThroughDialog(const std::string& name)
    {
        RightClick(100, 50, ID_CLASSIFY_CEILING);
        RightClick(100, 300, ID_CLASSIFY_FLOOR);
        RightClick(20, 150, ID_CLASSIFY_WALL);
        fw::SetModalDialogHook([name](CDialog& dialog) { FillAddDialog(dialog, name); });
        Command(IDC_LIBRARY_BUTTON);
    }

    std::vector<std::string> Saved()
    {
        CombinationLibrary saved;
        EXPECT_EQ(ReadCombinationFile(libraryPath, saved), 1);
        std::vector<std::string> paths;
        for (const CombinationRecord& r : saved)
            paths.push_back(RecordPath(r) + "=" + FieldString(r.shortDescription));
        return paths;
    }
};

TEST_F(Team, TwoDesignersAddingBothKeepTheirCombinations)
{
    Helper a("A add 甲的客厅"), b("B add 乙的客厅");
    InTurn(a, b);
    EXPECT_EQ(Saved(), (std::vector<std::string>{"住宅/客厅/暖色客厅=米色墙面", "住宅/卧室/冷色卧室=浅蓝墙面",
                                                 "住宅/客厅/木地板客厅=橡木地板", "团队/甲的客厅=desc",
                                                 "团队/乙的客厅=desc"}));
    // Each addition was one record appended: the file is exactly that long.
    EXPECT_EQ(ReadBytes(libraryPath).size(), 32u + 5 * 12480u);
    EXPECT_EQ(a.Boxes(), "");
    EXPECT_EQ(b.Boxes(), "");
}

TEST_F(Team, OneEditsWhileTheOtherDeletesAnotherRecord)
{
    Helper a("A edit 暖色客厅 甲改的说明"), b("B delete 木地板客厅");
    InTurn(a, b);
    EXPECT_EQ(Saved(), (std::vector<std::string>{"住宅/客厅/暖色客厅=甲改的说明", "住宅/卧室/冷色卧室=浅蓝墙面"}));
    EXPECT_EQ(b.Boxes(), "");
}

TEST_F(Team, BothChangeOneRecordTheLaterSaveWinsAndItsDesignerIsTold)
{
    Helper a("A edit 暖色客厅 甲的说明"), b("B edit 暖色客厅 乙的说明");
    InTurn(a, b);
    EXPECT_EQ(Saved()[0], "住宅/客厅/暖色客厅=乙的说明");
    EXPECT_EQ(a.Boxes(), "");
    EXPECT_EQ(b.Boxes(), std::string(kConflictsStart) +
                             "，保存时以本面板的修改为准，被删除的记录予以保留：\n住宅/客厅/暖色客厅\n");
}

TEST_F(Team, ACrashBetweenLockAndReplaceLeavesTheOldFileAndNoLock)
{
    const std::string before = ReadBytes(libraryPath);
    Helper a("A crash 暖色客厅 不会保存");
    ASSERT_TRUE(a.WaitLoaded());
    EXPECT_EQ(a.Finish(), 3u);
    EXPECT_EQ(ReadBytes(libraryPath), before);
    EXPECT_EQ(GetFileAttributesW(fw::Widen(LockPathFor(libraryPath)).c_str()), INVALID_FILE_ATTRIBUTES);
    LibraryLock lock;
    EXPECT_EQ(lock.Acquire(LockPathFor(libraryPath), 0), LibraryLock::Result::Acquired);
    // The new file the crash left half done beside the library goes too.
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(fw::Widen(libraryPath + "?*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found))
        DeleteFileW((fw::Widen(CColorPanelDlg::ModuleFolder()) + found.cFileName).c_str());
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
}

// Another program holds the library open without sharing while the panel
// opens: the panel says it cannot be read and lists nothing, but the file is
// never moved aside or written over; the addition made meanwhile lands on the
// whole library once it can be read.
TEST_F(Team, ALibraryHeldOpenWhileThePanelOpensIsNeverWrittenOver)
{
    Helper holder("H hold 2000");
    ASSERT_TRUE(holder.WaitLoaded());
    ASSERT_NE(Go(), nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.rfind("图库文件“" + libraryPath + "”现在不能读取：", 0), 0u) << boxes[0].text;
    EXPECT_EQ(CColorPanelDlg::Current()->Session().library.GetCount(), 0);
    AddThroughDialog("新客厅");
    EXPECT_EQ(holder.Finish(), 0u);
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(GetFileAttributesW(fw::Widen(libraryPath + ".bak").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Saved(), (std::vector<std::string>{"住宅/客厅/暖色客厅=米色墙面", "住宅/卧室/冷色卧室=浅蓝墙面",
                                                 "住宅/客厅/木地板客厅=橡木地板", "团队/新客厅=desc"}));
}

// A colleague's save in progress: the panel opens at once with the whole
// library; an addition waits a moment, then is kept and said so.
TEST_F(Team, AColleaguesSaveNeitherHoldsTheOpeningNorLosesTheAddition)
{
    LibraryLock colleague;
    ASSERT_EQ(colleague.Acquire(LockPathFor(libraryPath), 0), LibraryLock::Result::Acquired);
    const ULONGLONG start = GetTickCount64();
    ASSERT_NE(Go(), nullptr);
    EXPECT_LT(GetTickCount64() - start, 1000u) << "opening waited for the lock";
    EXPECT_EQ(CColorPanelDlg::Current()->Session().library.GetCount(), 3);
    AddThroughDialog("新客厅");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "图库正由其他设计师保存，您的更改已保留，将在下次保存时写入");
    EXPECT_EQ(Saved().size(), 3u);
    colleague.Release();
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(Saved().size(), 4u);
}

// A colleague's save still in the way as the panel closes: no promise of a
// next save, but the failure and the offer of an exchange file.
TEST_F(Team, ALockBusyThroughTheCloseOffersTheExchangeFile)
{
    LibraryLock colleague;
    ASSERT_EQ(colleague.Acquire(LockPathFor(libraryPath), 0), LibraryLock::Result::Acquired);
    ASSERT_NE(Go(), nullptr);
    AddThroughDialog("新客厅");
    ASSERT_EQ(boxes.size(), 1u);
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
    ASSERT_EQ(boxes.size(), 3u);
    ExpectSaveFailure(boxes[1].text, libraryPath);
    EXPECT_NE(boxes[1].text.find("图库正由其他设计师保存"), std::string::npos);
    EXPECT_EQ(boxes[2].text.rfind("图库文件“" + libraryPath + "”不能保存，本面板对图库所做的修改还没有保存。", 0), 0u);
    EXPECT_EQ(Saved().size(), 3u);
}

// A folder where the lock file would be: said at once, with the lock's path,
// never as another designer saving.
TEST_F(Team, ALockThatCannotBeCreatedIsReportedAtOnce)
{
    const std::wstring lock = fw::Widen(LockPathFor(libraryPath));
    ASSERT_TRUE(CreateDirectoryW(lock.c_str(), nullptr));
    ASSERT_NE(Go(), nullptr);
    RightClick(100, 50, ID_CLASSIFY_CEILING);
    RightClick(100, 300, ID_CLASSIFY_FLOOR);
    RightClick(20, 150, ID_CLASSIFY_WALL);
    fw::SetModalDialogHook([](CDialog& dialog) { FillAddDialog(dialog, "新客厅"); });
    const ULONGLONG start = GetTickCount64();
    Command(IDC_LIBRARY_BUTTON);
    EXPECT_LT(GetTickCount64() - start, 2000u);
    ASSERT_EQ(boxes.size(), 1u);
    ExpectSaveFailure(boxes[0].text, libraryPath);
    EXPECT_NE(boxes[0].text.find("不能建立图库的锁文件“" + LockPathFor(libraryPath) + "”："), std::string::npos)
        << boxes[0].text;
    RemoveDirectoryW(lock.c_str());
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(Saved().size(), 4u);
}

// ---- One panel -----------------------------------------------------------

TEST_F(Team, ClosingAfterAnAdditionWritesNothing)
{
    ASSERT_NE(Go(), nullptr);
    AddThroughDialog("新客厅");
    WIN32_FILE_ATTRIBUTE_DATA added = {}, closed = {};
    ASSERT_TRUE(GetFileAttributesExW(fw::Widen(libraryPath).c_str(), GetFileExInfoStandard, &added));
    EXPECT_EQ(added.nFileSizeLow, 32u + 4 * 12480u);
    Sleep(20);
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(GetFileAttributesExW(fw::Widen(libraryPath).c_str(), GetFileExInfoStandard, &closed));
    EXPECT_EQ(CompareFileTime(&added.ftLastWriteTime, &closed.ftLastWriteTime), 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Team, AReadOnlyLibraryTellsOnceAndTheCloseKeepsTheWorkInAnExchangeFile)
{
    ASSERT_NE(Go(), nullptr);
    const std::wstring wide = fw::Widen(libraryPath);
    ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string before = ReadBytes(libraryPath);
    RightClick(100, 50, ID_CLASSIFY_CEILING);
    RightClick(100, 300, ID_CLASSIFY_FLOOR);
    RightClick(20, 150, ID_CLASSIFY_WALL);
    std::string name = "第一个";
    fw::SetModalDialogHook([&name](CDialog& dialog) { FillAddDialog(dialog, name); });
    Command(IDC_LIBRARY_BUTTON);
    ASSERT_EQ(boxes.size(), 1u);
    ExpectSaveFailure(boxes[0].text, libraryPath);
    name = "第二个";
    Command(IDC_LIBRARY_BUTTON);
    EXPECT_EQ(boxes.size(), 1u);  // told once
    EXPECT_EQ(CColorPanelDlg::Current()->Session().library.GetCount(), 5);

    // At close: the offer, the export's file dialog, the exchange file.
    const std::string exchange = CColorPanelDlg::ModuleFolder() + "saved-work.tgv";
    std::vector<fw::FileDialogRequest> requests;
    fw::SetMessageBoxHandler([this](const std::string& text, const std::string& caption, UINT type) {
        boxes.push_back({text, caption, type});
        return (type & MB_YESNO) ? IDYES : IDOK;
    });
    fw::SetFileDialogHandler([&](const fw::FileDialogRequest& request, std::string& path) {
        requests.push_back(request);
        path = exchange;
        return true;
    });
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
    fw::SetFileDialogHandler(nullptr);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "图库文件“" + libraryPath +
                                 "”不能保存，本面板对图库所做的修改还没有保存。\n要把新增和修改的配色组合另存为交换文件吗？");
    EXPECT_EQ(boxes[1].caption, "请确认");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].save);
    EXPECT_EQ(requests[0].title, "选择导出的染界配色文件");
    CombinationLibrary kept;
    ASSERT_EQ(ReadCombinationFile(exchange, kept), 1);
    ASSERT_EQ(kept.GetCount(), 2);
    EXPECT_EQ(FieldString(kept[0].name), "第一个");
    EXPECT_EQ(FieldString(kept[1].name), "第二个");
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadBytes(libraryPath), before);  // the old file is unharmed
    Remove(exchange);
}

// What an exchange file cannot carry is said at close: deletions and renames
// beside an addition, and deletions alone.
TEST_F(Team, AtCloseTheUserIsToldWhatAnExchangeFileCannotKeep)
{
    const std::wstring wide = fw::Widen(libraryPath);
    for (const bool withAddition : {true, false}) {
        boxes.clear();
        ASSERT_NE(Go(), nullptr);
        ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
        CombinationLibrary& library = CColorPanelDlg::Current()->Session().library;
        CColorPanelDlg::Current()->Session().sharedLibrary.changes.Deleted(library[0]);
        library.RemoveAt(0);
        if (withAddition) {
            CombinationRecord record;
            InitCombinationRecord(record, "新方案", "办公/", "白墙");
            library.Append(record);
            CColorPanelDlg::Current()->Session().sharedLibrary.changes.Added(record);
        }
        CColorPanelDlg::Current()->Session().libraryModified = true;
        ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
        SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_EQ(boxes.size(), 2u);
        ExpectSaveFailure(boxes[0].text, libraryPath);
        EXPECT_EQ(boxes[1].text, withAddition
                                     ? "图库文件“" + libraryPath +
                                           "”不能保存，本面板对图库所做的修改还没有保存。\n要把新增和修改的配色组合另存为交换文件吗？"
                                           "\n（删除和改名不能存入交换文件。）"
                                     : "图库文件“" + libraryPath +
                                           "”不能保存。本面板所做的删除和改名不能存入交换文件，关闭面板后将不再保留。");
        EXPECT_EQ(Saved().size(), 3u);
    }
}

// An addition saved on top of a colleague's: the panel then holds and
// shows the library as saved, the colleague's new space type included.
TEST_F(Team, AnAdditionOnTopOfAColleaguesSaveShowsTheSavedLibrary)
{
    ASSERT_NE(Go(), nullptr);
    CombinationLibrary theirs;
    ASSERT_EQ(ReadCombinationFile(libraryPath, theirs), 1);
    CombinationRecord record;
    InitCombinationRecord(record, "同事的方案", "办公/", "白墙");
    theirs.Append(record);
    theirs.RemoveAt(0);
    ASSERT_EQ(WriteCombinationFile(libraryPath, theirs), 1);

    AddThroughDialog("新客厅");
    EXPECT_TRUE(boxes.empty());
    std::vector<std::string> names;
    for (const CombinationRecord& r : CColorPanelDlg::Current()->Session().library)
        names.push_back(FieldString(r.name));
    EXPECT_EQ(names, (std::vector<std::string>{"冷色卧室", "木地板客厅", "同事的方案", "新客厅"}));
    EXPECT_EQ(Saved().size(), 4u);
    std::vector<std::string> roots;
    CComboTree& tree = CColorPanelDlg::Current()->SpaceTypeBox().Tree();
    for (HTREEITEM item = tree.GetRootItem(); item != nullptr; item = tree.GetNextSiblingItem(item))
        roots.push_back(tree.GetItemText(item));
    EXPECT_EQ(roots, (std::vector<std::string>{"住宅", "办公", "团队"}));
    // The expert list of the chosen space type lists the saved library's records.
    EXPECT_EQ(CColorPanelDlg::Current()->Items().itemCount, static_cast<int>(CColorPanelDlg::Current()->Items().matchIndices.size()));
    for (int index : CColorPanelDlg::Current()->Items().matchIndices)
        EXPECT_LT(index, CColorPanelDlg::Current()->Session().library.GetCount());
}

TEST_F(Team, TheSystemMenuReloadShowsAColleaguesAddition)
{
    ASSERT_NE(Go(), nullptr);
    HMENU menu = ::GetSystemMenu(CColorPanelDlg::Current()->m_hWnd, FALSE);
    int count = ::GetMenuItemCount(menu);
    // The panel's other windows' entries follow the overview's.
    while (count > 0 && ::GetMenuItemID(menu, count - 1) == ID_SCHEME_SUGGESTIONS)
        --count;
    ASSERT_GE(count, 2);
    // After one separator: reload, library maintenance, the classification
    // overview, the scheme overview.
    ASSERT_GE(count, 5);
    EXPECT_EQ(::GetMenuItemID(menu, count - 4), 32848u);
    EXPECT_EQ(CMenu::FromHandle(menu).GetMenuString(count - 4), "重新读取图库");
    EXPECT_EQ(::GetMenuItemID(menu, count - 3), 32832u);
    EXPECT_EQ(::GetMenuItemID(menu, count - 2), 32864u);
    EXPECT_EQ(::GetMenuItemID(menu, count - 1), 32816u);
    EXPECT_NE(::GetMenuState(menu, count - 5, MF_BYPOSITION) & MF_SEPARATOR, 0u);

    // A colleague adds a combination of a new space type.
    CombinationLibrary theirs;
    ASSERT_EQ(ReadCombinationFile(libraryPath, theirs), 1);
    CombinationRecord record;
    InitCombinationRecord(record, "同事的方案", "办公/", "白墙");
    theirs.Append(record);
    ASSERT_EQ(WriteCombinationFile(libraryPath, theirs), 1);

    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_SYSCOMMAND, 32848, 0);
    EXPECT_EQ(CColorPanelDlg::Current()->Session().library.GetCount(), 4);
    EXPECT_NE(CColorPanelDlg::Current()->SpaceTypeBox().Tree().GetCount(), 0u);
    bool found = false;
    for (HTREEITEM item = CColorPanelDlg::Current()->SpaceTypeBox().Tree().GetRootItem(); item != nullptr;
         item = CColorPanelDlg::Current()->SpaceTypeBox().Tree().GetNextSiblingItem(item))
        found = found || CColorPanelDlg::Current()->SpaceTypeBox().Tree().GetItemText(item) == "办公";
    EXPECT_TRUE(found);
    EXPECT_TRUE(boxes.empty());
}

}  // namespace

#include "controls/FolderBrowser.h"

#include "TestWindows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kTextureTitle = "选择进行材质贴图更换的贴图路径：";
const std::string kExtractTitle = "选择提取出的贴图所放的目录";

// Answers every folder browse with one folder (empty: cancel) and keeps
// what the dialog showed.
class BrowseAnswer {
public:
    explicit BrowseAnswer(std::string folder)
    {
        previous = fw::SetFolderBrowseHandler([this, folder](BROWSEINFOW& info) {
            ++calls;
            flags = info.ulFlags;
            owner = info.hwndOwner;
            return fw::AnswerFolderBrowse(info, folder, &trace);
        });
    }
    ~BrowseAnswer() { fw::SetFolderBrowseHandler(previous); }

    fw::FolderBrowseTrace trace;
    int calls = 0;
    UINT flags = 0;
    HWND owner = nullptr;

private:
    fw::FolderBrowseHandler previous;
};

// A folder with a Chinese name under the temporary folder, removed at the end.
class ChineseFolder {
public:
    ChineseFolder()
    {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        wide = std::wstring(temp) + L"\x8D34\x56FE\x5E93";  // 贴图库
        ::CreateDirectoryW(wide.c_str(), nullptr);
        path = fw::Narrow(wide);
    }
    ~ChineseFolder() { ::RemoveDirectoryW(wide.c_str()); }
    std::wstring wide;
    std::string path;
};

}  // namespace

TEST(FolderBrowser, TakesItsTitleFromTheStringTable)
{
    CStartFolderBrowser browser(nullptr, 102);
    EXPECT_EQ(browser.Title(), kTextureTitle);
    EXPECT_EQ(browser.Flags(), 0x15u);
    EXPECT_TRUE(browser.SetTitle(103));
    EXPECT_EQ(browser.Title(), kExtractTitle);
    EXPECT_FALSE(browser.SetTitle(0));
    EXPECT_FALSE(browser.SetTitle(-3));
    EXPECT_FALSE(browser.SetTitle(4711));
    EXPECT_EQ(browser.Title(), kExtractTitle);
    browser.SetTitle(std::string("自定义"));
    EXPECT_EQ(browser.Title(), "自定义");
}

TEST(FolderBrowser, OpensOnTheStartFolderAndReturnsTheChosenOne)
{
    ChineseFolder chosen;
    testwin::CRecordingWindow owner;
    ASSERT_TRUE(owner.Create(10, 10, 100, 50));
    BrowseAnswer answer(chosen.path);
    CStartFolderBrowser browser(owner.m_hWnd, 102);
    browser.SetStartFolder("C:\\windows");
    ASSERT_TRUE(browser.Browse());
    EXPECT_EQ(browser.GetPath(), chosen.path);
    EXPECT_EQ(browser.ChosenPath(), chosen.path);

    EXPECT_EQ(answer.calls, 1);
    EXPECT_EQ(answer.flags, 0x15u);
    EXPECT_EQ(answer.owner, owner.m_hWnd);
    EXPECT_EQ(answer.trace.title, kTextureTitle);
    EXPECT_EQ(answer.trace.startSelection, "C:\\windows");
    // The status line shows the start folder, then the full path of the selection.
    EXPECT_EQ(answer.trace.statusTexts, (std::vector<std::string>{"C:\\windows", chosen.path}));
    owner.DestroyWindow();
}

TEST(FolderBrowser, CancellingLeavesThePathAsItWas)
{
    ChineseFolder chosen;
    CStartFolderBrowser browser(nullptr, 103);
    {
        BrowseAnswer first(chosen.path);
        ASSERT_TRUE(browser.Browse());
    }
    BrowseAnswer cancel("");
    EXPECT_FALSE(browser.Browse());
    EXPECT_EQ(cancel.calls, 1);
    EXPECT_EQ(browser.GetPath(), chosen.path);
    EXPECT_EQ(cancel.trace.title, kExtractTitle);
}

namespace {

// Plays the shell with a selection that has no file-system path (the
// computer's virtual folder), recording the status texts the browser sends.
std::vector<std::wstring> statusTexts;

LRESULT CALLBACK StandInProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == BFFM_SETSTATUSTEXTW) {
        statusTexts.push_back(reinterpret_cast<const wchar_t*>(lParam));
        return 0;
    }
    return ::DefWindowProcW(wnd, message, wParam, lParam);
}

}  // namespace

TEST(FolderBrowser, AFolderWithoutAPathEmptiesTheStatusLineAndIsNotChosen)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = StandInProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TgShellStandIn";
    ::RegisterClassW(&wc);
    statusTexts.clear();

    std::string titleDuringBrowse;
    const auto previous = fw::SetFolderBrowseHandler([&](BROWSEINFOW& info) -> LPITEMIDLIST {
        const HWND standIn = ::CreateWindowExW(0, L"TgShellStandIn", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                               nullptr, nullptr);
        LPITEMIDLIST computer = nullptr;
        ::SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer);
        info.lpfn(standIn, BFFM_INITIALIZED, 0, info.lParam);
        info.lpfn(standIn, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(computer), info.lParam);
        // While the dialog is open the browser ignores changes.
        auto* self = reinterpret_cast<CFolderBrowser*>(info.lParam);
        self->SetTitle(std::string("变了"));
        self->SetFlags(0);
        titleDuringBrowse = fw::Narrow(info.lpszTitle);
        ::DestroyWindow(standIn);
        return computer;
    });
    CStartFolderBrowser browser(nullptr, 102);
    browser.SetStartFolder("C:\\");
    EXPECT_FALSE(browser.Browse());
    fw::SetFolderBrowseHandler(previous);

    ASSERT_EQ(statusTexts.size(), 2u);
    EXPECT_EQ(statusTexts[0], L"C:\\");
    EXPECT_EQ(statusTexts[1], L"");
    EXPECT_EQ(titleDuringBrowse, kTextureTitle);
    EXPECT_EQ(browser.Flags(), 0x15u);
    EXPECT_EQ(browser.ChosenPath(), "");
    // Once closed, the setters work again.
    browser.SetFlags(BIF_RETURNONLYFSDIRS);
    EXPECT_EQ(browser.Flags(), static_cast<UINT>(BIF_RETURNONLYFSDIRS));
}

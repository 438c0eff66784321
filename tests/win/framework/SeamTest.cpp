// Every place the program waits for the user can be answered by a test.
#include "TestSupport.h"

#include "Cp936Text.h"
#include "UserPrompt.h"

#include <gtest/gtest.h>

namespace {

TEST(MessageBoxSeam, RecordsTextCaptionAndButtonsAndAnswers)
{
    MessageBoxRecorder boxes(IDNO);
    EXPECT_EQ(fw::ShowMessageBox("删除以后将无法恢复，确定要删除吗？", MB_YESNO, "请确认"), IDNO);
    EXPECT_EQ(fw::ShowMessageBox("当前场景为空，请先调入场景!"), IDNO);
    {
        CWinApp app("染界");
        fw::ShowMessageBox("x", MB_OK | MB_ICONEXCLAMATION);
    }
    ASSERT_EQ(boxes.boxes.size(), 3u);
    EXPECT_EQ(boxes.boxes[0].text, "删除以后将无法恢复，确定要删除吗？");
    EXPECT_EQ(boxes.boxes[0].caption, "请确认");
    EXPECT_EQ(boxes.boxes[0].type, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(boxes.boxes[1].caption, "framework_tests");  // no application object: the module's name
    EXPECT_EQ(boxes.boxes[2].caption, "染界");             // the application's title
    EXPECT_EQ(boxes.boxes[2].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
}

TEST(MessageBoxSeam, CarriesTheLibrarysPrompts)
{
    fw::RoutePromptsToMessageBox();
    MessageBoxRecorder boxes(IDYES);
    EXPECT_EQ(Prompt("相同名称、房间类别的组合已经存在，替换吗？", PromptButtons::YesNo, "请确认"), PromptAnswer::Yes);
    boxes.answer = IDNO;
    EXPECT_EQ(Prompt("是否复制贴图文件？", PromptButtons::YesNo, "请确认"), PromptAnswer::No);
    boxes.answer = IDOK;
    EXPECT_EQ(Prompt("不是合适的染界文件！"), PromptAnswer::Ok);
    boxes.answer = IDCANCEL;
    EXPECT_EQ(Prompt("?", PromptButtons::YesNoCancel), PromptAnswer::Cancel);
    ASSERT_EQ(boxes.boxes.size(), 4u);
    EXPECT_EQ(boxes.boxes[0].text, "相同名称、房间类别的组合已经存在，替换吗？");
    EXPECT_EQ(boxes.boxes[0].caption, "请确认");
    EXPECT_EQ(boxes.boxes[0].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(boxes.boxes[2].type & MB_TYPEMASK, static_cast<UINT>(MB_OK));
    EXPECT_EQ(boxes.boxes[3].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNOCANCEL));
    SetPromptHandler(nullptr);
}

TEST(FileDialogSeam, SeesTheRequestAndChoosesOrCancels)
{
    fw::FileDialogRequest seen;
    std::string answer = "C:\\导出\\方案.tgv";
    const fw::FileDialogHandler previous = fw::SetFileDialogHandler([&](const fw::FileDialogRequest& request, std::string& path) {
        seen = request;
        if (answer.empty()) return false;
        path = answer;
        return true;
    });
    fw::FileDialogRequest request;
    request.save = true;
    request.title = "选择备份";
    request.filter = "染界文件 (*.tgv)|*.tgv|";
    request.defaultExtension = "tgv";
    request.initialFile = "方案.tgv";
    std::string path = "unchanged";
    EXPECT_TRUE(fw::ShowFileDialog(request, path));
    EXPECT_EQ(path, "C:\\导出\\方案.tgv");
    EXPECT_TRUE(seen.save);
    EXPECT_EQ(seen.title, "选择备份");
    EXPECT_EQ(seen.filter, "染界文件 (*.tgv)|*.tgv|");
    EXPECT_EQ(seen.defaultExtension, "tgv");
    EXPECT_EQ(seen.initialFile, "方案.tgv");

    answer.clear();
    path = "unchanged";
    EXPECT_FALSE(fw::ShowFileDialog(request, path));
    EXPECT_EQ(path, "unchanged");
    fw::SetFileDialogHandler(previous);
}

// A browse callback as a folder browser writes it: start at a folder and
// show the selected folder's path in the status line.
struct BrowseState {
    std::wstring startFolder;
};

int CALLBACK BrowseCallback(HWND wnd, UINT message, LPARAM param, LPARAM data)
{
    auto* state = reinterpret_cast<BrowseState*>(data);
    if (message == BFFM_INITIALIZED) {
        SendMessageW(wnd, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(state->startFolder.c_str()));
        SendMessageW(wnd, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(state->startFolder.c_str()));
    } else if (message == BFFM_SELCHANGED) {
        wchar_t path[MAX_PATH] = {};
        if (!SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(param), path)) path[0] = 0;
        SendMessageW(wnd, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
    }
    return 0;
}

TEST(FolderBrowseSeam, AnswersWithAPathAndShowsWhatTheCallerSet)
{
    BrowseState state{L"C:\\windows"};
    const std::wstring title = fw::Widen(fw::LoadResourceString(IDS_TITLE));
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW info{};
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(&state);

    fw::FolderBrowseTrace trace;
    std::string answer = "C:\\windows\\system32";
    const fw::FolderBrowseHandler previous = fw::SetFolderBrowseHandler([&](BROWSEINFOW& browse) {
        return fw::AnswerFolderBrowse(browse, answer, &trace);
    });
    LPITEMIDLIST chosen = fw::BrowseForFolder(info);
    ASSERT_TRUE(chosen);
    wchar_t path[MAX_PATH] = {};
    ASSERT_TRUE(SHGetPathFromIDListW(chosen, path));
    CoTaskMemFree(chosen);
    EXPECT_EQ(lstrcmpiW(path, L"C:\\windows\\system32"), 0);
    EXPECT_EQ(lstrcmpiW(displayName, L"system32"), 0);
    EXPECT_EQ(trace.title, "选择进行材质贴图更换的贴图路径：");
    EXPECT_EQ(trace.startSelection, "C:\\windows");
    ASSERT_EQ(trace.statusTexts.size(), 2u);
    EXPECT_EQ(trace.statusTexts[0], "C:\\windows");
    EXPECT_TRUE(cp936::EqualsNoCase(trace.statusTexts[1], "C:\\windows\\system32"));

    answer.clear();
    trace = fw::FolderBrowseTrace();
    EXPECT_EQ(fw::BrowseForFolder(info), nullptr);
    EXPECT_EQ(trace.statusTexts.size(), 1u);  // initialised, then cancelled
    fw::SetFolderBrowseHandler(previous);
}

}  // namespace

#include "DialogTestUi.h"

#include "CombinationFile.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

namespace {

struct CommonControls {
    CommonControls()
    {
        INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_TREEVIEW_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&init);
    }
};

}  // namespace

DialogTestUi::DialogTestUi()
{
    static CommonControls once;
    fw::RoutePromptsToMessageBox();
    oldBox = fw::SetMessageBoxHandler([this](const std::string& text, const std::string& caption, UINT type) {
        boxes.push_back({text, caption, type});
        if (!boxAnswers.empty()) {
            const int answer = boxAnswers.front();
            boxAnswers.pop_front();
            return answer;
        }
        return (type & MB_TYPEMASK) == MB_OK ? IDOK : IDNO;
    });
    oldFile = fw::SetFileDialogHandler([this](const fw::FileDialogRequest& request, std::string& path) {
        fileRequests.push_back(request);
        if (filePaths.empty())
            return false;
        path = filePaths.front();
        filePaths.pop_front();
        return !path.empty();
    });
    oldFolder = fw::SetFolderBrowseHandler([this](BROWSEINFOW& info) -> LPITEMIDLIST {
        std::string answer;
        if (!folderAnswers.empty()) {
            answer = folderAnswers.front();
            folderAnswers.pop_front();
        }
        fw::FolderBrowseTrace trace;
        LPITEMIDLIST result = fw::AnswerFolderBrowse(info, answer, &trace);
        folderTraces.push_back(trace);
        return result;
    });
    oldHook = fw::SetModalDialogHook(
        [this](CDialog& dialog) {
            dialogsSeen.push_back(dialog.TemplateId());
            if (dialogActions.empty()) {
                ++unexpectedDialogs;
                dialog.EndDialog(IDCANCEL);
                return;
            }
            auto action = std::move(dialogActions.front());
            dialogActions.pop_front();
            action(dialog);
        },
        5000);
}

DialogTestUi::~DialogTestUi()
{
    fw::SetMessageBoxHandler(oldBox);
    fw::SetFileDialogHandler(oldFile);
    fw::SetFolderBrowseHandler(oldFolder);
    fw::SetModalDialogHook(oldHook);
}

std::vector<std::string> DialogTestUi::BoxTexts() const
{
    std::vector<std::string> texts;
    for (const SeenBox& box : boxes)
        texts.push_back(box.text);
    return texts;
}

void Type(CWnd& dialog, int id, const std::string& text)
{
    fw::SetText(dialog.GetDlgItem(id), text);
}

std::string TextOf(CWnd& dialog, int id)
{
    return fw::GetText(dialog.GetDlgItem(id));
}

void Click(CWnd& dialog, int id)
{
    ::SendMessageW(dialog.GetDlgItem(id), BM_CLICK, 0, 0);
}

bool IsEnabled(CWnd& dialog, int id)
{
    return ::IsWindowEnabled(dialog.GetDlgItem(id)) != FALSE;
}

CombinationRecord TestRecord(const std::string& name, const std::string& category,
                             const std::string& shortDescription, const std::string& longDescription,
                             const std::string& ceilingMap)
{
    CombinationRecord record;
    InitCombinationRecord(record, name, category, shortDescription);
    if (!longDescription.empty())
        SetField(record.longDescription, longDescription);
    SetField(record.materials[0].mapFile[0], ceilingMap);
    record.materials[1].color[0] = 0.25f;
    record.materials[2].params1[3] = 77;
    return record;
}

std::string FreshFolder(const std::string& name)
{
    CreateDirectoryW(L"C:\\tgdlgtest", nullptr);
    const std::string folder = "C:\\tgdlgtest\\" + name + "\\";
    const std::wstring wide = fw::Widen(folder);
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((wide + L"*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW((wide + found.cFileName).c_str());
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    CreateDirectoryW(wide.c_str(), nullptr);
    return folder;
}

std::string ReadFileBytes(const std::string& path)
{
    std::string bytes;
    FILE* f = _wfopen(fw::Widen(path).c_str(), L"rb");
    if (!f)
        return bytes;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    std::fclose(f);
    return bytes;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    FILE* f = _wfopen(fw::Widen(path).c_str(), L"wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesW(fw::Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string RecordBytes(const CombinationRecord& record)
{
    CombinationRecord copy = record;
    ClearGaps(copy);
    return std::string(reinterpret_cast<const char*>(&copy), sizeof copy);
}

std::string SignatureBytes()
{
    std::string field(32, '\0');
    std::memcpy(&field[0], "ZK_Tintgrove_V1.0", 17);
    return field;
}

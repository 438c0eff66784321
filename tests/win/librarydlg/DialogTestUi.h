// Test helpers: answers the message boxes, file dialogs, folder browsers and
// modal dialogs through the framework's seams and records what the user
// would have seen; builds records and reads files.
#pragma once

#include "CombinationLibrary.h"
#include "framework/Framework.h"

#include <deque>
#include <functional>
#include <string>
#include <vector>

struct SeenBox {
    std::string text;
    std::string caption;
    UINT type;
};

class DialogTestUi {
public:
    DialogTestUi();
    ~DialogTestUi();

    // Message boxes: answered from the queue; without a queued answer an OK
    // box gets IDOK and a question IDNO.
    std::deque<int> boxAnswers;
    std::vector<SeenBox> boxes;
    std::vector<std::string> BoxTexts() const;

    // Modal dialogs: each runs the next queued action (which types, clicks
    // and ends it); a dialog without one is cancelled and counted.
    std::deque<std::function<void(CDialog&)>> dialogActions;
    std::vector<UINT> dialogsSeen;
    int unexpectedDialogs = 0;

    // File dialogs: answered from the queue (an empty path cancels).
    std::deque<std::string> filePaths;
    std::vector<fw::FileDialogRequest> fileRequests;

    // Folder browsers: answered from the queue (an empty path cancels).
    std::deque<std::string> folderAnswers;
    std::vector<fw::FolderBrowseTrace> folderTraces;

private:
    fw::MessageBoxHandler oldBox;
    fw::FileDialogHandler oldFile;
    fw::FolderBrowseHandler oldFolder;
    fw::ModalDialogHook oldHook;
};

// User actions on a dialog.
void Type(CWnd& dialog, int id, const std::string& text);
std::string TextOf(CWnd& dialog, int id);
void Click(CWnd& dialog, int id);
bool IsEnabled(CWnd& dialog, int id);

// A record as a test needs it: texts and one texture map in the ceiling slot.
CombinationRecord TestRecord(const std::string& name, const std::string& category,
                             const std::string& shortDescription = "desc", const std::string& longDescription = "",
                             const std::string& ceilingMap = "");

// A fresh, empty folder for one test (C:\tgdlgtest\<name>\), with a final backslash.
std::string FreshFolder(const std::string& name);
std::string ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// The bytes of a record as the file holds them.
std::string RecordBytes(const CombinationRecord& record);
std::string SignatureBytes();

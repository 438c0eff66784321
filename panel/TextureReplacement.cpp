// Texture replacement's window glue: the folder chosen and listed, the
// picture files put on the current material, the texture taken off again.
#include "ColorPanelDlg.h"

#include "controls/FolderBrowser.h"
#include "text/Cp936Text.h"
#include "engine/EngineSteps.h"
#include "panel/FuzzyQueryDlg.h"
#include "res/resource.h"

const char* const CColorPanelDlg::kTextureQueryFailedFormat =
    "查询失败,在名称中查找有关键字<%s>的查询没有发现满足要求的记录！";

namespace {

bool FolderExists(const std::string& folder)
{
    const DWORD attributes = GetFileAttributesW(fw::Widen(folder).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Appends the names of the files matching pattern, in the file system's order.
void AppendMatches(const std::string& pattern, std::vector<std::string>& names)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(fw::Widen(pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.push_back(fw::Narrow(found.cFileName));
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

}  // namespace

std::string CColorPanelDlg::DefaultTextureFolder()
{
    return engine::DefaultTextureFolderOf(ModuleFolder(), FolderExists);
}

void CColorPanelDlg::ChooseTextureFolder()
{
    if (timerId_ != 0)
        ToggleAutoChange();

    CStartFolderBrowser browser(m_hWnd, IDS_TEXTURE_FOLDER_TITLE);
    browser.SetFlags(kFolderBrowseFlags);
    std::string start = items_.textureFolder;
    if (!start.empty())
        start.pop_back();
    browser.SetStartFolder(start);
    if (browser.Browse())
        items_.textureFolder = browser.ChosenPath();
    else if (items_.textureFolder.empty())
        items_.textureFolder = DefaultTextureFolder();
    if (items_.textureFolder.empty() || items_.textureFolder.back() != '\\')
        items_.textureFolder += '\\';
    SetDlgItemText(IDC_TEXTURE_FOLDER, items_.textureFolder);
    ListTextureFolder();
}

void CColorPanelDlg::ListTextureFolder()
{
    std::vector<std::string> names;
    AppendMatches(items_.textureFolder + "*.jpg", names);
    AppendMatches(items_.textureFolder + "*.bmp", names);
    items_.TakeTextures(std::move(names));
    items_.itemIndex = 1;
    SetItemCountLabel();
    SetDlgItemText(IDC_ITEM_INDEX, std::to_string(items_.itemIndex));
    indexEdited_ = false;
    UpdateLibraryButton();
    OverviewListChanged();
}

void CColorPanelDlg::ApplyTexture()
{
    const std::string name = items_.TextureOf(items_.itemIndex);
    if (!name.empty())
        painter_.ApplyTexture(items_.textureFolder, name);
}

void CColorPanelDlg::ClearCurrentTexture() { painter_.ClearTexture(); }

bool CColorPanelDlg::QueryTextures()
{
    CFuzzyQueryDlg query(1);
    if (query.DoModal() != IDOK)
        return false;
    std::vector<std::string> kept;
    for (const std::string& name : items_.textureNames) {
        if (cp936::Find(name, query.nameText) != std::string::npos)
            kept.push_back(name);
    }
    if (kept.empty()) {
        fw::ShowMessageBox(engine::FillFormat(kTextureQueryFailedFormat, query.nameText), MB_OK, std::string(),
                           m_hWnd);
        return false;
    }
    items_.TakeTextures(std::move(kept));
    return true;
}

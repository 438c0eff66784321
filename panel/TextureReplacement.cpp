// Texture replacement: the picture files of a folder put on the current
// material as its texture map, and the texture taken off again.
#include "ColorPanelDlg.h"

#include "controls/FolderBrowser.h"
#include "text/Cp936Text.h"
#include "panel/EngineSteps.h"
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
    if (timerId != 0)
        ToggleAutoChange();

    CStartFolderBrowser browser(m_hWnd, IDS_TEXTURE_FOLDER_TITLE);
    browser.SetFlags(kFolderBrowseFlags);
    std::string start = textureFolder;
    if (!start.empty())
        start.pop_back();
    browser.SetStartFolder(start);
    if (browser.Browse())
        textureFolder = browser.ChosenPath();
    else if (textureFolder.empty())
        textureFolder = DefaultTextureFolder();
    if (textureFolder.empty() || textureFolder.back() != '\\')
        textureFolder += '\\';
    SetDlgItemText(IDC_TEXTURE_FOLDER, textureFolder);
    ListTextureFolder();
}

void CColorPanelDlg::ListTextureFolder()
{
    textureNames.clear();
    AppendMatches(textureFolder + "*.jpg", textureNames);
    AppendMatches(textureFolder + "*.bmp", textureNames);
    itemCount = static_cast<int>(textureNames.size());
    itemIndex = 1;
    SetItemCountLabel();
    SetDlgItemText(IDC_ITEM_INDEX, std::to_string(itemIndex));
    indexEdited = false;
    UpdateLibraryButton();
    OverviewListChanged();
}

void CColorPanelDlg::ApplyTexture()
{
    if (currentMaterials.empty() || currentMaterialHandles.empty())
        return;
    if (!engine::InList(itemIndex, static_cast<int>(textureNames.size())))
        return;
    description = textureNames[static_cast<std::size_t>(itemIndex - 1)];
    OriginalMaterial& material = currentMaterials[0];
    material.mapFile[0] = (textureFolder + description).c_str();
    HV_SetMaterial(currentMaterialHandles[0], &material);
    HV_CalculateSurfaceColor();
    HV_Redraw();
}

void CColorPanelDlg::ClearCurrentTexture()
{
    if (currentMaterials.empty() || currentMaterialHandles.empty())
        return;
    currentMaterials[0].mapFile[0] = "";
    HV_SetMaterial(currentMaterialHandles[0], &currentMaterials[0]);
    HV_CalculateSurfaceColor();
    HV_Redraw();
}

bool CColorPanelDlg::QueryTextures()
{
    CFuzzyQueryDlg query(1);
    if (query.DoModal() != IDOK)
        return false;
    std::vector<std::string> kept;
    for (const std::string& name : textureNames) {
        if (cp936::Find(name, query.nameText) != std::string::npos)
            kept.push_back(name);
    }
    if (kept.empty()) {
        fw::ShowMessageBox(engine::FillFormat(kTextureQueryFailedFormat, query.nameText), MB_OK, std::string(),
                           m_hWnd);
        return false;
    }
    textureNames = std::move(kept);
    itemCount = static_cast<int>(textureNames.size());
    return true;
}

#include "Plugins.h"

#include <algorithm>

namespace walkhost {

std::wstring PluginProblemsLog(const std::vector<PluginLoadProblem>& problems)
{
    std::wstring text = L"Some plug-ins could not be loaded:\n";
    for (const PluginLoadProblem& p : problems)
        text += L"\n" + p.name + L": could not be loaded (error " + std::to_wstring(p.error) + L")";
    return text;
}

std::wstring PluginProblemsMessage(const std::vector<PluginLoadProblem>& problems)
{
    std::wstring text = L"以下插件未能加载：\n";
    for (const PluginLoadProblem& p : problems)
        text += L"\n" + p.name + L"（错误代码 " + std::to_wstring(p.error) + L"）";
    return text;
}

std::vector<PluginLoadProblem> PluginSet::LoadFolder(const std::wstring& folder)
{
    std::vector<PluginLoadProblem> problems;
    std::wstring dir = folder;
    if (!dir.empty() && dir.back() != L'\\' && dir.back() != L'/')
        dir += L'\\';
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((dir + L"*.dll").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(found.cFileName);
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    std::sort(names.begin(), names.end());
    for (const std::wstring& name : names) {
        LoadedPlugin plugin;
        plugin.name = name;
        plugins_.push_back(plugin);
        const size_t index = plugins_.size() - 1;
        loading_ = static_cast<int>(index);
        // The plug-in's own DLLs are found beside it.
        HMODULE module = LoadLibraryExW((dir + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        loading_ = -1;
        if (!module) {
            problems.push_back(PluginLoadProblem{name, GetLastError()});
            plugins_.erase(plugins_.begin() + static_cast<std::ptrdiff_t>(index));
            continue;
        }
        plugins_[index].module = module;
    }
    return problems;
}

void PluginSet::Register(VRPluginCallBack* table)
{
    if (!table)
        return;
    for (const LoadedPlugin& p : plugins_)
        if (p.table == table)
            return;
    if (loading_ >= 0 && loading_ < static_cast<int>(plugins_.size()) && !plugins_[loading_].table) {
        plugins_[loading_].table = table;
        return;
    }
    // Registered outside a load (a plug-in loaded by another one, or late).
    LoadedPlugin plugin;
    plugin.name = L"(registered)";
    plugin.table = table;
    plugins_.push_back(plugin);
}

void PluginSet::SendEvent(const char* event, int index)
{
    // Copy first: a callback may load or register another plug-in.
    const std::vector<LoadedPlugin> plugins = plugins_;
    for (size_t i = 0; i < plugins.size(); ++i) {
        if (index >= 0 && static_cast<size_t>(index) != i)
            continue;
        if (plugins[i].table && plugins[i].table->hostEvent)
            plugins[i].table->hostEvent(event);
    }
}

void PluginSet::SendMouse(int slot, unsigned flags, int x, int y)
{
    const std::vector<LoadedPlugin> plugins = plugins_;
    for (const LoadedPlugin& p : plugins) {
        if (!p.table)
            continue;
        VRPluginMouseCallback callbacks[6] = {p.table->leftButtonDown, p.table->leftButtonUp, p.table->rightButtonDown,
                                              p.table->rightButtonUp,  p.table->mouseMove,    p.table->doubleClick};
        if (slot >= 0 && slot < 6 && callbacks[slot])
            callbacks[slot](flags, x, y);
    }
}

}  // namespace walkhost

#include "LibraryDlgSupport.h"

#include "Cp936Text.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace librarydlg {

const char* const kConfirmCaption = "请确认";
const char* const kMissingMaterialFormat = "存在没有指定的材料%s,系统不能入库！";
const char* const kEmptyFieldsMessage = "配色方案的房间类别和方案说明都不应该为空！";
const char* const kReplaceQuestion = "相同名称、房间类别的组合已经存在，替换吗？";
const char* const kModifyDoneStatus = "所做的修改更新到数据库完毕！";
const char* const kDeleteQuestion = "删除以后将无法恢复，确定要删除吗？";
const char* const kRecordNotFoundMessage = "无法找到要修改的纪录！";
const char* const kExportNoRecordMessage = "没有找到纪录！记录没有导出!";
const char* const kExportedRecordFormat = "当前名称为<%s>的记录导出成功！";
const char* const kExportedLibraryFormat = "记录导出完毕,导出文件为%s！";
const char* const kCopyTexturesQuestion = "是否复制贴图文件？";
const char* const kImportDoneFormat = "导入成功，导入新组合%d个，覆盖更新%d个！";
const char* const kExportFailedFormat = "无法写入导出文件%s，记录没有导出！";
const char* const kImportOpenFailedFormat = "无法打开要导入的文件%s，没有导入任何记录！";
const char* const kTextTooLongFormat = "%s太长：最多%d个字节（一个汉字占两个字节），请删短后再试！";

const char* const kExportDialogTitle = "选择导出的染界配色文件";
const char* const kExportFilter = "染界配色文件 (*.tgv)|*.tgv |All Files (*.*)|*.*||";
const char* const kExportDefaultExtension = "tgv";
const char* const kExportInitialName = "Untitled";
const char* const kImportDialogTitle = "选择要导入的染界配色文件";
const char* const kImportFilter = "染界配色文件 (*.tgv)|*.tgv|All Files (*.*)|*.*||";

const char* const kNameLabel = "组合名称";
const char* const kDescriptionLabel = "组合说明";
const char* const kCategoryLabel = "房间类别";
const char* const kShortDescriptionLabel = "简单说明";
const char* const kLongDescriptionLabel = "更多说明";

const char* SurfaceClassWord(int surfaceClass)
{
    switch (surfaceClass) {
    case 0:
        return "顶棚";
    case 1:
        return "地面";
    default:
        return "墙面";
    }
}

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        out.assign(buffer.data(), static_cast<std::size_t>(n));
    }
    va_end(args);
    return out;
}

void SplitRecordPath(std::string_view path, std::string& category, std::string& name)
{
    const std::size_t slash = cp936::FindLastChar(path, '/');
    if (slash == std::string_view::npos) {
        category.clear();
        name.assign(path);
        return;
    }
    category.assign(path.substr(0, slash + 1));
    name.assign(path.substr(slash + 1));
}

std::string FolderOf(std::string_view path)
{
    const std::size_t slash = cp936::FindLastChar(path, '\\');
    if (slash == std::string_view::npos)
        return std::string();
    return std::string(path.substr(0, slash + 1));
}

std::string WithFinalBackslash(std::string_view folder)
{
    std::string out(folder);
    const std::size_t slash = cp936::FindLastChar(folder, '\\');
    if (folder.empty() || slash != folder.size() - 1)
        out.push_back('\\');
    return out;
}

std::string CheckFieldsFit(std::initializer_list<FieldCheck> fields)
{
    for (const FieldCheck& field : fields) {
        if (field.text.size() + 1 > field.width)
            return Format(kTextTooLongFormat, field.label, static_cast<int>(field.width - 1));
    }
    return std::string();
}

}  // namespace librarydlg

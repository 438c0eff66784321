// Texts and small helpers shared by the library dialogs (adding a
// combination, library maintenance, export and import). Texts are code page
// 936, as the dialogs show them.
#pragma once

#include "CombinationRecord.h"

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace librarydlg {

// Messages and captions.
extern const char* const kConfirmCaption;          // "请确认"
extern const char* const kMissingMaterialFormat;   // %s = the class word
extern const char* const kEmptyFieldsMessage;
extern const char* const kReplaceQuestion;
extern const char* const kModifyDoneStatus;
extern const char* const kDeleteQuestion;
extern const char* const kRecordNotFoundMessage;
extern const char* const kExportNoRecordMessage;
extern const char* const kExportedRecordFormat;    // %s = the record's name
extern const char* const kExportedLibraryFormat;   // %s = the export file
extern const char* const kCopyTexturesQuestion;
extern const char* const kImportDoneFormat;        // %d added, %d replaced
extern const char* const kExportFailedFormat;      // %s = the export file
extern const char* const kImportOpenFailedFormat;  // %s = the import file
extern const char* const kTextTooLongFormat;       // %s = field label, %d = bytes

// File dialogs of the export and the import.
extern const char* const kExportDialogTitle;
extern const char* const kExportFilter;
extern const char* const kExportDefaultExtension;  // "tgv"
extern const char* const kExportInitialName;       // "Untitled"
extern const char* const kImportDialogTitle;
extern const char* const kImportFilter;

// The height of the category tree's drop-down list, in pixels.
constexpr int kCategoryDropDownHeight = 300;

// Field labels used in kTextTooLongFormat.
extern const char* const kNameLabel;               // "组合名称"
extern const char* const kDescriptionLabel;        // "组合说明"
extern const char* const kCategoryLabel;           // "房间类别"
extern const char* const kShortDescriptionLabel;   // "简单说明"
extern const char* const kLongDescriptionLabel;    // "更多说明"

// The word for a surface class in kMissingMaterialFormat: "顶棚", "地面", "墙面".
const char* SurfaceClassWord(int surfaceClass);

// printf-style formatting into a string (one %s or %d arguments as the texts above use).
std::string Format(const char* format, ...);

// Splits a selector path at its last "/" (multibyte-aware): the category
// keeps the "/", the name is what follows. Without a "/" the category is
// empty and the name is the whole path.
void SplitRecordPath(std::string_view path, std::string& category, std::string& name);

// The folder of a file path, up to and including its last backslash
// (multibyte-aware); empty when the path holds none.
std::string FolderOf(std::string_view path);

// A folder path with exactly one final backslash appended when it has none.
std::string WithFinalBackslash(std::string_view folder);

// Texts typed into the dialogs are refused, not cut, when they do not fit
// their record field (width - 1 bytes). Returns the message for the first
// text that does not fit, or an empty string when all fit.
struct FieldCheck {
    std::string_view text;
    std::size_t width;
    const char* label;
};
std::string CheckFieldsFit(std::initializer_list<FieldCheck> fields);

}  // namespace librarydlg

// Text and file helpers of the Windows side: explicit conversions between
// UTF-16, UTF-8 (scripts, logs) and code page 936 (the plug-in's texts), and
// whole-file reads and writes with wide paths.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace walkhost {

std::wstring ToWide(const std::string& text, UINT codePage);
std::string FromWide(const std::wstring& text, UINT codePage);
inline std::wstring Utf8ToWide(const std::string& text) { return ToWide(text, CP_UTF8); }
inline std::string WideToUtf8(const std::wstring& text) { return FromWide(text, CP_UTF8); }
inline std::wstring Cp936ToWide(const std::string& text) { return ToWide(text, 936); }
inline std::string WideToCp936(const std::wstring& text) { return FromWide(text, 936); }

bool ReadWholeFile(const std::wstring& path, std::vector<unsigned char>& bytes);
bool WriteWholeFile(const std::wstring& path, const std::vector<unsigned char>& bytes);

// The folder of the executable, with a trailing backslash.
std::wstring ExeFolder();
// The folder part of a path, with its trailing separator; empty if none.
std::wstring FolderOf(const std::wstring& path);
bool IsAbsolutePath(const std::wstring& path);

}  // namespace walkhost

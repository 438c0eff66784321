// Conversion between the code page 936 texts of records and files and the
// UTF-8 of terminals, readable files and (on POSIX systems) file names. The
// one place where the tool and the POSIX file layer convert.
#pragma once

#include <string>
#include <string_view>

// False when text is not valid in the source encoding or a character has no
// form in the target one; out then holds nothing useful.
bool Cp936ToUtf8(std::string_view text, std::string& out);
bool Utf8ToCp936(std::string_view text, std::string& out);
// The text in UTF-8, or as it stands when it is not code page 936.
inline std::string Cp936ToUtf8OrAsIs(const std::string& text)
{
    std::string utf8;
    return Cp936ToUtf8(text, utf8) ? utf8 : text;
}

// Byte-level helpers for code page 936 text held in std::string.
// A double-byte character is a lead byte 0x81-0xFE followed by a trail byte
// 0x40-0xFE; trail bytes include '\\', 'A'-'Z' and 'a'-'z', so every search
// and case fold here walks character by character and never looks at a trail
// byte as if it stood alone.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace cp936 {

constexpr bool IsLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
constexpr bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFE && c != 0x7F; }

// Bytes taken by the character that starts at text[pos]: 2 for a lead byte
// with a byte after it, otherwise 1 (a lone lead byte at the end counts as one).
std::size_t CharLength(std::string_view text, std::size_t pos);

// Position of the first/last single-byte character ch, skipping the bytes of
// double-byte characters; npos when there is none.
std::size_t FindFirstChar(std::string_view text, char ch);
std::size_t FindLastChar(std::string_view text, char ch);

// Case-sensitive substring search that matches only at character starts.
std::size_t Find(std::string_view text, std::string_view needle);

// Comparison that folds the ASCII letters of single-byte characters and
// compares double-byte characters byte for byte; <0, 0, >0.
int CompareNoCase(std::string_view a, std::string_view b);
inline bool EqualsNoCase(std::string_view a, std::string_view b) { return CompareNoCase(a, b) == 0; }

// The text with the ASCII letters of its single-byte characters folded to
// lower case: FoldCase(a) == FoldCase(b) exactly when EqualsNoCase(a, b), so
// it serves as a hash key for case-insensitive lookups.
std::string FoldCase(std::string_view text);
// FoldCase(text) appended to out, without a new string each time.
void AppendFolded(std::string& out, std::string_view text);

// Folds ASCII letters byte by byte, trail bytes included (not multibyte-aware).
bool EqualsNoCaseBytewise(std::string_view a, std::string_view b);

// Length of the longest prefix of text that has at most maxBytes bytes and
// does not end in the middle of a double-byte character.
std::size_t FitLength(std::string_view text, std::size_t maxBytes);

// Writes text into a fixed field of width bytes: at most width - 1 bytes,
// cut at a character boundary, then a NUL. Bytes after the NUL are untouched.
// Returns false when the text had to be cut.
bool CopyToField(char* field, std::size_t width, std::string_view text);

// The text of a fixed field: up to its first NUL, or the whole field when it
// holds none.
std::string_view FieldText(const char* field, std::size_t width);

// True when every byte is ASCII or part of a well-formed double-byte character.
bool IsValid(std::string_view text);

}  // namespace cp936

// Texts of records and readable files made safe and legible for a terminal:
// UTF-8, with control characters and bytes that are no text shown as \xNN,
// so a name can never send escape sequences to the user's terminal.
#pragma once

#include <string>
#include <string_view>

// A code page 936 text for the terminal.
std::string DisplayText(std::string_view cp936Text);
// A UTF-8 text for the terminal (invalid sequences and controls escaped).
std::string DisplayUtf8(std::string_view utf8);
// Columns the UTF-8 text takes in a terminal: 2 for East Asian wide
// characters, 1 for the others.
std::size_t DisplayWidth(std::string_view utf8);

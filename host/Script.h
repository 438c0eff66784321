// The automation script: one command per line, words separated by blanks,
// "double quotes" around a word with blanks ("" inside quotes is one quote),
// '#' at the start of a line for comments. Portable; the runner is Automation.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace walkhost {

struct ScriptCommand {
    int line = 0;
    std::string name;
    std::vector<std::string> args;
};

// False with a message naming the line for an unterminated quote.
bool ParseScript(std::string_view text, std::vector<ScriptCommand>& commands, std::string& error);

}  // namespace walkhost

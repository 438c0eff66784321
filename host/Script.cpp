#include "Script.h"

namespace walkhost {

bool ParseScript(std::string_view text, std::vector<ScriptCommand>& commands, std::string& error)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);  // UTF-8 byte order mark
    int number = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++number;
        std::vector<std::string> words;
        size_t i = 0;
        while (i < line.size()) {
            const char c = line[i];
            if (c == ' ' || c == '\t' || c == '\r') {
                ++i;
                continue;
            }
            if (c == '#' && words.empty())
                break;
            std::string word;
            if (c == '"') {
                ++i;
                bool closed = false;
                while (i < line.size()) {
                    if (line[i] == '"') {
                        if (i + 1 < line.size() && line[i + 1] == '"') {
                            word += '"';
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    word += line[i++];
                }
                if (!closed) {
                    error = "line " + std::to_string(number) + ": unterminated quote";
                    return false;
                }
            } else {
                while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
                    word += line[i++];
            }
            words.push_back(word);
        }
        if (words.empty())
            continue;
        ScriptCommand command;
        command.line = number;
        command.name = words[0];
        command.args.assign(words.begin() + 1, words.end());
        commands.push_back(command);
    }
    return true;
}

}  // namespace walkhost

// Text put into an HTML page: the characters markup gives a meaning to,
// escaped, so that names and descriptions show as they are written, also
// inside attribute values in double quotes.
#pragma once

#include <string>

inline std::string HtmlEscaped(const std::string& utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

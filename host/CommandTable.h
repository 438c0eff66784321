// A script runner's command table: one entry per command, read top to
// bottom, each with how many arguments it takes, the usage a script sees
// when it gives another number, and the handler that runs it. Portable: the
// lookup and the argument check do not depend on what a handler is.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace walkhost {

// maxArgs of a command that takes any number of words after its fixed ones.
constexpr size_t kAnyArgs = static_cast<size_t>(-1);

template <class Handler>
struct CommandEntry {
    const char* name;
    size_t minArgs;
    size_t maxArgs;     // kAnyArgs: no upper limit
    const char* usage;  // shown as "usage: <usage>"
    Handler handler;
};

// The first entry named `name`, or null.
template <class Entry, size_t N>
const Entry* FindCommand(const Entry (&table)[N], std::string_view name)
{
    for (const Entry& entry : table)
        if (name == entry.name)
            return &entry;
    return nullptr;
}

// Empty when `count` arguments suit the entry, else "usage: ...".
template <class Entry>
std::string ArgumentCountError(const Entry& entry, size_t count)
{
    if (count >= entry.minArgs && count <= entry.maxArgs)
        return std::string();
    return std::string("usage: ") + entry.usage;
}

}  // namespace walkhost

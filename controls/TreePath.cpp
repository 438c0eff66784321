#include "TreePath.h"

#include "text/Cp936Text.h"

#include <cstring>

namespace treepath {

Split SplitPath(std::string_view path, char separator)
{
    const std::size_t at = cp936::FindFirstChar(path, separator);
    if (at == std::string_view::npos)
        return {path, {}};
    return {path.substr(0, at), path.substr(at + 1)};
}

std::string PathIndex::Key(Item parent, std::string_view text)
{
    std::string key(sizeof parent, '\0');
    std::memcpy(key.data(), &parent, sizeof parent);
    key.append(text);
    return key;
}

Item PathIndex::Find(Item parent, std::string_view text) const
{
    const auto found = items_.find(Key(parent, text));
    return found == items_.end() ? 0 : found->second;
}

void PathIndex::Record(Item parent, std::string_view text, Item item)
{
    items_.emplace(Key(parent, text), item);
}

Item AddPath(std::string_view path, char separator, Tree& tree, PathIndex& index)
{
    if (path.empty())
        return 0;

    // Walk down the components that exist already. An empty first component
    // is never looked up, so a leading separator always adds a new top item.
    Split split = SplitPath(path, separator);
    Item ancestor = kRoot;
    Item found = split.head.empty() ? 0 : index.Find(kRoot, split.head);
    while (found != 0 && !split.rest.empty()) {
        ancestor = found;
        split = SplitPath(split.rest, separator);
        found = index.Find(ancestor, split.head);
    }
    if (found != 0)
        return 0;  // the whole path exists

    Item parent = ancestor;
    while (!split.rest.empty()) {
        const Item item = tree.InsertLast(parent, std::string(split.head));
        if (item == 0)
            return 0;
        index.Record(parent, split.head, item);
        parent = item;
        split = SplitPath(split.rest, separator);
    }
    const Item last = tree.InsertLast(parent, std::string(split.head));
    if (last != 0)
        index.Record(parent, split.head, last);
    return last;
}

}  // namespace treepath

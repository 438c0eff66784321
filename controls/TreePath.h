// Path logic of the tree combo box, kept free of Windows headers so it can be
// tested natively. A path is code page 936 text whose components are joined by
// a single-byte separator ("/"); each component is one tree item.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace treepath {

// Head and rest of a path split at its first separator. Without a separator
// the head is the whole text and the rest is empty; a separator at the end
// leaves an empty rest, so a final separator adds no empty component.
struct Split {
    std::string_view head;
    std::string_view rest;
};
Split SplitPath(std::string_view path, char separator);

// The items a tree is made of, as opaque values; 0 is the root (and "none").
using Item = std::uintptr_t;
constexpr Item kRoot = 0;

// What AddPath needs from the tree that shows the paths.
class Tree {
public:
    virtual ~Tree() = default;
    // Inserts text as the last child of parent (kRoot: the top level) and
    // returns the new item, or 0 when the tree refused it.
    virtual Item InsertLast(Item parent, const std::string& text) = 0;
};

// Index from (parent item, component text) to the first child of that parent
// with that text, so finding an existing path costs one look-up per component
// instead of a walk through the siblings.
class PathIndex {
public:
    Item Find(Item parent, std::string_view text) const;
    // Records item as parent's child with that text unless an earlier child
    // with the same text is recorded (sibling searches find the first one).
    void Record(Item parent, std::string_view text, Item item);
    void Clear() { items_.clear(); }
    std::size_t Size() const { return items_.size(); }

private:
    static std::string Key(Item parent, std::string_view text);
    std::unordered_map<std::string, Item> items_;
};

// Adds path to tree, creating the components that do not exist yet under the
// deepest existing one, and returns the item of its last component. Returns 0
// for an empty path and when the whole path already exists, or when the tree
// refuses an insertion.
Item AddPath(std::string_view path, char separator, Tree& tree, PathIndex& index);

}  // namespace treepath

#include "TreePath.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A tree that keeps its items in insertion order, like the tree view does,
// and answers sibling questions by walking them, like the tree view does.
class FakeTree : public treepath::Tree {
public:
    struct Node {
        treepath::Item parent;
        std::string text;
    };

    treepath::Item InsertLast(treepath::Item parent, const std::string& text) override
    {
        if (refuseAfter >= 0 && static_cast<int>(nodes.size()) >= refuseAfter)
            return 0;
        nodes.push_back({parent, text});
        return nodes.size();  // item n is nodes[n - 1]
    }

    std::vector<std::string> Children(treepath::Item parent) const
    {
        std::vector<std::string> texts;
        for (const Node& node : nodes)
            if (node.parent == parent)
                texts.push_back(node.text);
        return texts;
    }

    std::string PathOf(treepath::Item item) const
    {
        std::string path = nodes[item - 1].text;
        for (treepath::Item up = nodes[item - 1].parent; up != treepath::kRoot; up = nodes[up - 1].parent)
            path = nodes[up - 1].text + "/" + path;
        return path;
    }

    std::vector<Node> nodes;
    int refuseAfter = -1;
};

using Texts = std::vector<std::string>;

}  // namespace

TEST(TreePath, SplitsAtTheFirstSeparatorOnly)
{
    auto s = treepath::SplitPath("a/b/c", '/');
    EXPECT_EQ(s.head, "a");
    EXPECT_EQ(s.rest, "b/c");
    s = treepath::SplitPath("abc", '/');
    EXPECT_EQ(s.head, "abc");
    EXPECT_TRUE(s.rest.empty());
    s = treepath::SplitPath("a/", '/');
    EXPECT_EQ(s.head, "a");
    EXPECT_TRUE(s.rest.empty());
    s = treepath::SplitPath("/a", '/');
    EXPECT_TRUE(s.head.empty());
    EXPECT_EQ(s.rest, "a");
}

TEST(TreePath, SplitsDoubleByteTextWithoutLookingAtTrailBytes)
{
    // "\x81\x5C" is one character whose trail byte is a backslash: with a
    // backslash separator it must not split there.
    auto s = treepath::SplitPath("\x81\x5C" "x\\y", '\\');
    EXPECT_EQ(s.head, "\x81\x5C" "x");
    EXPECT_EQ(s.rest, "y");
    s = treepath::SplitPath("住宅/客厅", '/');
    EXPECT_EQ(s.head, "住宅");
    EXPECT_EQ(s.rest, "客厅");
}

TEST(TreePath, SharesExistingComponentsAndKeepsFirstAddedOrder)
{
    FakeTree tree;
    treepath::PathIndex index;
    const treepath::Item b = treepath::AddPath("a/b/", '/', tree, index);
    const treepath::Item c = treepath::AddPath("a/c/", '/', tree, index);
    EXPECT_NE(b, 0u);
    EXPECT_NE(c, 0u);
    EXPECT_EQ(treepath::AddPath("a/b/", '/', tree, index), 0u);
    EXPECT_EQ(tree.Children(treepath::kRoot), Texts({"a"}));
    EXPECT_EQ(tree.Children(1), Texts({"b", "c"}));
    EXPECT_EQ(tree.PathOf(b), "a/b");
    EXPECT_EQ(tree.PathOf(c), "a/c");

    // Without and with a final separator the path is the same.
    EXPECT_EQ(treepath::AddPath("a/b", '/', tree, index), 0u);
    EXPECT_EQ(treepath::AddPath("a", '/', tree, index), 0u);
    EXPECT_EQ(tree.nodes.size(), 3u);
}

TEST(TreePath, ReturnsTheLastComponentAndCreatesOnlyMissingOnes)
{
    FakeTree tree;
    treepath::PathIndex index;
    treepath::AddPath("住宅/客厅", '/', tree, index);
    const treepath::Item deep = treepath::AddPath("住宅/客厅/现代/明亮", '/', tree, index);
    EXPECT_EQ(tree.PathOf(deep), "住宅/客厅/现代/明亮");
    EXPECT_EQ(tree.nodes.size(), 4u);
    // A prefix of an existing path exists too; a longer one adds one item.
    EXPECT_EQ(treepath::AddPath("住宅/客厅/现代", '/', tree, index), 0u);
    EXPECT_EQ(tree.PathOf(treepath::AddPath("住宅/卧室", '/', tree, index)), "住宅/卧室");
    EXPECT_EQ(tree.Children(1), Texts({"客厅", "卧室"}));
    // Components compare exactly: case matters.
    EXPECT_NE(treepath::AddPath("住宅/卧室/A", '/', tree, index), 0u);
    EXPECT_NE(treepath::AddPath("住宅/卧室/a", '/', tree, index), 0u);
}

TEST(TreePath, EmptyAndOddPaths)
{
    FakeTree tree;
    treepath::PathIndex index;
    EXPECT_EQ(treepath::AddPath("", '/', tree, index), 0u);
    EXPECT_TRUE(tree.nodes.empty());
    // A leading separator gives an empty top item, never looked up, so each
    // such path adds a new one.
    EXPECT_NE(treepath::AddPath("/x", '/', tree, index), 0u);
    EXPECT_NE(treepath::AddPath("/x", '/', tree, index), 0u);
    EXPECT_EQ(tree.Children(treepath::kRoot), Texts({"", ""}));
    // An empty component in the middle is an item with empty text, found again.
    FakeTree other;
    treepath::PathIndex otherIndex;
    EXPECT_NE(treepath::AddPath("a//b", '/', other, otherIndex), 0u);
    EXPECT_EQ(treepath::AddPath("a//b", '/', other, otherIndex), 0u);
    EXPECT_EQ(other.nodes.size(), 3u);
}

TEST(TreePath, ARefusedInsertionReturnsNoneAndIsNotIndexed)
{
    FakeTree tree;
    treepath::PathIndex index;
    tree.refuseAfter = 1;
    EXPECT_EQ(treepath::AddPath("a/b", '/', tree, index), 0u);
    EXPECT_EQ(index.Size(), 1u);
    tree.refuseAfter = -1;
    EXPECT_EQ(tree.PathOf(treepath::AddPath("a/b", '/', tree, index)), "a/b");
    index.Clear();
    EXPECT_EQ(index.Find(treepath::kRoot, "a"), 0u);
}

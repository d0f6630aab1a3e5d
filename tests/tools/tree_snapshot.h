// Everything under a directory, name by name: kind, permission bits and bytes, for comparing
// a program directory with exactly the tree it must be.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

struct TreeNode {
    char kind;  // 'f' file, 'd' directory, 'l' symbolic link
    std::filesystem::perms perms;
    std::string bytes;  // a file's content, a link's target
    bool operator==(const TreeNode&) const = default;
};
using TreeSnapshot = std::map<std::string, TreeNode>;

inline TreeSnapshot SnapshotTree(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    TreeSnapshot tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const fs::file_status status = entry.symlink_status();
        TreeNode node{'f', status.permissions(), {}};
        if (fs::is_symlink(status)) {
            node = {'l', {}, fs::read_symlink(entry.path()).string()};
        } else if (fs::is_directory(status)) {
            node.kind = 'd';
        } else {
            std::ifstream in(entry.path(), std::ios::binary);
            node.bytes.assign(std::istreambuf_iterator<char>(in), {});
        }
        // lexically: a symbolic link's name must not be resolved to its target's
        tree[entry.path().lexically_relative(root).string()] = node;
    }
    return tree;
}

// One line per name, for failure messages.
inline std::string DescribeTree(const TreeSnapshot& tree) {
    std::string text;
    for (const auto& [name, node] : tree)
        text += "  " + name + " " + node.kind + " " +
                std::to_string(static_cast<unsigned>(node.perms)) + "\n";
    return text;
}

// A small tmpfs mounted over a directory for the lifetime of the object, to fill a disk for
// real. Needs root (or the right to mount); Mounted() says whether it worked.
#pragma once

#include <sys/mount.h>

#include <filesystem>
#include <string>

class SmallTmpfs {
public:
    SmallTmpfs(const std::filesystem::path& dir, size_t bytes) : m_dir(dir) {
        const std::string options = "size=" + std::to_string(bytes);
        m_mounted = mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallTmpfs() {
        if (m_mounted)
            umount2(m_dir.c_str(), MNT_DETACH);
    }
    SmallTmpfs(const SmallTmpfs&) = delete;
    SmallTmpfs& operator=(const SmallTmpfs&) = delete;

    bool Mounted() const { return m_mounted; }

private:
    std::filesystem::path m_dir;
    bool m_mounted = false;
};

// A small tmpfs mounted on a temporary directory for one test (a disk that can be filled, and
// where flushing to the disk costs nothing), unmounted and removed at the end. Needs the
// right to mount (root); Mounted() says whether it worked.
#pragma once

#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/text.h"

// A tmpfs of `bytes` mounted over the existing directory `path` (hiding what it held) for
// the object's lifetime.
class TmpfsMount {
public:
    TmpfsMount(const std::filesystem::path& path, size_t bytes) : m_path(path) {
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
        m_mounted = mount("tmpfs", m_path.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~TmpfsMount() {
        if (m_mounted)
            umount2(m_path.c_str(), MNT_DETACH);
    }
    TmpfsMount(const TmpfsMount&) = delete;
    TmpfsMount& operator=(const TmpfsMount&) = delete;

    bool Mounted() const { return m_mounted; }

private:
    std::filesystem::path m_path;
    bool m_mounted = false;
};

class TmpfsDir {
public:
    explicit TmpfsDir(size_t bytes) : m_path(MakeDir()) { m_mount.emplace(m_path, bytes); }
    ~TmpfsDir() {
        m_mount.reset();
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TmpfsDir(const TmpfsDir&) = delete;
    TmpfsDir& operator=(const TmpfsDir&) = delete;

    bool Mounted() const { return m_mount->Mounted(); }
    const std::filesystem::path& Path() const { return m_path; }
    std::u16string BaseDir() const { return Utf8ToWide(m_path.string() + "/"); }

private:
    static std::filesystem::path MakeDir() {
        char pattern[] = "/tmp/update_tmpfs_XXXXXX";
        return mkdtemp(pattern);
    }

    std::filesystem::path m_path;
    std::optional<TmpfsMount> m_mount;
};

// The signed packs of tests/tools/make_signed_packs.py (keys and signatures made by the real
// minisign tool), for the tests that read them. On Linux they are made for the test, in a
// temporary directory. Wine cannot run minisign: the Windows build's tests read the packs
// that the host made before them (the signed_pack_fixtures test, at UPDATE_SIGNED_PACKS_DIR).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/tools/temp_dir.h"

inline std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Line `number` (from 1) of `text`, without its line break; empty past the end.
inline std::string LineOf(const std::string& text, int number) {
    std::istringstream in(text);
    std::string line;
    for (int i = 0; i < number; ++i) {
        if (!std::getline(in, line))
            return std::string();
    }
    return line;
}

class SignedPacks {
public:
    // Gives false when the packs could not be made (minisign missing) or were not made.
    bool Make() {
#ifdef _WIN32
        m_dir = UPDATE_SIGNED_PACKS_DIR;
        return std::filesystem::exists(m_dir / "cases.txt");
#else
        m_made = std::make_unique<TempDir>();
        m_dir = m_made->Path();
        const std::string command =
            "python3 " UPDATE_TEST_TOOLS_DIR "/make_signed_packs.py " + m_dir.string();
        return std::system(command.c_str()) == 0;
#endif
    }

    const std::filesystem::path& Dir() const {
        return m_dir;
    }

    // The key line of a public key file ("vendor" or "other"): its second line.
    std::string KeyLine(const std::string& key) const {
        return LineOf(ReadWholeFile(m_dir / (key + ".pub")), 2);
    }

    // The cases of cases.txt: folder name and whether its signature is good.
    std::vector<std::pair<std::string, bool>> Cases() const {
        std::vector<std::pair<std::string, bool>> cases;
        std::ifstream list(m_dir / "cases.txt");
        std::string name, verdict;
        while (list >> name >> verdict) cases.emplace_back(name, verdict == "good");
        return cases;
    }

private:
    std::filesystem::path m_dir;
    std::unique_ptr<TempDir> m_made;
};

// A temporary directory for one test, removed with everything in it at the end.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/text.h"
#include "tests/tools/unique_temp_dir.h"

class TempDir {
public:
    TempDir() : m_path(MakeUniqueTempDir("update_test_")) {}
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The directory as the program's UTF-16 base directory, with its trailing separator.
    std::u16string BaseDir() const { return (m_path / "").u16string(); }

    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(m_path / name, std::ios::binary) << bytes;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(m_path / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(m_path / name); }

private:
    std::filesystem::path m_path;
};

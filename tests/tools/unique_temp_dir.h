// A new, empty directory under the system's temporary directory, made with a name no other
// test process holds. Portable where mkdtemp is not (Windows).
#pragma once

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

inline std::filesystem::path MakeUniqueTempDir(const std::string& prefix) {
    std::random_device seed;
    std::mt19937_64 random(seed());
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = base / (prefix + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error))
            return candidate;
    }
    std::abort();  // no directory could be made: nothing a test could do holds
}

// ScopedWorkingDirectory: runs a test in a fresh, empty working directory (the
// game reads its backdrops from there) and goes back afterwards.
#pragma once

#include <filesystem>
#include <string>

class ScopedWorkingDirectory {
public:
    explicit ScopedWorkingDirectory(const std::string& name) : previous(std::filesystem::current_path()) {
        path = std::filesystem::temp_directory_path() / ("vantor-test-" + name);
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
        std::filesystem::current_path(path);
    }
    ~ScopedWorkingDirectory() {
        std::error_code ignored;
        std::filesystem::current_path(previous, ignored);
        std::filesystem::remove_all(path, ignored);
    }
    ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
    ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

    std::filesystem::path path;

private:
    std::filesystem::path previous;
};

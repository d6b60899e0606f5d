#pragma once
// A fresh folder under the system's temporary folder, removed with all it
// holds when the test is done: for tests that build without Qt.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

class ScratchDir {
public:
    ScratchDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "gloamery-test-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path_ = pattern;
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    bool isValid() const { return !path_.empty(); }
    const std::string& path() const { return path_; }
    std::string filePath(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// A fresh temporary folder per test, removed afterwards, with helpers to write files into it and
// to point the registry store (XDG_CONFIG_HOME) and the application directory at it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/app.h"
#include "platform/registry.h"

namespace storetest {

class TestFolder {
public:
    TestFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tessaline-store-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    ~TestFolder() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    std::string Write(const std::string& name, const std::string& contents) const {
        const std::string full = *this / name;
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        std::ofstream(full, std::ios::binary) << contents;
        return full;
    }

private:
    std::string path_;
};

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The registry store and the application directory inside a fresh folder.
class StoreFolder : public TestFolder {
public:
    StoreFolder() {
        setenv("XDG_CONFIG_HOME", (*this / "config").c_str(), 1);
        platform::SetAppDirectory(*this / "app");
    }
    std::string StorePath() const { return platform::RegistryStorePath(); }
    std::string WriteStore(const std::string& contents) const { return Write("config/Tessaline/user.reg", contents); }
    std::string Store() const { return ReadFile(StorePath()); }
};

}  // namespace storetest

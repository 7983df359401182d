// A fresh temporary folder per test, removed afterwards, with helpers to write files into it and
// to point the registry store (XDG_CONFIG_HOME) and the application directory at it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "platform/app.h"
#include "platform/registry.h"

namespace storetest {

class TestFolder {
public:
    TestFolder()
    {
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const auto candidate =
                std::filesystem::temp_directory_path() / ("tessaline-store-" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) path_ = candidate.string();
        }
        if (path_.empty()) std::abort();
    }
    ~TestFolder()
    {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::string& Path() const { return path_; }
    // Names are written with '/'; they are joined with the platform's own separator.
    std::string operator/(const std::string& name) const
    {
        std::string joined = path_ + platform::PathSeparator() + name;
        for (char& c : joined) {
            if (c == '/') c = platform::PathSeparator();
        }
        return joined;
    }

    std::string Write(const std::string& name, const std::string& contents) const
    {
        const std::string full = *this / name;
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        std::ofstream(full, std::ios::binary) << contents;
        return full;
    }

private:
    std::string path_;
};

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#ifdef _WIN32
// The keys below HKEY_CURRENT_USER that the tests use, removed from the real registry.
void ClearTestKeys();
// Writes the HKEY_CURRENT_USER part of a .reg text into the real registry.
void ImportIntoRegistry(const std::string& contents);

// The application directory inside a fresh folder; the settings in the real registry, with the
// tests' keys cleared before and after.
class StoreFolder : public TestFolder {
public:
    StoreFolder()
    {
        ClearTestKeys();
        platform::SetAppDirectory(*this / "app");
    }
    ~StoreFolder() { ClearTestKeys(); }
    void WriteStore(const std::string& contents) const
    {
        ClearTestKeys();
        ImportIntoRegistry(contents);
    }
};
#else
// The registry store and the application directory inside a fresh folder.
class StoreFolder : public TestFolder {
public:
    StoreFolder()
    {
        setenv("XDG_CONFIG_HOME", (*this / "config").c_str(), 1);
        platform::SetAppDirectory(*this / "app");
    }
    std::string StorePath() const { return platform::RegistryStorePath(); }
    std::string WriteStore(const std::string& contents) const
    {
        return Write("config/Tessaline/user.reg", contents);
    }
    std::string Store() const { return ReadFile(StorePath()); }
};
#endif

}  // namespace storetest

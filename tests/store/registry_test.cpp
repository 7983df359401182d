#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>

#include <gtest/gtest.h>

#include "platform/regfile.h"
#include "platform/registry.h"
#include "test_folder.h"
#include "test_policy.h"

namespace {

using namespace platform;
using storetest::StoreFolder;

constexpr const char* kHeader = "Windows Registry Editor Version 5.00\n\n";

RegStatus Create(const std::string& path, RegKey* key, std::uint32_t* disposition = nullptr)
{
    std::uint32_t ignored = 0;
    return RegCreateKeyExA(kHkeyCurrentUser, path, 0, nullptr, kRegOptionNonVolatile, kKeyAccess63, nullptr,
                           key, disposition != nullptr ? disposition : &ignored);
}

RegStatus SetText(RegKey key, const char* name, const std::string& text)
{
    const std::string data = text + '\0';
    return RegSetValueExA(key, name, 0, kRegSz, reinterpret_cast<const std::uint8_t*>(data.data()),
                          static_cast<std::uint32_t>(data.size()));
}

RegStatus WriteValue(const std::string& path, const char* name, const std::string& text)
{
    RegKey key = 0;
    if (const RegStatus status = Create(path, &key); status != kErrorSuccess) return status;
    const RegStatus status = SetText(key, name, text);
    RegCloseKey(key);
    return status;
}

std::optional<std::string> ReadValue(const std::string& path, const char* name)
{
    RegKey key = 0;
    if (RegOpenKeyExA(kHkeyCurrentUser, path, 0, kKeyRead, &key) != kErrorSuccess) return std::nullopt;
    std::uint32_t size = 0;
    std::uint32_t type = 0;
    std::optional<std::string> result;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == kErrorSuccess) {
        std::string data(size, '\0');
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<std::uint8_t*>(data.data()),
                             &size) == kErrorSuccess) {
            result = data;
        }
    }
    RegCloseKey(key);
    return result;
}

#ifndef _WIN32
TEST(RegistryStorePath, FollowsXdgConfigHome)
{
    setenv("HOME", "/home/someone", 1);
    setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
    EXPECT_EQ(RegistryStorePath(), "/tmp/cfg/Tessaline/user.reg");
    setenv("XDG_CONFIG_HOME", "", 1);
    EXPECT_EQ(RegistryStorePath(), "/home/someone/.config/Tessaline/user.reg");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(RegistryStorePath(), "/home/someone/.config/Tessaline/user.reg");
}

TEST(Registry, CreatesKeysAndWritesTheStoreAsAnExport)
{
    StoreFolder folder;
    RegKey key = 0;
    std::uint32_t disposition = 0;
    ASSERT_EQ(Create("Software\\Quorvane\\Output_Setting\\Driver", &key, &disposition), kErrorSuccess);
    EXPECT_EQ(disposition, kRegCreatedNewKey);
    EXPECT_EQ(SetText(key, nullptr, "3"), kErrorSuccess);
    EXPECT_EQ(RegCloseKey(key), kErrorSuccess);
    EXPECT_EQ(RegCloseKey(key), kErrorInvalidHandle);
    EXPECT_EQ(folder.Store(), std::string(kHeader) +
                                  "[HKEY_CURRENT_USER\\Software]\n\n"
                                  "[HKEY_CURRENT_USER\\Software\\Quorvane]\n\n"
                                  "[HKEY_CURRENT_USER\\Software\\Quorvane\\Output_Setting]\n\n"
                                  "[HKEY_CURRENT_USER\\Software\\Quorvane\\Output_Setting\\Driver]\n"
                                  "@=\"3\"\n\n");
    ASSERT_EQ(Create("SOFTWARE\\quorvane\\", &key, &disposition), kErrorSuccess);
    EXPECT_EQ(disposition, kRegOpenedExistingKey);
    RegCloseKey(key);
}

#endif

TEST(Registry, OpensKeysWithoutRegardToCaseAndRefusesALeadingBackslash)
{
    StoreFolder folder;
    ASSERT_EQ(WriteValue("Software\\Quorvane", "Name", "v"), kErrorSuccess);
    RegKey key = 99;
    EXPECT_EQ(RegOpenKeyExA(kHkeyCurrentUser, "software\\QUORVANE\\", 0, kKeyAccess63, &key), kErrorSuccess);
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyExA(kHkeyCurrentUser, "\\Software\\Quorvane", 0, kKeyAccess63, &key),
              kErrorBadPathname);
    EXPECT_EQ(Create("\\Software\\Other", &key), kErrorBadPathname);
    EXPECT_EQ(RegOpenKeyExA(kHkeyCurrentUser, "Software\\Missing", 0, kKeyAccess63, &key),
              kErrorFileNotFound);
    EXPECT_EQ(key, 0u);
    EXPECT_EQ(ReadValue("Software\\Quorvane", "NAME"), std::string("v\0", 2));
    EXPECT_EQ(RegOpenKeyExA(kHkeyCurrentUser, "", 0, kKeyAccess63, &key), kErrorSuccess);
    RegCloseKey(key);
    EXPECT_EQ(RegOpenKeyExA(12345, "Software", 0, kKeyRead, &key), kErrorInvalidHandle);
}

TEST(Registry, QueriesLengthThenDataAndReportsShortBuffers)
{
    StoreFolder folder;
    ASSERT_EQ(WriteValue("Software\\Q", nullptr, "hello"), kErrorSuccess);
    RegKey key = 0;
    ASSERT_EQ(RegOpenKeyExA(kHkeyCurrentUser, "Software\\Q", 0, kKeyAccess63, &key), kErrorSuccess);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "", nullptr, &type, nullptr, &size), kErrorSuccess);
    EXPECT_EQ(type, kRegSz);
    EXPECT_EQ(size, 6u);
    std::uint8_t buffer[8] = {};
    size = 3;
    EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, &type, buffer, &size), kErrorMoreData);
    EXPECT_EQ(size, 6u);
    size = sizeof buffer;
    EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, &type, buffer, &size), kErrorSuccess);
    EXPECT_EQ(size, 6u);
    EXPECT_STREQ(reinterpret_cast<const char*>(buffer), "hello");
    size = 77;
    EXPECT_EQ(RegQueryValueExA(key, "other", nullptr, &type, nullptr, &size), kErrorFileNotFound);
    EXPECT_EQ(size, 0u);
    RegCloseKey(key);
}

#ifndef _WIN32
TEST(Registry, ReadOnlyStoreRefusesFullAccessButGrantsReading)
{
    StoreFolder folder;
    ASSERT_EQ(WriteValue("Software\\Q", nullptr, "1"), kErrorSuccess);
    chmod(folder.StorePath().c_str(), 0444);
    const std::string before = folder.Store();
    RegKey key = 0;
    EXPECT_EQ(RegOpenKeyExA(kHkeyCurrentUser, "Software\\Q", 0, kKeyAccess63, &key), kErrorAccessDenied);
    ASSERT_EQ(RegOpenKeyExA(kHkeyCurrentUser, "Software\\Q", 0, kKeyRead, &key), kErrorSuccess);
    EXPECT_EQ(SetText(key, nullptr, "2"), kErrorAccessDenied);
    RegCloseKey(key);
    EXPECT_EQ(Create("Software\\New", &key), kErrorAccessDenied);
    EXPECT_EQ(ReadValue("Software\\Q", nullptr), std::string("1\0", 2));
    EXPECT_EQ(folder.Store(), before);
}

struct CorruptCase {
    const char* name;
    std::string text;
};

void PrintTo(const CorruptCase& c, std::ostream* out) { *out << c.name; }

class CorruptStore : public testing::TestWithParam<CorruptCase> {};

TEST_P(CorruptStore, ReadsAsMissingAndIsNeverRewritten)
{
    StoreFolder folder;
    folder.WriteStore(GetParam().text);
    RegKey key = 0;
    EXPECT_EQ(RegOpenKeyExA(kHkeyCurrentUser, "Software\\Q", 0, kKeyRead, &key), kErrorFileNotFound);
    EXPECT_EQ(RegOpenKeyExA(kHkeyCurrentUser, "Software\\Q", 0, kKeyAccess63, &key), kErrorRegistryCorrupt);
    EXPECT_EQ(Create("Software\\Q", &key), kErrorRegistryCorrupt);
    ASSERT_EQ(RegOpenKeyExA(kHkeyCurrentUser, "", 0, kKeyRead, &key), kErrorSuccess);
    std::uint32_t size = 0;
    EXPECT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, nullptr, &size), kErrorFileNotFound);
    RegCloseKey(key);
    EXPECT_EQ(RegSetValueExA(kHkeyCurrentUser, "v", 0, kRegBinary, nullptr, 0), kErrorRegistryCorrupt);
    EXPECT_EQ(folder.Store(), GetParam().text);
}

const std::string kStoreHead = std::string(kHeader) + "[HKEY_CURRENT_USER\\Software\\Q]\n";

INSTANTIATE_TEST_SUITE_P(
    Table, CorruptStore,
    testing::Values(CorruptCase{"keyWithoutBracket",
                                std::string(kHeader) + "[HKEY_CURRENT_USER\\Software\\Q\n@=\"1\"\n"},
                    CorruptCase{"unterminatedQuote", kStoreHead + "@=\"1\n"},
                    CorruptCase{"oddHexDigits", kStoreHead + "@=hex:a,bc\n"},
                    CorruptCase{"truncatedContinuation", kStoreHead + "@=hex:01,02,\\\n"},
                    CorruptCase{"binary", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
                    CorruptCase{"noHeader", "[HKEY_CURRENT_USER\\Software\\Q]\n@=\"1\"\n"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(Registry, AnEmptyStoreFileIsAnEmptyHive)
{
    StoreFolder folder;
    folder.WriteStore("");
    EXPECT_EQ(WriteValue("Software\\Q", nullptr, "1"), kErrorSuccess);
    EXPECT_EQ(ReadValue("Software\\Q", nullptr), std::string("1\0", 2));
}

TEST(Registry, KeepsKeysOfOtherRootsWhenRewriting)
{
    StoreFolder folder;
    folder.WriteStore("\xFF\xFE" + [] {
        const std::string text =
            "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\r\n"
            "\"Path\"=\"C:\\\\Vendor\"\r\n\r\n[HKEY_CURRENT_USER\\Software\\Quorvane\\Input_"
            "Setting\\Language]"
            "\r\n@=\"1\"\r\n";
        std::string wide;
        for (const char c : text) wide += std::string{c, '\0'};
        return wide;
    }());
    EXPECT_EQ(ReadValue("Software\\Quorvane\\Input_Setting\\Language", nullptr), std::string("1\0", 2));
    ASSERT_EQ(WriteValue("Software\\Quorvane\\Output_Setting\\Driver", nullptr, "0"), kErrorSuccess);
    const std::string store = folder.Store();
    EXPECT_EQ(store.rfind(kHeader, 0), 0u);
    EXPECT_NE(store.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\n\"Path\"=\"C:\\\\Vendor\"\n"),
              std::string::npos);
    EXPECT_EQ(ReadValue("Software\\Quorvane\\Input_Setting\\Language", nullptr), std::string("1\0", 2));
}

TEST(Registry, AFolderThatCannotBeCreatedFailsTheWrite)
{
    StoreFolder folder;
    folder.Write("blocker", "a file where a folder should be");
    setenv("XDG_CONFIG_HOME", (folder / "blocker/config").c_str(), 1);
    RegKey key = 0;
    EXPECT_EQ(Create("Software\\Q", &key), kErrorPathNotFound);
    EXPECT_EQ(RegSetValueExA(kHkeyCurrentUser, "v", 0, kRegBinary, nullptr, 0), kErrorPathNotFound);
}

TEST(Registry, AFileSizeLimitFailsTheWriteAndKeepsTheOldFile)
{
    StoreFolder folder;
    ASSERT_EQ(WriteValue("Software\\Q", "small", "1"), kErrorSuccess);
    const std::string before = folder.Store();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{before.size() + 100, before.size() + 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(WriteValue("Software\\Q", "big", std::string(10000, 'x')) == kErrorDiskFull ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write did not report a full disk";
    EXPECT_EQ(folder.Store(), before);
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "config/Tessaline")) {
        ++entries;
        EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << entry.path();
    }
    EXPECT_EQ(entries, 2u);  // the store and its lock file
}

TEST(Registry, ConcurrentWritersKeepEveryValue)
{
    StoreFolder folder;
    constexpr int kWriters = 4;
    constexpr int kValuesEach = 20;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            bool ok = true;
            for (int i = 0; i < kValuesEach; ++i) {
                const std::string name = "w" + std::to_string(w) + "v" + std::to_string(i);
                ok = WriteValue("Software\\Q", name.c_str(), name) == kErrorSuccess && ok;
            }
            _exit(ok ? 0 : 1);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int w = 0; w < kWriters; ++w) {
        for (int i = 0; i < kValuesEach; ++i) {
            const std::string name = "w" + std::to_string(w) + "v" + std::to_string(i);
            EXPECT_EQ(ReadValue("Software\\Q", name.c_str()), name + '\0') << name;
        }
    }
}

TEST(Registry, AWriterKilledAtAnyMomentLeavesAWholeFile)
{
    StoreFolder folder;
    ASSERT_EQ(WriteValue("Software\\Q", "seed", "0"), kErrorSuccess);
    std::mt19937 random(42);
    for (int round = 0; round < 15; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i)
                WriteValue("Software\\Q", ("v" + std::to_string(i % 50)).c_str(), std::string(20000, 'a'));
        }
        std::this_thread::sleep_for(std::chrono::microseconds(2000 + random() % 30000));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const std::string store = folder.Store();
        ASSERT_TRUE(regfile::Parse(store))
            << "torn store after round " << round << ", " << store.size() << " bytes";
        EXPECT_EQ(ReadValue("Software\\Q", "seed"), std::string("0\0", 2));
    }
    // The next writer clears what a killed one left behind.
    ASSERT_EQ(WriteValue("Software\\Q", "after", "1"), kErrorSuccess);
    for (const auto& entry : std::filesystem::directory_iterator(folder / "config/Tessaline")) {
        EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << entry.path();
    }
}

TEST(Registry, ReadsA50MegabyteStoreInLinearTime)
{
    StoreFolder folder;
    std::string text = std::string(kHeader);
    for (int i = 0; text.size() < 25u * 1024 * 1024; ++i) {
        text += "[HKEY_CURRENT_USER\\Software\\Bulk\\K" + std::to_string(i) + "]\n\"v\"=\"" +
                std::string(40, 'x') + "\"\n\n";
    }
    text += "[HKEY_CURRENT_USER\\Software\\Bulk]\n\"blob\"=hex:";
    while (text.size() < 50u * 1024 * 1024)
        text += "5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,5a,\\\n  ";
    text += "5a\n\n[HKEY_CURRENT_USER\\Software\\Quorvane]\n@=\"found\"\n";
    folder.WriteStore(text);
    const double start = test_policy::ProcessorSeconds();
    EXPECT_EQ(ReadValue("Software\\Quorvane", nullptr), std::string("found\0", 6));
    const double used = test_policy::ProcessorSeconds() - start;
    std::cout << "50 MB store, open and two queries: " << used << " s of processor time\n";
    EXPECT_LT(used, 90.0);
}

#endif

}  // namespace

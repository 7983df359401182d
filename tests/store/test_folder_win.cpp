// The tests' settings in the real registry: cleared with RegDeleteTreeA, filled from .reg text
// through the platform layer under test.
#include <windows.h>

#include <cstdlib>
#include <functional>

#include "platform/regfile.h"
#include "test_folder.h"

namespace storetest {

void ClearTestKeys()
{
    for (const char* key : {"Software\\Quorvane", "Software\\Q", "Software\\Other", "Software\\New",
                            "Software\\Missing", "Software\\Bulk"}) {
        ::RegDeleteTreeA(HKEY_CURRENT_USER, key);
    }
    ::RegDeleteValueA(HKEY_CURRENT_USER, nullptr);
}

void ImportIntoRegistry(const std::string& contents)
{
    const auto document = platform::regfile::Parse(contents);
    if (!document) std::abort();
    const platform::regfile::Key* root = document->top.FindSubKey("HKEY_CURRENT_USER");
    if (root == nullptr) return;
    std::function<void(const platform::regfile::Key&, const std::string&)> import =
        [&](const platform::regfile::Key& key, const std::string& path) {
            platform::RegKey handle = platform::kHkeyCurrentUser;
            std::uint32_t disposition = 0;
            if (!path.empty() &&
                platform::RegCreateKeyExA(platform::kHkeyCurrentUser, path, 0, nullptr,
                                          platform::kRegOptionNonVolatile, platform::kKeyAccess63, nullptr,
                                          &handle, &disposition) != platform::kErrorSuccess) {
                std::abort();
            }
            for (const platform::regfile::Value* value : key.Values()) {
                platform::RegSetValueExA(handle, value->name.c_str(), 0, value->type, value->data.data(),
                                         static_cast<std::uint32_t>(value->data.size()));
            }
            platform::RegCloseKey(handle);
            for (const platform::regfile::Key* sub : key.SubKeys())
                import(*sub, path.empty() ? sub->Name() : path + "\\" + sub->Name());
        };
    import(*root, "");
}

}  // namespace storetest

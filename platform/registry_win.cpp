#include "platform/registry.h"

#include <windows.h>

#include <vector>

#include "platform/ansi_win.h"
#include "platform/registry_internal.h"

// The advapi32 calls themselves, on the real registry. Names, key paths and text data cross in
// the ANSI code page: text values are converted from UTF-8 on the way in and back on the way out,
// so the sizes reported are those of the UTF-8 text, as on POSIX.

namespace platform {
namespace {

HKEY AsHkey(RegKey key)
{
    // Our constant is the 32-bit value; the system's predefined handle is its sign extension.
    if (key == kHkeyCurrentUser) return HKEY_CURRENT_USER;
    return reinterpret_cast<HKEY>(key);
}

RegKey FromHkey(HKEY key)
{
    return key == HKEY_CURRENT_USER ? kHkeyCurrentUser : reinterpret_cast<RegKey>(key);
}

// NT refuses a path that begins with a backslash; Wine would open it, so it is refused here too.
bool HasLeadingBackslash(const std::string& subKey) { return !subKey.empty() && subKey.front() == '\\'; }

// Reads a value whole, growing the buffer while another writer makes it larger.
LSTATUS ReadRaw(HKEY key, const char* name, DWORD* type, std::vector<BYTE>* data)
{
    DWORD size = 0;
    LSTATUS status = ::RegQueryValueExA(key, name, nullptr, type, nullptr, &size);
    for (int attempt = 0; status == ERROR_SUCCESS && attempt < 8; ++attempt) {
        data->assign(size + 1, 0);
        DWORD got = size;
        status = ::RegQueryValueExA(key, name, nullptr, type, data->data(), &got);
        if (status == ERROR_SUCCESS) {
            data->resize(got);
            return status;
        }
        if (status == ERROR_MORE_DATA) {
            size = got;
            status = ERROR_SUCCESS;
        }
    }
    return status == ERROR_SUCCESS ? ERROR_MORE_DATA : status;
}

}  // namespace

std::string RegistryStorePath() { return {}; }

RegStatus RegOpenKeyExA(RegKey root, const std::string& subKey, std::uint32_t options, std::uint32_t access,
                        RegKey* result)
{
    if (result == nullptr) return kErrorInvalidParameter;
    *result = 0;
    if (HasLeadingBackslash(subKey)) return kErrorBadPathname;
    HKEY opened = nullptr;
    const LSTATUS status =
        ::RegOpenKeyExA(AsHkey(root), win::Utf8ToAnsi(subKey).c_str(), options, access, &opened);
    if (status == ERROR_SUCCESS) *result = FromHkey(opened);
    return status;
}

RegStatus RegCreateKeyExA(RegKey root, const std::string& subKey, std::uint32_t reserved,
                          const char* className, std::uint32_t options, std::uint32_t access,
                          const void* security, RegKey* result, std::uint32_t* disposition)
{
    if (result == nullptr) return kErrorInvalidParameter;
    *result = 0;
    if (HasLeadingBackslash(subKey)) return kErrorBadPathname;
    std::string ansiClass = className == nullptr ? std::string() : win::Utf8ToAnsi(className);
    HKEY created = nullptr;
    DWORD outcome = 0;
    const LSTATUS status =
        ::RegCreateKeyExA(AsHkey(root), win::Utf8ToAnsi(subKey).c_str(), reserved,
                          className == nullptr ? nullptr : ansiClass.data(), options, access,
                          static_cast<SECURITY_ATTRIBUTES*>(const_cast<void*>(security)), &created, &outcome);
    if (status != ERROR_SUCCESS) return status;
    *result = FromHkey(created);
    if (disposition != nullptr) *disposition = outcome;
    return status;
}

RegStatus RegQueryValueExA(RegKey key, const char* valueName, std::uint32_t* reserved, std::uint32_t* type,
                           std::uint8_t* data, std::uint32_t* cbData)
{
    if (reserved != nullptr || (data != nullptr && cbData == nullptr)) return kErrorInvalidParameter;
    const std::string name = valueName == nullptr ? std::string() : win::Utf8ToAnsi(valueName);
    const char* ansiName = valueName == nullptr ? nullptr : name.c_str();
    DWORD storedType = 0;
    std::vector<BYTE> raw;
    const LSTATUS status = ReadRaw(AsHkey(key), ansiName, &storedType, &raw);
    if (status != ERROR_SUCCESS) {
        if (status == ERROR_FILE_NOT_FOUND && data == nullptr && cbData != nullptr) *cbData = 0;
        return status;
    }
    std::string bytes(raw.begin(), raw.end());
    if (IsTextType(storedType)) bytes = win::AnsiToUtf8(bytes);
    return internal::HandOutValue(storedType, bytes, type, data, cbData);
}

RegStatus RegSetValueExA(RegKey key, const char* valueName, std::uint32_t reserved, std::uint32_t type,
                         const std::uint8_t* data, std::uint32_t cbData)
{
    if (data == nullptr && cbData != 0) return kErrorInvalidParameter;
    const std::string name = valueName == nullptr ? std::string() : win::Utf8ToAnsi(valueName);
    std::string bytes =
        cbData == 0 ? std::string() : std::string(reinterpret_cast<const char*>(data), cbData);
    if (IsTextType(type)) bytes = win::Utf8ToAnsi(bytes);
    const auto size = static_cast<DWORD>(bytes.size());
    // The system looks one byte past a text for a NUL it then stores too; a non-NUL guard byte
    // makes it store exactly the bytes given.
    bytes.push_back('\x01');
    return ::RegSetValueExA(AsHkey(key), valueName == nullptr ? nullptr : name.c_str(), reserved, type,
                            reinterpret_cast<const BYTE*>(bytes.data()), size);
}

RegStatus RegCloseKey(RegKey key)
{
    if (key == kHkeyCurrentUser) return kErrorSuccess;
    return ::RegCloseKey(AsHkey(key));
}

}  // namespace platform

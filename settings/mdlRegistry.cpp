#include "settings/mdlRegistry.h"

#include <limits>
#include <vector>

#include "settings/number_text.h"

namespace mdlRegistry {
namespace {

using namespace platform;

// Closes a key on every way out, a conversion error included.
class KeyGuard {
public:
    explicit KeyGuard(RegKey key) : key_(key) {}
    ~KeyGuard() { RegCloseKey(key_); }
    KeyGuard(const KeyGuard&) = delete;
    KeyGuard& operator=(const KeyGuard&) = delete;

private:
    RegKey key_;
};

std::string AsText(const RegValue& value)
{
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    return std::to_string(std::get<std::int64_t>(value));
}

std::int32_t AsLong(const RegValue& value)
{
    double number = 0;
    if (const auto* text = std::get_if<std::string>(&value)) {
        const auto parsed = numbertext::ParseNumber(*text);
        if (!parsed) throw ConversionError(ConversionError::kTypeMismatch);
        number = numbertext::RoundHalfEven(*parsed);
    } else {
        const std::int64_t whole = std::get<std::int64_t>(value);
        if (whole < std::numeric_limits<std::int32_t>::min() ||
            whole > std::numeric_limits<std::int32_t>::max()) {
            throw ConversionError(ConversionError::kOverflow);
        }
        return static_cast<std::int32_t>(whole);
    }
    if (number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max()) {
        throw ConversionError(ConversionError::kOverflow);
    }
    return static_cast<std::int32_t>(number);
}

}  // namespace

RegStatus SetRegistryValue(const std::string& keyPath, const std::string& valueName, const RegValue& value,
                           std::int32_t valueType)
{
    RegKey key = 0;
    RegStatus status = RegOpenKeyExA(kHkeyCurrentUser, keyPath, 0, kKeyAccess63, &key);
    if (status == kErrorFileNotFound) {
        // A key that cannot be created reports why (no folder, full disk), not that it is missing.
        status = CreateNewKey(keyPath, kHkeyCurrentUser);
        if (status == kErrorSuccess) status = RegOpenKeyExA(kHkeyCurrentUser, keyPath, 0, kKeyAccess63, &key);
    }
    // Without an open key there is nothing to write to; the caller learns why.
    if (status != kErrorSuccess) return status;
    const KeyGuard guard(key);
    return SetKeyValue(key, valueName, valueType, value);
}

std::string QueryRegistryValue(RegKey root, const std::string& keyPath, const std::string& valueName,
                               const std::string& defaultText)
{
    std::string result = defaultText;
    const std::string path = TrimKeyPath(keyPath);
    RegKey key = 0;
    RegStatus status = RegOpenKeyExA(root, path, 0, kKeyAccess63, &key);
    if (status == kErrorAccessDenied) status = RegOpenKeyExA(root, path, 0, kKeyRead, &key);
    if (status != kErrorSuccess) return result;
    const KeyGuard guard(key);

    const char* name = valueName == "*" ? nullptr : valueName.c_str();
    std::uint32_t type = 0;
    std::uint32_t length = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &length) != kErrorSuccess || length == 0) {
        return result;
    }
    std::vector<std::uint8_t> buffer(length, ' ');
    std::uint32_t copied = length;
    if (RegQueryValueExA(key, name, nullptr, &type, buffer.data(), &copied) != kErrorSuccess) {
        return result;
    }
    if (type == kRegDword && copied == 4) {
        return std::to_string(static_cast<std::int32_t>(DwordFromBytes(buffer.data())));
    }
    // Only a terminating NUL is dropped: a text stored without one keeps its last character.
    if (copied > 0 && buffer[copied - 1] == 0) --copied;
    return std::string(buffer.begin(), buffer.begin() + copied);
}

RegStatus SetKeyValue(RegKey key, const std::string& valueName, std::int32_t valueType, const RegValue& value)
{
    if (valueType == static_cast<std::int32_t>(kRegSz)) {
        std::string data = AsText(value);
        data.push_back('\0');
        if (data.size() > std::numeric_limits<std::uint32_t>::max()) return kErrorInvalidParameter;
        return RegSetValueExA(key, valueName.c_str(), 0, kRegSz,
                              reinterpret_cast<const std::uint8_t*>(data.data()),
                              static_cast<std::uint32_t>(data.size()));
    }
    if (valueType == static_cast<std::int32_t>(kRegDword)) {
        const auto data = DwordBytes(static_cast<std::uint32_t>(AsLong(value)));
        return RegSetValueExA(key, valueName.c_str(), 0, kRegDword, data.data(), 4);
    }
    return kErrorSuccess;
}

RegStatus CreateNewKey(const std::string& keyPath, RegKey root)
{
    RegKey key = 0;
    std::uint32_t disposition = 0;
    const RegStatus status = RegCreateKeyExA(root, keyPath, 0, nullptr, kRegOptionNonVolatile, kKeyAccess63,
                                             nullptr, &key, &disposition);
    if (status == kErrorSuccess) RegCloseKey(key);
    return status;
}

std::string TrimKeyPath(const std::string& keyPath)
{
    std::string path = keyPath;
    if (!path.empty() && path.front() == '\\') path.erase(0, 1);
    if (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

}  // namespace mdlRegistry

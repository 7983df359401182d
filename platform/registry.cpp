#include "platform/registry_internal.h"

#include <cstring>

namespace platform::internal {

RegStatus HandOutValue(std::uint32_t storedType, std::string_view bytes, std::uint32_t* type,
                       std::uint8_t* data, std::uint32_t* cbData)
{
    if (type != nullptr) *type = storedType;
    const auto size = static_cast<std::uint32_t>(bytes.size());
    if (data == nullptr) {
        if (cbData != nullptr) *cbData = size;
        return kErrorSuccess;
    }
    if (*cbData < size) {
        *cbData = size;
        return kErrorMoreData;
    }
    if (size != 0) std::memcpy(data, bytes.data(), size);
    if (IsTextType(storedType) && *cbData > size) data[size] = 0;
    *cbData = size;
    return kErrorSuccess;
}

}  // namespace platform::internal

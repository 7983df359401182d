#include "platform/profile.h"

#include "platform/app.h"
#include "platform/folder.h"
#include "platform/text.h"

namespace platform {
namespace {

// File names on Windows match without regard to case; when the exact name is missing, the one
// entry of the folder that equals it so is read instead (the first in byte order if several).
FileReadStatus ReadIgnoringCase(const std::string& path, std::string* contents)
{
    const FileReadStatus status = ReadWholeFile(path, contents);
    if (status != FileReadStatus::Missing) return status;
    const std::string folder = FolderOf(path);
    const std::optional<std::string> entry = FindEntryIgnoringCase(folder, NameOf(path));
    if (!entry) return status;
    return ReadWholeFile(JoinPath(folder, *entry), contents);
}

}  // namespace

std::uint32_t GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                       const std::string& defaultText, std::string* returned,
                                       std::uint32_t nSize, const std::string& fileName)
{
    if (nSize == 0 || returned == nullptr) return 0;
    std::optional<std::string> found;
    std::string bytes;
    if (!fileName.empty() && ReadIgnoringCase(fileName, &bytes) == FileReadStatus::Ok) {
        found = FindProfileString(text::DecodeText(bytes), section, key);
    }
    std::string result;
    if (found) {
        result = std::move(*found);
    } else {
        result = text::TrimRight(defaultText, " ");
    }
    result.resize(text::Utf8PrefixBytes(result, nSize - 1));
    *returned = result;
    return static_cast<std::uint32_t>(text::CountUtf8Chars(result));
}

}  // namespace platform

#include "platform/profile.h"

#include <dirent.h>

#include "platform/app.h"
#include "platform/text.h"

namespace platform {
namespace {

// File names on Windows match without regard to case; when the exact name is missing, the one
// entry of the folder that equals it so is read instead (the first in byte order if several).
FileReadStatus ReadIgnoringCase(const std::string& path, std::string* contents)
{
    const FileReadStatus status = ReadWholeFile(path, contents);
    if (status != FileReadStatus::Missing) return status;
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const std::string wanted = text::FoldCase(slash == std::string::npos ? path : path.substr(slash + 1));
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return status;
    std::string best;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (text::FoldCase(name) == wanted && (best.empty() || name < best)) best = name;
    }
    closedir(dir);
    if (best.empty()) return status;
    return ReadWholeFile(slash == std::string::npos ? best : folder + best, contents);
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
        result = defaultText;
        while (!result.empty() && result.back() == ' ') result.pop_back();
    }
    result.resize(text::Utf8PrefixBytes(result, nSize - 1));
    *returned = result;
    return static_cast<std::uint32_t>(text::CountUtf8Chars(result));
}

}  // namespace platform

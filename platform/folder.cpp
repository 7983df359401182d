#include "platform/folder.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/app.h"
#include "platform/text.h"

namespace platform {

std::vector<std::string> FolderEntries(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator it(folder, error);
    for (const std::filesystem::directory_iterator end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    return names;
}

std::optional<std::string> FindEntryIgnoringCase(const std::string& folder, std::string_view name,
                                                 const std::function<bool(const std::string& path)>& accept)
{
    const std::string wanted = text::FoldCase(name);
    std::optional<std::string> best;
    for (std::string& entry : FolderEntries(folder)) {
        if (best && entry >= *best) continue;
        if (text::FoldCase(entry) != wanted) continue;
        if (accept && !accept(JoinPath(folder, entry))) continue;
        best = std::move(entry);
    }
    return best;
}

}  // namespace platform

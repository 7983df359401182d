#include "platform/findfile.h"

#include <sys/stat.h>

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/app.h"
#include "platform/folder.h"
#include "platform/handle_table.h"
#include "platform/text.h"

namespace platform {
namespace {

struct Search {
    std::vector<FindData> entries;
    std::size_t next = 0;
};

HandleTable<FindHandle, Search>& Searches()
{
    static HandleTable<FindHandle, Search> searches(0, kInvalidFindHandle);
    return searches;
}

std::size_t CodePointEnd(std::string_view s, std::size_t pos)
{
    ++pos;
    while (pos < s.size() && text::IsUtf8Continuation(s[pos])) ++pos;
    return pos;
}

// Both arguments already case-folded. '*' matches any run of characters, '?' exactly one.
bool MatchesWildcard(std::string_view pattern, std::string_view name)
{
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starP = std::string_view::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = ++p;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n = CodePointEnd(name, n);
        } else if (p < pattern.size() && pattern[p] == name[n]) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP;
            starN = CodePointEnd(name, starN);
            n = starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<FindData> ListMatches(const std::string& folder, const std::string& pattern)
{
    const std::string foldedPattern = text::FoldCase(pattern);
    std::vector<std::pair<std::string, FindData>> keyed;
    for (std::string& name : FolderEntries(folder)) {
        // Names starting with '.' are hidden on POSIX.
        if (name.empty() || name[0] == '.') continue;
        std::string folded = text::FoldCase(name);
        if (!MatchesWildcard(foldedPattern, folded)) continue;
        FindData data;
        struct stat info {};
        data.isDirectory = stat(JoinPath(folder, name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        data.fileName = std::move(name);
        keyed.emplace_back(std::move(folded), std::move(data));
    }
    std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        if (a.first != b.first) return a.first < b.first;
        return a.second.fileName < b.second.fileName;
    });
    std::vector<FindData> entries;
    entries.reserve(keyed.size());
    for (auto& item : keyed) entries.push_back(std::move(item.second));
    return entries;
}

}  // namespace

FindHandle FindFirstFileA(const std::string& pattern, FindData* data)
{
    if (data == nullptr || pattern.empty()) return kInvalidFindHandle;
    const std::string namePattern = NameOf(pattern);
    if (namePattern.empty()) return kInvalidFindHandle;

    Search search;
    search.entries = ListMatches(FolderOf(pattern), namePattern);
    if (search.entries.empty()) return kInvalidFindHandle;
    *data = search.entries.front();
    search.next = 1;

    return Searches().Add(std::move(search));
}

bool FindNextFileA(FindHandle handle, FindData* data)
{
    if (data == nullptr) return false;
    return Searches().With(handle, [data](Search& search) {
        if (search.next >= search.entries.size()) return false;
        *data = search.entries[search.next++];
        return true;
    });
}

bool FindClose(FindHandle handle) { return Searches().Remove(handle); }

}  // namespace platform

// The entries of a folder, and the one among them that a name stands for without regard to
// letter case, as Windows finds files. Both platforms; names are the system's bytes.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The names of the entries of folder, "." and ".." left out, in the order the system lists them;
// none when the folder cannot be read.
std::vector<std::string> FolderEntries(const std::string& folder);

// The name of the entry of folder that equals name without regard to letter case (as
// text::FoldCase compares names) and that accept takes, given the entry's path; accept left empty
// takes every entry. When several do, the first in byte order, so that the choice never depends
// on the order in which the folder lists its entries. Nothing when none does.
std::optional<std::string>
FindEntryIgnoringCase(const std::string& folder, std::string_view name,
                      const std::function<bool(const std::string& path)>& accept = {});

}  // namespace platform

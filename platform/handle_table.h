// Handles that are entries of a table of ours: numbers given out for objects kept here, looked
// up and given back under one lock, so that a stale or made-up handle is refused, never used.
#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <utility>

namespace platform {

template <typename Handle, typename Entry>
class HandleTable {
public:
    // Handles are given out from first + 1 on, never reserved nor one still in use.
    HandleTable(Handle first, Handle reserved) : last_(first), reserved_(reserved) {}

    Handle Add(Entry entry)
    {
        const std::lock_guard lock(mutex_);
        do {
            ++last_;
        } while (last_ == reserved_ || entries_.count(last_) != 0);
        entries_.emplace(last_, std::move(entry));
        return last_;
    }

    // A copy of the entry of handle; nothing when there is none.
    std::optional<Entry> Find(Handle handle) const
    {
        const std::lock_guard lock(mutex_);
        const auto it = entries_.find(handle);
        if (it == entries_.end()) return std::nullopt;
        return it->second;
    }

    // Runs use on the entry of handle under the lock and gives its result; false when there is no
    // such entry.
    template <typename Use>
    bool With(Handle handle, Use use)
    {
        const std::lock_guard lock(mutex_);
        const auto it = entries_.find(handle);
        return it != entries_.end() && use(it->second);
    }

    bool Remove(Handle handle)
    {
        const std::lock_guard lock(mutex_);
        return entries_.erase(handle) == 1;
    }

private:
    mutable std::mutex mutex_;
    std::map<Handle, Entry> entries_;
    Handle last_;
    Handle reserved_;
};

}  // namespace platform

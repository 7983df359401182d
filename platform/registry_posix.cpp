#include "platform/registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "platform/app.h"
#include "platform/folder.h"
#include "platform/handle.h"
#include "platform/handle_table.h"
#include "platform/regfile.h"
#include "platform/registry_internal.h"

// The HKEY_CURRENT_USER hive is one .reg file. Readers parse it anew on every call without a
// lock: writers replace it by rename, so a reader sees the old or the new file whole. Writers
// serialise on an flock of a lock file beside it, then read, change, write a temporary file,
// flush it and rename it over the store. A store that does not parse is never rewritten.

namespace platform {
namespace {

constexpr std::uint32_t kKeyQueryValue = 0x1;
constexpr std::uint32_t kKeySetValue = 0x2;
constexpr std::uint32_t kKeyCreateSubKey = 0x4;
constexpr std::uint32_t kKeyCreateLink = 0x20;
constexpr std::uint32_t kWriteAccess = kKeySetValue | kKeyCreateSubKey | kKeyCreateLink;
constexpr std::uint32_t kKeyAllAccess = 0xF003F;

constexpr const char* kRootName = "HKEY_CURRENT_USER";
constexpr const char* kStoreFolder = "Tessaline";
constexpr const char* kStoreName = "user.reg";
constexpr const char* kLockSuffix = ".lock";
constexpr const char* kTemporaryInfix = ".tmp-";

struct OpenKey {
    std::vector<std::string> path;  // from the root name on
    std::uint32_t access = 0;
};

HandleTable<RegKey, OpenKey>& Table()
{
    static HandleTable<RegKey, OpenKey> table(0x1000, kHkeyCurrentUser);
    return table;
}

std::optional<OpenKey> Lookup(RegKey key)
{
    if (key == kHkeyCurrentUser) return OpenKey{{kRootName}, kKeyAllAccess};
    return Table().Find(key);
}

// The full path of subKey below the open key root. Windows refuses a leading backslash; names
// must also survive a write and a read of the file.
RegStatus ResolvePath(RegKey root, const std::string& subKey, std::vector<std::string>* full)
{
    const auto base = Lookup(root);
    if (!base) return kErrorInvalidHandle;
    if (!subKey.empty() && subKey.front() == '\\') return kErrorBadPathname;
    auto names = regfile::SplitKeyPath(subKey);
    if (!names) return kErrorBadPathname;
    *full = base->path;
    for (std::string& name : *names) {
        if (!regfile::IsWritableName(name)) return kErrorBadPathname;
        full->push_back(std::move(name));
    }
    return full->size() > regfile::kMaxKeyDepth ? kErrorBadPathname : kErrorSuccess;
}

RegStatus StatusFromErrno(int error)
{
    switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return kErrorDiskFull;
    case EACCES:
    case EPERM:
    case EROFS: return kErrorAccessDenied;
    case ENOENT:
    case ENOTDIR: return kErrorPathNotFound;
    default: return kErrorWriteFault;
    }
}

enum class StoreState { Missing, Ok, Corrupt, Unreadable };

struct Store {
    StoreState state = StoreState::Missing;
    regfile::Document document;
    bool readOnly = false;
    mode_t mode = 0600;
};

// A store whose write permission bits are all off is read-only, for root as well: access(2)
// would grant root everything.
Store LoadStore(const std::string& path)
{
    Store store;
    std::string bytes;
    switch (ReadWholeFile(path, &bytes)) {
    case FileReadStatus::Missing: return store;
    case FileReadStatus::NotAFile:
    case FileReadStatus::Failed: store.state = StoreState::Unreadable; return store;
    case FileReadStatus::Ok: break;
    }
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) {
        store.mode = info.st_mode & 07777;
        store.readOnly = (info.st_mode & 0222) == 0;
    }
    if (bytes.empty()) {
        store.state = StoreState::Ok;
        return store;
    }
    auto document = regfile::Parse(bytes);
    if (!document) {
        store.state = StoreState::Corrupt;
        return store;
    }
    store.state = StoreState::Ok;
    store.document = std::move(*document);
    return store;
}

RegStatus MakeFolders(const std::string& folder)
{
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = folder.find('/', pos + 1);
        const std::string part = folder.substr(0, pos);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return StatusFromErrno(errno);
    }
    struct stat info {};
    if (stat(folder.c_str(), &info) != 0) return StatusFromErrno(errno);
    return S_ISDIR(info.st_mode) ? kErrorSuccess : kErrorPathNotFound;
}

// Only the holder of the lock writes temporary files, so any found while holding it were left
// by a writer that died.
void RemoveStaleTemporaries(const std::string& folder)
{
    const std::string prefix = std::string(kStoreName) + kTemporaryInfix;
    for (const std::string& name : FolderEntries(folder)) {
        if (name.starts_with(prefix)) unlink(JoinPath(folder, name).c_str());
    }
}

bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

RegStatus ReplaceFile(const std::string& path, const std::string& text, mode_t mode)
{
    std::string temporary = path + kTemporaryInfix + "XXXXXX";
    UniqueHandle file(mkstemp(temporary.data()));
    if (!file.valid()) return StatusFromErrno(errno);
    const int fd = static_cast<int>(file.get());
    const bool written = WriteAll(fd, text) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
    const int writeError = errno;
    // Closed by hand here: close can report a write that failed late, so its result counts.
    if (close(static_cast<int>(file.release())) != 0 || !written) {
        const RegStatus status = StatusFromErrno(written ? errno : writeError);
        unlink(temporary.c_str());
        return status;
    }
    if (rename(temporary.c_str(), path.c_str()) != 0) {
        const RegStatus status = StatusFromErrno(errno);
        unlink(temporary.c_str());
        return status;
    }
    const UniqueHandle folder(open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid()) fsync(static_cast<int>(folder.get()));
    return kErrorSuccess;
}

class StoreLock {
public:
    explicit StoreLock(const std::string& path)
        : file_(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600))
    {
        if (!file_.valid()) {
            status_ = StatusFromErrno(errno);
            return;
        }
        while (flock(static_cast<int>(file_.get()), LOCK_EX) != 0) {
            if (errno != EINTR) {
                status_ = StatusFromErrno(errno);
                return;
            }
        }
    }
    RegStatus Status() const { return status_; }

private:
    UniqueHandle file_;  // the lock goes with the descriptor
    RegStatus status_ = kErrorSuccess;
};

// Runs change on the current contents of the store under the writers' lock, and replaces the
// file when change reports a change. Returns the first failure.
RegStatus Transact(const std::function<RegStatus(regfile::Document&, bool*)>& change)
{
    const std::string path = RegistryStorePath();
    const std::string folder = FolderOf(path);
    if (const RegStatus status = MakeFolders(folder); status != kErrorSuccess) return status;
    const StoreLock lock(path + kLockSuffix);
    if (lock.Status() != kErrorSuccess) return lock.Status();
    RemoveStaleTemporaries(folder);

    Store store = LoadStore(path);
    if (store.state == StoreState::Corrupt) return kErrorRegistryCorrupt;
    if (store.state == StoreState::Unreadable || store.readOnly) return kErrorAccessDenied;
    bool changed = false;
    if (const RegStatus status = change(store.document, &changed); status != kErrorSuccess) return status;
    if (!changed) return kErrorSuccess;
    return ReplaceFile(path, regfile::Write(store.document), store.mode);
}

bool KeyExists(const regfile::Document& document, const std::vector<std::string>& path)
{
    return path.size() == 1 || regfile::FindKey(document, path) != nullptr;
}

}  // namespace

std::string RegistryStorePath()
{
    std::string base;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    // Relative values are invalid by the XDG rules and are ignored like an empty one.
    if (config != nullptr && config[0] == '/') {
        base = config;
    } else {
        const char* home = std::getenv("HOME");
        if (home == nullptr || home[0] == '\0') {
            const passwd* user = getpwuid(getuid());
            home = user != nullptr ? user->pw_dir : "";
        }
        base = std::string(home) + "/.config";
    }
    return base + "/" + kStoreFolder + "/" + kStoreName;
}

RegStatus RegOpenKeyExA(RegKey root, const std::string& subKey, std::uint32_t /*options*/,
                        std::uint32_t access, RegKey* result)
{
    if (result == nullptr) return kErrorInvalidParameter;
    *result = 0;
    std::vector<std::string> path;
    if (const RegStatus status = ResolvePath(root, subKey, &path); status != kErrorSuccess) return status;

    const Store store = LoadStore(RegistryStorePath());
    const bool forWriting = (access & kWriteAccess) != 0;
    if (forWriting && store.state == StoreState::Corrupt) return kErrorRegistryCorrupt;
    if (!KeyExists(store.document, path)) return kErrorFileNotFound;
    if (forWriting && (store.readOnly || store.state == StoreState::Unreadable)) return kErrorAccessDenied;
    *result = Table().Add(OpenKey{std::move(path), access});
    return kErrorSuccess;
}

RegStatus RegCreateKeyExA(RegKey root, const std::string& subKey, std::uint32_t /*reserved*/,
                          const char* /*className*/, std::uint32_t options, std::uint32_t access,
                          const void* /*security*/, RegKey* result, std::uint32_t* disposition)
{
    if (result == nullptr) return kErrorInvalidParameter;
    *result = 0;
    // Only non-volatile keys can be kept in a file.
    if (options != kRegOptionNonVolatile) return kErrorInvalidParameter;
    std::vector<std::string> path;
    if (const RegStatus status = ResolvePath(root, subKey, &path); status != kErrorSuccess) return status;

    std::uint32_t outcome = kRegOpenedExistingKey;
    const RegStatus status = Transact([&](regfile::Document& document, bool* changed) {
        if (KeyExists(document, path)) return kErrorSuccess;
        regfile::CreateKey(document, path);
        outcome = kRegCreatedNewKey;
        *changed = true;
        return kErrorSuccess;
    });
    if (status != kErrorSuccess) return status;
    if (disposition != nullptr) *disposition = outcome;
    *result = Table().Add(OpenKey{std::move(path), access});
    return kErrorSuccess;
}

RegStatus RegQueryValueExA(RegKey key, const char* valueName, std::uint32_t* reserved, std::uint32_t* type,
                           std::uint8_t* data, std::uint32_t* cbData)
{
    const auto open = Lookup(key);
    if (!open) return kErrorInvalidHandle;
    if ((open->access & kKeyQueryValue) == 0) return kErrorAccessDenied;
    if (reserved != nullptr || (data != nullptr && cbData == nullptr)) return kErrorInvalidParameter;

    const Store store = LoadStore(RegistryStorePath());
    const regfile::Key* found = regfile::FindKey(store.document, open->path);
    const regfile::Value* value =
        found == nullptr ? nullptr : found->FindValue(valueName == nullptr ? "" : valueName);
    if (value == nullptr) {
        if (data == nullptr && cbData != nullptr) *cbData = 0;
        return kErrorFileNotFound;
    }
    return internal::HandOutValue(
        value->type, std::string_view(reinterpret_cast<const char*>(value->data.data()), value->data.size()),
        type, data, cbData);
}

RegStatus RegSetValueExA(RegKey key, const char* valueName, std::uint32_t /*reserved*/, std::uint32_t type,
                         const std::uint8_t* data, std::uint32_t cbData)
{
    const auto open = Lookup(key);
    if (!open) return kErrorInvalidHandle;
    if ((open->access & kKeySetValue) == 0) return kErrorAccessDenied;
    if (data == nullptr && cbData != 0) return kErrorInvalidParameter;
    const std::string name = valueName == nullptr ? "" : valueName;
    if (!regfile::IsWritableName(name)) return kErrorInvalidParameter;
    // Exactly cbData bytes are stored: Windows peeks past the end of a text for its NUL, we do not.
    std::vector<std::uint8_t> bytes(data, data + cbData);

    return Transact([&](regfile::Document& document, bool* changed) {
        regfile::Key* target = regfile::FindKey(document, open->path);
        if (target == nullptr) {
            if (open->path.size() != 1) return kErrorKeyDeleted;
            target = &document.top.AddSubKey(open->path.front());
        }
        target->SetListed(true);
        target->SetValue(name, type, std::move(bytes));
        *changed = true;
        return kErrorSuccess;
    });
}

RegStatus RegCloseKey(RegKey key)
{
    if (key == kHkeyCurrentUser) return kErrorSuccess;
    return Table().Remove(key) ? kErrorSuccess : kErrorInvalidHandle;
}

}  // namespace platform

// The .reg text format of the Windows registry editor: a tree of keys with typed values, read
// from and written to bytes. Pure functions, no files, so that the reader can be fuzzed; the
// registry store (registry_posix.cpp) keeps its hive in this format.
//
// Reading accepts "Windows Registry Editor Version 5.00" or "REGEDIT4", UTF-8 with or without BOM,
// UTF-16LE with BOM or Windows-1252, and CR LF, LF or CR line ends. It is strict: a line that it
// does not understand fails the whole text, so that a store is never rewritten with data lost.
// Writing gives the 5.00 header, UTF-8, LF; Write(Parse(x)) parses back to the same document.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform::regfile {

struct Value {
    std::string name;  // "" is the key's unnamed value
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    bool operator==(const Value&) const = default;
};

// A key and its sub keys. Names of sub keys and values match without regard to letter case and
// keep the case they were first given. Listed keys, and keys with neither values nor sub keys,
// have a line of their own in the text; the others exist because a key below them does. Two
// keys are equal when they hold the same names, values and sub keys, however listed.
class Key {
public:
    explicit Key(std::string name = {});

    const std::string& Name() const { return name_; }
    bool Listed() const { return listed_; }
    void SetListed(bool listed) { listed_ = listed; }

    Key* FindSubKey(std::string_view name);
    const Key* FindSubKey(std::string_view name) const;
    Key& AddSubKey(std::string_view name);  // the existing one when there is one
    bool RemoveSubKey(std::string_view name);
    std::vector<const Key*> SubKeys() const;

    const Value* FindValue(std::string_view name) const;
    // An existing value keeps its place and the case of its name.
    void SetValue(std::string_view name, std::uint32_t type, std::vector<std::uint8_t> data);
    bool RemoveValue(std::string_view name);
    std::vector<const Value*> Values() const;

    bool operator==(const Key& other) const;

private:
    std::string name_;
    bool listed_ = false;
    // Removed entries leave an empty slot, so that removal stays cheap in large keys.
    std::vector<std::unique_ptr<Key>> subKeys_;
    std::unordered_map<std::string, std::size_t> subKeyIndex_;
    std::vector<std::optional<Value>> values_;
    std::unordered_map<std::string, std::size_t> valueIndex_;
};

struct Document {
    Key top;  // its sub keys are the roots: HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, ...
    bool operator==(const Document& other) const { return top == other.top; }
};

// The registry refuses trees deeper than this; the reader and the store refuse them too.
inline constexpr std::size_t kMaxKeyDepth = 512;

inline constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
inline constexpr std::string_view kHeader4 = "REGEDIT4";

struct ParseError {
    std::size_t line = 0;  // 1-based
    std::string message;
};

std::optional<Document> Parse(std::string_view bytes, ParseError* error = nullptr);
std::string Write(const Document& document);

// Splits a key path at its backslashes; trailing backslashes are dropped and an empty path
// gives no names. nullopt when a name is empty (a leading or doubled backslash).
std::optional<std::vector<std::string>> SplitKeyPath(std::string_view path);

// True when a key or value name can be written to the text and read back: valid UTF-8 with no
// line break.
bool IsWritableName(std::string_view name);

const Key* FindKey(const Document& document, const std::vector<std::string>& path);
Key* FindKey(Document& document, const std::vector<std::string>& path);
// Creates the missing keys of path, each listed, and returns the last one.
Key& CreateKey(Document& document, const std::vector<std::string>& path);

}  // namespace platform::regfile

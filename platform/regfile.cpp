#include "platform/regfile.h"

#include <utility>

#include "platform/registry.h"
#include "platform/text.h"

namespace platform::regfile {
namespace {

using text::IsBlank;
using text::TrimLeft;
using text::TrimRight;

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads 1 to 8 hex digits from the front of s.
bool ReadHexNumber(std::string_view* s, std::uint32_t* value)
{
    std::size_t count = 0;
    std::uint32_t result = 0;
    while (count < s->size() && HexDigit((*s)[count]) >= 0) {
        if (count == 8) return false;
        result = (result << 4) | static_cast<std::uint32_t>(HexDigit((*s)[count]));
        ++count;
    }
    if (count == 0) return false;
    s->remove_prefix(count);
    *value = result;
    return true;
}

bool StartsWithIgnoringCase(std::string_view s, std::string_view prefix)
{
    return text::EqualsIgnoringAsciiCase(s.substr(0, prefix.size()), prefix);
}

// What may follow data on a value line: blanks, then nothing or a ';' comment.
bool IsEndOfData(std::string_view rest)
{
    rest = TrimLeft(rest);
    return rest.empty() || rest.front() == ';';
}

// Reads a quoted text from the front of s, with the escapes \\ and \" and no others.
bool ReadQuoted(std::string_view* s, std::string* out)
{
    if (s->empty() || s->front() != '"') return false;
    std::size_t pos = 1;
    out->clear();
    while (pos < s->size()) {
        const char c = (*s)[pos];
        if (c == '"') {
            s->remove_prefix(pos + 1);
            return true;
        }
        if (c == '\\') {
            if (pos + 1 >= s->size()) return false;
            const char next = (*s)[pos + 1];
            if (next != '\\' && next != '"') return false;
            out->push_back(next);
            pos += 2;
            continue;
        }
        out->push_back(c);
        ++pos;
    }
    return false;
}

std::string Folded(std::string_view name) { return text::FoldCase(name); }

enum class HexState { Done, Continues, Invalid };

// Reads one line's part of a hex byte list: two-digit bytes separated by commas, optionally
// ending in ",\" to continue on the next line.
HexState ReadHexPart(std::string_view s, std::vector<std::uint8_t>* bytes)
{
    bool afterComma = false;
    bool empty = true;
    for (;;) {
        s = TrimLeft(s);
        if (s.empty() || s.front() == ';') return HexState::Done;
        if (s.front() == '\\') {
            if (!afterComma || !IsEndOfData(s.substr(1))) return HexState::Invalid;
            return HexState::Continues;
        }
        if (!empty && !afterComma) return HexState::Invalid;
        if (s.size() < 2 || HexDigit(s[0]) < 0 || HexDigit(s[1]) < 0) return HexState::Invalid;
        bytes->push_back(static_cast<std::uint8_t>(HexDigit(s[0]) * 16 + HexDigit(s[1])));
        s.remove_prefix(2);
        empty = false;
        afterComma = false;
        s = TrimLeft(s);
        if (!s.empty() && s.front() == ',') {
            afterComma = true;
            s.remove_prefix(1);
        } else if (!s.empty() && s.front() != ';') {
            return HexState::Invalid;
        }
    }
}

class Parser {
public:
    Parser(std::string_view text, bool utf16) : lines_(text), utf16_(utf16) {}

    std::optional<Document> Run(ParseError* error)
    {
        std::string_view line;
        if (!lines_.Next(&line)) return Fail(error, "empty text");
        line = text::Trim(line);
        if (line != kHeader5 && line != kHeader4) return Fail(error, "no header");
        while (lines_.Next(&line)) {
            const std::string_view trimmed = TrimLeft(line);
            if (trimmed.empty() || trimmed.front() == ';' || trimmed.front() == '#') continue;
            const bool ok = trimmed.front() == '[' ? KeyLine(TrimRight(trimmed)) : ValueLine(trimmed);
            if (!ok) return Fail(error, message_);
        }
        return std::move(document_);
    }

private:
    std::optional<Document> Fail(ParseError* error, std::string message)
    {
        if (error != nullptr) {
            error->line = lines_.Number();
            error->message = std::move(message);
        }
        return std::nullopt;
    }

    bool Invalid(std::string message)
    {
        message_ = std::move(message);
        return false;
    }

    bool KeyLine(std::string_view line)
    {
        if (line.size() < 2 || line.back() != ']') return Invalid("key line without ']'");
        std::string_view path = line.substr(1, line.size() - 2);
        const bool remove = !path.empty() && path.front() == '-';
        if (remove) path.remove_prefix(1);
        if (path.empty() || IsBlank(path.front())) return Invalid("bad key name");
        auto names = SplitKeyPath(path);
        if (!names || names->empty()) return Invalid("bad key name");
        if (names->size() > kMaxKeyDepth) return Invalid("key too deep");
        removed_ = remove;
        if (remove) {
            current_ = nullptr;
            const std::string last = std::move(names->back());
            names->pop_back();
            if (Key* parent = FindKey(document_, *names)) parent->RemoveSubKey(last);
            return true;
        }
        // Keys above it exist, but only this one gets a line of its own when written again.
        Key* key = &document_.top;
        for (const std::string& name : *names) key = &key->AddSubKey(name);
        key->SetListed(true);
        current_ = key;
        return true;
    }

    bool ValueLine(std::string_view line)
    {
        std::string name;
        if (line.front() == '@') {
            line.remove_prefix(1);
        } else if (!ReadQuoted(&line, &name)) {
            return Invalid("bad value name");
        }
        line = TrimLeft(line);
        if (line.empty() || line.front() != '=') return Invalid("no '=' after the value name");
        line = TrimLeft(line.substr(1));
        if (line.empty()) return Invalid("no data");

        std::uint32_t type = 0;
        std::vector<std::uint8_t> data;
        bool remove = false;
        if (line.front() == '"') {
            std::string content;
            if (!ReadQuoted(&line, &content) || !IsEndOfData(line)) return Invalid("bad text");
            type = kRegSz;
            data.assign(content.begin(), content.end());
            data.push_back(0);
        } else if (line.front() == '-') {
            if (!IsEndOfData(line.substr(1))) return Invalid("bad removal");
            remove = true;
        } else if (StartsWithIgnoringCase(line, "dword:")) {
            line = TrimLeft(line.substr(6));
            std::uint32_t number = 0;
            if (!ReadHexNumber(&line, &number) || !IsEndOfData(line)) return Invalid("bad dword");
            type = kRegDword;
            const auto bytes = DwordBytes(number);
            data.assign(bytes.begin(), bytes.end());
        } else if (StartsWithIgnoringCase(line, "hex")) {
            line.remove_prefix(3);
            type = kRegBinary;
            if (!line.empty() && line.front() == '(') {
                line.remove_prefix(1);
                if (!ReadHexNumber(&line, &type) || line.empty() || line.front() != ')') {
                    return Invalid("bad hex type");
                }
                line.remove_prefix(1);
            }
            if (line.empty() || line.front() != ':') return Invalid("bad hex data");
            if (!ReadHexList(line.substr(1), &data)) return false;
            if (utf16_ && IsTextType(type) && data.size() % 2 == 0) {
                // A file in UTF-16 holds its text values as UTF-16; the store keeps UTF-8.
                const std::string utf8 = text::Utf16LeToUtf8(
                    std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
                data.assign(utf8.begin(), utf8.end());
            }
        } else {
            return Invalid("unknown data");
        }

        if (current_ == nullptr) {
            // Lines after a key removal are ignored, as the registry editor does; before any key
            // line there is nowhere to put them.
            return removed_ ? true : Invalid("value before any key");
        }
        if (remove) {
            current_->RemoveValue(name);
        } else {
            current_->SetValue(name, type, std::move(data));
        }
        return true;
    }

    bool ReadHexList(std::string_view part, std::vector<std::uint8_t>* data)
    {
        for (;;) {
            const HexState state = ReadHexPart(part, data);
            if (state == HexState::Invalid) return Invalid("bad hex list");
            if (state == HexState::Done) return true;
            std::string_view next;
            for (;;) {
                if (!lines_.Next(&next)) return Invalid("hex list cut off");
                next = TrimLeft(next);
                if (!next.empty() && next.front() != ';') break;
            }
            if (HexDigit(next.front()) < 0) return Invalid("bad hex continuation");
            part = next;
        }
    }

    text::LineReader lines_;
    bool utf16_;
    Document document_;
    Key* current_ = nullptr;
    bool removed_ = false;
    std::string message_;
};

void AppendEscaped(std::string& out, std::string_view s)
{
    out.push_back('"');
    for (const char c : s) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
}

bool IsPlainText(const std::vector<std::uint8_t>& data)
{
    if (data.empty() || data.back() != 0) return false;
    const std::string_view body(reinterpret_cast<const char*>(data.data()), data.size() - 1);
    for (const char c : body) {
        if (c == '\0' || c == '\r' || c == '\n') return false;
    }
    return text::IsValidUtf8(body);
}

// Lower-case hex digits, without leading zeros but at least minDigits of them.
void AppendHex(std::string& out, std::uint32_t number, int minDigits)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    bool started = false;
    for (int shift = 28; shift >= 0; shift -= 4) {
        const unsigned digit = (number >> shift) & 0xFu;
        started = started || digit != 0 || shift / 4 < minDigits || shift == 0;
        if (started) out.push_back(kDigits[digit]);
    }
}

void AppendValue(std::string& out, const Value& value)
{
    const std::size_t lineStart = out.size();
    if (value.name.empty()) {
        out.push_back('@');
    } else {
        AppendEscaped(out, value.name);
    }
    out.push_back('=');
    if (value.type == kRegSz && IsPlainText(value.data)) {
        AppendEscaped(
            out, std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1));
    } else if (value.type == kRegDword && value.data.size() == 4) {
        out += "dword:";
        AppendHex(out, DwordFromBytes(value.data.data()), 8);
    } else {
        out += "hex";
        if (value.type != kRegBinary) {
            out.push_back('(');
            AppendHex(out, value.type, 1);
            out.push_back(')');
        }
        out.push_back(':');
        // Long lists break after a comma so that no line passes 80 columns, as exports do.
        std::size_t column = out.size() - lineStart;
        for (std::size_t i = 0; i < value.data.size(); ++i) {
            AppendHex(out, value.data[i], 2);
            column += 2;
            if (i + 1 < value.data.size()) {
                out.push_back(',');
                ++column;
                if (column + 4 > 80) {
                    out += "\\\n  ";
                    column = 2;
                }
            }
        }
    }
    out.push_back('\n');
}

void AppendKey(std::string& out, const Key& key, std::string& path)
{
    const std::size_t pathLength = path.size();
    if (!path.empty()) path.push_back('\\');
    path += key.Name();
    const auto values = key.Values();
    const auto subKeys = key.SubKeys();
    // A key with nothing below it needs its own line, or it would be lost.
    if (key.Listed() || !values.empty() || subKeys.empty()) {
        out.push_back('[');
        out += path;
        out += "]\n";
        for (const Value* value : values) AppendValue(out, *value);
        out.push_back('\n');
    }
    for (const Key* sub : subKeys) AppendKey(out, *sub, path);
    path.resize(pathLength);
}

}  // namespace

Key::Key(std::string name) : name_(std::move(name)) {}

Key* Key::FindSubKey(std::string_view name)
{
    const auto it = subKeyIndex_.find(Folded(name));
    return it == subKeyIndex_.end() ? nullptr : subKeys_[it->second].get();
}

const Key* Key::FindSubKey(std::string_view name) const { return const_cast<Key*>(this)->FindSubKey(name); }

Key& Key::AddSubKey(std::string_view name)
{
    auto [it, inserted] = subKeyIndex_.try_emplace(Folded(name), subKeys_.size());
    if (inserted) subKeys_.push_back(std::make_unique<Key>(std::string(name)));
    return *subKeys_[it->second];
}

bool Key::RemoveSubKey(std::string_view name)
{
    const auto it = subKeyIndex_.find(Folded(name));
    if (it == subKeyIndex_.end()) return false;
    subKeys_[it->second].reset();
    subKeyIndex_.erase(it);
    return true;
}

std::vector<const Key*> Key::SubKeys() const
{
    std::vector<const Key*> keys;
    keys.reserve(subKeyIndex_.size());
    for (const auto& key : subKeys_) {
        if (key) keys.push_back(key.get());
    }
    return keys;
}

const Value* Key::FindValue(std::string_view name) const
{
    const auto it = valueIndex_.find(Folded(name));
    return it == valueIndex_.end() ? nullptr : &*values_[it->second];
}

void Key::SetValue(std::string_view name, std::uint32_t type, std::vector<std::uint8_t> data)
{
    auto [it, inserted] = valueIndex_.try_emplace(Folded(name), values_.size());
    if (inserted) {
        values_.push_back(Value{std::string(name), type, std::move(data)});
        return;
    }
    Value& value = *values_[it->second];
    value.type = type;
    value.data = std::move(data);
}

bool Key::RemoveValue(std::string_view name)
{
    const auto it = valueIndex_.find(Folded(name));
    if (it == valueIndex_.end()) return false;
    values_[it->second].reset();
    valueIndex_.erase(it);
    return true;
}

std::vector<const Value*> Key::Values() const
{
    std::vector<const Value*> values;
    values.reserve(valueIndex_.size());
    for (const auto& value : values_) {
        if (value) values.push_back(&*value);
    }
    return values;
}

bool Key::operator==(const Key& other) const
{
    if (name_ != other.name_) return false;
    const auto values = Values();
    const auto otherValues = other.Values();
    if (values.size() != otherValues.size()) return false;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!(*values[i] == *otherValues[i])) return false;
    }
    const auto keys = SubKeys();
    const auto otherKeys = other.SubKeys();
    if (keys.size() != otherKeys.size()) return false;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (!(*keys[i] == *otherKeys[i])) return false;
    }
    return true;
}

std::optional<Document> Parse(std::string_view bytes, ParseError* error)
{
    text::Encoding encoding = text::Encoding::Utf8;
    const std::string decoded = text::DecodeText(bytes, &encoding);
    return Parser(decoded, encoding == text::Encoding::Utf16LeBom).Run(error);
}

std::string Write(const Document& document)
{
    std::string out(kHeader5);
    out += "\n\n";
    std::string path;
    for (const Key* root : document.top.SubKeys()) AppendKey(out, *root, path);
    return out;
}

std::optional<std::vector<std::string>> SplitKeyPath(std::string_view path)
{
    path = text::TrimRight(path, "\\");
    std::vector<std::string> names;
    if (path.empty()) return names;
    for (const std::string_view name : text::Split(path, '\\')) {
        if (name.empty()) return std::nullopt;
        names.emplace_back(name);
    }
    return names;
}

bool IsWritableName(std::string_view name)
{
    return name.find_first_of("\r\n") == std::string_view::npos && text::IsValidUtf8(name);
}

const Key* FindKey(const Document& document, const std::vector<std::string>& path)
{
    const Key* key = &document.top;
    for (const std::string& name : path) {
        key = key->FindSubKey(name);
        if (key == nullptr) return nullptr;
    }
    return key;
}

Key* FindKey(Document& document, const std::vector<std::string>& path)
{
    return const_cast<Key*>(FindKey(std::as_const(document), path));
}

Key& CreateKey(Document& document, const std::vector<std::string>& path)
{
    Key* key = &document.top;
    for (std::size_t i = 0; i < path.size(); ++i) {
        key = &key->AddSubKey(path[i]);
        if (i > 0 || path.size() == 1) key->SetListed(true);
    }
    return *key;
}

}  // namespace platform::regfile

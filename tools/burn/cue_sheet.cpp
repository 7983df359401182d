#include "tools/burn/cue_sheet.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/text.h"

namespace burn {
namespace {

using platform::text::EqualsIgnoringAsciiCase;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Splits a line into words; a word in double quotes keeps its blanks. False for a quote that
// is not closed.
bool SplitWords(std::string_view line, std::vector<std::string>& words)
{
    words.clear();
    std::size_t i = 0;
    for (;;) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size()) return true;
        if (line[i] == '"') {
            const std::size_t close = line.find('"', i + 1);
            if (close == std::string_view::npos) return false;
            words.emplace_back(line.substr(i + 1, close - i - 1));
            i = close + 1;
        } else {
            std::size_t end = i;
            while (end < line.size() && !IsBlank(line[end])) ++end;
            words.emplace_back(line.substr(i, end - i));
            i = end;
        }
    }
}

bool ParseNumber(std::string_view text, std::size_t maxDigits, int& value)
{
    if (text.empty() || text.size() > maxDigits) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// mm:ss:ff, with seconds below 60 and frames below 75.
bool ParseTime(std::string_view text, std::int64_t& frames)
{
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos) return false;
    int minutes = 0;
    int seconds = 0;
    int frame = 0;
    if (!ParseNumber(text.substr(0, first), 3, minutes) ||
        !ParseNumber(text.substr(first + 1, second - first - 1), 2, seconds) ||
        !ParseNumber(text.substr(second + 1), 2, frame) || seconds >= 60 || frame >= kFramesPerSecond)
        return false;
    frames = (std::int64_t{minutes} * 60 + seconds) * kFramesPerSecond + frame;
    return true;
}

std::string TimeText(std::int64_t frames)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld",
                  static_cast<long long>(frames / (60 * kFramesPerSecond)),
                  static_cast<long long>(frames / kFramesPerSecond % 60),
                  static_cast<long long>(frames % kFramesPerSecond));
    return text;
}

std::string TrackText(int number)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d", number);
    return text;
}

std::uint32_t Little32(const unsigned char* bytes)
{
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}

unsigned Little16(const unsigned char* bytes) { return unsigned{bytes[0]} | unsigned{bytes[1]} << 8; }

bool ReadBytes(std::istream& in, std::uint64_t at, unsigned char* bytes, std::size_t count)
{
    in.clear();
    in.seekg(static_cast<std::streamoff>(at));
    in.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(count));
    return static_cast<std::size_t>(in.gcount()) == count;
}

// The state of the parse: the files so far and what the next command may do.
class CueParser {
public:
    bool Line(int number, std::string_view text, std::string& error)
    {
        line_ = number;
        std::vector<std::string> words;
        if (!SplitWords(text, words)) return Fail("a quote is not closed", error);
        if (words.empty()) return true;
        const std::string& command = words[0];
        for (const char* ignored :
             {"REM", "CATALOG", "CDTEXTFILE", "PERFORMER", "TITLE", "SONGWRITER", "ISRC", "FLAGS"})
            if (EqualsIgnoringAsciiCase(command, ignored)) return true;
        if (EqualsIgnoringAsciiCase(command, "FILE")) return File(words, error);
        if (EqualsIgnoringAsciiCase(command, "TRACK")) return Track(words, error);
        if (EqualsIgnoringAsciiCase(command, "INDEX")) return Index(words, error);
        if (EqualsIgnoringAsciiCase(command, "PREGAP") || EqualsIgnoringAsciiCase(command, "POSTGAP")) {
            std::int64_t frames = 0;
            if (words.size() != 2 || !ParseTime(words[1], frames))
                return Fail(command + " needs a time mm:ss:ff", error);
            if (files_.empty() || files_.back().tracks.empty())
                return Fail(command + " before any TRACK", error);
            return true;
        }
        return Fail("unknown command " + command, error);
    }

    bool Finish(std::vector<CueFile>& files, std::string& error)
    {
        if (files_.empty()) return Fail("no FILE", error);
        if (!Complete(error)) return false;
        files = std::move(files_);
        return true;
    }

private:
    bool Fail(const std::string& reason, std::string& error) const
    {
        error = "line " + std::to_string(line_) + ": " + reason;
        return false;
    }

    // The file and track above must be whole before another begins.
    bool Complete(std::string& error)
    {
        if (files_.empty()) return true;
        const CueFile& file = files_.back();
        if (file.tracks.empty()) {
            line_ = file.line;
            return Fail("FILE \"" + file.name + "\" has no TRACK", error);
        }
        if (!hasIndex1_) {
            line_ = file.tracks.back().line;
            return Fail("track " + TrackText(file.tracks.back().number) + " has no INDEX 01", error);
        }
        return true;
    }

    bool File(const std::vector<std::string>& words, std::string& error)
    {
        if (words.size() != 3 || words[1].empty()) return Fail("FILE needs a file name and a type", error);
        if (!EqualsIgnoringAsciiCase(words[2], "WAVE"))
            return Fail("file type " + words[2] + " is not supported (WAVE)", error);
        if (!Complete(error)) return false;
        files_.push_back({words[1], line_, {}});
        lastIndexAt_ = 0;
        return true;
    }

    bool Track(const std::vector<std::string>& words, std::string& error)
    {
        int number = 0;
        if (words.size() != 3 || !ParseNumber(words[1], 2, number) || number < 1)
            return Fail("TRACK needs a number from 01 to 99 and a mode", error);
        if (!EqualsIgnoringAsciiCase(words[2], "AUDIO"))
            return Fail("track mode " + words[2] + " is not supported (AUDIO)", error);
        if (files_.empty()) return Fail("TRACK before any FILE", error);
        if (lastTrack_ != 0 && number != lastTrack_ + 1)
            return Fail("track " + TrackText(number) + " does not follow track " + TrackText(lastTrack_),
                        error);
        if (!files_.back().tracks.empty() && !Complete(error)) return false;
        files_.back().tracks.push_back({number, line_, 0});
        lastTrack_ = number;
        hasIndex1_ = false;
        return true;
    }

    bool Index(const std::vector<std::string>& words, std::string& error)
    {
        int number = 0;
        std::int64_t at = 0;
        if (words.size() != 3 || !ParseNumber(words[1], 2, number) || !ParseTime(words[2], at))
            return Fail("INDEX needs a number and a time mm:ss:ff", error);
        if (files_.empty() || files_.back().tracks.empty())
            return Fail("INDEX before any TRACK of its FILE", error);
        if (number == 0 && hasIndex1_) return Fail("INDEX 00 after INDEX 01", error);
        if (number == 1 && hasIndex1_) return Fail("a second INDEX 01", error);
        if (number > 1 && !hasIndex1_) return Fail("INDEX " + TrackText(number) + " before INDEX 01", error);
        if (at < lastIndexAt_) return Fail("INDEX time " + words[2] + " goes back", error);
        lastIndexAt_ = at;
        if (number == 1) {
            files_.back().tracks.back().start = at;
            hasIndex1_ = true;
        }
        return true;
    }

    std::vector<CueFile> files_;
    int line_ = 0;
    int lastTrack_ = 0;
    bool hasIndex1_ = false;
    std::int64_t lastIndexAt_ = 0;
};

}  // namespace

bool ParseCueSheet(std::string_view text, std::vector<CueFile>& files, std::string& error)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    CueParser parser;
    platform::text::LineReader lines(text);
    std::string_view line;
    while (lines.Next(&line))
        if (!parser.Line(static_cast<int>(lines.Number()), line, error)) return false;
    return parser.Finish(files, error);
}

bool ReadCdAudio(std::istream& in, std::uint64_t fileSize, std::uint64_t& dataBytes, std::string& error)
{
    unsigned char head[12];
    if (!ReadBytes(in, 0, head, sizeof head) ||
        std::string_view(reinterpret_cast<char*>(head), 4) != "RIFF" ||
        std::string_view(reinterpret_cast<char*>(head) + 8, 4) != "WAVE") {
        error = "not a RIFF/WAVE file";
        return false;
    }
    bool format = false;
    std::uint64_t at = sizeof head;
    while (at + 8 <= fileSize) {
        unsigned char chunk[8];
        if (!ReadBytes(in, at, chunk, sizeof chunk)) break;
        const std::string_view id(reinterpret_cast<char*>(chunk), 4);
        const std::uint64_t size = Little32(chunk + 4);
        at += sizeof chunk;
        if (id == "fmt ") {
            unsigned char fmt[16];
            if (size < sizeof fmt || !ReadBytes(in, at, fmt, sizeof fmt)) {
                error = "the format chunk is too short";
                return false;
            }
            const unsigned tag = Little16(fmt);
            const unsigned channels = Little16(fmt + 2);
            const std::uint32_t rate = Little32(fmt + 4);
            const std::uint32_t byteRate = Little32(fmt + 8);
            const unsigned blockAlign = Little16(fmt + 12);
            const unsigned bits = Little16(fmt + 14);
            if (tag != 1) {
                error = "the audio is not PCM (format tag " + std::to_string(tag) + ")";
                return false;
            }
            if (rate != 44100 || bits != 16 || channels != 2 || blockAlign != 4 || byteRate != 176400) {
                error = "the audio is " + std::to_string(rate) + " Hz, " + std::to_string(bits) + " bit, " +
                        std::to_string(channels) + (channels == 1 ? " channel" : " channels") +
                        "; CD audio is 44100 Hz, 16 bit, 2 channels";
                return false;
            }
            format = true;
        } else if (id == "data") {
            if (!format) {
                error = "the data chunk comes before the format chunk";
                return false;
            }
            if (size > fileSize - at) {
                error = "the data chunk holds " + std::to_string(size) + " bytes but the file ends after " +
                        std::to_string(fileSize - at);
                return false;
            }
            if (size % kBytesPerSample != 0) {
                error = "the audio data (" + std::to_string(size) +
                        " bytes) is not a whole number of 4-byte sample frames";
                return false;
            }
            dataBytes = size;
            return true;
        }
        at += size + (size & 1);
    }
    error = format ? "no data chunk" : "no format chunk";
    return false;
}

bool CheckTrackLengths(const CueFile& file, std::uint64_t dataBytes, std::string& error)
{
    const auto samples = static_cast<std::int64_t>(dataBytes / kBytesPerSample);
    for (std::size_t k = 0; k < file.tracks.size(); ++k) {
        const CueTrack& track = file.tracks[k];
        const std::int64_t start = track.start * kSamplesPerFrame;
        const std::int64_t end =
            k + 1 < file.tracks.size() ? file.tracks[k + 1].start * kSamplesPerFrame : samples;
        const std::string where = "line " + std::to_string(track.line) + ": track " + TrackText(track.number);
        if (start >= samples) {
            error = where + " starts at " + TimeText(track.start) + ", after the end of \"" + file.name +
                    "\" (" + TimeText(samples / kSamplesPerFrame) + ")";
            return false;
        }
        if (end - start < kMinimumTrackFrames * kSamplesPerFrame) {
            error = where + " is " + TimeText((end - start) / kSamplesPerFrame) +
                    " long; an audio track must last at least " + TimeText(kMinimumTrackFrames);
            return false;
        }
    }
    return true;
}

CueSheetReport CheckCueSheet(const std::string& path)
{
    namespace fs = std::filesystem;
    const std::string unreadable = "Burn: Cannot open toc file " + path + "\n";
    const std::string refused = "Burn: " + path + ": the toc file is inconsistent, nothing was simulated\n";

    std::ifstream sheet(path, std::ios::binary);
    if (!sheet) return {CueSheetStatus::Unreadable, unreadable};
    const std::string text{std::istreambuf_iterator<char>(sheet), std::istreambuf_iterator<char>()};
    std::vector<CueFile> files;
    std::string error;
    if (!ParseCueSheet(text, files, error))
        return {CueSheetStatus::Unreadable, "Burn: " + path + ": " + error + "\n" + unreadable};

    const fs::path folder = fs::path(path).parent_path();
    for (const CueFile& file : files) {
        const fs::path audio = fs::path(file.name).is_absolute() ? fs::path(file.name) : folder / file.name;
        std::ifstream in(audio, std::ios::binary);
        std::error_code sizeError;
        const std::uintmax_t size = fs::file_size(audio, sizeError);
        if (!in || sizeError)
            return {CueSheetStatus::Refused, "Burn: " + path + ": line " + std::to_string(file.line) +
                                                 ": cannot open audio file \"" + file.name + "\"\n" +
                                                 refused};
        std::uint64_t dataBytes = 0;
        if (!ReadCdAudio(in, size, dataBytes, error))
            return {CueSheetStatus::Refused, "Burn: " + file.name + ": " + error + "\n" + refused};
        if (!CheckTrackLengths(file, dataBytes, error))
            return {CueSheetStatus::Refused, "Burn: " + path + ": " + error + "\n" + refused};
    }
    return {CueSheetStatus::Usable, {}};
}

}  // namespace burn

// The cue sheet of a simulated write, checked as a recorder checks it before it writes anything:
// the sheet must parse, every audio file it names must hold CD audio (RIFF/WAVE, PCM, 44100 Hz,
// 16 bit, 2 channels, whole sample frames), and every track must last at least 4 seconds.
#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace burn {

inline constexpr std::int64_t kFramesPerSecond = 75;
inline constexpr std::int64_t kSamplesPerFrame = 588;  // 44100 / 75
inline constexpr std::int64_t kBytesPerSample = 4;     // 16 bit, 2 channels
inline constexpr std::int64_t kMinimumTrackFrames = 4 * kFramesPerSecond;

struct CueTrack {
    int number = 0;
    int line = 0;            // of its TRACK command
    std::int64_t start = 0;  // its INDEX 01, in frames from the start of the file
};

struct CueFile {
    std::string name;  // as written in the sheet
    int line = 0;      // of its FILE command
    std::vector<CueTrack> tracks;
};

// Parses a cue sheet with audio tracks in WAVE files. On a syntax error returns false and sets
// error to "line N: reason".
bool ParseCueSheet(std::string_view text, std::vector<CueFile>& files, std::string& error);

// Reads the header of a WAVE file of fileSize bytes. True when it holds CD audio; dataBytes is
// then the size of its audio data. Otherwise error says why not.
bool ReadCdAudio(std::istream& in, std::uint64_t fileSize, std::uint64_t& dataBytes, std::string& error);

// Every track of file runs from its INDEX 01 to the next track's, the last one to the end of
// the audio data. False with error for the first track shorter than 4 seconds.
bool CheckTrackLengths(const CueFile& file, std::uint64_t dataBytes, std::string& error);

enum class CueSheetStatus {
    Usable,
    Unreadable,  // missing or not a cue sheet: the answer says "Cannot open toc file"
    Refused,     // readable, but not something a recorder can write
};

struct CueSheetReport {
    CueSheetStatus status = CueSheetStatus::Unreadable;
    std::string message;  // the tool's lines on standard error; empty when usable
};

// Checks the cue sheet at path (relative to the current directory), with the audio files it
// names relative to the sheet's folder.
CueSheetReport CheckCueSheet(const std::string& path);

}  // namespace burn

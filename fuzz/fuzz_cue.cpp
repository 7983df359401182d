// The stand-in tool's cue-sheet check: a sheet either fails with a message naming a line, or
// gives files with consecutive tracks in time order; a WAVE header of any bytes is read without
// reading past its end; a track passed as long enough lasts four seconds.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "tools/burn/cue_sheet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;

    std::istringstream wave{std::string(text)};
    std::uint64_t dataBytes = 0;
    if (burn::ReadCdAudio(wave, size, dataBytes, error)) {
        FUZZ_CHECK(dataBytes <= size);
        FUZZ_CHECK(dataBytes % burn::kBytesPerSample == 0);
    } else {
        FUZZ_CHECK(!error.empty());
    }

    std::vector<burn::CueFile> files;
    error.clear();
    if (!burn::ParseCueSheet(text, files, error)) {
        FUZZ_CHECK(error.rfind("line ", 0) == 0);
        return 0;
    }
    FUZZ_CHECK(!files.empty());
    int last = 0;
    for (const burn::CueFile& file : files) {
        FUZZ_CHECK(!file.name.empty());
        FUZZ_CHECK(!file.tracks.empty());
        for (std::size_t k = 0; k < file.tracks.size(); ++k) {
            const burn::CueTrack& track = file.tracks[k];
            FUZZ_CHECK(last == 0 || track.number == last + 1);
            last = track.number;
            if (k > 0) FUZZ_CHECK(track.start >= file.tracks[k - 1].start);
        }
        // Audio of as many bytes as the sheet has, in whole sample frames, times a few seconds.
        const std::uint64_t audio = (size % 8) * 44100 * 4 + (size / 4) * 4;
        error.clear();
        if (burn::CheckTrackLengths(file, audio, error)) {
            const auto samples = static_cast<std::int64_t>(audio / burn::kBytesPerSample);
            for (std::size_t k = 0; k < file.tracks.size(); ++k) {
                const std::int64_t end =
                    k + 1 < file.tracks.size() ? file.tracks[k + 1].start * burn::kSamplesPerFrame : samples;
                FUZZ_CHECK(end - file.tracks[k].start * burn::kSamplesPerFrame >=
                           burn::kMinimumTrackFrames * burn::kSamplesPerFrame);
            }
        } else {
            FUZZ_CHECK(error.rfind("line ", 0) == 0);
        }
    }
    return 0;
}

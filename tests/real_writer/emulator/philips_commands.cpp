// The pre-MMC writer of the Philips CDD2000/CDD2600 family: SCSI-2 CD-ROM commands plus the
// vendor commands that write a disc at once. The host sends the whole table of contents with
// WRITE SESSION, then every block from the start of the lead-in to the end of the lead-out with
// plain WRITE(10) commands whose address the unit ignores.
#include <algorithm>
#include <climits>

#include "unit_internal.h"
#include "writer_unit.h"

namespace writer_emulator {

namespace {

constexpr std::int32_t kLeadOutLength = 90 * 75;

}  // namespace

const std::vector<WriterUnit::CommandEntry>& WriterUnit::PhilipsCommands()
{
    static const std::vector<CommandEntry> kCommands = {
        {0x00, "TEST_UNIT_READY", &WriterUnit::TestUnitReady, kMedium},
        {0x01, "REZERO_UNIT", &WriterUnit::RezeroUnit, kMedium},
        {0x03, "REQUEST_SENSE", &WriterUnit::RequestSense, kPassesAttention},
        {0x12, "INQUIRY", &WriterUnit::Inquiry, kPassesAttention},
        {0x15, "MODE_SELECT(6)", &WriterUnit::ModeSelect, kNothing},
        {0x1A, "MODE_SENSE(6)", &WriterUnit::ModeSense, kNothing},
        {0x1B, "START_STOP_UNIT", &WriterUnit::StartStopUnit, kNothing},
        {0x1E, "PREVENT_ALLOW_MEDIUM_REMOVAL", &WriterUnit::PreventAllowMediumRemoval, kNothing},
        {0x25, "READ_CAPACITY", &WriterUnit::ReadCapacity, kMedium},
        {0x2A, "WRITE(10)", &WriterUnit::Write, kMedium},
        {0x35, "SYNCHRONIZE_CACHE", &WriterUnit::SynchronizeCache, kMedium},
        {0x43, "READ_TOC", &WriterUnit::ReadToc, kMedium},
        {0x55, "MODE_SELECT(10)", &WriterUnit::ModeSelect, kNothing},
        {0x5A, "MODE_SENSE(10)", &WriterUnit::ModeSense, kNothing},
        {0xE2, "FIRST_WRITABLE_ADDRESS", &WriterUnit::FirstWritableAddress, kMedium},
        {0xE7, "MEDIUM_LOAD_UNLOAD", &WriterUnit::MediumLoadUnload, kNothing},
        {0xED, "WRITE_SESSION", &WriterUnit::WriteSession, kMedium},
        {0xEE, "READ_SESSION_INFO", &WriterUnit::ReadSessionInfo, kMedium},
    };
    return kCommands;
}

void WriterUnit::InitPhilipsPages()
{
    ModePage recovery;
    recovery.current = {0x01, 0x06, 0x00, 0x10, 0, 0, 0, 0};
    recovery.changeable = {0x01, 0x06, 0xFF, 0xFF, 0, 0, 0, 0};
    ModePage audio;
    audio.current = {0x0E, 0x0E, 0x04, 0, 0, 0, 0, 0, 0x01, 0xFF, 0x02, 0xFF, 0, 0, 0, 0};
    audio.changeable = {0x0E, 0x0E, 0x06, 0, 0, 0, 0, 0, 0x0F, 0xFF, 0x0F, 0xFF, 0x0F, 0xFF, 0x0F, 0xFF};
    ModePage catalog;  // the disc's catalog number, written into the lead-in
    catalog.current = {0x22, 0x08, 0, 0, 0, 0, 0, 0, 0, 0};
    catalog.changeable = {0x22, 0x08, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xF0};
    ModePage speed;  // writing speed, dummy (test) write, reading speed
    speed.current = {0x23, 0x06, 0x02, 0x00, 0x06, 0, 0, 0};
    speed.changeable = {0x23, 0x06, 0xFF, 0x01, 0xFF, 0, 0, 0};
    for (ModePage* page : {&recovery, &audio, &catalog, &speed}) page->initial = page->current;
    pages_[0x01] = recovery;
    pages_[0x0E] = audio;
    pages_[0x22] = catalog;
    pages_[0x23] = speed;
}

void WriterUnit::FirstWritableAddress(const Request& request, ScsiResult& result)
{
    AddDetail(result, "mode", request[3]);
    if (!Blank()) {
        SetSense(result, kIllegalRequest, 0x21, 0x02);  // nothing left to write on
        return;
    }
    std::vector<std::uint8_t> data(6, 0);  // the address in bytes 1 to 4
    request.Reply(data, request[8], result);
    AddDetail(result, "lba", 0);
}

void WriterUnit::MediumLoadUnload(const Request& request, ScsiResult& result)
{
    const bool unload = (request[8] & 0x01) != 0;
    AddDetail(result, "action", unload ? "eject" : "load");
    if (unload && preventRemoval_) {
        SetSense(result, kIllegalRequest, 0x53, 0x02);
        return;
    }
    if (unload)
        EjectTray();
    else
        LoadTray();
}

void WriterUnit::ReadSessionInfo(const Request& request, ScsiResult& result)
{
    if (!Blank()) {
        SetSense(result, kIllegalRequest, 0x21, 0x02);  // a closed disc takes no further session
        return;
    }
    // The lead-in runs from the ATIP's start up to the two-second gap before LBA 0.
    const std::int32_t leadIn = -150 - LeadInStartLba();
    std::vector<std::uint8_t> data(4, 0);
    Put16(data, 0, static_cast<std::uint32_t>(leadIn));
    Put16(data, 2, kLeadOutLength);
    request.Reply(data, request[8], result);
    AddDetail(result, "lead_in", leadIn);
    AddDetail(result, "lead_out", kLeadOutLength);
}

void WriterUnit::WriteSession(const Request& request, ScsiResult& result)
{
    const std::size_t length = request.Get16(7);
    const int tocType = request[6] & 0x07;
    AddDetail(result, "toc_type", tocType);
    AddDetail(result, "length", static_cast<long long>(length));
    std::vector<std::uint8_t> data;
    if (!request.Parameters(length, &data, result)) return;
    if (tocType != 0 && tocType != 3 && tocType != 4) {
        InvalidFieldInCdb(result, 6);
        return;
    }
    if (!Blank()) {
        SetSense(result, kIllegalRequest, 0x21, 0x02);
        return;
    }
    // One descriptor a track: its length, flags, ISRC, start, index starts, end.
    std::vector<Track> tracks;
    std::size_t offset = 0;
    std::int32_t previousEnd = 0;
    while (offset < data.size()) {
        const int at = static_cast<int>(offset);
        if (data.size() - offset < 20) return InvalidFieldInParameters(result, at);
        const std::size_t size = (data[offset] << 8) | data[offset + 1];
        if (size < 20 || (size - 20) % 4 != 0 || offset + size > data.size())
            return InvalidFieldInParameters(result, at);
        const auto start = static_cast<std::int32_t>(Get32(data, offset + 12));
        const auto end = static_cast<std::int32_t>(Get32(data, offset + size - 4));
        if (start < previousEnd || end <= start || end > LastLeadOutLba())
            return InvalidFieldInParameters(result, at + 12);
        std::int32_t lastIndex = start;
        for (std::size_t i = offset + 16; i + 4 < offset + size; i += 4) {
            const auto index = static_cast<std::int32_t>(Get32(data, i));
            if (index <= lastIndex || index >= end)
                return InvalidFieldInParameters(result, static_cast<int>(i));
            lastIndex = index;
        }
        const std::uint8_t flags = data[offset + 2];
        const std::uint8_t control =
            static_cast<std::uint8_t>(((flags & 0x04) != 0 ? 0x4 : 0) | ((flags & 0x08) != 0 ? 0x8 : 0) |
                                      ((flags & 0x02) != 0 ? 0x2 : 0) | (flags & 0x01));
        tracks.push_back({static_cast<int>(tracks.size()) + 1, start, end - start, control});
        previousEnd = end;
        offset += size;
    }
    if (tracks.empty()) {
        InvalidFieldInParameters(result, 0);
        return;
    }
    session_ = {};
    session_.active = true;
    session_.sequentialOnly = true;
    session_.testWrite = TestWrite();
    session_.nextLba = LeadInStartLba();
    session_.endLba = previousEnd + kLeadOutLength;
    session_.blocksExpected = session_.endLba - session_.nextLba;
    session_.tracks = tracks;
    AddDetail(result, "tracks", static_cast<long long>(tracks.size()));
    AddDetail(result, "lead_out_lba", previousEnd);
    AddDetail(result, "dummy", session_.testWrite ? 1 : 0);
}

}  // namespace writer_emulator

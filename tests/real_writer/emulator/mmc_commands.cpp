// The MMC-3 CD-RW writer: its command table, mode pages, and the commands SCSI-2 had not.
#include <algorithm>
#include <climits>

#include "unit_internal.h"
#include "writer_unit.h"

namespace writer_emulator {

namespace {

// 1x is 176.4 kB/s; the speeds as drives report them.
constexpr std::uint16_t kSpeed48x = 8467;
constexpr std::uint16_t kSpeed32x = 5645;
constexpr std::uint16_t kSpeed16x = 2822;
constexpr std::uint16_t kSpeed10x = 1764;
constexpr std::uint16_t kSpeed8x = 1411;
constexpr std::uint16_t kSpeed4x = 706;

constexpr std::uint32_t kBufferBytes = 2u << 20;
constexpr std::size_t kWriteParametersLength = 52;

// Bytes a host sends for each block of a cue sheet's data form (main data in the low six
// bits, sub-channel in the top two); 0 where the drive makes the data itself.
bool CueDataBlockSize(std::uint8_t form, std::size_t* size)
{
    static const std::pair<std::uint8_t, std::size_t> kMain[] = {
        {0x00, 2352}, {0x01, 0},    {0x10, 2048}, {0x11, 2352}, {0x12, 2048}, {0x13, 2352},
        {0x14, 0},    {0x20, 2336}, {0x21, 2352}, {0x22, 2336}, {0x23, 2352}, {0x24, 0},
        {0x30, 2336}, {0x31, 2352}, {0x32, 2336}, {0x33, 2352}, {0x34, 0}};
    const std::uint8_t sub = form & 0xC0;
    if (sub == 0x80) return false;
    for (const auto& [main, bytes] : kMain) {
        if (main == (form & 0x3F)) {
            *size = bytes + (sub != 0 && bytes != 0 ? 96 : 0);
            return true;
        }
    }
    return false;
}

// Block sizes of the data block types of page 05 (raw and track-at-once writing).
std::size_t DataBlockSize(int type)
{
    switch (type) {
    case 0: return 2352;
    case 1: return 2368;
    case 2:
    case 3: return 2448;
    case 8:
    case 10: return 2048;
    case 9: return 2336;
    case 11: return 2056;
    case 12: return 2324;
    case 13: return 2332;
    default: return 0;
    }
}

}  // namespace

const std::vector<WriterUnit::CommandEntry>& WriterUnit::MmcCommands()
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
        {0x43, "READ_TOC/PMA/ATIP", &WriterUnit::ReadToc, kMedium},
        {0x46, "GET_CONFIGURATION", &WriterUnit::GetConfiguration, kPassesAttention},
        {0x4A, "GET_EVENT_STATUS_NOTIFICATION", &WriterUnit::GetEventStatusNotification, kPassesAttention},
        {0x51, "READ_DISC_INFORMATION", &WriterUnit::ReadDiscInformation, kMedium},
        {0x52, "READ_TRACK_INFORMATION", &WriterUnit::ReadTrackInformation, kMedium},
        {0x55, "MODE_SELECT(10)", &WriterUnit::ModeSelect, kNothing},
        {0x5A, "MODE_SENSE(10)", &WriterUnit::ModeSense, kNothing},
        {0x5C, "READ_BUFFER_CAPACITY", &WriterUnit::ReadBufferCapacity, kNothing},
        {0x5D, "SEND_CUE_SHEET", &WriterUnit::SendCueSheet, kMedium},
        {0xAA, "WRITE(12)", &WriterUnit::Write, kMedium},
        {0xBB, "SET_CD_SPEED", &WriterUnit::SetCdSpeed, kNothing},
    };
    return kCommands;
}

void WriterUnit::InitMmcPages()
{
    ModePage recovery;
    recovery.current = {0x01, 0x0A, 0x00, 0x10, 0, 0, 0, 0, 0x10, 0, 0, 0};
    recovery.changeable = {0x01, 0x0A, 0xFF, 0xFF, 0, 0, 0, 0, 0xFF, 0, 0, 0};
    ModePage write;
    write.current.assign(kWriteParametersLength, 0);
    write.current[0] = 0x05;
    write.current[1] = kWriteParametersLength - 2;
    write.current[2] = 0x01;  // track-at-once
    write.current[3] = 0x04;  // data track, uninterrupted
    write.current[4] = 0x08;  // mode 1, 2048 bytes
    write.current[15] = 150;  // audio pause length
    write.changeable.assign(kWriteParametersLength, 0xFF);
    write.changeable[0] = 0x05;
    write.changeable[1] = kWriteParametersLength - 2;
    write.changeable[2] = 0x7F;  // buffer-underrun free, LS_V, test write, write type
    write.changeable[4] = 0x0F;
    write.changeable[6] = 0x00;
    write.changeable[7] = 0x3F;
    write.changeable[9] = 0x00;
    ModePage audio;
    audio.current = {0x0E, 0x0E, 0x04, 0, 0, 0, 0, 0, 0x01, 0xFF, 0x02, 0xFF, 0, 0, 0, 0};
    audio.changeable = {0x0E, 0x0E, 0x06, 0, 0, 0, 0, 0, 0x0F, 0xFF, 0x0F, 0xFF, 0x0F, 0xFF, 0x0F, 0xFF};
    for (ModePage* page : {&recovery, &write, &audio}) page->initial = page->current;
    pages_[0x01] = recovery;
    pages_[0x05] = write;
    pages_[0x0E] = audio;
    readSpeed_ = kSpeed48x;
    writeSpeed_ = WriteSpeeds().front();
}

std::vector<std::uint16_t> WriterUnit::WriteSpeeds() const
{
    if (config_.disc == Disc::BlankCdRw) return {kSpeed10x, kSpeed4x};
    return {kSpeed32x, kSpeed16x, kSpeed8x};
}

std::vector<std::uint8_t> WriterUnit::CapabilitiesPage() const
{
    const std::vector<std::uint16_t> speeds = WriteSpeeds();
    std::vector<std::uint8_t> page(32 + 4 * speeds.size(), 0);
    page[0] = 0x2A;
    page[1] = static_cast<std::uint8_t>(page.size() - 2);
    page[2] = 0x07;  // reads CD-R, CD-RW, method 2
    page[3] = 0x07;  // writes CD-R, CD-RW, test write
    page[4] = 0xF1;  // buffer-underrun free, multi-session, mode 2 form 1 and 2, audio play
    page[5] = 0x7F;  // CD-DA commands, accurate stream, R-W, C2 pointers, ISRC, UPC
    page[6] = 0x29;  // tray, eject, lock
    Put16(page, 8, kSpeed48x);
    Put16(page, 10, 256);  // volume levels
    Put16(page, 12, kBufferBytes >> 10);
    Put16(page, 14, readSpeed_);
    Put16(page, 18, speeds.front());
    Put16(page, 20, writeSpeed_);
    Put16(page, 28, writeSpeed_);
    Put16(page, 30, static_cast<std::uint32_t>(speeds.size()));
    for (std::size_t i = 0; i < speeds.size(); ++i) Put16(page, 34 + 4 * i, speeds[i]);
    return page;
}

bool WriterUnit::CheckWriteParameters(const std::vector<std::uint8_t>& data, std::size_t offset,
                                      ScsiResult& result) const
{
    const int at = static_cast<int>(offset);
    const int writeType = data[offset + 2] & 0x0F;
    const int blockType = data[offset + 4] & 0x0F;
    if (writeType > 3) {
        InvalidFieldInParameters(result, at + 2);
        return false;
    }
    if (DataBlockSize(blockType) == 0) {
        InvalidFieldInParameters(result, at + 4);
        return false;
    }
    // Raw writing carries its own sub-channel; track-at-once carries none.
    const bool rawBlock = blockType >= 1 && blockType <= 3;
    if ((writeType == 3 && !rawBlock) || (writeType == 1 && rawBlock)) {
        InvalidFieldInParameters(result, at + 4);
        return false;
    }
    if ((data[offset + 3] >> 6) == 2) {  // multi-session field: 2 is reserved
        InvalidFieldInParameters(result, at + 3);
        return false;
    }
    const std::uint8_t format = data[offset + 8];
    if (format != 0x00 && format != 0x10 && format != 0x20) {
        InvalidFieldInParameters(result, at + 8);
        return false;
    }
    return true;
}

bool WriterUnit::StartMmcSession(ScsiResult& result)
{
    const std::vector<std::uint8_t>& page = pages_.at(0x05).current;
    const int writeType = page[2] & 0x0F;
    AddDetail(result, "write_type", writeType);
    switch (writeType) {
    case 2:  // session-at-once: the cue sheet has laid the session out
        if (!cueSheetSent_) {
            SetSense(result, kIllegalRequest, 0x2C, 0x00);  // COMMAND SEQUENCE ERROR
            return false;
        }
        break;
    case 3:  // raw: the host writes the lead-in itself, from its first block
        session_ = {};
        session_.nextLba = LeadInStartLba();
        session_.endLba = INT32_MAX;
        session_.blockSizes = {{INT32_MIN, DataBlockSize(page[4] & 0x0F)}};
        break;
    case 1:
        session_ = {};
        session_.nextLba = 0;
        session_.endLba = LastLeadOutLba();
        session_.blockSizes = {{INT32_MIN, DataBlockSize(page[4] & 0x0F)}};
        break;
    default:
        SetSense(result, kIllegalRequest, 0x64, 0x00);  // ILLEGAL MODE FOR THIS TRACK: packets on CD-R
        return false;
    }
    session_.active = true;
    session_.testWrite = TestWrite();
    return true;
}

void WriterUnit::ReadDiscInformation(const Request& request, ScsiResult& result)
{
    if ((request[1] & 0x07) != 0) {  // only the standard disc information
        InvalidFieldInCdb(result, 1, 0);
        return;
    }
    std::vector<std::uint8_t> data(34, 0);
    Put16(data, 0, 32);
    const bool rewritable = config_.disc == Disc::BlankCdRw;
    const int lastTrack = Blank() ? 1 : tracks_.back().number;
    // Disc status: 0 empty, 2 complete; state of the last session: 0 empty, 3 complete.
    data[2] = static_cast<std::uint8_t>((rewritable ? 0x10 : 0x00) | (Blank() ? 0x00 : 0x0E));
    data[3] = 1;
    data[4] = 1;
    data[5] = static_cast<std::uint8_t>(Blank() ? 1 : tracks_.front().number);
    data[6] = static_cast<std::uint8_t>(lastTrack);
    data[7] = 0x20;  // unrestricted use
    data[8] = 0x00;  // CD-DA or CD-ROM
    if (Blank()) {
        const Msf leadIn = ToMsf(LeadInStartLba());
        data[17] = static_cast<std::uint8_t>(leadIn.minute);
        data[18] = static_cast<std::uint8_t>(leadIn.second);
        data[19] = static_cast<std::uint8_t>(leadIn.frame);
        const Msf leadOut = ToMsf(LastLeadOutLba());
        data[21] = static_cast<std::uint8_t>(leadOut.minute);
        data[22] = static_cast<std::uint8_t>(leadOut.second);
        data[23] = static_cast<std::uint8_t>(leadOut.frame);
    } else {
        std::fill(data.begin() + 16, data.begin() + 24, 0xFF);
    }
    AddDetail(result, "status", Blank() ? "blank" : "complete");
    request.Reply(data, request.Get16(7), result);
}

void WriterUnit::ReadTrackInformation(const Request& request, ScsiResult& result)
{
    const int addressType = request[1] & 0x03;
    const std::uint32_t address = request.Get32(2);
    AddDetail(result, "type", addressType);
    AddDetail(result, "address", static_cast<long long>(static_cast<std::int32_t>(address)));
    // The blank disc has one invisible track, number 1; a closed disc has only complete tracks.
    const Track* track = nullptr;
    bool invisible = false;
    if (Blank()) {
        invisible = (addressType == 1 && (address == 1 || address == 0xFF)) ||
                    (addressType == 0 && address < static_cast<std::uint32_t>(LastLeadOutLba())) ||
                    (addressType == 2 && address == 1);
    } else {
        for (const auto& each : tracks_) {
            const auto start = static_cast<std::uint32_t>(each.start);
            if ((addressType == 1 && address == static_cast<std::uint32_t>(each.number)) ||
                (addressType == 0 && address >= start && address < start + each.length) ||
                (addressType == 2 && address == 1 && &each == &tracks_.front()))
                track = &each;
        }
    }
    if (!invisible && track == nullptr) {
        InvalidFieldInCdb(result, 2);
        return;
    }
    std::vector<std::uint8_t> data(36, 0);
    Put16(data, 0, 34);
    data[3] = 1;  // session
    if (invisible) {
        const std::int32_t free = LastLeadOutLba();
        data[2] = 1;
        data[5] = pages_.at(0x05).current[3] & 0x0F;
        data[6] = 0x40 | 0x0F;  // blank, data mode unknown
        data[7] = 0x01;         // next writable address valid
        Put32(data, 16, static_cast<std::uint32_t>(free));
        Put32(data, 24, static_cast<std::uint32_t>(free));
    } else {
        data[2] = static_cast<std::uint8_t>(track->number);
        data[5] = track->control;
        data[6] = (track->control & 0x04) != 0 ? 0x01 : 0x0F;
        Put32(data, 8, static_cast<std::uint32_t>(track->start));
        Put32(data, 24, static_cast<std::uint32_t>(track->length));
        data[7] = 0x02;  // last recorded address valid
        Put32(data, 28, static_cast<std::uint32_t>(track->start + track->length - 1));
    }
    request.Reply(data, request.Get16(7), result);
}

void WriterUnit::GetConfiguration(const Request& request, ScsiResult& result)
{
    const int requestType = request[1] & 0x03;
    const std::uint16_t startingFeature = request.Get16(2);
    AddDetail(result, "rt", requestType);
    AddDetail(result, "feature", startingFeature);
    if (requestType == 3) {
        InvalidFieldInCdb(result, 1, 1);
        return;
    }
    const bool present = MediumPresent();
    const bool rewritable = config_.disc == Disc::BlankCdRw;
    const bool writable = present && Blank();
    const std::uint16_t profile = !present ? 0x0000 : rewritable ? 0x000A : 0x0009;
    struct Feature {
        std::uint16_t code;
        bool current;
        std::vector<std::uint8_t> body;
    };
    const std::vector<Feature> features = {
        {0x0000,
         true,
         {0x00, 0x0A, static_cast<std::uint8_t>(profile == 0x000A), 0, 0x00, 0x09,
          static_cast<std::uint8_t>(profile == 0x0009), 0, 0x00, 0x08, 0, 0}},
        {0x0001, true, {0, 0, 0, 1, 0, 0, 0, 0}},  // core: SCSI family
        {0x0002, true, {0, 0, 0, 0}},              // morphing
        {0x0003, true, {0x29, 0, 0, 0}},           // removable medium: tray, eject, lock
        {0x0010, present && !Blank(), {0, 0, 0x08, 0, 0, 1, 0, 0}},
        {0x001D, present, {}},
        {0x001E, present, {0x01, 0, 0, 0}},
        {0x002D, writable, {0x46, 0, 0, 0}},           // track at once: underrun free, test write, CD-RW
        {0x002E, writable, {0x7E, 0x00, 0xFF, 0xFF}},  // mastering: SAO, raw, test write
        {0x0100, true, {}},
        {0x0107, true, {0x01, 0, 0, 0}},
    };
    std::vector<std::uint8_t> data(8, 0);
    Put16(data, 6, profile);
    for (const auto& feature : features) {
        if (feature.code < startingFeature) continue;
        if (requestType == 1 && !feature.current) continue;
        if (requestType == 2 && feature.code != startingFeature) continue;
        const std::size_t at = data.size();
        data.resize(at + 4, 0);
        Put16(data, at, feature.code);
        // Version 0; the core, morphing, profile list and power features never change.
        const bool persistent = feature.code <= 0x0003 || feature.code == 0x0100;
        data[at + 2] =
            static_cast<std::uint8_t>((persistent ? 0x02 : 0x00) | (feature.current ? 0x01 : 0x00));
        data[at + 3] = static_cast<std::uint8_t>(feature.body.size());
        data.insert(data.end(), feature.body.begin(), feature.body.end());
    }
    Put32(data, 0, static_cast<std::uint32_t>(data.size() - 4));
    AddDetail(result, "profile", profile);
    request.Reply(data, request.Get16(7), result);
}

void WriterUnit::GetEventStatusNotification(const Request& request, ScsiResult& result)
{
    if ((request[1] & 0x01) == 0) {  // only polled operation
        InvalidFieldInCdb(result, 1, 0);
        return;
    }
    std::vector<std::uint8_t> data(4, 0);
    data[3] = 0x10;  // supports the media class
    if ((request[4] & 0x10) != 0) {
        data[2] = 0x04;
        data.insert(data.end(),
                    {static_cast<std::uint8_t>(mediaEvent_),
                     static_cast<std::uint8_t>((trayOpen_ ? 0x01 : 0x00) | (MediumPresent() ? 0x02 : 0x00)),
                     0, 0});
        AddDetail(result, "event", mediaEvent_);
        mediaEvent_ = 0;
    } else {
        data[2] = 0x80;  // no event of a requested class
    }
    Put16(data, 0, static_cast<std::uint32_t>(data.size() - 2));
    request.Reply(data, request.Get16(7), result);
}

void WriterUnit::SetCdSpeed(const Request& request, ScsiResult& result)
{
    const std::uint16_t read = request.Get16(2);
    const std::uint16_t write = request.Get16(4);
    readSpeed_ = std::min(read, kSpeed48x);
    // The drive takes the fastest speed it has at or below the one asked, or its slowest.
    const std::vector<std::uint16_t> speeds = WriteSpeeds();
    writeSpeed_ = speeds.back();
    for (const std::uint16_t speed : speeds) {
        if (speed <= write) {
            writeSpeed_ = speed;
            break;
        }
    }
    AddDetail(result, "read", readSpeed_);
    AddDetail(result, "write", writeSpeed_);
}

void WriterUnit::ReadBufferCapacity(const Request& request, ScsiResult& result)
{
    if ((request[1] & 0x01) != 0) {  // the block form is not supported
        InvalidFieldInCdb(result, 1, 0);
        return;
    }
    std::vector<std::uint8_t> data(12, 0);
    Put16(data, 0, 10);
    Put32(data, 4, kBufferBytes);
    Put32(data, 8, kBufferBytes);  // nothing is kept, so it is always empty
    request.Reply(data, request.Get16(7), result);
}

void WriterUnit::SendCueSheet(const Request& request, ScsiResult& result)
{
    const std::size_t length = (request[6] << 16) | request.Get16(7);
    AddDetail(result, "length", static_cast<long long>(length));
    std::vector<std::uint8_t> sheet;
    if (!request.Parameters(length, &sheet, result)) return;
    if (!Blank()) {
        SetSense(result, kIllegalRequest, 0x21, 0x02);
        return;
    }
    if ((pages_.at(0x05).current[2] & 0x0F) != 2) {  // a cue sheet belongs to session-at-once
        SetSense(result, kIllegalRequest, 0x2C, 0x00);
        return;
    }
    const std::size_t entries = sheet.size() / 8;
    if (sheet.size() % 8 != 0 || entries < 3) {
        InvalidFieldInParameters(result, 0);
        return;
    }
    // The lead-in comes first (after a catalog number), the lead-out last; tracks count up
    // from 1, each with an index 1 after its optional index 0, and the times never go back.
    Session laidOut;
    laidOut.endLba = INT32_MIN;
    int lastTrack = 0;
    int lastIndex = 0;
    bool leadIn = false;
    bool firstBlock = true;
    std::int32_t lastLba = INT32_MIN;
    for (std::size_t n = 0; n < entries; ++n) {
        const std::uint8_t* entry = sheet.data() + 8 * n;
        const int at = static_cast<int>(8 * n);
        const int adr = entry[0] & 0x0F;
        if (adr == 2 || adr == 3) {  // catalog number before the lead-in; ISRC codes after it
            if (leadIn != (adr == 3)) return InvalidFieldInParameters(result, at);
            continue;
        }
        if (adr != 1) return InvalidFieldInParameters(result, at);
        const int track = entry[1];
        const int index = entry[2];
        std::size_t blockSize = 0;
        if (!CueDataBlockSize(entry[3], &blockSize)) return InvalidFieldInParameters(result, at + 3);
        if (entry[6] >= 60 || entry[7] >= 75) return InvalidFieldInParameters(result, at + 5);
        const std::int32_t lba = ToLba(entry[5], entry[6], entry[7]);
        if (!leadIn) {
            if (track != 0 || index != 0) return InvalidFieldInParameters(result, at + 1);
            leadIn = true;
            continue;
        }
        if (lba < lastLba) return InvalidFieldInParameters(result, at + 5);
        lastLba = lba;
        if (track == 0xAA) {
            if (n != entries - 1 || index != 1 || lastIndex == 0)
                return InvalidFieldInParameters(result, at + 1);
            if (lba > LastLeadOutLba()) return InvalidFieldInParameters(result, at + 5);
            laidOut.endLba = lba;
        } else if (track == lastTrack + 1 && track <= 99 && index <= 1 &&
                   (lastTrack == 0 || lastIndex != 0)) {
            laidOut.tracks.push_back({track, lba, 0, static_cast<std::uint8_t>(entry[0] >> 4)});
        } else if (track != lastTrack || index != lastIndex + 1 || index > 99) {
            return InvalidFieldInParameters(result, at + 1);
        }
        if (track == 0xAA) break;
        lastTrack = track;
        lastIndex = index;
        if (index == 1) laidOut.tracks.back().start = lba;
        if (blockSize != 0 && firstBlock) {
            laidOut.nextLba = lba;
            firstBlock = false;
        }
        laidOut.blockSizes.emplace_back(lba, blockSize);
    }
    if (laidOut.endLba == INT32_MIN)
        return InvalidFieldInParameters(result, static_cast<int>(sheet.size() - 8));
    for (std::size_t i = 0; i < laidOut.tracks.size(); ++i) {
        const std::int32_t next =
            i + 1 < laidOut.tracks.size() ? laidOut.tracks[i + 1].start : laidOut.endLba;
        laidOut.tracks[i].length = next - laidOut.tracks[i].start;
        if (laidOut.tracks[i].length <= 0) return InvalidFieldInParameters(result, 0);
    }
    laidOut.blocksExpected = laidOut.endLba - laidOut.nextLba;
    session_ = laidOut;
    cueSheetSent_ = true;
    AddDetail(result, "tracks", static_cast<long long>(laidOut.tracks.size()));
    AddDetail(result, "first_lba", laidOut.nextLba);
    AddDetail(result, "lead_out_lba", laidOut.endLba);
}

}  // namespace writer_emulator

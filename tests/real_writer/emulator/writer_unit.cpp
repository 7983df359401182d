// The commands both units answer, the dispatcher and the state they share.
#include "writer_unit.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <utility>

#include "unit_internal.h"

namespace writer_emulator {

namespace {

// A blank 80-minute disc as its ATIP describes it: the lead-in starts at 97:24:00 (a Taiyo
// Yuden CD-R) or 97:34:20 (a Mitsubishi Chemical CD-RW), the lead-out at 79:59:74 at the latest.
constexpr Msf kCdRLeadIn{97, 24, 0};
constexpr Msf kCdRwLeadIn{97, 34, 20};
constexpr Msf kLastLeadOut{79, 59, 74};
// The closed disc: one finalised session holding one three-minute audio track.
constexpr std::int32_t kClosedTrackLength = 3 * 60 * 75;

// The length of a CDB by its group code; the vendor groups of both units use ten bytes.
std::size_t CdbLength(std::uint8_t opcode)
{
    switch (opcode >> 5) {
    case 0: return 6;
    case 4: return 16;
    case 5: return 12;
    default: return 10;
    }
}

std::string Hex(unsigned value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

}  // namespace

void WriterUnit::Request::Reply(const std::vector<std::uint8_t>& data, std::size_t allocation,
                                ScsiResult& result) const
{
    std::size_t size = std::min({data.size(), allocation, command.dataLength});
    if (command.direction != Direction::FromDevice || command.data == nullptr) size = 0;
    if (size > 0) std::memcpy(command.data, data.data(), size);
    result.transferred = size;
}

bool WriterUnit::Request::Parameters(std::size_t length, std::vector<std::uint8_t>* out,
                                     ScsiResult& result) const
{
    if (length == 0) {
        out->clear();
        return true;
    }
    if (command.direction != Direction::ToDevice || command.data == nullptr || command.dataLength < length) {
        SetSense(result, kIllegalRequest, 0x1A, 0x00);  // PARAMETER LIST LENGTH ERROR
        return false;
    }
    out->assign(command.data, command.data + length);
    result.transferred = length;
    return true;
}

void SetSense(ScsiResult& result, int key, int asc, int ascq)
{
    result.status = kStatusCheckCondition;
    result.sense.fill(0);
    result.sense[0] = 0x70;  // current error, fixed format
    result.sense[2] = static_cast<std::uint8_t>(key);
    result.sense[7] = kSenseLength - 8;
    result.sense[12] = static_cast<std::uint8_t>(asc);
    result.sense[13] = static_cast<std::uint8_t>(ascq);
    result.transferred = 0;
}

namespace {

void InvalidField(ScsiResult& result, int asc, bool inCdb, int byte, int bit)
{
    SetSense(result, kIllegalRequest, asc, 0x00);
    result.sense[15] = static_cast<std::uint8_t>(0x80 | (inCdb ? 0x40 : 0x00) | (bit >= 0 ? 0x08 | bit : 0));
    result.sense[16] = static_cast<std::uint8_t>(byte >> 8);
    result.sense[17] = static_cast<std::uint8_t>(byte);
}

}  // namespace

void InvalidFieldInCdb(ScsiResult& result, int byte, int bit) { InvalidField(result, 0x24, true, byte, bit); }

void InvalidFieldInParameters(ScsiResult& result, int byte, int bit)
{
    InvalidField(result, 0x26, false, byte, bit);
}

void AddDetail(ScsiResult& result, const std::string& key, long long value)
{
    AddDetail(result, key, std::to_string(value));
}

void AddDetail(ScsiResult& result, const std::string& key, const std::string& value)
{
    if (!result.details.empty()) result.details += ' ';
    result.details += key + "=" + value;
}

WriterUnit::WriterUnit(UnitConfig config)
    : config_(std::move(config)),
      commands_(config_.commands == CommandSet::Mmc ? &MmcCommands() : &PhilipsCommands())
{
    if (config_.disc == Disc::Closed) tracks_.push_back({1, 0, kClosedTrackLength, 0x0});
    if (config_.commands == CommandSet::Mmc)
        InitMmcPages();
    else
        InitPhilipsPages();
}

ScsiResult WriterUnit::Execute(const ScsiCommand& command)
{
    ScsiResult result;
    const Request request{command};
    const std::uint8_t opcode = request[0];
    const auto entry = std::find_if(commands_->begin(), commands_->end(),
                                    [opcode](const CommandEntry& e) { return e.opcode == opcode; });
    if (command.cdbLength == 0 || entry == commands_->end()) {
        result.name = "OPCODE_" + Hex(opcode, 2);
        SetSense(result, kIllegalRequest, 0x20, 0x00);  // INVALID COMMAND OPERATION CODE
        return result;
    }
    result.name = entry->name;
    if (command.cdbLength < CdbLength(opcode)) {
        InvalidFieldInCdb(result, static_cast<int>(command.cdbLength));
        return result;
    }
    if (attention_ && (entry->needs & kPassesAttention) == 0) {
        attention_ = false;
        SetSense(result, kUnitAttention, 0x28, 0x00);  // NOT READY TO READY CHANGE, MEDIUM MAY HAVE CHANGED
        return result;
    }
    if ((entry->needs & kMedium) != 0 && !MediumPresent()) {
        // MEDIUM NOT PRESENT, with the tray closed or open.
        SetSense(result, kNotReady, 0x3A, trayOpen_ ? 0x02 : 0x01);
        return result;
    }
    (this->*entry->handler)(request, result);
    return result;
}

bool WriterUnit::MediumPresent() const { return !trayOpen_ && config_.disc != Disc::None; }

std::int32_t WriterUnit::LeadInStartLba() const
{
    const Msf start = config_.disc == Disc::BlankCdRw ? kCdRwLeadIn : kCdRLeadIn;
    return ToLba(start.minute, start.second, start.frame);
}

std::int32_t WriterUnit::LastLeadOutLba() const
{
    return ToLba(kLastLeadOut.minute, kLastLeadOut.second, kLastLeadOut.frame);
}

bool WriterUnit::TestWrite() const
{
    if (config_.commands == CommandSet::Mmc) return (pages_.at(0x05).current[2] & 0x10) != 0;
    return (pages_.at(0x23).current[3] & 0x01) != 0;
}

void WriterUnit::LoadTray()
{
    if (!trayOpen_) return;
    trayOpen_ = false;
    if (config_.disc != Disc::None) {
        attention_ = true;
        mediaEvent_ = 2;  // new media
    }
}

void WriterUnit::EjectTray()
{
    if (trayOpen_) return;
    trayOpen_ = true;
    attention_ = false;
    mediaEvent_ = 3;  // media removal
    session_ = {};
    cueSheetSent_ = false;
}

std::size_t WriterUnit::BlockSizeAt(std::int32_t lba) const
{
    // The Philips unit writes blocks of the length its block descriptor set.
    if (session_.blockSizes.empty()) return blockLength_;
    std::size_t size = 0;
    for (const auto& [from, length] : session_.blockSizes)
        if (lba >= from) size = length;
    return size;
}

void WriterUnit::EndSession(ScsiResult& result)
{
    const bool complete = session_.blocksExpected == 0 || session_.blocksWritten == session_.blocksExpected;
    AddDetail(result, "session", complete ? "complete" : "incomplete");
    AddDetail(result, "blocks", session_.blocksWritten);
    AddDetail(result, "test_write", session_.testWrite ? 1 : 0);
    // A test write leaves the disc as it was; a real one closes it with what was written.
    if (!session_.testWrite && session_.blocksWritten > 0) {
        tracks_ = session_.tracks;
        if (tracks_.empty()) tracks_.push_back({1, 0, std::max<std::int32_t>(1, session_.nextLba), 0x0});
    }
    session_ = {};
    cueSheetSent_ = false;
}

void WriterUnit::TestUnitReady(const Request&, ScsiResult&) {}

void WriterUnit::RezeroUnit(const Request&, ScsiResult&) {}

void WriterUnit::RequestSense(const Request& request, ScsiResult& result)
{
    ScsiResult state;
    if (attention_) {
        attention_ = false;
        SetSense(state, kUnitAttention, 0x28, 0x00);
    } else if (!MediumPresent()) {
        SetSense(state, kNotReady, 0x3A, trayOpen_ ? 0x02 : 0x01);
    } else {
        SetSense(state, 0x00, 0x00, 0x00);  // NO SENSE
    }
    const std::vector<std::uint8_t> sense(state.sense.begin(), state.sense.end());
    request.Reply(sense, request[4], result);
    char reported[16];
    std::snprintf(reported, sizeof reported, "%X/%02X/%02X", state.senseKey(), state.asc(), state.ascq());
    AddDetail(result, "reported", reported);
}

void WriterUnit::Inquiry(const Request& request, ScsiResult& result)
{
    const bool mmc = config_.commands == CommandSet::Mmc;
    // SCSI-2 has a one-byte allocation length; SPC-3 widened it into byte 3.
    const std::size_t allocation = mmc ? request.Get16(3) : request[4];
    if ((request[1] & 0x01) != 0) {  // EVPD: the supported pages and the serial number
        std::vector<std::uint8_t> page;
        if (request[2] == 0x00) {
            page = {0x05, 0x00, 0x00, 0x02, 0x00, 0x80};
        } else if (request[2] == 0x80) {
            const std::string serial =
                "TSL" + std::to_string(config_.host) + std::to_string(config_.target) + "0417";
            page = {0x05, 0x80, 0x00, static_cast<std::uint8_t>(serial.size())};
            page.insert(page.end(), serial.begin(), serial.end());
        } else {
            InvalidFieldInCdb(result, 2);
            return;
        }
        request.Reply(page, allocation, result);
        AddDetail(result, "vpd", Hex(request[2], 2));
        return;
    }
    if (request[2] != 0) {
        InvalidFieldInCdb(result, 2);
        return;
    }
    std::vector<std::uint8_t> data(36, 0);
    data[0] = 0x05;               // CD/DVD device
    data[1] = 0x80;               // removable medium
    data[2] = mmc ? 0x00 : 0x02;  // an ATAPI MMC unit claims no standard; the older one SCSI-2
    data[3] = 0x02;               // response data format
    data[4] = 36 - 5;             // additional length
    const auto pad = [&data](std::size_t at, std::size_t width, const std::string& text) {
        for (std::size_t i = 0; i < width; ++i)
            data[at + i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
    };
    pad(8, 8, config_.vendor);
    pad(16, 16, config_.product);
    pad(32, 4, config_.revision);
    request.Reply(data, allocation, result);
    AddDetail(result, "allocation", static_cast<long long>(allocation));
}

std::vector<std::uint8_t> WriterUnit::ModePageBytes(std::uint8_t code, int control)
{
    if (code == 0x2A && config_.commands == CommandSet::Mmc) {
        std::vector<std::uint8_t> page = CapabilitiesPage();
        if (control == 1) std::fill(page.begin() + 2, page.end(), 0);  // nothing changeable
        return page;
    }
    const auto found = pages_.find(code);
    if (found == pages_.end()) return {};
    if (control == 1) return found->second.changeable;
    if (control == 2) return found->second.initial;
    return found->second.current;
}

void WriterUnit::ModeSense(const Request& request, ScsiResult& result)
{
    const bool ten = request[0] == 0x5A;
    const bool mmc = config_.commands == CommandSet::Mmc;
    const bool noBlockDescriptor = (request[1] & 0x08) != 0;
    const int control = request[2] >> 6;
    const std::uint8_t code = request[2] & 0x3F;
    AddDetail(result, "page", Hex(code, 2));
    AddDetail(result, "pc", control);
    if (control == 3) {
        SetSense(result, kIllegalRequest, 0x39, 0x00);  // SAVING PARAMETERS NOT SUPPORTED
        return;
    }
    if (request[3] != 0) {  // subpages
        InvalidFieldInCdb(result, 3);
        return;
    }
    std::vector<std::uint8_t> pages;
    if (code == 0x3F) {
        std::vector<std::uint8_t> codes;
        for (const auto& entry : pages_) codes.push_back(entry.first);
        if (mmc) codes.push_back(0x2A);
        std::sort(codes.begin(), codes.end());
        for (const std::uint8_t each : codes) {
            const auto page = ModePageBytes(each, control);
            pages.insert(pages.end(), page.begin(), page.end());
        }
    } else {
        pages = ModePageBytes(code, control);
        if (pages.empty()) {
            InvalidFieldInCdb(result, 2, -1);
            return;
        }
    }
    // An MMC unit sends no block descriptor; the SCSI-2 unit describes its current block length.
    std::vector<std::uint8_t> descriptor;
    if (!mmc && !noBlockDescriptor) {
        descriptor.assign(8, 0);
        descriptor[5] = static_cast<std::uint8_t>(blockLength_ >> 16);
        descriptor[6] = static_cast<std::uint8_t>(blockLength_ >> 8);
        descriptor[7] = static_cast<std::uint8_t>(blockLength_);
    }
    std::vector<std::uint8_t> data(ten ? 8 : 4, 0);
    data.insert(data.end(), descriptor.begin(), descriptor.end());
    data.insert(data.end(), pages.begin(), pages.end());
    if (ten) {
        Put16(data, 0, static_cast<std::uint32_t>(data.size() - 2));
        Put16(data, 6, static_cast<std::uint32_t>(descriptor.size()));
    } else {
        data[0] = static_cast<std::uint8_t>(std::min<std::size_t>(data.size() - 1, 255));
        data[3] = static_cast<std::uint8_t>(descriptor.size());
    }
    request.Reply(data, ten ? request.Get16(7) : request[4], result);
}

void WriterUnit::ModeSelect(const Request& request, ScsiResult& result)
{
    const bool ten = request[0] == 0x55;
    const bool mmc = config_.commands == CommandSet::Mmc;
    const std::size_t length = ten ? request.Get16(7) : request[4];
    if ((request[1] & 0x01) != 0) {  // save pages
        InvalidFieldInCdb(result, 1, 0);
        return;
    }
    std::vector<std::uint8_t> data;
    if (!request.Parameters(length, &data, result)) return;
    if (data.empty()) return;
    const std::size_t header = ten ? 8 : 4;
    if (data.size() < header) {
        SetSense(result, kIllegalRequest, 0x1A, 0x00);
        return;
    }
    const std::size_t descriptorLength = ten ? (data[6] << 8 | data[7]) : data[3];
    if (descriptorLength != 0 && descriptorLength != 8) {
        InvalidFieldInParameters(result, ten ? 7 : 3);
        return;
    }
    if (header + descriptorLength > data.size()) {
        SetSense(result, kIllegalRequest, 0x1A, 0x00);
        return;
    }
    std::uint32_t blockLength = blockLength_;
    if (descriptorLength == 8 && !mmc) {
        blockLength = (data[header + 5] << 16) | (data[header + 6] << 8) | data[header + 7];
        if (blockLength != 2048 && blockLength != 2336 && blockLength != 2340 && blockLength != 2352) {
            InvalidFieldInParameters(result, static_cast<int>(header + 5));
            return;
        }
        AddDetail(result, "block_length", blockLength);
    }
    // Every page is checked before any is changed, so a rejected list changes nothing.
    std::map<std::uint8_t, std::vector<std::uint8_t>> changed;
    std::size_t offset = header + descriptorLength;
    while (offset < data.size()) {
        if (mmc && (request[1] & 0x10) == 0) {  // pages in a vendor format
            InvalidFieldInCdb(result, 1, 4);
            return;
        }
        if (data.size() - offset < 2 || offset + 2 + data[offset + 1] > data.size()) {
            SetSense(result, kIllegalRequest, 0x1A, 0x00);
            return;
        }
        const std::uint8_t code = data[offset] & 0x3F;
        const std::size_t pageLength = data[offset + 1] + 2u;
        const std::vector<std::uint8_t> current = ModePageBytes(code, 0);
        const std::vector<std::uint8_t> mask = ModePageBytes(code, 1);
        if (current.empty()) {
            InvalidFieldInParameters(result, static_cast<int>(offset));
            return;
        }
        if (pageLength != current.size()) {
            InvalidFieldInParameters(result, static_cast<int>(offset + 1));
            return;
        }
        std::vector<std::uint8_t> page = current;
        for (std::size_t i = 2; i < pageLength; ++i) {
            const std::uint8_t wanted = data[offset + i];
            if (((wanted ^ current[i]) & ~mask[i]) != 0) {
                InvalidFieldInParameters(result, static_cast<int>(offset + i));
                return;
            }
            page[i] = static_cast<std::uint8_t>((current[i] & ~mask[i]) | (wanted & mask[i]));
        }
        if (code == 0x05 && mmc && !CheckWriteParameters(data, offset, result)) return;
        if (code == 0x23 && !mmc && (page[2] > 2 || page[4] > 6)) {  // a 2x writer, 6x reader
            InvalidFieldInParameters(result, static_cast<int>(offset + (page[2] > 2 ? 2 : 4)));
            return;
        }
        changed[code] = page;
        AddDetail(result, "page", Hex(code, 2));
        offset += pageLength;
    }
    for (auto& [code, page] : changed)
        if (code != 0x2A) pages_[code].current = page;
    blockLength_ = blockLength;
    if (changed.count(0x05) != 0) AddDetail(result, "test_write", TestWrite() ? 1 : 0);
    if (changed.count(0x23) != 0) AddDetail(result, "dummy", TestWrite() ? 1 : 0);
}

void WriterUnit::StartStopUnit(const Request& request, ScsiResult& result)
{
    const bool loadEject = (request[4] & 0x02) != 0;
    const bool start = (request[4] & 0x01) != 0;
    AddDetail(result, "action", loadEject ? (start ? "load" : "eject") : (start ? "start" : "stop"));
    if (!loadEject) {
        if (start && !MediumPresent()) SetSense(result, kNotReady, 0x3A, trayOpen_ ? 0x02 : 0x01);
        return;
    }
    if (!start && preventRemoval_) {
        SetSense(result, kIllegalRequest, 0x53, 0x02);  // MEDIUM REMOVAL PREVENTED
        return;
    }
    if (start)
        LoadTray();
    else
        EjectTray();
}

void WriterUnit::PreventAllowMediumRemoval(const Request& request, ScsiResult& result)
{
    preventRemoval_ = (request[4] & 0x01) != 0;
    AddDetail(result, "prevent", preventRemoval_ ? 1 : 0);
}

void WriterUnit::ReadCapacity(const Request& request, ScsiResult& result)
{
    if ((request[8] & 0x01) == 0 && request.Get32(2) != 0) {  // an address without PMI
        InvalidFieldInCdb(result, 2);
        return;
    }
    std::int32_t last = 0;
    if (!Blank()) {
        last = tracks_.back().start + tracks_.back().length - 1;
    } else if (config_.commands == CommandSet::PhilipsCdd) {
        // The Philips firmware reports what a blank disc can take, which its driver reads as
        // the disc's capacity.
        last = CapacityBlocks();
    }
    std::vector<std::uint8_t> data(8, 0);
    Put32(data, 0, static_cast<std::uint32_t>(last));
    Put32(data, 4, config_.commands == CommandSet::Mmc ? 2048u : blockLength_);
    request.Reply(data, data.size(), result);
    AddDetail(result, "last_lba", last);
}

std::vector<std::uint8_t> WriterUnit::TocData(int format, bool msf, int number, bool bcd) const
{
    const auto code = [bcd](int value) { return bcd ? Bcd(value) : static_cast<std::uint8_t>(value); };
    const auto address = [msf](std::vector<std::uint8_t>& data, std::size_t at, std::int32_t lba) {
        if (msf) {
            const Msf time = ToMsf(lba);
            data[at] = 0;
            data[at + 1] = static_cast<std::uint8_t>(time.minute);
            data[at + 2] = static_cast<std::uint8_t>(time.second);
            data[at + 3] = static_cast<std::uint8_t>(time.frame);
        } else {
            Put32(data, at, static_cast<std::uint32_t>(lba));
        }
    };
    const int first = tracks_.front().number;
    const int last = tracks_.back().number;
    const std::int32_t leadOut = tracks_.back().start + tracks_.back().length;
    std::vector<std::uint8_t> data(4, 0);
    switch (format) {
    case 0: {
        if (number > last && number != 0xAA) return {};
        data[2] = static_cast<std::uint8_t>(first);
        data[3] = static_cast<std::uint8_t>(last);
        const auto add = [&](int track, std::uint8_t control, std::int32_t lba) {
            const std::size_t at = data.size();
            data.resize(at + 8, 0);
            data[at + 1] = static_cast<std::uint8_t>(0x10 | control);
            data[at + 2] = static_cast<std::uint8_t>(track);
            address(data, at + 4, lba);
        };
        for (const auto& track : tracks_)
            if (number != 0xAA && track.number >= number) add(track.number, track.control, track.start);
        add(0xAA, tracks_.back().control, leadOut);
        break;
    }
    case 1:
        data.resize(12, 0);
        data[2] = 1;
        data[3] = 1;
        data[5] = static_cast<std::uint8_t>(0x10 | tracks_.front().control);
        data[6] = static_cast<std::uint8_t>(first);
        address(data, 8, tracks_.front().start);
        break;
    case 2: {
        if (number > 1) return {};
        data[2] = 1;
        data[3] = 1;
        const auto add = [&](std::uint8_t control, std::uint8_t point, std::uint8_t pmin, std::uint8_t psec,
                             std::uint8_t pframe) {
            data.insert(data.end(), {1, static_cast<std::uint8_t>(0x10 | control), 0, point, 0, 0, 0, 0, pmin,
                                     psec, pframe});
        };
        add(tracks_.front().control, 0xA0, code(first), 0x00, 0);  // PSEC: the disc type, CD-DA
        add(tracks_.back().control, 0xA1, code(last), 0, 0);
        const Msf end = ToMsf(leadOut);
        add(tracks_.back().control, 0xA2, code(end.minute), code(end.second), code(end.frame));
        for (const auto& track : tracks_) {
            const Msf start = ToMsf(track.start);
            add(track.control, code(track.number), code(start.minute), code(start.second), code(start.frame));
        }
        break;
    }
    case 3:  // the PMA, which a finalised disc no longer needs
        break;
    default: return {};
    }
    Put16(data, 0, static_cast<std::uint32_t>(data.size() - 2));
    return data;
}

void WriterUnit::ReadToc(const Request& request, ScsiResult& result)
{
    const bool mmc = config_.commands == CommandSet::Mmc;
    const bool msf = (request[1] & 0x02) != 0;
    int format = request[9] >> 6;  // where SCSI-2 units took the format, in the vendor bits
    if (mmc) {
        if ((request[2] & 0x0F) != 0) format = request[2] & 0x0F;
    } else {
        for (int i = 2; i <= 5; ++i) {
            if (request[i] != 0) {  // reserved in SCSI-2
                InvalidFieldInCdb(result, i);
                return;
            }
        }
        if (format == 3) {
            InvalidFieldInCdb(result, 9, 7);
            return;
        }
    }
    AddDetail(result, "format", format);
    AddDetail(result, "number", request[6]);
    std::vector<std::uint8_t> data;
    if (format == 4 && mmc) {
        // ATIP: the medium's type, its lead-in start (the manufacturer's code) and last lead-out.
        const bool rewritable = config_.disc == Disc::BlankCdRw;
        data.assign(28, 0);
        Put16(data, 0, 26);
        data[4] = 0x80 | 0x50;               // indicative writing power
        data[6] = rewritable ? 0xC4 : 0x80;  // CD-RW with A1 values, or CD-R
        const Msf start = ToMsf(LeadInStartLba());
        data[8] = static_cast<std::uint8_t>(start.minute);
        data[9] = static_cast<std::uint8_t>(start.second);
        data[10] = static_cast<std::uint8_t>(start.frame);
        data[12] = 79;
        data[13] = 59;
        data[14] = 74;
        if (rewritable) data[16] = 0x14;  // A1: recording speeds 2x to 8x
    } else if (Blank() && format <= 2) {
        InvalidFieldInCdb(result, mmc ? 2 : 9);  // no TOC on a blank disc
        return;
    } else {
        data = TocData(format, msf, request[6], !mmc && format == 2);
        if (data.empty()) {
            InvalidFieldInCdb(result, format <= 2 ? 6 : 2);
            return;
        }
    }
    request.Reply(data, request.Get16(7), result);
}

void WriterUnit::Write(const Request& request, ScsiResult& result)
{
    const bool twelve = request[0] == 0xAA;
    const auto lba = static_cast<std::int32_t>(request.Get32(2));
    const std::uint32_t blocks = twelve ? request.Get32(6) : request.Get16(7);
    AddDetail(result, "lba", lba);
    AddDetail(result, "blocks", blocks);
    AddDetail(result, "bytes", static_cast<long long>(request.command.dataLength));
    if (!Blank()) {
        SetSense(result, kIllegalRequest, 0x21, 0x02);  // INVALID ADDRESS FOR WRITE: the disc is closed
        return;
    }
    if (blocks == 0) return;
    if (!session_.active) {
        if (config_.commands == CommandSet::PhilipsCdd) {
            SetSense(result, kIllegalRequest, 0x2C, 0x00);  // COMMAND SEQUENCE ERROR: no WRITE SESSION
            return;
        }
        if (!StartMmcSession(result)) return;
    }
    AddDetail(result, "test_write", session_.testWrite ? 1 : 0);
    if (!session_.sequentialOnly && lba != session_.nextLba) {
        AddDetail(result, "expected_lba", session_.nextLba);
        SetSense(result, kIllegalRequest, 0x21, 0x02);
        return;
    }
    if (static_cast<std::int64_t>(session_.endLba) - session_.nextLba < blocks) {
        SetSense(result, kIllegalRequest, 0x21, 0x00);  // LOGICAL BLOCK ADDRESS OUT OF RANGE
        return;
    }
    std::size_t bytes = 0;
    for (std::uint32_t i = 0; i < blocks; ++i)
        bytes += BlockSizeAt(session_.nextLba + static_cast<std::int32_t>(i));
    if (bytes != request.command.dataLength || request.command.direction != Direction::ToDevice) {
        AddDetail(result, "expected_bytes", static_cast<long long>(bytes));
        InvalidFieldInCdb(result, twelve ? 6 : 7);
        return;
    }
    session_.nextLba += static_cast<std::int32_t>(blocks);
    session_.blocksWritten += blocks;
    result.transferred = bytes;
}

void WriterUnit::SynchronizeCache(const Request&, ScsiResult& result)
{
    if (session_.active) EndSession(result);
}

}  // namespace writer_emulator

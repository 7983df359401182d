// What the three parts of WriterUnit share: the request wrapper, sense data, byte order and
// CD addresses. Only the emulator's own sources include it.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "writer_unit.h"

namespace writer_emulator {

// Sense keys and additional sense codes the units report.
inline constexpr int kNotReady = 0x02;
inline constexpr int kIllegalRequest = 0x05;
inline constexpr int kUnitAttention = 0x06;

struct WriterUnit::Request {
    const ScsiCommand& command;

    // CDB bytes beyond the command's length read as zero.
    std::uint8_t operator[](std::size_t i) const { return i < command.cdbLength ? command.cdb[i] : 0; }
    std::uint16_t Get16(std::size_t i) const
    {
        return static_cast<std::uint16_t>(((*this)[i] << 8) | (*this)[i + 1]);
    }
    std::uint32_t Get32(std::size_t i) const
    {
        return (static_cast<std::uint32_t>((*this)[i]) << 24) |
               (static_cast<std::uint32_t>((*this)[i + 1]) << 16) |
               (static_cast<std::uint32_t>((*this)[i + 2]) << 8) | (*this)[i + 3];
    }

    // Hands at most allocation bytes of data to the initiator (less when its buffer is smaller),
    // as a drive truncates a reply to the allocation length without an error.
    void Reply(const std::vector<std::uint8_t>& data, std::size_t allocation, ScsiResult& result) const;
    // The parameter list of a data-out command. False, with PARAMETER LIST LENGTH ERROR set, when
    // the initiator's buffer holds less than the CDB announces.
    bool Parameters(std::size_t length, std::vector<std::uint8_t>* out, ScsiResult& result) const;
};

void SetSense(ScsiResult& result, int key, int asc, int ascq);
// ILLEGAL REQUEST, INVALID FIELD IN CDB (or IN PARAMETER LIST), with the sense-key specific field
// pointer a drive adds: the byte, and the bit when it is one bit that is wrong (-1: the whole byte).
void InvalidFieldInCdb(ScsiResult& result, int byte, int bit = -1);
void InvalidFieldInParameters(ScsiResult& result, int byte, int bit = -1);
void AddDetail(ScsiResult& result, const std::string& key, long long value);
void AddDetail(ScsiResult& result, const std::string& key, const std::string& value);

inline void Put16(std::vector<std::uint8_t>& data, std::size_t at, std::uint32_t value)
{
    data[at] = static_cast<std::uint8_t>(value >> 8);
    data[at + 1] = static_cast<std::uint8_t>(value);
}

inline void Put32(std::vector<std::uint8_t>& data, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) data[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

inline std::uint32_t Get32(const std::vector<std::uint8_t>& data, std::size_t at)
{
    return (static_cast<std::uint32_t>(data[at]) << 24) | (static_cast<std::uint32_t>(data[at + 1]) << 16) |
           (static_cast<std::uint32_t>(data[at + 2]) << 8) | data[at + 3];
}

struct Msf {
    int minute = 0;
    int second = 0;
    int frame = 0;
};

// MMC's mapping between addresses and times: LBA 0 is 00:02:00, and the lead-in's negative
// addresses are the times from 90:00:00 on.
inline Msf ToMsf(std::int32_t lba)
{
    const std::int32_t blocks = lba >= -150 ? lba + 150 : lba + 450150;
    return {blocks / 4500, (blocks / 75) % 60, blocks % 75};
}

inline std::int32_t ToLba(int minute, int second, int frame)
{
    const std::int32_t blocks = (minute * 60 + second) * 75 + frame;
    return minute >= 90 ? blocks - 450150 : blocks - 150;
}

inline std::uint8_t Bcd(int value) { return static_cast<std::uint8_t>(((value / 10) << 4) | (value % 10)); }

}  // namespace writer_emulator

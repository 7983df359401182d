// One emulated CD writer: the firmware's side of a SCSI command. It keeps the unit's state for
// the life of the process that opened it (tray, disc, mode pages, the session being written), so
// an eject followed by a load within one run of the tool behaves as on a real drive, and every
// run starts again from the configuration.
//
// Two command sets, each a fixed table of operation codes (any other code is answered with
// ILLEGAL REQUEST, INVALID COMMAND OPERATION CODE, as real firmware answers a driver written for
// another unit):
//  - mmc: an MMC-3 CD-RW writer. INQUIRY, TEST UNIT READY, REZERO UNIT, REQUEST SENSE,
//    MODE SENSE/SELECT (6 and 10; pages 01, 05, 0E, 2A), START STOP UNIT, PREVENT ALLOW MEDIUM
//    REMOVAL, READ CAPACITY, READ TOC/PMA/ATIP (formats 0 to 4), READ DISC INFORMATION,
//    READ TRACK INFORMATION, GET CONFIGURATION, GET EVENT STATUS NOTIFICATION, SET CD SPEED,
//    READ BUFFER CAPACITY, SEND CUE SHEET, WRITE(10), WRITE(12), SYNCHRONIZE CACHE. Writes in
//    session-at-once (after a cue sheet), raw (from the start of the lead-in) and track-at-once.
//  - philips-cdd: a pre-MMC writer of the Philips CDD2000/CDD2600 family: the SCSI-2 CD-ROM
//    commands above that SCSI-2 has (READ TOC with its format in the vendor bits of the control
//    byte, reserved fields checked), mode pages 01, 0E, 22 (catalog number) and 23 (speed and
//    dummy write), a block descriptor that sets the block length, and the vendor commands
//    FIRST WRITABLE ADDRESS (E2), MEDIUM LOAD/UNLOAD (E7), WRITE SESSION (ED) and READ SESSION
//    INFO (EE). It has no READ DISC INFORMATION, no GET CONFIGURATION, no page 2A: an MMC driver
//    cannot read its disc, and autodetection finds no MMC unit.
// Neither unit reads sectors or plays audio (READ(10), READ CD, READ SUB-CHANNEL, PLAY): the
// disk-info, simulate and write paths of cdrdao never ask for them.
//
// Written data is checked and counted, never kept. A test write (page 05's test-write bit, or
// page 23's dummy bit) leaves the disc blank, as a real drive does; a real write leaves a closed
// disc holding the written tracks, for the rest of the process.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "unit_config.h"

namespace writer_emulator {

enum class Direction { None, ToDevice, FromDevice };

struct ScsiCommand {
    const std::uint8_t* cdb = nullptr;
    std::size_t cdbLength = 0;
    Direction direction = Direction::None;
    std::uint8_t* data = nullptr;  // read for ToDevice, written for FromDevice
    std::size_t dataLength = 0;
};

inline constexpr std::uint8_t kStatusGood = 0x00;
inline constexpr std::uint8_t kStatusCheckCondition = 0x02;
inline constexpr std::size_t kSenseLength = 18;

struct ScsiResult {
    std::uint8_t status = kStatusGood;
    std::array<std::uint8_t, kSenseLength> sense{};  // fixed format, valid with CHECK CONDITION
    std::size_t transferred = 0;                     // bytes moved to or from the data buffer
    std::string name;                                // "WRITE(10)", "OPCODE_0xE6"
    std::string details;                             // key fields for the trace: "lba=-150 blocks=27"

    int senseKey() const { return sense[2] & 0x0f; }
    int asc() const { return sense[12]; }
    int ascq() const { return sense[13]; }
};

class WriterUnit {
public:
    explicit WriterUnit(UnitConfig config);

    const UnitConfig& config() const { return config_; }

    ScsiResult Execute(const ScsiCommand& command);

private:
    struct Request;
    using Handler = void (WriterUnit::*)(const Request&, ScsiResult&);
    // What the dispatcher checks before a handler runs.
    enum Needs : unsigned {
        kNothing = 0,
        kMedium = 1,          // NOT READY without a disc
        kPassesAttention = 2  // answered even with a unit attention pending, which it leaves pending
    };
    struct CommandEntry {
        std::uint8_t opcode;
        const char* name;
        Handler handler;
        unsigned needs;
    };
    struct ModePage {
        std::vector<std::uint8_t> current;
        std::vector<std::uint8_t> changeable;  // bits the initiator may change
        std::vector<std::uint8_t> initial;     // the default values
    };
    struct Track {
        int number = 1;
        std::int32_t start = 0;  // LBA of index 1
        std::int32_t length = 0;
        std::uint8_t control = 0;  // Q sub-channel control nibble: 4 for data, 0 for two-channel audio
    };
    // A session being written: the lengths each block carries and where the next write must start.
    struct Session {
        bool active = false;
        bool testWrite = false;  // latched when the first block is written
        std::int32_t nextLba = 0;
        std::int32_t endLba = 0;          // writes must stay below; INT32_MAX when the drive cannot know
        std::int64_t blocksExpected = 0;  // 0: open-ended (raw, track-at-once)
        std::int64_t blocksWritten = 0;
        bool sequentialOnly = false;  // the unit ignores the LBA field and writes in order
        std::vector<Track> tracks;
        std::vector<std::pair<std::int32_t, std::size_t>> blockSizes;  // from this LBA on, this size
    };

    static const std::vector<CommandEntry>& MmcCommands();
    static const std::vector<CommandEntry>& PhilipsCommands();

    // State shared by both command sets.
    bool MediumPresent() const;
    bool Blank() const { return tracks_.empty(); }
    std::int32_t LeadInStartLba() const;
    std::int32_t LastLeadOutLba() const;  // last possible start of the lead-out
    std::int32_t CapacityBlocks() const { return LastLeadOutLba(); }
    bool TestWrite() const;
    void EndSession(ScsiResult& result);
    void LoadTray();
    void EjectTray();
    std::vector<std::uint8_t> ModePageBytes(std::uint8_t code, int control);
    std::size_t BlockSizeAt(std::int32_t lba) const;

    // Commands of both sets (writer_unit.cpp).
    void TestUnitReady(const Request&, ScsiResult&);
    void RezeroUnit(const Request&, ScsiResult&);
    void RequestSense(const Request&, ScsiResult&);
    void Inquiry(const Request&, ScsiResult&);
    void ModeSense(const Request&, ScsiResult&);
    void ModeSelect(const Request&, ScsiResult&);
    void StartStopUnit(const Request&, ScsiResult&);
    void PreventAllowMediumRemoval(const Request&, ScsiResult&);
    void ReadCapacity(const Request&, ScsiResult&);
    void ReadToc(const Request&, ScsiResult&);
    void Write(const Request&, ScsiResult&);
    void SynchronizeCache(const Request&, ScsiResult&);
    std::vector<std::uint8_t> TocData(int format, bool msf, int number, bool bcd) const;

    // MMC (mmc_commands.cpp).
    void InitMmcPages();
    std::vector<std::uint8_t> CapabilitiesPage() const;
    bool CheckWriteParameters(const std::vector<std::uint8_t>& page, std::size_t offset,
                              ScsiResult& result) const;
    void ReadDiscInformation(const Request&, ScsiResult&);
    void ReadTrackInformation(const Request&, ScsiResult&);
    void GetConfiguration(const Request&, ScsiResult&);
    void GetEventStatusNotification(const Request&, ScsiResult&);
    void SetCdSpeed(const Request&, ScsiResult&);
    void ReadBufferCapacity(const Request&, ScsiResult&);
    void SendCueSheet(const Request&, ScsiResult&);
    bool StartMmcSession(ScsiResult& result);
    std::vector<std::uint16_t> WriteSpeeds() const;

    // Philips CDD2x00 (philips_commands.cpp).
    void InitPhilipsPages();
    void FirstWritableAddress(const Request&, ScsiResult&);
    void MediumLoadUnload(const Request&, ScsiResult&);
    void WriteSession(const Request&, ScsiResult&);
    void ReadSessionInfo(const Request&, ScsiResult&);

    UnitConfig config_;
    const std::vector<CommandEntry>* commands_;
    bool trayOpen_ = false;
    bool preventRemoval_ = false;
    bool attention_ = false;  // NOT READY TO READY CHANGE after a load
    int mediaEvent_ = 0;      // GET EVENT STATUS NOTIFICATION: 2 new media, 3 media removal
    std::vector<Track> tracks_;
    std::map<std::uint8_t, ModePage> pages_;
    std::uint32_t blockLength_ = 2048;  // philips-cdd: set with the block descriptor
    std::uint16_t readSpeed_ = 0;
    std::uint16_t writeSpeed_ = 0;
    bool cueSheetSent_ = false;
    Session session_;
};

}  // namespace writer_emulator

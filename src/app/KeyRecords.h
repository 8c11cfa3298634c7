#pragma once
// The byte layout of keys.dat: a version byte 0, then records to the end of the file, each a
// command id (uint32), a key count (uint8) and that many key codes (uint32), little-endian.
// Plain C++ with no Qt, so the parser can be fuzzed alone.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sv {

struct KeyRecord {
    std::uint32_t command = 0;
    std::vector<std::uint32_t> keys;
};

struct KeyRecordsResult {
    bool versionOk = false;  // false for an empty file or a first byte other than 0
    std::vector<KeyRecord> records;
};

// Reads records until one cannot be read in full; a record cut short is dropped and the
// records before it kept.
KeyRecordsResult ParseKeyRecords(const std::uint8_t* data, std::size_t size);

// At most 255 keys of a record are written.
std::string EncodeKeyRecords(const std::vector<KeyRecord>& records);

}  // namespace sv

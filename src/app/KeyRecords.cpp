#include "app/KeyRecords.h"

namespace sv {

namespace {

bool ReadU32(const std::uint8_t* data, std::size_t size, std::size_t& pos, std::uint32_t& out) {
    if (size - pos < 4) return false;
    out = static_cast<std::uint32_t>(data[pos]) | static_cast<std::uint32_t>(data[pos + 1]) << 8 |
          static_cast<std::uint32_t>(data[pos + 2]) << 16 | static_cast<std::uint32_t>(data[pos + 3]) << 24;
    pos += 4;
    return true;
}

void PutU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

}  // namespace

KeyRecordsResult ParseKeyRecords(const std::uint8_t* data, std::size_t size) {
    KeyRecordsResult result;
    if (size < 1 || data[0] != 0) return result;
    result.versionOk = true;
    std::size_t pos = 1;
    for (;;) {
        KeyRecord record;
        if (!ReadU32(data, size, pos, record.command)) break;
        if (pos >= size) break;
        std::uint8_t count = data[pos++];
        bool whole = true;
        for (std::uint8_t i = 0; i < count && whole; ++i) {
            std::uint32_t code = 0;
            whole = ReadU32(data, size, pos, code);
            if (whole) record.keys.push_back(code);
        }
        if (!whole) break;
        result.records.push_back(std::move(record));
    }
    return result;
}

std::string EncodeKeyRecords(const std::vector<KeyRecord>& records) {
    std::string out(1, '\0');
    for (const KeyRecord& r : records) {
        PutU32(out, r.command);
        std::size_t count = r.keys.size() > 255 ? 255 : r.keys.size();
        out.push_back(static_cast<char>(count));
        for (std::size_t i = 0; i < count; ++i) PutU32(out, r.keys[i]);
    }
    return out;
}

}  // namespace sv

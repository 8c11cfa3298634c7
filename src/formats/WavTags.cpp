#include "formats/WavTags.h"

#include "formats/BinaryFile.h"
#include "formats/ByteOrder.h"
#include "formats/RiffWalk.h"
#include "formats/TagText.h"

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace sv {

namespace {

constexpr std::size_t kMaxDispText = 520;

struct InfoMapping {
    const char* id;
    const char* key;
};
// IPRD is read as the title but never written: the title goes to DISP.
const InfoMapping kInfoIds[] = {{"IART", "ARTIST"}, {"ICOP", "DATE"},        {"INAM", "ALBUM"},
                                {"IGNR", "GENRE"},  {"ITRK", "TRACKNUMBER"}, {"ICMT", "COMMENT"},
                                {"IPRD", "TITLE"}};

const char* KeyForInfoId(const char* id) {
    for (const auto& m : kInfoIds)
        if (std::memcmp(m.id, id, 4) == 0) return m.key;
    return nullptr;
}

void Take(LTagSet& tags, const char* key, const std::string& value, bool merge) {
    if (merge && !tags.Get(key).empty()) return;
    tags.Set(key, value);
}

// Reads the text of a chunk body of size bytes at the current position (at most 259 bytes are
// kept) and leaves the file after the body and its pad byte. Three bytes more than are kept
// finish any character that starts within them.
bool ReadText(BinaryFile& file, std::uint32_t size, std::string& out) {
    char buf[kMaxTagChars + 3];
    std::int64_t start = file.Tell();
    std::size_t want = std::min<std::size_t>(size, sizeof buf);
    long got = file.Read(buf, want);
    if (got < 0) return false;
    out = TagFieldText(buf, static_cast<std::size_t>(got));
    return file.Seek(start) && SkipChunk(file, size);
}

std::int64_t Even(std::int64_t v) { return (v + 1) & ~std::int64_t(1); }

struct SubChunk {
    std::int64_t offset;  // of its header
    char id[4];
    std::uint32_t size;
};

struct WalkedFile {
    std::int64_t riffStart = 0;
    std::vector<std::vector<SubChunk>> infoLists;
    std::vector<std::pair<std::int64_t, std::uint32_t>> dispChunks;  // offset of the header, size
    std::int64_t end = 0;  // where the next chunk would start
    bool rf64 = false;
    std::int64_t ds64At = -1;  // offset of the ds64 body, whose first field is the RIFF size
};

// Walks every chunk after the RIFF/WAVE header; false when a size leads outside the file by more
// than a missing pad byte.
bool WalkChunks(BinaryFile& file, WalkedFile& w) {
    const std::int64_t fileSize = file.Size();
    Ds64 ds64;
    std::int64_t pos = w.riffStart + 12;
    while (pos + 8 <= fileSize) {
        if (!file.Seek(pos)) return false;
        ChunkHeader h;
        if (!ReadChunkHeader(file, h)) return false;
        std::int64_t body = pos + 8;
        if (w.rf64 && h.Is("ds64") && w.ds64At < 0) {
            if (!ReadDs64(file, h.size, ds64)) return false;
            w.ds64At = body;
        }
        const std::int64_t size = BodySize(h, ds64);
        std::int64_t next = body + Even(size);
        if (size == 0xFFFFFFFFu || body + size > fileSize) return false;
        if (h.Is("LIST") && h.size >= 4) {
            std::uint8_t form[4];
            if (file.ReadAt(body, form, 4) != 4) return false;
            if (IsFourCc(form, "INFO")) {
                std::vector<SubChunk> subs;
                std::int64_t sp = body + 4;
                std::int64_t listEnd = body + h.size;
                while (sp + 8 <= listEnd) {
                    std::uint8_t sh[8];
                    if (file.ReadAt(sp, sh, 8) != 8) return false;
                    SubChunk sc{sp, {}, GetLe32(sh + 4)};
                    std::memcpy(sc.id, sh, 4);
                    if (sc.size > static_cast<std::uint64_t>(listEnd - sp - 8)) break;
                    subs.push_back(sc);
                    sp += 8 + Even(sc.size);
                }
                w.infoLists.push_back(std::move(subs));
            }
        } else if (h.Is("DISP")) {
            w.dispChunks.emplace_back(pos, h.size);
        }
        pos = next;
    }
    // A last chunk of odd size whose pad byte is missing (our PCM writer writes none) is fine.
    if (pos != fileSize && pos != fileSize + 1) return false;
    w.end = pos;
    return true;
}

bool OpenLocked(BinaryFile& file, const std::string& path) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(1000);
    for (;;) {
        if (file.Open(path, BinaryFile::Mode::ReadWriteExisting)) {
            if (file.TryLockExclusive()) return true;
            file.Close();
        } else if (errno == ENOENT || errno == EISDIR || errno == EACCES) {
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::vector<std::uint8_t> TextBytes(const std::string& text) {
    std::vector<std::uint8_t> b(static_cast<std::size_t>(Even(static_cast<std::int64_t>(text.size()) + 1)), 0);
    std::memcpy(b.data(), text.data(), text.size());
    return b;
}

}  // namespace

std::string InfoIdForKey(const std::string& key) {
    for (const auto& m : kInfoIds)
        if (key == m.key && key != "TITLE") return m.id;
    return {};
}

bool ReadWavTags(LTagSet& tags, const std::string& path, bool merge) {
    BinaryFile file;
    if (!file.Open(path, BinaryFile::Mode::ReadExisting)) return false;
    bool rf64 = false;
    if (!FindWaveHeader(file, &rf64)) return false;
    Ds64 ds64;
    ChunkHeader h;
    while (ReadChunkHeader(file, h)) {
        std::int64_t body = file.Tell();
        if (rf64 && h.Is("ds64") && !ReadDs64(file, h.size, ds64)) break;
        if (h.Is("LIST") && h.size >= 4) {
            std::uint8_t form[4];
            if (file.Read(form, 4) != 4) break;
            if (IsFourCc(form, "INFO")) {
                std::int64_t left = static_cast<std::int64_t>(h.size) - 4;
                ChunkHeader sub;
                while (left >= 8 && ReadChunkHeader(file, sub)) {
                    left -= 8;
                    if (sub.size > left) break;
                    std::string text;
                    if (!ReadText(file, sub.size, text)) break;
                    left -= Even(sub.size);
                    if (const char* key = KeyForInfoId(sub.id)) Take(tags, key, text, merge);
                }
            }
        } else if (h.Is("DISP") && h.size >= 4) {
            std::uint8_t type[4];
            if (file.Read(type, 4) != 4) break;
            std::string text;
            if (GetLe32(type) != 0 && ReadText(file, h.size - 4, text)) Take(tags, "TITLE", text, merge);
        }
        if (!file.Seek(body) || !SkipBody(file, BodySize(h, ds64))) break;
    }
    return true;
}

bool WriteWavTags(LTagSet& tags, const std::string& path) {
    BinaryFile file;
    if (!OpenLocked(file, path)) return false;
    WalkedFile w;
    if (!FindWaveHeader(file, &w.rf64)) return false;
    ReadWavTags(tags, path, true);
    w.riffStart = file.Tell() - 12;
    if (!WalkChunks(file, w)) return false;

    std::vector<std::string> pending;  // keys still to write, in the set's order
    for (const LTag& t : tags.tags)
        if (!InfoIdForKey(t.id).empty()) pending.push_back(t.id);
    bool titleWritten = false;

    for (auto& subs : w.infoLists) {
        for (SubChunk& sc : subs) {
            if (KeyForInfoId(sc.id) && !file.Seek(sc.offset)) return false;
            if (KeyForInfoId(sc.id)) {
                if (!file.Write("    ", 4)) return false;
                std::memcpy(sc.id, "    ", 4);
            }
        }
        for (auto it = pending.begin(); it != pending.end();) {
            std::string value = tags.Get(*it);
            bool placed = false;
            for (SubChunk& sc : subs) {
                if (std::memcmp(sc.id, "    ", 4) != 0 || sc.size != value.size() + 1) continue;
                std::string id = InfoIdForKey(*it);
                std::vector<std::uint8_t> text = TextBytes(value);
                if (!file.Seek(sc.offset) || !file.Write(id.data(), 4) || !file.Seek(sc.offset + 8) ||
                    !file.Write(text.data(), value.size() + 1))
                    return false;
                std::memcpy(sc.id, id.data(), 4);
                placed = true;
                break;
            }
            it = placed ? pending.erase(it) : it + 1;
        }
    }

    std::string title = CutUtf8(tags.Get("TITLE"), kMaxDispText - 1);
    std::vector<std::uint8_t> titleBytes = TextBytes(title);
    for (const auto& [offset, size] : w.dispChunks) {
        std::uint8_t type[4];
        if (titleWritten || size < 4 || file.ReadAt(offset + 8, type, 4) != 4 || GetLe32(type) == 0) continue;
        // The writer pads the text to even length inside the size, so the padded length is
        // what a slot written for a title of the same length holds.
        if (size - 4 != titleBytes.size()) continue;
        if (!file.Seek(offset + 12) || !file.Write(titleBytes.data(), titleBytes.size())) return false;
        titleWritten = true;
    }

    std::int64_t end = w.end;
    if (!pending.empty() || !titleWritten) {
        std::vector<std::uint8_t> out;
        if (end > file.Size()) out.push_back(0);  // the missing pad byte of the last chunk
        if (!pending.empty()) {
            std::size_t listAt = out.size();
            out.insert(out.end(), {'L', 'I', 'S', 'T', 0, 0, 0, 0, 'I', 'N', 'F', 'O'});
            for (const std::string& key : pending) {
                std::string value = tags.Get(key);
                std::string id = InfoIdForKey(key);
                std::uint8_t sh[8];
                std::memcpy(sh, id.data(), 4);
                PutLe32(sh + 4, static_cast<std::uint32_t>(value.size() + 1));
                out.insert(out.end(), sh, sh + 8);
                std::vector<std::uint8_t> text = TextBytes(value);
                out.insert(out.end(), text.begin(), text.end());
            }
            PutLe32(&out[listAt + 4], static_cast<std::uint32_t>(out.size() - listAt - 8));
        }
        if (!titleWritten) {
            std::uint8_t dh[12] = {'D', 'I', 'S', 'P'};
            PutLe32(dh + 4, static_cast<std::uint32_t>(titleBytes.size() + 4));
            PutLe32(dh + 8, 1);
            out.insert(out.end(), dh, dh + 12);
            out.insert(out.end(), titleBytes.begin(), titleBytes.end());
        }
        std::int64_t at = std::min<std::int64_t>(end, file.Size());
        if (!file.Seek(at) || !file.Write(out.data(), out.size())) return false;
        end = at + static_cast<std::int64_t>(out.size());
    }
    // Other programs stop reading at the end of the RIFF chunk: make it cover the tags.
    std::int64_t riffSize = end - w.riffStart - 8;
    if (w.ds64At >= 0) {
        std::uint8_t rs[8];
        PutLe64(rs, static_cast<std::uint64_t>(riffSize));
        if (!file.Seek(w.ds64At) || !file.Write(rs, 8)) return false;
    } else {
        std::uint8_t rs[4];
        PutLe32(rs, riffSize < 0xFFFFFFFFLL ? static_cast<std::uint32_t>(riffSize) : 0xFFFFFFFFu);
        if (!file.Seek(w.riffStart + 4) || !file.Write(rs, 4)) return false;
    }
    return file.Close();
}

}  // namespace sv

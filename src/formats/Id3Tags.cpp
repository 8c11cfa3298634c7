#include "formats/Id3Tags.h"

#include "formats/BinaryFile.h"
#include "formats/Id3Genres.h"
#include "formats/TagText.h"
#include "platform/Settings.h"

#include <cctype>
#include <cstring>

namespace sv {

namespace {

constexpr int kBlock = 128;

void Take(LTagSet& tags, const char* key, const std::string& value, bool merge) {
    if (merge && !tags.Get(key).empty()) return;
    tags.Set(key, value);
}

// Field text at most max bytes followed by a zero (the field being max + 1 bytes or more).
void PutField(char* field, const std::string& value, std::size_t max) {
    std::string v = CutUtf8(value, max);
    std::memcpy(field, v.data(), v.size());
    field[v.size()] = 0;
}

}  // namespace

bool ReadId3v1Tags(LTagSet& tags, const std::string& path, bool merge) {
    BinaryFile file;
    if (!file.Open(path, BinaryFile::Mode::ReadExisting)) return false;
    std::int64_t size = file.Size();
    char b[kBlock];
    if (size < kBlock || file.ReadAt(size - kBlock, b, kBlock) != kBlock) return false;
    if (std::memcmp(b, "TAG", 3) != 0) return false;
    Take(tags, "TITLE", TagFieldText(b + 3, 30), merge);
    Take(tags, "ARTIST", TagFieldText(b + 33, 30), merge);
    Take(tags, "ALBUM", TagFieldText(b + 63, 30), merge);
    Take(tags, "DATE", TagFieldText(b + 93, 4), merge);
    auto track = static_cast<unsigned char>(b[126]);
    if (b[125] == 0 && track != 0) {
        Take(tags, "COMMENT", TagFieldText(b + 97, 28), merge);
        Take(tags, "TRACKNUMBER", std::to_string(track), merge);
    } else {
        Take(tags, "COMMENT", TagFieldText(b + 97, 29), merge);
    }
    auto genre = static_cast<unsigned char>(b[127]);
    Take(tags, "GENRE", genre < kId3GenreCount ? Id3GenreName(genre) : std::to_string(genre), merge);
    return true;
}

bool WriteId3v1Tags(const LTagSet& tags, const std::string& path) {
    BinaryFile file;
    if (!file.Open(path, BinaryFile::Mode::ReadWriteExisting)) return false;
    std::int64_t size = file.Size();
    if (size < 0) return false;
    char b[kBlock];
    std::memset(b, 0, sizeof b);
    std::int64_t at = size;
    if (size >= kBlock && file.ReadAt(size - kBlock, b, kBlock) == kBlock && std::memcmp(b, "TAG", 3) == 0) {
        at = size - kBlock;
    } else {
        std::memset(b, 0, sizeof b);
    }
    std::memcpy(b, "TAG", 3);
    PutField(b + 3, tags.Get("TITLE"), 29);
    PutField(b + 33, tags.Get("ARTIST"), 29);
    PutField(b + 63, tags.Get("ALBUM"), 29);
    std::string date = tags.Get("DATE");
    std::memcpy(b + 93, date.data(), std::min<std::size_t>(date.size(), 4));
    PutField(b + 97, tags.Get("COMMENT"), 28);
    b[125] = 0;
    std::string track = tags.Get("TRACKNUMBER");
    if (!track.empty()) b[126] = static_cast<char>(ParseIntLenient(track));
    std::string genre = tags.Get("GENRE");
    if (!genre.empty()) {
        if (std::isdigit(static_cast<unsigned char>(genre[0]))) {
            b[127] = static_cast<char>(ParseIntLenient(genre));
        } else {
            int index = FindId3Genre(genre);
            if (index >= 0) b[127] = static_cast<char>(index);
        }
    }
    return file.Seek(at) && file.Write(b, kBlock) && file.Close();
}

}  // namespace sv

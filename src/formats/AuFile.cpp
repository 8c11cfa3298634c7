#include "formats/AuFile.h"

#include "formats/BigEndian.h"
#include "formats/BinaryFile.h"
#include "formats/CodedFileReader.h"
#include "formats/CodedFileWriter.h"
#include "formats/FileFormatTable.h"

#include <cstring>

namespace sv {

namespace {

constexpr std::uint32_t kUnknownSize = 0xFFFFFFFFu;

bool AuCoding(std::uint32_t encoding, SampleCoding& coding) {
    switch (encoding) {
    case 1: coding = SampleCoding::Mulaw(); return true;
    case 2: coding = SampleCoding::Pcm(1, true); return true;
    case 3: coding = SampleCoding::Pcm(2, true); return true;
    case 4: coding = SampleCoding::Pcm(3, true); return true;
    case 5: coding = SampleCoding::Pcm(4, true); return true;
    case 27: coding = SampleCoding::Alaw(); return true;
    default: return false;
    }
}

bool WriteAuHeader(std::vector<std::uint8_t>& h, bool final, const CodedFileSizes& sizes) {
    std::memcpy(h.data(), ".snd", 4);
    PutBe32(&h[4], kAuHeaderBytes);
    const bool known = final && sizes.dataBytes < kUnknownSize;
    PutBe32(&h[8], known ? static_cast<std::uint32_t>(sizes.dataBytes) : kUnknownSize);
    PutBe32(&h[12], 3);
    PutBe32(&h[16], static_cast<std::uint32_t>(sizes.rate));
    PutBe32(&h[20], sizes.channels);
    return true;
}

}  // namespace

Ref<LAudioReader> OpenAuReader(const std::string& path) {
    BinaryFile file;
    if (!file.Open(path, BinaryFile::Mode::ReadExisting)) return MakeRef<LErrorReader>(kReaderCannotOpen);
    Ref<LAudioReader> corrupt = MakeRef<LErrorReader>(kReaderCorrupt);
    std::uint8_t h[kAuHeaderBytes];
    if (file.Read(h, sizeof h) != static_cast<long>(sizeof h) || std::memcmp(h, ".snd", 4) != 0) return corrupt;
    const std::uint32_t offset = GetBe32(h + 4);
    const std::uint32_t size = GetBe32(h + 8);
    const std::uint32_t encoding = GetBe32(h + 12);
    const std::uint32_t rate = GetBe32(h + 16);
    const std::uint32_t channels = GetBe32(h + 20);
    // A header that cannot be true is refused rather than read as some other sound.
    if (offset < kAuHeaderBytes || channels == 0 || channels > 255 || rate == 0 || rate > 0x7FFFFFFFu) return corrupt;
    SampleCoding coding;
    if (!AuCoding(encoding, coding)) return MakeRef<LErrorReader>(kReaderCodecMissing);
    return MakeRef<LCodedFileReader>(std::move(file), coding, static_cast<std::uint8_t>(channels),
                                     static_cast<std::int32_t>(rate), offset,
                                     size == kUnknownSize ? -1 : static_cast<std::int64_t>(size));
}

Ref<LAudioWriter> CreateAuWriter(const std::string& path, std::int32_t rate, std::uint8_t channels) {
    return MakeRef<LCodedFileWriter>(path, SampleCoding::Pcm(2, true), rate, channels, kAuHeaderBytes, WriteAuHeader);
}

namespace {

Ref<LAudioWriter> CreateAuSaveWriter(const SaveRequest& request) {
    return CreateAuWriter(request.path, request.rate, request.channels);
}

FileFormatRow MakeAuRow() {
    FileFormatRow row;
    row.extensions = {".au"};
    row.openReader = OpenAuReader;
    row.readerMessage = CannotReadOrCorrupt;
    row.createWriter = CreateAuSaveWriter;
    row.confirmedWithoutOptions = true;
    return row;
}

}  // namespace

const FileFormatRow kAuFormatRow = MakeAuRow();

}  // namespace sv

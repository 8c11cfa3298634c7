#include "formats/AiffFile.h"

#include "formats/BigEndian.h"
#include "formats/BinaryFile.h"
#include "formats/CodedFileReader.h"
#include "formats/CodedFileWriter.h"
#include "formats/FileFormatTable.h"
#include "formats/SampleConvert.h"

#include <climits>
#include <cstring>

namespace sv {

namespace {

constexpr std::uint32_t kUnknownSize = 0xFFFFFFFFu;
constexpr std::size_t kCommBytes = 18;
constexpr std::size_t kAifcCommBytes = 22;

struct CommChunk {
    int channels = 0;
    std::uint32_t frames = 0;
    int bits = 0;
    std::int32_t rate = 0;
    bool rateValid = false;
    char compression[4] = {'N', 'O', 'N', 'E'};
};

bool Compression(const CommChunk& comm, SampleCoding& coding) {
    const std::string type(comm.compression, 4);
    const int width = ContainerWidth(static_cast<unsigned>(comm.bits));
    if (type == "NONE" || type == "twos" || type == "sowt") {
        if (comm.bits < 1 || comm.bits > 32) return false;
        coding = SampleCoding::Pcm(width, type != "sowt");
        return true;
    }
    if (type == "raw " && comm.bits == 8) coding = SampleCoding::Pcm(1, false, true);
    else if (type == "ulaw" || type == "ULAW") coding = SampleCoding::Mulaw();
    else if (type == "alaw" || type == "ALAW") coding = SampleCoding::Alaw();
    else return false;
    return true;
}

bool WriteAiffHeader(std::vector<std::uint8_t>& h, bool final, const CodedFileSizes& sizes) {
    // Past 4 GB the sizes cannot be told; the reader then takes the samples to the end.
    const bool known = final && sizes.dataBytes + 46 < kUnknownSize;
    std::memcpy(&h[0], "FORM", 4);
    PutBe32(&h[4], known ? static_cast<std::uint32_t>(sizes.dataBytes + 46) : kUnknownSize);
    std::memcpy(&h[8], "AIFFCOMM", 8);
    PutBe32(&h[16], kCommBytes);
    PutBe16(&h[20], sizes.channels);
    PutBe32(&h[22], final ? static_cast<std::uint32_t>(sizes.frames) : 0);
    PutBe16(&h[26], 16);
    RateToExtended(sizes.rate, &h[28]);
    std::memcpy(&h[38], "SSND", 4);
    PutBe32(&h[42], known ? static_cast<std::uint32_t>(sizes.dataBytes + 8) : kUnknownSize);
    PutBe32(&h[46], 0);
    PutBe32(&h[50], 0);
    return true;
}

}  // namespace

void RateToExtended(std::int32_t rate, std::uint8_t out[10]) {
    std::memset(out, 0, 10);
    if (rate < 1) return;
    auto mantissa = static_cast<std::uint32_t>(rate);
    int log2 = 31;
    while (!(mantissa & 0x80000000u)) {
        mantissa <<= 1;
        --log2;
    }
    PutBe16(out, static_cast<std::uint32_t>(0x3FFF + log2));
    PutBe32(out + 2, mantissa);
}

bool ExtendedToRate(const std::uint8_t in[10], std::int32_t& rate) {
    if (in[0] & 0x80) return false;
    const int exponent = ((in[0] & 0x7F) << 8) | in[1];
    const std::uint64_t mantissa = (static_cast<std::uint64_t>(GetBe32(in + 2)) << 32) | GetBe32(in + 6);
    // value = mantissa / 2^shift; bounding the shift keeps it defined and the rate in range.
    const int shift = 16383 + 63 - exponent;
    if (mantissa == 0 || shift < 33 || shift > 64) return false;
    const std::uint64_t rounded = ((mantissa >> (shift - 1)) + 1) >> 1;
    if (rounded < 1 || rounded > static_cast<std::uint64_t>(INT_MAX)) return false;
    rate = static_cast<std::int32_t>(rounded);
    return true;
}

Ref<LAudioReader> OpenAiffReader(const std::string& path) {
    BinaryFile file;
    if (!file.Open(path, BinaryFile::Mode::ReadExisting)) return MakeRef<LErrorReader>(kReaderCannotOpen);
    Ref<LAudioReader> corrupt = MakeRef<LErrorReader>(kReaderCorrupt);
    std::uint8_t form[12];
    if (file.Read(form, sizeof form) != static_cast<long>(sizeof form) || std::memcmp(form, "FORM", 4) != 0)
        return corrupt;
    const bool aifc = std::memcmp(form + 8, "AIFC", 4) == 0;
    if (!aifc && std::memcmp(form + 8, "AIFF", 4) != 0) return corrupt;

    const std::int64_t end = file.Size();
    CommChunk comm;
    bool haveComm = false, haveSsnd = false;
    std::int64_t dataStart = 0, dataBytes = 0;
    for (std::int64_t pos = 12; pos + 8 <= end && !(haveComm && haveSsnd);) {
        std::uint8_t head[8];
        if (file.ReadAt(pos, head, sizeof head) != static_cast<long>(sizeof head)) break;
        const std::uint32_t size = GetBe32(head + 4);
        const std::int64_t body = pos + 8;
        if (!haveComm && std::memcmp(head, "COMM", 4) == 0) {
            std::uint8_t c[kAifcCommBytes] = {};
            const std::size_t want = std::min<std::size_t>(size, aifc ? kAifcCommBytes : kCommBytes);
            if (want < kCommBytes || file.ReadAt(body, c, want) != static_cast<long>(want)) return corrupt;
            comm.channels = static_cast<std::int16_t>(GetBe16(c));
            comm.frames = GetBe32(c + 2);
            comm.bits = static_cast<std::int16_t>(GetBe16(c + 6));
            comm.rateValid = ExtendedToRate(c + 8, comm.rate);
            if (aifc && want >= kAifcCommBytes) std::memcpy(comm.compression, c + 18, 4);
            haveComm = true;
        } else if (!haveSsnd && std::memcmp(head, "SSND", 4) == 0) {
            std::uint8_t fields[8] = {};
            if (file.ReadAt(body, fields, sizeof fields) == static_cast<long>(sizeof fields)) {
                const std::uint32_t offset = GetBe32(fields);
                dataStart = body + 8 + offset;
                // A size left open by a writer that never finished: the samples run to the end.
                dataBytes = size == kUnknownSize ? -1 : std::max<std::int64_t>(0, std::int64_t{size} - 8 - offset);
            } else {
                dataStart = end;
            }
            haveSsnd = true;
        }
        pos = body + size + (size & 1);
    }
    if (!haveComm || !haveSsnd) return corrupt;
    if (comm.channels < 1 || comm.channels > 255 || !comm.rateValid) return corrupt;
    SampleCoding coding;
    if (!Compression(comm, coding)) return MakeRef<LErrorReader>(kReaderCodecMissing);
    const std::int64_t frameBytes = static_cast<std::int64_t>(coding.width) * comm.channels;
    const std::int64_t stated = static_cast<std::int64_t>(comm.frames) * frameBytes;
    if (comm.frames > 0 && (dataBytes < 0 || stated < dataBytes)) dataBytes = stated;
    return MakeRef<LCodedFileReader>(std::move(file), coding, static_cast<std::uint8_t>(comm.channels), comm.rate,
                                     dataStart, dataBytes);
}

Ref<LAudioWriter> CreateAiffWriter(const std::string& path, std::int32_t rate, std::uint8_t channels) {
    return MakeRef<LCodedFileWriter>(path, SampleCoding::Pcm(2, true), rate, channels, kAiffHeaderBytes,
                                     WriteAiffHeader);
}

namespace {

Ref<LAudioWriter> CreateAiffSaveWriter(const SaveRequest& request) {
    return CreateAiffWriter(request.path, request.rate, request.channels);
}

FileFormatRow MakeAiffRow() {
    FileFormatRow row;
    row.extensions = {".aif", ".aiff"};
    row.openReader = OpenAiffReader;
    row.readerMessage = CannotReadOrCorrupt;
    row.createWriter = CreateAiffSaveWriter;
    row.confirmedWithoutOptions = true;
    return row;
}

}  // namespace

const FileFormatRow kAiffFormatRow = MakeAiffRow();

}  // namespace sv

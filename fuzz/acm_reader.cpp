// A compressed WAV file around the fuzz input: the first bytes choose the codec and its
// parameters, the rest is the data chunk, so that every decoder sees arbitrary blocks.
#include "FuzzFile.h"
#include "formats/AcmWavReader.h"
#include "formats/ByteOrder.h"
#include "formats/WavReader.h"

#include <cstring>
#include <vector>

namespace {
const std::uint16_t kTags[] = {3, 6, 7, 0x11, 2, 0x31, 0xFFFE};
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    std::uint16_t tag = kTags[data[0] % 7];
    std::uint16_t channels = static_cast<std::uint16_t>(data[1] % 3 + 1);
    std::uint16_t blockAlign = sv::GetLe16(data + 2);
    std::uint16_t bits = static_cast<std::uint16_t>(data[4] % 65);
    std::uint16_t cb = static_cast<std::uint16_t>(data[5] % 40);
    data += 6;
    size -= 6;
    std::size_t extra = std::min<std::size_t>(cb, size);
    std::vector<std::uint8_t> file(12);
    std::memcpy(file.data(), "RIFF\0\0\0\0WAVE", 12);
    std::uint8_t fmt[26] = {'f', 'm', 't', ' '};
    sv::PutLe32(fmt + 4, static_cast<std::uint32_t>(18 + extra));
    sv::PutLe16(fmt + 8, tag);
    sv::PutLe16(fmt + 10, channels);
    sv::PutLe32(fmt + 12, 8000);
    sv::PutLe32(fmt + 16, 8000);
    sv::PutLe16(fmt + 20, blockAlign);
    sv::PutLe16(fmt + 22, bits);
    sv::PutLe16(fmt + 24, static_cast<std::uint32_t>(extra));
    file.insert(file.end(), fmt, fmt + 26);
    file.insert(file.end(), data, data + extra);
    if (extra & 1) file.push_back(0);
    std::uint8_t dh[8] = {'d', 'a', 't', 'a'};
    sv::PutLe32(dh + 4, static_cast<std::uint32_t>(size - extra));
    file.insert(file.end(), dh, dh + 8);
    file.insert(file.end(), data + extra, data + size);
    std::string path = sv::fuzz::WriteInput(file.data(), file.size(), ".wav");
    sv::Ref<sv::LAudioReader> r = sv::OpenWavReader(path);
    if (r->errorCode != 0) return 0;
    std::vector<std::int32_t> buf(static_cast<std::size_t>(8192) * r->channels);
    std::int32_t len = r->Length();
    r->Read(buf.data(), 8192);
    r->Seek(len / 3);
    r->Read(buf.data(), 700);
    r->Seek(len + 5);
    r->Read(buf.data(), 10);
    return 0;
}

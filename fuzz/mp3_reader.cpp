// Any bytes examined as MP3 data and opened as an ".mp3" file: a layout within the input or a
// refusal, and a reader with error 3 or 4, or samples that read and seek without a fault.
#include "FuzzFile.h"
#include "formats/Mp3Reader.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    sv::Mp3Layout layout;
    if (sv::ExamineMp3(data, size, static_cast<std::int64_t>(size), layout)) {
        if (layout.dataStart < 0 || layout.dataStart > layout.dataEnd ||
            layout.dataEnd > static_cast<std::int64_t>(size) || layout.frames < 0 ||
            (layout.channels != 1 && layout.channels != 2))
            std::abort();
    }
    std::string path = sv::fuzz::WriteInput(data, size, ".mp3");
    sv::Ref<sv::LAudioReader> r = sv::OpenMp3Reader(path);
    if (r->errorCode != 0 && r->errorCode != 3 && r->errorCode != 4) std::abort();
    if (r->errorCode != 0) return 0;
    std::vector<std::int32_t> buf(static_cast<std::size_t>(2048) * r->channels);
    r->Seek(-10);
    for (int i = 0; i < 4; ++i) r->Read(buf.data(), 2048);
    for (std::int32_t v : buf)
        if (v < -0x80000 || v > 0x7FFF0) std::abort();
    r->Seek(r->Length() / 2);
    r->Read(buf.data(), 2048);
    return 0;
}

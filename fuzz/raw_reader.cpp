// Any bytes opened as a headerless file, the first byte choosing the codec (0 to 7, 7 being
// none) and the channel count: an error code of 3, or samples that read and seek without a
// fault and never more frames than two per byte.
#include "FuzzFile.h"
#include "formats/RawFile.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    sv::LRawSettings settings;
    settings.codec = data[0] & 7;
    settings.channels = static_cast<std::uint8_t>(1 + (data[0] >> 3));
    settings.sampleRate = 8000;
    std::string path = sv::fuzz::WriteInput(data + 1, size - 1, ".raw");
    sv::Ref<sv::LAudioReader> r = sv::OpenRawReader(settings, path);
    if (r->errorCode != 0) {
        if (r->errorCode != 3 || settings.codec != 7) std::abort();
        return 0;
    }
    if (static_cast<std::size_t>(r->Length()) > 2 * (size - 1)) std::abort();
    sv::fuzz::ReadAround(*r, 1024);
    std::vector<std::int32_t> buf(static_cast<std::size_t>(3) * r->channels);
    r->Seek(1);
    r->Read(buf.data(), 3);
    return 0;
}

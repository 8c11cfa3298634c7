// Any bytes opened as a WAV file: an error code of 3, 4 or 5, or samples that read and seek
// without a fault.
#include "FuzzFile.h"
#include "formats/WavReader.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string path = sv::fuzz::WriteInput(data, size, ".wav");
    sv::Ref<sv::LAudioReader> r = sv::OpenWavReader(path);
    if (r->errorCode != 0 && !sv::fuzz::IsFileError(r->errorCode)) std::abort();
    if (r->errorCode != 0) return 0;
    sv::fuzz::ReadAround(*r, 1024);
    return 0;
}

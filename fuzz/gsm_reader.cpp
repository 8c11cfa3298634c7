// Any bytes opened as a GSM 06.10 file: samples that read and seek without a fault, never
// more than 160 frames for each 33 bytes.
#include "FuzzFile.h"
#include "formats/GsmFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string path = sv::fuzz::WriteInput(data, size, ".gsm");
    sv::Ref<sv::LAudioReader> r = sv::OpenGsmReader(path);
    if (r->errorCode != 0) std::abort();
    if (r->channels == 0 || r->sampleRate <= 0 || static_cast<std::size_t>(r->Length()) > size / 33 * 160) std::abort();
    sv::fuzz::ReadAround(*r, 1024);
    return 0;
}

// Any bytes opened as an AU file: an error code of 3, 4 or 5, or samples that read and seek
// without a fault and never more frames than the file holds.
#include "FuzzFile.h"
#include "formats/AuFile.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string path = sv::fuzz::WriteInput(data, size, ".au");
    sv::Ref<sv::LAudioReader> r = sv::OpenAuReader(path);
    if (r->errorCode != 0 && !sv::fuzz::IsFileError(r->errorCode)) std::abort();
    if (r->errorCode != 0) return 0;
    if (r->channels == 0 || r->sampleRate <= 0 || static_cast<std::size_t>(r->Length()) > size) std::abort();
    sv::fuzz::ReadAround(*r, 1024);
    return 0;
}

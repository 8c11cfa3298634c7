// The keys.dat parser over arbitrary bytes; what it reads must encode back to the same records.
#include "app/KeyRecords.cpp"  // the fuzzers link no Qt library; this parser needs none

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    sv::KeyRecordsResult r = sv::ParseKeyRecords(data, size);
    if (r.versionOk) {
        std::string again = sv::EncodeKeyRecords(r.records);
        sv::KeyRecordsResult back =
            sv::ParseKeyRecords(reinterpret_cast<const uint8_t*>(again.data()), again.size());
        if (back.records.size() != r.records.size()) std::abort();
    }
    return 0;
}

#pragma once
// The CDDB disc identifier and the query line built from the same table of contents. Both
// count each address in whole seconds from the start of the disc (address + 150 sectors), so
// a first track that does not start at sector 0 gives the identifier every CDDB server uses.
#include "cd/DiscRecord.h"

#include <cstdint>
#include <string>

namespace sv {

std::uint32_t CddbDiscId(const CdDiscRecord& disc);
// "%08x".
std::string CddbDiscIdText(const CdDiscRecord& disc);
// "cddb query <id> <count> <offset>... <seconds>\n", offsets counted with the pregap.
std::string CddbQueryLine(const CdDiscRecord& disc);

}  // namespace sv

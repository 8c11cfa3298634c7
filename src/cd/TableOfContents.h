#pragma once
// The table of contents: READ TOC (format 0, LBA addresses) and its reply.
#include "cd/DiscRecord.h"

#include <cstdint>

namespace sv {

class DriveChannel;
class LProgressTask;

constexpr std::uint32_t kTocBufferBytes = 2048;
constexpr int kTocBudgetMs = 20000;

// Fills disc's tracks and lead-out from a reply of which received bytes arrived. The track
// count is the reply's own, cut to the descriptors that actually arrived and to 99. 0 done,
// 2 when the reply is too short to hold a lead-out.
int ParseTocReply(const std::uint8_t* reply, std::uint32_t received, CdDiscRecord& disc);

// Sends READ TOC and parses the reply: 0 done, 1 cancelled, 2 failed (*why says why).
int ReadTableOfContents(DriveChannel& channel, LProgressTask* task, CdDiscRecord& disc, std::string* why,
                        int budgetMs = kTocBudgetMs);

}  // namespace sv

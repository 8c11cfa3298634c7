#include "cd/TableOfContents.h"

#include "cd/DriveChannel.h"
#include "core/ProgressTask.h"
#include "formats/BigEndian.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace sv {

namespace {

constexpr std::uint8_t kControlDataTrack = 0x04;
constexpr std::uint32_t kTocHeaderBytes = 4;
constexpr std::uint32_t kDescriptorBytes = 8;

}  // namespace

int ParseTocReply(const std::uint8_t* reply, std::uint32_t received, CdDiscRecord& disc) {
    disc.tracks.clear();
    disc.leadOut = 0;
    received = std::min(received, kTocBufferBytes);
    if (received < kTocHeaderBytes) return kTaskFailed;
    const std::uint32_t length = (std::uint32_t{reply[0]} << 8) | reply[1];
    // The data length does not count its own two bytes; believe it only as far as bytes came.
    const std::uint32_t usable = std::min(length + 2, received);
    if (usable < kTocHeaderBytes + kDescriptorBytes) return kTaskFailed;
    const int descriptors = static_cast<int>((usable - kTocHeaderBytes) / kDescriptorBytes);
    const int count = std::min(descriptors - 1, kMaxCdTracks);

    std::vector<std::int32_t> address(static_cast<std::size_t>(count) + 1);
    std::vector<bool> data(static_cast<std::size_t>(count) + 1);
    for (int i = 0; i <= count; ++i) {
        const std::uint8_t* d = reply + kTocHeaderBytes + kDescriptorBytes * static_cast<std::uint32_t>(i);
        address[i] = static_cast<std::int32_t>(GetBe32(d + 4));
        data[i] = (d[1] & kControlDataTrack) != 0;
    }
    for (int i = 1; i <= count; ++i) {
        CdTrackRecord track;
        track.title = DefaultTrackTitle(i);
        track.start = address[i - 1];
        track.end = address[i];
        // Wide, since a drive's addresses may be any 32 bits.
        const std::int64_t span = static_cast<std::int64_t>(track.end) - track.start;
        track.duration = span > 0 ? static_cast<std::int32_t>(span / kCdSectorsPerSecond) : 0;
        track.data = data[i - 1];
        disc.tracks.push_back(std::move(track));
    }
    disc.leadOut = address[count];
    return kTaskDone;
}

int ReadTableOfContents(DriveChannel& channel, LProgressTask* task, CdDiscRecord& disc, std::string* why,
                        int budgetMs) {
    auto cmd = std::make_shared<ScsiCommand>();
    cmd->cdb = {0x43, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x08, 0x00, 0x00};
    cmd->cdbLength = 10;
    cmd->data.resize(kTocBufferBytes);
    cmd->timeoutMs = budgetMs;
    int result = channel.Run(cmd, task, budgetMs);
    if (result == kTaskCancelled) return kTaskCancelled;
    if (result != kTaskDone) {
        if (why) *why = channel.FailureText(*cmd);
        return kTaskFailed;
    }
    result = ParseTocReply(cmd->data.data(), cmd->BytesReceived(), disc);
    if (result != kTaskDone && why) *why = "table des matières illisible";
    return result;
}

}  // namespace sv

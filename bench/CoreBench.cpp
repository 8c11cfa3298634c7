// Block store and segment-list figures: writer and reader throughput on a 1-hour stereo sound
// against a plain sequential write of the same bytes, edit operations on a 10-hour document of
// 10,000 segments, and peak memory while a 2-hour sound is written and read.
#include "Bench.h"

#include "core/BlockReader.h"
#include "core/BlockWriter.h"
#include "core/SegmentOps.h"
#include "platform/Paths.h"
#include "platform/UniqueFd.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

namespace sv::bench {
namespace {

constexpr std::int32_t kRate = 44100;
constexpr int kChannels = 2;

std::vector<std::int32_t> Block() {
    std::vector<std::int32_t> b(static_cast<std::size_t>(kMaxFramesPerCall) * kChannels);
    for (std::size_t k = 0; k < b.size(); ++k) b[k] = static_cast<std::int32_t>((k * 7919) % 1048544) - 524272;
    return b;
}

// Writes seconds of stereo audio through a block writer; returns the wall time.
double WriteSound(BlockStore& store, LAudioData& sound, double seconds) {
    std::vector<std::int32_t> block = Block();
    const std::int64_t frames = static_cast<std::int64_t>(seconds * kRate);
    double t0 = NowSeconds();
    Ref<LBlockWriter> w = LBlockWriter::Create(store, sound, kRate, kChannels);
    for (std::int64_t done = 0; done < frames; done += kMaxFramesPerCall) {
        std::int32_t n = static_cast<std::int32_t>(std::min<std::int64_t>(kMaxFramesPerCall, frames - done));
        w->Write(block.data(), n);
    }
    if (!w->Finish()) std::fprintf(stderr, "writer failed: %s\n", w->errorText.c_str());
    w = nullptr;
    return NowSeconds() - t0;
}

double ReadSound(const LAudioData& sound) {
    std::vector<std::int32_t> block(static_cast<std::size_t>(kMaxFramesPerCall) * kChannels);
    double t0 = NowSeconds();
    Ref<LBlockReader> r = LBlockReader::Create(sound);
    const std::int32_t len = r->Length();
    std::int64_t sum = 0;
    for (std::int32_t done = 0; done < len; done += kMaxFramesPerCall) {
        r->Read(block.data(), kMaxFramesPerCall);
        sum += block[0];
    }
    if (sum == 42) std::puts("");
    return NowSeconds() - t0;
}

// The same bytes written sequentially in the same blocks through write(2), nothing else.
double PlainWrite(const std::string& path, std::size_t bytes) {
    std::vector<std::int32_t> block = Block();
    const std::size_t chunk = block.size() * 4;
    double t0 = NowSeconds();
    {
        int err = 0;
        UniqueFd fd = UniqueFd::CreateExclusive(path, &err);
        for (std::size_t done = 0; done < bytes; done += chunk)
            if (!WriteAll(fd.get(), block.data(), std::min(chunk, bytes - done))) break;
    }
    double wall = NowSeconds() - t0;
    RemoveFile(path);
    return wall;
}

Result WriterThroughput(Context& ctx) {
    const double seconds = 3600;
    const std::size_t bytes = static_cast<std::size_t>(seconds * kRate) * kChannels * 4;
    // Alternate the two, twice, and keep the best of each: the page cache favours whoever
    // runs second.
    double plain = 1e9, wall = 1e9, plainCpu = 1e9, cpu = 1e9;
    BlockStore store(ctx.workFolder);
    for (int round = 0; round < 2; ++round) {
        double c0 = CpuSeconds();
        plain = std::min(plain, PlainWrite(JoinPath(ctx.workFolder, "plain.raw"), bytes));
        plainCpu = std::min(plainCpu, CpuSeconds() - c0);
        LAudioData sound;
        c0 = CpuSeconds();
        wall = std::min(wall, WriteSound(store, sound, seconds));
        cpu = std::min(cpu, CpuSeconds() - c0);
    }
    char note[200];
    std::snprintf(note, sizeof note,
                  "%.0f MB/s; plain write %.3f s (%.0f MB/s); writer at %.0f%% of it (CPU time: %.0f%%)",
                  bytes / 1e6 / wall, plain, bytes / 1e6 / plain, 100.0 * plain / wall, 100.0 * plainCpu / cpu);
    return {seconds, wall, note};
}

Result ReaderThroughput(Context& ctx) {
    BlockStore store(ctx.workFolder);
    LAudioData sound;
    WriteSound(store, sound, 3600);
    ::sync();
    double wall = ReadSound(sound);
    char note[64];
    std::snprintf(note, sizeof note, "%.0f MB/s", 3600.0 * kRate * kChannels * 4 / 1e6 / wall);
    return {3600, wall, note};
}

// A 10-hour document cut into 10,000 segments over one block (no samples are needed: the
// segment operations never read them).
LAudioData TenHourDocument(BlockStore& store) {
    LAudioData sound(kRate, kChannels);
    const std::int32_t total = 10 * 3600 * kRate;
    const std::int32_t per = total / 10000;
    BlockNumber block = store.Allocate();
    for (int k = 0; k < 10000; ++k) {
        LSegment seg;
        seg.block = block;
        seg.frames = per;
        seg.offset = k * per;
        sound.AppendSegment(seg, &store);
    }
    store.Release(block);
    return sound;
}

Result EditOperations(Context& ctx) {
    BlockStore store(ctx.workFolder);
    LAudioData doc = TenHourDocument(store);
    const std::int32_t len = doc.Length();
    const int rounds = 200;
    double t0 = NowSeconds();
    for (int k = 0; k < rounds; ++k) {
        std::int32_t a = static_cast<std::int32_t>((static_cast<std::int64_t>(len) * (k % 97)) / 100);
        DeleteRange(doc, a, a + 44100);
    }
    double del = (NowSeconds() - t0) / rounds;
    LAudioData clip;
    CopyRange(clip, doc, len / 3, len / 3 + 441000);
    t0 = NowSeconds();
    for (int k = 0; k < rounds; ++k) Insert(doc, static_cast<std::int32_t>((static_cast<std::int64_t>(len) * (k % 89)) / 100), clip);
    double ins = (NowSeconds() - t0) / rounds;
    t0 = NowSeconds();
    for (int k = 0; k < rounds; ++k) {
        LAudioData copy;
        std::int32_t a = static_cast<std::int32_t>((static_cast<std::int64_t>(len) * (k % 83)) / 100);
        CopyRange(copy, doc, a, a + 10 * 60 * kRate);
    }
    double cpy = (NowSeconds() - t0) / rounds;
    char note[200];
    std::snprintf(note, sizeof note, "%zu segments: DeleteRange %.1f us, Insert %.1f us, CopyRange %.1f us",
                  doc.Segments().size(), del * 1e6, ins * 1e6, cpy * 1e6);
    return {0, del + ins + cpy, note};
}

Result TwoHourMemory(Context& ctx) {
    BlockStore store(ctx.workFolder);
    LAudioData sound;
    double w = WriteSound(store, sound, 7200);
    double r = ReadSound(sound);
    char note[64];
    std::snprintf(note, sizeof note, "write %.2f s + read %.2f s; peak RSS is the column", w, r);
    return {7200 * 2, w + r, note};
}

SONVELA_BENCH("block writer, 1 h stereo", WriterThroughput);
SONVELA_BENCH("block reader, 1 h stereo", ReaderThroughput);
SONVELA_BENCH("segment edits, 10 h / 10,000 segments", EditOperations);
SONVELA_BENCH("write + read 2 h stereo (memory)", TwoHourMemory);

}  // namespace
}  // namespace sv::bench

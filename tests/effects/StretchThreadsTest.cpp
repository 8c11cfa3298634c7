// The time stretch's two stages on two threads against the same stretch on one, and the counter
// the stages hand frames over with. Also built under ThreadSanitizer (scripts/tsan.sh).
#include "EffectTestFixture.h"
#include "SignalAnalysis.h"

#include "effects/StageCounter.h"
#include "effects/TimeStretch.h"

#include <atomic>
#include <thread>

namespace sv {
namespace {

using test::SineSamples;
using test::VectorReader;

// Two tones per channel over a little noise, so that every frame has peaks that move.
std::vector<std::int32_t> Material(std::int32_t frames, std::uint8_t channels) {
    std::vector<std::int32_t> s = SineSamples(frames, 44100, {441.0, 1041.0, 2500.0}, 4.0e8, channels);
    std::uint32_t noise = 1;
    for (std::int32_t& v : s) {
        noise = noise * 1664525u + 1013904223u;
        v += static_cast<std::int32_t>(noise >> 16) - 32768;
    }
    return s;
}

// Reads pieces of the given sizes in turn, seeking to each listed output frame once the
// running total passes it; the samples read, in order.
std::vector<std::int32_t> ReadInPieces(LAudioReader& r, std::int32_t total, const std::vector<std::int32_t>& pieces,
                                       const std::vector<std::pair<std::int32_t, std::int32_t>>& seeks) {
    std::vector<std::int32_t> out;
    std::vector<std::int32_t> buf;
    std::size_t next = 0, seek = 0;
    for (std::int32_t done = 0; done < total;) {
        if (seek < seeks.size() && done >= seeks[seek].first) r.Seek(seeks[seek++].second);
        const std::int32_t n = std::min(pieces[next++ % pieces.size()], total - done);
        buf.assign(static_cast<std::size_t>(n) * r.channels, 0);
        r.Read(buf.data(), n);
        out.insert(out.end(), buf.begin(), buf.end());
        done += n;
    }
    return out;
}

TEST(StretchThreads, TheWorkerGivesTheSameSamplesAsOneThreadWhateverTheChannelsReadsAndSeeks) {
    const std::vector<std::int32_t> pieces = {1, 4096, 333, 8192, 77, 2000};
    const std::vector<std::pair<std::int32_t, std::int32_t>> seeks = {{20000, 1000}, {35000, 90000}, {45000, 0}};
    for (std::uint8_t channels : {1, 2, 3}) {
        for (double factor : {1.5, 0.75, 0.01}) {
            const std::vector<std::int32_t> material = Material(60000, channels);
            auto stretch = [&](StretchThreads threads) {
                Ref<LAudioReader> r =
                    LTimeStretch::Create(Ref<LAudioReader>(new VectorReader(material, channels)), factor, threads);
                return ReadInPieces(*r, 60000, pieces, seeks);
            };
            const std::vector<std::int32_t> inline_ = stretch(StretchThreads::Inline);
            EXPECT_EQ(stretch(StretchThreads::Auto), inline_) << int{channels} << " channels, factor " << factor;
        }
    }
}

TEST(StretchThreads, AStretchLetGoWithFramesInFlightStopsItsWorker) {
    for (int i = 0; i < 20; ++i) {
        Ref<LAudioReader> r = LTimeStretch::Create(Ref<LAudioReader>(new VectorReader(Material(44100, 2), 2)), 1.5);
        std::vector<std::int32_t> buf(2 * 100);
        r->Read(buf.data(), 100);
    }
}

TEST(StageCounter, AWaiterSeesEveryCountPublishedAndLeavesWhenStopped) {
    StageCounter produced, taken;
    std::atomic<bool> stop{false};
    std::vector<int> slots(8, 0);
    long sum = 0;
    std::thread consumer([&] {
        for (std::int64_t i = 0; produced.WaitAbove(i, stop); ++i) {
            sum += slots[static_cast<std::size_t>(i % 8)];
            taken.Publish(i + 1);
        }
    });
    for (std::int64_t i = 0; i < 20000; ++i) {
        if (i >= 8) taken.WaitAbove(i - 8, stop);
        slots[static_cast<std::size_t>(i % 8)] = static_cast<int>(i % 7);
        // Now and then the consumer runs dry long enough to fall asleep.
        if (i % 5000 == 4999) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        produced.Publish(i + 1);
    }
    taken.WaitAbove(19999, stop);
    stop.store(true);
    produced.Wake();
    consumer.join();
    long expected = 0;
    for (std::int64_t i = 0; i < 20000; ++i) expected += i % 7;
    EXPECT_EQ(sum, expected);
    EXPECT_EQ(taken.Load(), 20000);
}

}  // namespace
}  // namespace sv

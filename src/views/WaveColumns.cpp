#include "views/WaveColumns.h"

#include "platform/UniqueFd.h"

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <vector>

namespace sv {

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return -FloorDiv(-a, b); }

std::uint8_t Capped(std::int64_t v) {
    if (v <= 0) return 0;
    return v >= 255 ? 255 : static_cast<std::uint8_t>(v);
}

std::int32_t ClampFrame(std::int64_t f) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(f, INT_MIN, INT_MAX));
}

// A peak byte of a segment whose gain is not unity, scaled like its samples would be.
std::uint8_t ScaledPeak(std::uint8_t byte, std::int64_t gainMagnitude) {
    return Capped((static_cast<std::int64_t>(byte) * gainMagnitude) >> 24);
}

}  // namespace

std::int64_t WaveGeometry::FrameToColumn(std::int64_t frame) const {
    if (length <= 0) return 0;
    return FloorDiv((frame - start) * ScaleWidth(), length);
}

std::int64_t WaveGeometry::ColumnToFrame(std::int64_t col) const {
    if (length <= 0) return start;
    return start + CeilDiv(col * length, ScaleWidth());
}

ColumnCache::Update ColumnCache::SetView(std::int32_t start, std::int32_t length, int width) {
    width = std::clamp(width, 0, kMaxColumns);
    Update up;
    up.x0 = 0;
    up.x1 = width;
    if (!valid_ || length != geometry_.length || width != geometry_.width) {
        geometry_ = {start, length, width};
        valid_ = true;
        return up;
    }
    // The shift is the old start's column seen from the new start, truncated like any column.
    WaveGeometry moved = geometry_;
    moved.start = start;
    const std::int64_t d = -moved.FrameToColumn(geometry_.start);
    geometry_.start = start;
    if (d == 0) {
        up.x1 = 0;
        up.full = false;
        return up;
    }
    if (std::llabs(d) >= width) return up;
    const int n = static_cast<int>(std::llabs(d));
    up.full = false;
    up.shift = static_cast<int>(d);
    if (d > 0) {
        // Forwards: the kept columns move towards the start and the last ones are exposed.
        std::copy(top.begin() + n, top.begin() + width, top.begin());
        std::copy(bottom.begin() + n, bottom.begin() + width, bottom.begin());
        up.x0 = std::max(0, width - n - 1);
        up.x1 = width;
    } else {
        std::copy_backward(top.begin(), top.begin() + (width - n), top.begin() + width);
        std::copy_backward(bottom.begin(), bottom.begin() + (width - n), bottom.begin() + width);
        up.x0 = 0;
        up.x1 = std::min(width, n + 1);
    }
    return up;
}

bool ComputeColumnsFromSamples(LAudioReader& reader, const ColumnStyle& style, const WaveGeometry& geometry,
                               int x0, int x1, std::uint8_t* top, std::uint8_t* bottom,
                               const std::atomic<bool>* stop) {
    const int channels = std::max(1, style.channels);
    const int shift = style.verticalZoom ? kZoomedSampleShift : kSampleShift;
    const bool split = style.SplitChannels();
    const std::int64_t end = reader.Length();
    std::vector<std::int32_t> buffer(static_cast<std::size_t>(kMaxFramesPerCall) * static_cast<std::size_t>(channels));
    std::int64_t next = geometry.ColumnToFrame(x0);
    std::int64_t position = LLONG_MIN;
    for (int x = x0; x < x1; ++x) {
        if (stop && stop->load(std::memory_order_relaxed)) return false;
        const std::int64_t first = next;
        next = geometry.ColumnToFrame(x + 1);
        // Frames outside the sound read as silence; there is no need to read them.
        std::int64_t from = std::max<std::int64_t>(first, 0);
        const std::int64_t to = std::min(next, end);
        std::int64_t hi[2] = {0, 0};
        std::int64_t lo[2] = {0, 0};
        if (from < to && position != from) {
            reader.Seek(ClampFrame(from));
            position = from;
        }
        while (from < to) {
            const std::int32_t n = static_cast<std::int32_t>(std::min<std::int64_t>(to - from, kMaxFramesPerCall));
            reader.Read(buffer.data(), n);
            const std::int32_t* s = buffer.data();
            for (std::int32_t f = 0; f < n; ++f) {
                for (int c = 0; c < channels; ++c, ++s) {
                    const int slot = split ? (c & 1) : 0;
                    hi[slot] = std::max<std::int64_t>(hi[slot], *s);
                    lo[slot] = std::min<std::int64_t>(lo[slot], *s);
                }
            }
            from += n;
            position += n;
        }
        const std::size_t i = static_cast<std::size_t>(x - x0);
        if (split) {
            top[i] = Capped(std::max(hi[0], -lo[0]) >> shift);
            bottom[i] = Capped(std::max(hi[1], -lo[1]) >> shift);
        } else {
            top[i] = Capped(hi[0] >> shift);
            bottom[i] = Capped((-lo[0]) >> shift);
        }
    }
    return true;
}

bool ComputeColumnsFromPeaks(const LAudioData& sound, const ColumnStyle& style, const WaveGeometry& geometry,
                             int x0, int x1, std::uint8_t* top, std::uint8_t* bottom,
                             const std::atomic<bool>* stop) {
    if (x1 <= x0) return true;
    std::fill(top, top + (x1 - x0), 0);
    std::fill(bottom, bottom + (x1 - x0), 0);
    const int channels = std::max<int>(1, sound.channels);
    const bool split = style.SplitChannels();
    const std::int64_t first = std::max<std::int64_t>(geometry.ColumnToFrame(x0), 0);
    const std::int64_t last = geometry.ColumnToFrame(x1);  // exclusive
    // Whole peak groups per read, 64 KiB at a time.
    const std::int64_t groupsPerPiece = std::max(1, 65536 / (channels * 2));
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(groupsPerPiece * channels * 2));
    // The column being filled and the first frame of the next one, advanced as groups go by,
    // so that no group costs a division.
    std::int64_t col = x0;
    std::int64_t nextColumnFrame = geometry.ColumnToFrame(col + 1);
    auto columnOf = [&](std::int64_t frame) {
        while (frame >= nextColumnFrame && col < x1) {
            ++col;
            nextColumnFrame = geometry.ColumnToFrame(col + 1);
        }
        return col;
    };
    std::int64_t segStart = 0;
    for (const LSegment& seg : sound.Segments()) {
        const std::int64_t segEnd = segStart + seg.frames;
        const std::int64_t a = std::max(first, segStart);
        const std::int64_t b = std::min(last, segEnd);
        if (a < b && seg.block != kSilentBlock && sound.Store() && seg.gain != 0) {
            if (stop && stop->load(std::memory_order_relaxed)) return false;
            UniqueFd file = UniqueFd::OpenSharedRead(sound.Store()->PeakFilePath(seg.block));
            const std::int64_t gainMagnitude = std::llabs(static_cast<std::int64_t>(seg.gain));
            const bool scaled = gainMagnitude != kUnityGain;
            const bool inverted = seg.gain < 0;
            // Block frames of [a, b), and how block frames map to document frames.
            const std::int64_t blockA = seg.offset + (a - segStart);
            const std::int64_t blockB = seg.offset + (b - segStart);
            const std::int64_t toDocument = segStart - seg.offset;
            std::int64_t group = blockA / kPeakGroupFrames;
            const std::int64_t groupEnd = (blockB - 1) / kPeakGroupFrames + 1;
            while (group < groupEnd && file.valid()) {
                if (stop && stop->load(std::memory_order_relaxed)) return false;
                const std::int64_t count = std::min(groupsPerPiece, groupEnd - group);
                const std::size_t want = static_cast<std::size_t>(count * channels * 2);
                const off_t at = static_cast<off_t>(group * channels * 2);
                std::size_t got = 0;
                while (got < want) {
                    ssize_t r = ::pread(file.get(), bytes.data() + got, want - got, at + static_cast<off_t>(got));
                    if (r <= 0) break;
                    got += static_cast<std::size_t>(r);
                }
                // A short peak file reads as silence.
                std::fill(bytes.begin() + static_cast<std::ptrdiff_t>(got), bytes.begin() + static_cast<std::ptrdiff_t>(want), 0);
                for (std::int64_t g = 0; g < count; ++g) {
                    const std::uint8_t* p = bytes.data() + g * channels * 2;
                    std::uint8_t up = 0;
                    std::uint8_t down = 0;
                    for (int c = 0; c < channels; ++c) {
                        std::uint8_t mx = p[c * 2];
                        std::uint8_t mn = p[c * 2 + 1];
                        if (scaled) {
                            mx = ScaledPeak(mx, gainMagnitude);
                            mn = ScaledPeak(mn, gainMagnitude);
                        }
                        if (inverted) std::swap(mx, mn);
                        if (split) {
                            const std::uint8_t both = std::max(mx, mn);
                            if (c == 0) up = std::max(up, both);
                            else down = std::max(down, both);
                        } else {
                            up = std::max(up, mx);
                            down = std::max(down, mn);
                        }
                    }
                    if (style.verticalZoom) {
                        // Peak bytes were shifted by 11; the zoomed scale shifts by 8.
                        up = Capped(static_cast<std::int64_t>(up) << (kSampleShift - kZoomedSampleShift));
                        down = Capped(static_cast<std::int64_t>(down) << (kSampleShift - kZoomedSampleShift));
                    }
                    // The group's frames inside the segment, as document frames; with more than
                    // 256 frames per column a group touches at most two columns.
                    const std::int64_t gA = std::max((group + g) * kPeakGroupFrames, blockA) + toDocument;
                    const std::int64_t gB = std::min((group + g + 1) * kPeakGroupFrames, blockB) + toDocument;
                    if (gA >= gB) continue;
                    const std::int64_t c0 = columnOf(gA);
                    if (c0 >= x1) break;
                    for (std::int64_t c = c0; c < x1; ++c) {
                        const std::size_t i = static_cast<std::size_t>(c - x0);
                        top[i] = std::max(top[i], up);
                        bottom[i] = std::max(bottom[i], down);
                        if (gB <= (c == col ? nextColumnFrame : geometry.ColumnToFrame(c + 1))) break;
                    }
                }
                group += count;
            }
        }
        segStart = segEnd;
        if (segStart >= last) break;
    }
    return true;
}

ViewRepaint RepaintForRequest(const WaveGeometry& old, const WaveGeometry& now) {
    if (old.length != now.length || old.width != now.width || old.length <= 0) return {ViewRepaint::Everything, 0};
    WaveGeometry moved = old;
    moved.start = now.start;
    const std::int64_t d = -moved.FrameToColumn(old.start);
    if (d == 0) return {};
    if (std::llabs(d) < now.width) return {ViewRepaint::Scroll, static_cast<int>(-d)};
    return {ViewRepaint::Everything, 0};
}

}  // namespace sv

#include "core/SegmentOps.h"

#include <algorithm>
#include <climits>
#include <vector>

namespace sv {

struct SegmentListAccess {
    static std::vector<LSegment>& List(LAudioData& d) { return d.segments_; }
    static BlockStore*& Store(LAudioData& d) { return d.store_; }
};

namespace {

std::int32_t Clamp32(std::int64_t v) {
    return static_cast<std::int32_t>(std::max<std::int64_t>(INT_MIN, std::min<std::int64_t>(INT_MAX, v)));
}

LSegment Silence(std::int32_t frames) {
    LSegment s;
    s.frames = frames;
    return s;
}

// A second segment over the same block (the caller keeps the added reference in a list).
LSegment CopyOf(const LSegment& seg, BlockStore* store) {
    if (store) store->AddReference(seg.block);
    return seg;
}

// Index of the segment that holds frame pos (pos reduced to an offset inside it), or the
// list's size with pos reduced by the whole length when the list runs out.
std::size_t Locate(const std::vector<LSegment>& list, std::int64_t& pos) {
    std::size_t i = 0;
    if (pos > 0) {
        while (i < list.size() && pos >= list[i].frames) pos -= list[i++].frames;
    }
    return i;
}

// Puts ins at pos following the walk shared by Insert and InsertSilence. Past the end the gap
// is filled with silence, or, when padInto is set, the first inserted segment absorbs it.
void InsertSegments(LAudioData& dest, std::int64_t pos, std::vector<LSegment> ins, BlockStore* store,
                    bool padInto) {
    std::vector<LSegment>& list = SegmentListAccess::List(dest);
    BlockStore*& destStore = SegmentListAccess::Store(dest);
    if (store) destStore = store;

    if (pos < 0) {
        if (!list.empty()) ins.push_back(Silence(Clamp32(-pos)));
        list.insert(list.begin(), ins.begin(), ins.end());
        return;
    }
    std::size_t i = Locate(list, pos);
    if (i == list.size()) {
        if (pos > 0) {
            if (padInto && !ins.empty())
                ins.front().frames = Clamp32(ins.front().frames + pos);
            else
                ins.insert(ins.begin(), Silence(Clamp32(pos)));
        }
        list.insert(list.end(), ins.begin(), ins.end());
        return;
    }
    if (pos > 0) {
        LSegment tail = CopyOf(list[i], destStore);
        tail.offset = Clamp32(static_cast<std::int64_t>(tail.offset) + pos);
        tail.frames = Clamp32(tail.frames - pos);
        list[i].frames = static_cast<std::int32_t>(pos);
        ins.push_back(tail);
        ++i;
    }
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(i), ins.begin(), ins.end());
}

}  // namespace

void DeleteRange(LAudioData& sound, std::int32_t a32, std::int32_t b32) {
    std::int64_t a = a32, b = b32;
    if (a > b || b < 0) return;
    if (a < 0) a = 0;
    if (a == b) return;  // nothing to remove; avoids a needless split
    std::vector<LSegment>& list = SegmentListAccess::List(sound);
    BlockStore* store = SegmentListAccess::Store(sound);
    std::int64_t s = 0;
    std::size_t i = 0;
    while (i < list.size() && s + list[i].frames <= a) s += list[i++].frames;
    if (i == list.size()) return;

    // Segment i holds frame a.
    LSegment& first = list[i];
    const std::int64_t e = s + first.frames;
    if (b < e) {
        if (a > s) {  // the range lies inside: split around it
            LSegment tail = CopyOf(first, store);
            tail.offset = Clamp32(tail.offset + (b - s));
            tail.frames = static_cast<std::int32_t>(e - b);
            first.frames = static_cast<std::int32_t>(a - s);
            list.insert(list.begin() + static_cast<std::ptrdiff_t>(i) + 1, tail);
        } else {
            first.offset = Clamp32(first.offset + (b - s));
            first.frames = static_cast<std::int32_t>(e - b);
        }
        return;
    }
    if (a > s) {  // keep the head of the first segment
        b -= e - a;
        first.frames = static_cast<std::int32_t>(a - s);
        s = a;
        ++i;
    }
    // Later frames move forward as segments go, so b shrinks by each removed segment.
    std::size_t j = i;
    while (j < list.size() && b >= s + list[j].frames) b -= list[j++].frames;
    LAudioData::ReleaseList(store, list, i, j);
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(i), list.begin() + static_cast<std::ptrdiff_t>(j));
    if (i < list.size() && b > s) {
        list[i].offset = Clamp32(list[i].offset + (b - s));
        list[i].frames = static_cast<std::int32_t>(list[i].frames - (b - s));
    }
}

void Crop(LAudioData& sound, std::int32_t a, std::int32_t b) {
    if (a > 0)
        DeleteRange(sound, 0, a);
    else
        a = 0;
    DeleteRange(sound, Clamp32(static_cast<std::int64_t>(b) - a), sound.Length());
}

void TrimStart(LAudioData& sound, std::int32_t n) {
    if (n > 0) DeleteRange(sound, 0, n);
}

void TrimEnd(LAudioData& sound, std::int32_t n) { DeleteRange(sound, n, sound.Length()); }

void CopyRange(LAudioData& dest, const LAudioData& src, std::int32_t a, std::int32_t b) {
    if (a > b) return;
    // Built directly from the segments that overlap [a, b), so that the cost follows the
    // segments copied rather than the whole of src: silence before 0, the overlapping part,
    // silence after the end, b - a frames in all.
    const std::vector<LSegment>& in = src.Segments();
    BlockStore* store = src.Store();
    std::vector<LSegment> out;
    std::int64_t from = a, to = b;
    if (from < 0) {
        out.push_back(Silence(Clamp32(std::min<std::int64_t>(to, 0) - from)));
        from = 0;
    }
    std::int64_t s = 0;
    for (std::size_t i = 0; i < in.size() && s < to; ++i) {
        const std::int64_t e = s + in[i].frames;
        if (e > from && in[i].frames > 0) {
            LSegment seg = in[i];
            std::int64_t head = std::max<std::int64_t>(from - s, 0);
            std::int64_t tail = std::max<std::int64_t>(e - to, 0);
            seg.offset = Clamp32(seg.offset + head);
            seg.frames = static_cast<std::int32_t>(seg.frames - head - tail);
            out.push_back(seg);
        }
        s = e;
    }
    std::int64_t have = 0;
    for (const LSegment& seg : out) have += seg.frames;
    const std::int64_t want = std::min<std::int64_t>(to - static_cast<std::int64_t>(a), INT_MAX);
    if (want > have) out.push_back(Silence(Clamp32(want - have)));
    if (store && !out.empty()) store->AddReferences(&out[0].block, out.size(), sizeof(LSegment));

    const std::int32_t rate = src.sampleRate;
    const std::uint8_t channels = src.channels;
    dest.Free();
    dest.sampleRate = rate;
    dest.channels = channels;
    SegmentListAccess::List(dest) = std::move(out);
    if (store) SegmentListAccess::Store(dest) = store;
}

void CutRange(LAudioData& dest, LAudioData& src, std::int32_t a, std::int32_t b) {
    if (&dest == &src) return;
    CopyRange(dest, src, a, b);
    DeleteRange(src, a, b);
}

void Insert(LAudioData& dest, std::int32_t pos, const LAudioData& src) {
    BlockStore* store = src.Store();
    std::vector<LSegment> ins;
    ins.reserve(src.Segments().size() + 1);
    for (const LSegment& seg : src.Segments()) ins.push_back(CopyOf(seg, store));
    InsertSegments(dest, pos, std::move(ins), store, false);
}

void InsertSilence(LAudioData& sound, std::int32_t pos, std::int32_t n) {
    std::int64_t p = pos, count = n;
    if (p < 0) {
        if (-p > count) return;
        count += p;
        p = 0;
    }
    if (count <= 0) return;
    InsertSegments(sound, p, {Silence(static_cast<std::int32_t>(count))}, nullptr, true);
}

void ReplaceRange(LAudioData& sound, std::int32_t a, std::int32_t b, const LAudioData& src) {
    DeleteRange(sound, a, b);
    Insert(sound, a, src);
}

void Repeat(LAudioData& sound, std::int32_t a, std::int32_t b, std::int32_t count) {
    LAudioData temp;
    CopyRange(temp, sound, a, b);
    for (std::int32_t k = 0; k < count; ++k) Insert(sound, a, temp);
}

void ScaleRange(LAudioData& sound, std::int32_t a, std::int32_t b, std::int32_t percent) {
    if (a > b || percent == 100) return;
    LAudioData temp;
    CutRange(temp, sound, a, b);
    const std::int64_t limit = percent > 100 ? static_cast<std::int64_t>(INT_MAX / percent) * 100 : INT_MAX;
    for (LSegment& seg : SegmentListAccess::List(temp)) {
        if (seg.gain >= limit)
            seg.gain = INT_MAX;
        else  // multiply first, in 64 bits: 200 % of unity is exactly 33,554,432
            seg.gain = Clamp32(static_cast<std::int64_t>(seg.gain) * percent / 100);
    }
    Insert(sound, a, temp);
}

}  // namespace sv

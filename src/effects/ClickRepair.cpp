#include "effects/ClickRepair.h"

#include "effects/RoundSample.h"

#include "core/AudioDocument.h"
#include "core/BlockReader.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace sv {

namespace {

constexpr std::int32_t kJoinGap = kClickOrder;
constexpr std::int32_t kWiden = 2;
constexpr std::int32_t kModelContext = 2048;
constexpr std::int32_t kChunk = 16384;
constexpr int kMaxInterpolationOrder = 96;
// One step of a 16-bit sample: the smallest deviation a residual is measured against, so
// digital silence does not make every dither step a click.
constexpr double kMinimumDeviation = 16.0;

double RobustDeviation(std::vector<double>& magnitudes) {
    if (magnitudes.empty()) return kMinimumDeviation;
    auto mid = magnitudes.begin() + static_cast<std::ptrdiff_t>(magnitudes.size() / 2);
    std::nth_element(magnitudes.begin(), mid, magnitudes.end());
    return std::max(1.4826 * *mid, kMinimumDeviation);
}

// Frames [from, to) of reader into dst (interleaved), silence before 0.
void ReadFrames(LAudioReader& reader, std::int64_t from, std::int64_t to, std::int32_t* dst) {
    const int ch = reader.channels;
    if (from < 0) {
        const std::int64_t zeros = std::min(to, std::int64_t{0}) - from;
        std::fill_n(dst, static_cast<std::size_t>(zeros) * ch, 0);
        dst += zeros * ch;
        from += zeros;
    }
    if (from >= to) return;
    reader.Seek(static_cast<std::int32_t>(from));
    for (std::int64_t at = from; at < to;) {
        const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(kMaxFramesPerCall, to - at));
        reader.Read(dst, n);
        dst += static_cast<std::size_t>(n) * ch;
        at += n;
    }
}

void ChannelOf(const std::vector<std::int32_t>& frames, int ch, int c, std::vector<double>& x) {
    x.resize(frames.size() / static_cast<std::size_t>(ch));
    for (std::size_t i = 0; i < x.size(); ++i) x[i] = frames[i * static_cast<std::size_t>(ch) + static_cast<std::size_t>(c)];
}

}  // namespace

std::vector<double> FitAutoregression(const std::vector<std::pair<const double*, std::size_t>>& stretches, int order) {
    std::vector<double> r(static_cast<std::size_t>(order) + 1, 0.0);
    for (const auto& [x, len] : stretches)
        for (int l = 0; l <= order; ++l)
            for (std::size_t n = static_cast<std::size_t>(l); n < len; ++n) r[static_cast<std::size_t>(l)] += x[n] * x[n - static_cast<std::size_t>(l)];
    std::vector<double> a(static_cast<std::size_t>(order) + 1, 0.0), prev;
    a[0] = 1;
    double e = r[0] * (1 + 1e-9);
    if (!(e > 0)) return a;
    for (int i = 1; i <= order; ++i) {
        double acc = r[static_cast<std::size_t>(i)];
        for (int j = 1; j < i; ++j) acc += a[static_cast<std::size_t>(j)] * r[static_cast<std::size_t>(i - j)];
        const double k = -acc / e;
        prev = a;
        for (int j = 1; j < i; ++j) a[static_cast<std::size_t>(j)] = prev[static_cast<std::size_t>(j)] + k * prev[static_cast<std::size_t>(i - j)];
        a[static_cast<std::size_t>(i)] = k;
        e *= 1 - k * k;
        if (!(e > 0)) break;
    }
    return a;
}

std::vector<double> FitCovariance(const std::vector<std::pair<const double*, std::size_t>>& stretches, int order) {
    const std::size_t p = static_cast<std::size_t>(std::max(order, 1)), w = p + 1;
    std::vector<double> phi(w * w, 0.0);  // phi[i * w + j] = sum x[n - i] x[n - j], i <= j
    for (const auto& [x, len] : stretches)
        for (std::size_t n = p; n < len; ++n)
            for (std::size_t i = 0; i <= p; ++i) {
                const double xi = x[n - i];
                for (std::size_t j = i; j <= p; ++j) phi[i * w + j] += xi * x[n - j];
            }
    // Solve sum_j phi(i, j) a_j = -phi(i, 0) for i, j in 1..p by Cholesky, lightly loaded so a
    // signal with fewer components than the order stays solvable.
    double trace = 0;
    for (std::size_t i = 1; i <= p; ++i) trace += phi[i * w + i];
    const double load = 1e-9 * trace / static_cast<double>(p) + 1e-9;
    std::vector<double> m(p * p), b(p);
    for (std::size_t i = 0; i < p; ++i) {
        for (std::size_t j = 0; j < p; ++j) {
            const std::size_t lo = std::min(i, j) + 1, hi = std::max(i, j) + 1;
            m[i * p + j] = phi[lo * w + hi];
        }
        m[i * p + i] += load;
        b[i] = -phi[0 * w + i + 1];
    }
    for (std::size_t j = 0; j < p; ++j) {
        double d = m[j * p + j];
        for (std::size_t k = 0; k < j; ++k) d -= m[j * p + k] * m[j * p + k];
        d = std::sqrt(std::max(d, 1e-300));
        m[j * p + j] = d;
        for (std::size_t i = j + 1; i < p; ++i) {
            double s = m[i * p + j];
            for (std::size_t k = 0; k < j; ++k) s -= m[i * p + k] * m[j * p + k];
            m[i * p + j] = s / d;
        }
    }
    for (std::size_t i = 0; i < p; ++i) {
        double s = b[i];
        for (std::size_t k = 0; k < i; ++k) s -= m[i * p + k] * b[k];
        b[i] = s / m[i * p + i];
    }
    for (std::size_t i = p; i-- > 0;) {
        double s = b[i];
        for (std::size_t k = i + 1; k < p; ++k) s -= m[k * p + i] * b[k];
        b[i] = s / m[i * p + i];
    }
    std::vector<double> a(w, 0.0);
    a[0] = 1;
    for (std::size_t i = 0; i < p; ++i) a[i + 1] = std::isfinite(b[i]) ? b[i] : 0.0;
    return a;
}

double ClickThreshold(int sensitivityPercent) { return 3.0 + (100 - std::clamp(sensitivityPercent, 0, 100)) * 0.1; }

std::vector<ClickRegion> DetectClicks(const double* x, std::int32_t len, std::int32_t from, std::int32_t to,
                                      const std::vector<double>& a, double k, std::int32_t maxLength) {
    const auto p = static_cast<std::int32_t>(a.size()) - 1;
    const std::int32_t lo = std::max(from, p), hi = std::min(len - p, to + maxLength + kJoinGap);
    std::vector<ClickRegion> clicks;
    if (hi <= lo) return clicks;
    std::vector<double> ef(static_cast<std::size_t>(hi - lo)), eb(ef.size());
    for (std::int32_t n = lo; n < hi; ++n) {
        double f = x[n], b = x[n];
        for (std::int32_t i = 1; i <= p; ++i) {
            f += a[static_cast<std::size_t>(i)] * x[n - i];
            b += a[static_cast<std::size_t>(i)] * x[n + i];
        }
        ef[static_cast<std::size_t>(n - lo)] = f;
        eb[static_cast<std::size_t>(n - lo)] = b;
    }
    const std::int32_t coreEnd = std::max(lo, std::min(to, hi));
    std::vector<double> mag;
    mag.reserve(static_cast<std::size_t>(coreEnd - lo));
    for (std::int32_t n = lo; n < coreEnd; ++n) mag.push_back(std::fabs(ef[static_cast<std::size_t>(n - lo)]));
    const double tf = k * RobustDeviation(mag);
    mag.clear();
    for (std::int32_t n = lo; n < coreEnd; ++n) mag.push_back(std::fabs(eb[static_cast<std::size_t>(n - lo)]));
    const double tb = k * RobustDeviation(mag);

    std::int32_t first = -1, last = -1;
    // The fading ends of a click fall below the threshold first. Beyond the end, the backward
    // residual is free of the click's echo (which runs backwards), and before the start the
    // forward one: each at half the threshold grows the click outwards.
    auto grow = [&] {
        for (bool more = true; more;) {
            more = false;
            for (std::int32_t m = std::min(hi - 1, last + kJoinGap); m > last; --m)
                if (std::fabs(eb[static_cast<std::size_t>(m - lo)]) > 0.5 * tb) {
                    last = m;
                    more = true;
                    break;
                }
        }
        for (bool more = true; more;) {
            more = false;
            for (std::int32_t m = std::max(lo, first - kJoinGap); m < first; ++m)
                if (std::fabs(ef[static_cast<std::size_t>(m - lo)]) > 0.5 * tf) {
                    first = m;
                    more = true;
                    break;
                }
        }
    };
    auto close = [&] {
        if (first < 0) return;
        grow();
        const ClickRegion c{std::max(p, first - kWiden), std::min(len - p, last + 1 + kWiden)};
        if (first >= from && first < to && last + 1 - first <= maxLength) clicks.push_back(c);
        first = last = -1;
    };
    for (std::int32_t n = lo; n < hi; ++n) {
        const std::size_t i = static_cast<std::size_t>(n - lo);
        if (std::fabs(ef[i]) <= tf || std::fabs(eb[i]) <= tb) continue;
        if (first >= 0 && n - last > kJoinGap) close();
        if (first < 0) {
            if (n >= to) break;
            first = n;
        }
        last = n;
    }
    close();
    return clicks;
}

void InterpolateClick(double* x, std::int32_t len, std::int32_t start, std::int32_t end, int order) {
    start = std::clamp(start, 0, len);
    end = std::clamp(end, start, len);
    const std::int32_t n = end - start;
    if (n <= 0) return;
    // A gap longer than the model's order is bridged poorly (the interpolation sags towards 0
    // in the middle), so long clicks get a longer model: twice the gap and a little more.
    const int wanted = std::min(std::max(order, 2 * n + 8), kMaxInterpolationOrder);
    const std::int32_t context = std::min(kModelContext, std::max({4 * n, 8 * wanted, 512}));
    const std::int32_t before = std::min(start, context), after = std::min(len - end, context);
    const int p = std::min({wanted, before, after, std::max(1, std::min(before, after) / 4)});
    if (p < 1 || before < 1 || after < 1) {
        // Nothing to model from: a straight line between the neighbours that exist.
        const double l = start > 0 ? x[start - 1] : (end < len ? x[end] : 0.0);
        const double r = end < len ? x[end] : l;
        for (std::int32_t i = 0; i < n; ++i) x[start + i] = l + (r - l) * (i + 1) / (n + 1);
        return;
    }
    const std::vector<double> c = FitCovariance({{x + start - before, static_cast<std::size_t>(before)},
                                                     {x + end, static_cast<std::size_t>(after)}},
                                                    p);
    // Prediction errors with the missing samples at 0, over [start, end + p).
    std::vector<double> e0(static_cast<std::size_t>(n + p));
    for (std::int32_t m = 0; m < n + p; ++m) {
        double s = 0;
        for (int i = 0; i <= p; ++i) {
            const std::int32_t at = start + m - i;
            if (at >= start && at < end) continue;
            s += c[static_cast<std::size_t>(i)] * x[at];
        }
        e0[static_cast<std::size_t>(m)] = s;
    }
    std::vector<double> rc(static_cast<std::size_t>(p) + 1, 0.0);
    for (int d = 0; d <= p; ++d)
        for (int j = 0; j + d <= p; ++j) rc[static_cast<std::size_t>(d)] += c[static_cast<std::size_t>(j)] * c[static_cast<std::size_t>(j + d)];
    rc[0] *= 1 + 1e-9;
    std::vector<double> rhs(static_cast<std::size_t>(n));
    for (std::int32_t m = 0; m < n; ++m) {
        double s = 0;
        for (int j = 0; j <= p; ++j) s += c[static_cast<std::size_t>(j)] * e0[static_cast<std::size_t>(m + j)];
        rhs[static_cast<std::size_t>(m)] = -s;
    }
    // Banded Cholesky: band[i * (p + 1) + k] = L(i, i - k).
    const std::size_t w = static_cast<std::size_t>(p) + 1;
    std::vector<double> band(static_cast<std::size_t>(n) * w, 0.0);
    auto L = [&](std::int32_t i, std::int32_t j) -> double& { return band[static_cast<std::size_t>(i) * w + static_cast<std::size_t>(i - j)]; };
    for (std::int32_t i = 0; i < n; ++i)
        for (std::int32_t j = std::max(0, i - p); j <= i; ++j) {
            double s = rc[static_cast<std::size_t>(i - j)];
            for (std::int32_t k = std::max(0, i - p); k < j; ++k) s -= L(i, k) * L(j, k);
            if (i == j)
                L(i, i) = std::sqrt(std::max(s, 1e-12));
            else
                L(i, j) = s / L(j, j);
        }
    for (std::int32_t i = 0; i < n; ++i) {
        double s = rhs[static_cast<std::size_t>(i)];
        for (std::int32_t k = std::max(0, i - p); k < i; ++k) s -= L(i, k) * rhs[static_cast<std::size_t>(k)];
        rhs[static_cast<std::size_t>(i)] = s / L(i, i);
    }
    for (std::int32_t i = n - 1; i >= 0; --i) {
        double s = rhs[static_cast<std::size_t>(i)];
        for (std::int32_t k = i + 1; k <= std::min(n - 1, i + p); ++k) s -= L(k, i) * rhs[static_cast<std::size_t>(k)];
        rhs[static_cast<std::size_t>(i)] = s / L(i, i);
    }
    for (std::int32_t i = 0; i < n; ++i) x[start + i] = rhs[static_cast<std::size_t>(i)];
}

LClickRepairFilter::LClickRepairFilter(Ref<LAudioReader> input, int sensitivityPercent, int maxLength)
    : LFilter(std::move(input)), k_(ClickThreshold(sensitivityPercent)),
      maxLength_(std::clamp(maxLength, 1, kMaxFramesPerCall)),
      margin_(maxLength_ + kModelContext + kClickOrder + kJoinGap) {
    if (input_) position_ = input_->Position();
}

void LClickRepairFilter::Seek(std::int32_t position) {
    position_ = position;
    started_ = false;
}

void LClickRepairFilter::Restart() {
    started_ = true;
    buffer_.clear();
    bufferStart_ = bufferEnd_ = std::int64_t{position_} - margin_;
    readAt_ = INT64_MIN;  // the input is not where the buffer ends yet
    processedEnd_ = position_;
}

// Extends the buffer to frame upTo, reading the input in order.
void LClickRepairFilter::Fill(std::int64_t upTo) {
    if (upTo <= bufferEnd_) return;
    const int ch = channels;
    buffer_.resize(static_cast<std::size_t>(upTo - bufferStart_) * static_cast<std::size_t>(ch));
    std::int32_t* dst = buffer_.data() + (bufferEnd_ - bufferStart_) * ch;
    if (bufferEnd_ < 0) {
        const std::int64_t zeros = std::min<std::int64_t>(upTo, 0) - bufferEnd_;
        std::fill_n(dst, static_cast<std::size_t>(zeros) * static_cast<std::size_t>(ch), 0);
        dst += zeros * ch;
        bufferEnd_ += zeros;
    }
    if (bufferEnd_ < upTo && readAt_ != bufferEnd_) input_->Seek(static_cast<std::int32_t>(bufferEnd_));
    while (bufferEnd_ < upTo) {
        const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(kMaxFramesPerCall, upTo - bufferEnd_));
        input_->Read(dst, n);
        dst += static_cast<std::size_t>(n) * static_cast<std::size_t>(ch);
        bufferEnd_ += n;
    }
    readAt_ = bufferEnd_;
}

void LClickRepairFilter::ProcessNext() {
    const int ch = channels;
    const std::int64_t c0 = processedEnd_, c1 = c0 + kChunk;
    const std::int64_t drop = std::clamp<std::int64_t>(c0 - margin_ - bufferStart_, 0, bufferEnd_ - bufferStart_);
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(drop * ch));
    bufferStart_ += drop;
    Fill(c1 + margin_);
    const auto len = static_cast<std::int32_t>(bufferEnd_ - bufferStart_);
    const auto from = static_cast<std::int32_t>(c0 - bufferStart_), to = static_cast<std::int32_t>(c1 - bufferStart_);
    for (int c = 0; c < ch; ++c) {
        ChannelOf(buffer_, ch, c, x_);
        const std::vector<double> a = FitAutoregression({{x_.data(), x_.size()}}, kClickOrder);
        for (const ClickRegion& r : DetectClicks(x_.data(), len, from, to, a, k_, maxLength_)) {
            InterpolateClick(x_.data(), len, r.start, r.end);
            for (std::int32_t i = r.start; i < r.end; ++i)
                buffer_[static_cast<std::size_t>(i) * static_cast<std::size_t>(ch) + static_cast<std::size_t>(c)] =
                    RoundToSample(x_[static_cast<std::size_t>(i)]);
            ++repaired_;
        }
    }
    processedEnd_ = c1;
}

void LClickRepairFilter::Read(std::int32_t* dst, std::int32_t frames) {
    if (!input_ || channels == 0) return;
    if (!started_) Restart();
    const std::size_t ch = channels;
    while (frames > 0) {
        if (position_ >= processedEnd_) ProcessNext();
        const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(frames, processedEnd_ - position_));
        std::copy_n(buffer_.data() + static_cast<std::size_t>(position_ - bufferStart_) * ch, static_cast<std::size_t>(n) * ch, dst);
        dst += static_cast<std::size_t>(n) * ch;
        position_ += n;
        frames -= n;
    }
}

Ref<LAudioReader> LClickRepairEffect::CreateProcessor(const Ref<LAudioReader>& input) const {
    if (!input || input->errorCode != kReaderOk) return input;
    return MakeRef<LClickRepairFilter>(input, sensitivity_, maxLength_);
}

int LManualClickRepairTask::Work() {
    const std::int32_t start = doc_.selectionStart, end = doc_.selectionEnd;
    if (end <= start) return kTaskDone;
    SetText(0, "Veuillez patienter...");
    Ref<LBlockReader> reader = LBlockReader::Create(doc_.sound);
    if (reader->errorCode != kReaderOk) {
        Error("Impossible de lire le son");
        return kTaskFailed;
    }
    const int ch = doc_.sound.channels;
    const std::int32_t context = kModelContext + kClickOrder;
    const std::int64_t from = std::int64_t{start} - context;
    const std::int64_t to = std::min<std::int64_t>(std::int64_t{end} + context, doc_.Length());
    std::vector<std::int32_t> buffer(static_cast<std::size_t>(to - from) * static_cast<std::size_t>(ch));
    ReadFrames(*reader, from, to, buffer.data());
    reader = nullptr;
    std::vector<double> x;
    const auto s = static_cast<std::int32_t>(start - from), e = static_cast<std::int32_t>(end - from);
    for (int c = 0; c < ch; ++c) {
        ChannelOf(buffer, ch, c, x);
        InterpolateClick(x.data(), static_cast<std::int32_t>(x.size()), s, e);
        for (std::int32_t i = s; i < e; ++i)
            buffer[static_cast<std::size_t>(i) * static_cast<std::size_t>(ch) + static_cast<std::size_t>(c)] = RoundToSample(x[static_cast<std::size_t>(i)]);
    }
    LAudioData result(doc_.sound.sampleRate, doc_.sound.channels);
    Ref<LBlockWriter> writer = NewWriter(result);
    writer->Write(buffer.data() + static_cast<std::size_t>(s) * static_cast<std::size_t>(ch), end - start);
    return Commit(*writer, result, start, end);
}

}  // namespace sv

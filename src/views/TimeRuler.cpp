#include "views/TimeRuler.h"

#include "core/TimeText.h"

#include <QPainter>

#include <cstdio>
#include <cstdlib>

namespace sv {

namespace {

void SplitTime(std::int64_t ms, bool& negative, long long& h, long long& m, long long& s, long long& rest) {
    negative = ms < 0;
    const long long u = std::llabs(ms);
    h = u / 3600000;
    m = (u / 60000) % 60;
    s = (u / 1000) % 60;
    rest = u % 1000;
}

}  // namespace

std::string FormatMillisecondsText(std::int64_t ms) {
    bool negative;
    long long h, m, s, rest;
    SplitTime(ms, negative, h, m, s, rest);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%lld:%.2lld:%.2lld.%.3lld", negative ? "-" : "", h, m, s, rest);
    return buf;
}

std::string FormatWholeSecondsText(std::int64_t ms) {
    bool negative;
    long long h, m, s, rest;
    SplitTime(ms, negative, h, m, s, rest);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s%lld:%.2lld:%.2lld", negative ? "-" : "", h, m, s);
    return buf;
}

std::int64_t RulerStepMs(double lengthMs, int width, int minPixels) {
    if (width <= 0 || lengthMs <= 0) return 1000;
    const double wanted = lengthMs * minPixels / width;
    for (std::int64_t decade = 1; decade < 100000000000LL; decade *= 10)
        for (std::int64_t m : {1, 2, 5})
            if (static_cast<double>(decade * m) >= wanted) return decade * m;
    return 100000000000LL;
}

std::string RulerLabel(std::int64_t ms, std::int64_t stepMs) {
    if (stepMs % 1000 == 0) return FormatWholeSecondsText(ms);
    if (stepMs % 10 == 0) return FormatTimeText(static_cast<std::int32_t>(ms));
    return FormatMillisecondsText(ms);
}

TimeRuler::TimeRuler(QWidget* parent) : QWidget(parent) {
    setObjectName("timeRuler");
    setFixedHeight(18);
}

void TimeRuler::SetRange(std::int32_t startFrame, std::int32_t lengthFrames, std::int32_t rate) {
    if (start_ == startFrame && length_ == lengthFrames && rate_ == rate) return;
    start_ = startFrame;
    length_ = lengthFrames;
    rate_ = rate > 0 ? rate : 44100;
    update();
}

void TimeRuler::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    if (length_ <= 0) return;
    p.setPen(palette().color(QPalette::ButtonText));
    const double framesPerMs = rate_ / 1000.0;
    const double startMs = start_ / framesPerMs;
    const double lengthMs = length_ / framesPerMs;
    const std::int64_t step = RulerStepMs(lengthMs, width(), 90);
    const double pixelsPerMs = width() / lengthMs;
    for (std::int64_t t = (static_cast<std::int64_t>(startMs) / step) * step; t <= startMs + lengthMs; t += step) {
        const int x = static_cast<int>((t - startMs) * pixelsPerMs);
        if (x < 0) continue;
        p.drawLine(x, height() - 5, x, height() - 1);
        p.drawText(x + 2, height() - 6, QString::fromStdString(RulerLabel(t, step)));
        for (int k = 1; k < 5; ++k) {  // minor ticks
            const int mx = static_cast<int>((t + step * k / 5.0 - startMs) * pixelsPerMs);
            p.drawLine(mx, height() - 3, mx, height() - 1);
        }
    }
    p.drawLine(0, height() - 1, width(), height() - 1);
}

}  // namespace sv

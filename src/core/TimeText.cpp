#include "core/TimeText.h"

#include <algorithm>
#include <climits>
#include <cstdio>

namespace sv {

namespace {
std::int32_t Saturate(std::int64_t v) {
    return static_cast<std::int32_t>(std::max<std::int64_t>(INT_MIN, std::min<std::int64_t>(INT_MAX, v)));
}
}  // namespace

bool FramesToMs(std::int32_t frames, std::int32_t rate, std::int32_t& ms) {
    if (rate <= 0) return false;
    std::int64_t f = frames;
    ms = Saturate((f / rate) * 1000 + ((f % rate) * 1000) / rate);
    return true;
}

std::int32_t FramesToMs(std::int32_t frames, std::int32_t rate) {
    std::int32_t ms = 0;
    FramesToMs(frames, rate, ms);
    return ms;
}

std::int32_t MsToFrames(std::int32_t ms, std::int32_t rate) {
    std::int64_t m = ms;
    return Saturate((m / 1000) * rate + ((m % 1000) * rate) / 1000);
}

std::string FormatTimeText(std::int32_t ms) {
    std::int64_t u = ms;
    bool negative = u < 0;
    if (negative) u = -u;
    u += 5;
    char buf[48];
    std::snprintf(buf, sizeof buf, "%s%lld:%.2lld:%.2lld.%.2lld", negative ? "-" : "",
                  static_cast<long long>(u / 3600000), static_cast<long long>((u / 60000) % 60),
                  static_cast<long long>((u / 1000) % 60), static_cast<long long>((u % 1000) / 10));
    return buf;
}

std::int32_t ParseTimeText(const std::string& text) {
    // Wide enough that no typed text overflows; the result saturates at the end.
    constexpr std::int64_t kCap = std::int64_t(1) << 50;
    std::int64_t result = 0, field = 0, multiplier = 1000;
    bool negative = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            std::int64_t d = c - '0';
            if (multiplier >= 1000) {
                result += 9 * field + 1000 * d;
                field = 10 * field + 1000 * d;
            } else {
                result += d * multiplier;
                multiplier /= 10;
            }
        } else if (c == ':') {
            result *= 60;
            field = 0;
        } else if (c == '.') {
            if (multiplier >= 1000) multiplier = 100;
        } else if (c == '-') {
            negative = true;
        }
        result = std::max(-kCap, std::min(kCap, result));
        field = std::max(-kCap, std::min(kCap, field));
    }
    return Saturate(negative ? -result : result);
}

}  // namespace sv

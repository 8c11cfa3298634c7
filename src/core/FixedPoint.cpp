#include "core/FixedPoint.h"

#include <array>
#include <cmath>

namespace sv {

namespace {

using Table = std::array<std::int32_t, 256>;

Table BuildTable(double divisor) {
    Table t{};
    for (int db = -126; db <= 127; ++db) {
        const double v = std::pow(10.0, db / divisor) * kFixedOne + 0.5;
        t[static_cast<std::size_t>(db + 128)] =
            v >= 2147483647.0 ? INT32_MAX : static_cast<std::int32_t>(v);
    }
    return t;  // -128 and -127 stay 0
}

int ClampDb(int db) { return db < -128 ? -128 : (db > 127 ? 127 : db); }

}  // namespace

int FactorToDb(std::int32_t factor) {
    if (factor <= 0) return kSilentDb;
    const double db = 20.0 * std::log10(static_cast<double>(factor) / kFixedOne);
    const double rounded = factor >= kFixedOne ? db + 0.5 : db - 0.5;
    if (rounded <= -127.0) return kSilentDb;
    if (rounded >= 127.0) return 127;
    return static_cast<int>(rounded);
}

const std::int32_t* AmplitudeTable() {
    static const Table table = BuildTable(20.0);
    return table.data();
}

const std::int32_t* PowerTable() {
    static const Table table = BuildTable(10.0);
    return table.data();
}

std::int32_t DbAmplitude(int db) { return AmplitudeTable()[ClampDb(db) + 128]; }

std::int32_t DbPower(int db) { return PowerTable()[ClampDb(db) + 128]; }

}  // namespace sv

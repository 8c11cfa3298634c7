#include "effects/CpuFeatures.h"
#include "effects/ExactTrig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace sv {
namespace {

std::uint64_t BitsOf(double v) {
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

// The library's own results, one call each.
double Cos(double a) {
    volatile double v = a;
    return std::cos(v);
}
double Sin(double a) {
    volatile double v = a;
    return std::sin(v);
}
double Atan2(double y, double x) {
    volatile double v = y;
    return std::atan2(v, x);
}

// Every vector build this machine has, the widest first, then the library alone.
template <typename Check>
void InEveryBuild(Check check) {
    for (bool wide : {true, false}) {
        AllowAvx512(wide);
        check();
    }
    AllowAvx512(true);
}

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// Turns as the stretch makes them (wrapped to a turn around zero, and a little past it), the
// quadrant and table boundaries, and what the fast path leaves to the library.
std::vector<double> Angles() {
    std::vector<double> a = {0.0, -0.0, 1e-300, -1e-20, 0x1p-26, -0x1p-26, 0x1.fffffffffffffp-27, 1e-9,
                             3.141592653589793, -3.141592653589793, 3.1415926535897936, 1.5707963267948966,
                             -1.5707963267948966, 0.7853981633974483, 6.0, -6.0, 6.000000000000001, 7.5,
                             1e6, -1e300, kInf, -kInf, kNaN};
    for (int k = -70; k <= 70; ++k) {
        const double at = k * 3.141592653589793 / 32;
        a.insert(a.end(), {at, std::nextafter(at, kInf), std::nextafter(at, -kInf), at + 3.141592653589793 / 64});
    }
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> turn(-3.2, 3.2);
    while (a.size() % 8 != 5) a.push_back(turn(random));  // a partial vector at the end too
    for (int i = 0; i < 200000; ++i) a.push_back(turn(random));
    return a;
}

TEST(ExactTrig, CosinesAndSinesAreTheLibrarysToTheBit) {
    const std::vector<double> angle = Angles();
    InEveryBuild([&] {
        std::vector<double> c(angle.size()), s(angle.size());
        CosinesAndSines(angle.data(), static_cast<std::uint32_t>(angle.size()), c.data(), s.data());
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < angle.size(); ++i) {
            if (BitsOf(c[i]) != BitsOf(Cos(angle[i])) || BitsOf(s[i]) != BitsOf(Sin(angle[i]))) {
                if (++wrong <= 5) ADD_FAILURE() << "angle " << std::hexfloat << angle[i] << ": " << c[i] << ", " << s[i];
            }
        }
        EXPECT_EQ(wrong, 0u) << "avx512 " << Avx512Usable();
    });
}

TEST(ExactTrig, ArctangentsAreTheLibrarysToTheBit) {
    std::vector<double> y, x;
    // Signs and zeros of every kind, infinities, NaNs, magnitudes far apart, equal ones.
    const double odd[] = {0.0, -0.0, 1.0, -1.0, 1e-310, 1e300, -1e-200, 0x1p-400, 0x1p400, kInf, -kInf, kNaN};
    for (double a : odd) {
        for (double b : odd) y.push_back(a), x.push_back(b);
    }
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> scale(-40, 40);
    for (int i = 0; i < 200000; ++i) {
        const double a = std::ldexp(unit(random), scale(random));
        double b = std::ldexp(unit(random), scale(random));
        // Ratios near 1 and near each sixteenth, where the octants and the table's entries meet.
        if (i % 4 == 1) b = a * (1.0 + 1e-6 * unit(random));
        if (i % 4 == 2) b = a / ((i % 16 + 1) / 16.0 + 1e-12 * unit(random));
        y.push_back(a);
        x.push_back(b);
    }
    InEveryBuild([&] {
        std::vector<double> angle(y.size());
        Arctangents(y.data(), x.data(), static_cast<std::uint32_t>(y.size()), angle.data());
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < y.size(); ++i) {
            if (BitsOf(angle[i]) != BitsOf(Atan2(y[i], x[i]))) {
                if (++wrong <= 5)
                    ADD_FAILURE() << "atan2(" << std::hexfloat << y[i] << ", " << x[i] << ") gave " << angle[i];
            }
        }
        EXPECT_EQ(wrong, 0u) << "avx512 " << Avx512Usable();
    });
}

}  // namespace
}  // namespace sv

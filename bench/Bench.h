#pragma once
// sonvela-bench prints one line per benchmark: name, seconds of audio processed, wall seconds,
// times real time, peak RSS in MB. Each bench file registers its benchmarks with SONVELA_BENCH.
#include <functional>
#include <string>
#include <vector>

namespace sv::bench {

struct Context {
    std::string workFolder;  // an empty temporary folder, removed afterwards
};

struct Result {
    double audioSeconds = 0;  // audio processed; 0 when the figure is per operation
    double wallSeconds = 0;
    std::string note;         // extra figures (microseconds per operation, a ratio)
};

using BenchFn = std::function<Result(Context&)>;

struct Registrar {
    Registrar(const char* name, BenchFn fn);
};

double NowSeconds();
// CPU seconds (user and system) of this process, and of the children it has waited for: on a
// shared machine a ratio of these moves less with the load than one of wall times.
double CpuSeconds();
double ChildCpuSeconds();
double PeakRssMb();
void ResetPeakRss();

}  // namespace sv::bench

#define SONVELA_BENCH_CAT2(a, b) a##b
#define SONVELA_BENCH_CAT(a, b) SONVELA_BENCH_CAT2(a, b)
#define SONVELA_BENCH(name, fn) static ::sv::bench::Registrar SONVELA_BENCH_CAT(benchReg_, __LINE__)(name, fn)

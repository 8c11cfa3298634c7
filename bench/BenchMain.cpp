#include "Bench.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace sv::bench {

namespace {
std::vector<std::pair<std::string, BenchFn>>& Registry() {
    static std::vector<std::pair<std::string, BenchFn>> all;
    return all;
}
}  // namespace

Registrar::Registrar(const char* name, BenchFn fn) { Registry().emplace_back(name, std::move(fn)); }

double NowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

namespace {
double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; }
double UsageSeconds(int who) {
    rusage ru {};
    getrusage(who, &ru);
    return Seconds(ru.ru_utime) + Seconds(ru.ru_stime);
}
}  // namespace

double CpuSeconds() { return UsageSeconds(RUSAGE_SELF); }
double ChildCpuSeconds() { return UsageSeconds(RUSAGE_CHILDREN); }

double PeakRssMb() {
    // VmHWM is resettable through clear_refs, unlike getrusage's maximum.
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
    }
    rusage ru {};
    getrusage(RUSAGE_SELF, &ru);
    return static_cast<double>(ru.ru_maxrss) / 1024.0;
}

void ResetPeakRss() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

}  // namespace sv::bench

int main(int argc, char** argv) {
    using namespace sv::bench;
    const char* filter = argc > 1 ? argv[1] : nullptr;
    std::string base = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp";
    std::printf("%-44s %12s %10s %10s %9s  %s\n", "benchmark", "audio s", "wall s", "x realtime", "peak MB",
                "note");
    for (auto& [name, fn] : Registry()) {
        if (filter && std::strstr(name.c_str(), filter) == nullptr) continue;
        // Benchmarks named "large ..." (gigabytes of disk) run only when the filter names one.
        if (name.rfind("large ", 0) == 0 && (!filter || std::strncmp(filter, "large", 5) != 0)) continue;
        std::string pattern = base + "/sonvela-bench-XXXXXX";
        std::vector<char> buf(pattern.begin(), pattern.end());
        buf.push_back('\0');
        if (!mkdtemp(buf.data())) return 1;
        Context ctx{buf.data()};
        ResetPeakRss();
        Result r = fn(ctx);
        double rss = PeakRssMb();
        double factor = r.wallSeconds > 0 && r.audioSeconds > 0 ? r.audioSeconds / r.wallSeconds : 0;
        std::printf("%-44s %12.1f %10.3f %10.1f %9.1f  %s\n", name.c_str(), r.audioSeconds, r.wallSeconds, factor,
                    rss, r.note.c_str());
        std::fflush(stdout);
        std::string rm = "rm -rf '" + ctx.workFolder + "'";
        if (std::system(rm.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", ctx.workFolder.c_str());
    }
    return 0;
}

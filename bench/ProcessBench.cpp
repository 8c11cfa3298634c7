// The whole-process conversion: the real editor binary started as
// `sonvela in.wav -saveas out.wav -exit` next to `sox in.wav out.wav` on the same 10 minutes
// of 16-bit stereo, five pairs taken in turn, medians compared. The editor runs headless (no
// display) with its settings and working folder inside the benchmark's folder.
#include "Bench.h"

#include "core/AudioReader.h"
#include "formats/WavWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace sv::bench {
namespace {

constexpr std::int32_t kRate = 44100;
constexpr std::int32_t kSeconds = 600;
constexpr int kPairs = 5;

std::string MakeInput(const Context& ctx) {
    const std::string path = ctx.workFolder + "/in.wav";
    Ref<LAudioWriter> w = CreatePcmWavWriter(path, kRate, 2, 2);
    std::vector<std::int32_t> buf(static_cast<std::size_t>(kMaxFramesPerCall) * 2);
    for (std::int64_t at = 0, left = std::int64_t{kRate} * kSeconds; left > 0; left -= kMaxFramesPerCall) {
        const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(left, kMaxFramesPerCall));
        for (std::int32_t i = 0; i < n; ++i, ++at) {
            const double t = static_cast<double>(at) / kRate;
            buf[2 * static_cast<std::size_t>(i)] = static_cast<std::int32_t>(std::lrint(9000 * std::sin(2 * M_PI * 440 * t))) * 16;
            buf[2 * static_cast<std::size_t>(i) + 1] = static_cast<std::int32_t>(std::lrint(7000 * std::sin(2 * M_PI * 1000 * t))) * 16;
        }
        w->Write(buf.data(), n);
    }
    w->Finish();
    return path;
}

std::string EditorPath() {
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return {};
    std::string path(self, static_cast<std::size_t>(n));
    path = path.substr(0, path.rfind('/') + 1) + "sonvela";
    return ::access(path.c_str(), X_OK) == 0 ? path : std::string();
}

// Runs argv with env, output discarded; wall seconds (CPU seconds in cpu), or -1 when it could
// not start or failed.
double Run(const std::vector<std::string>& argv, const std::vector<std::string>& env, double* cpu) {
    std::vector<char*> args, vars;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    for (const std::string& v : env) vars.push_back(const_cast<char*>(v.c_str()));
    args.push_back(nullptr);
    vars.push_back(nullptr);
    const double t0 = NowSeconds();
    const pid_t pid = ::fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) {
            ::dup2(null, 1);
            ::dup2(null, 2);
        }
        ::execve(args[0], args.data(), vars.data());
        ::_exit(127);
    }
    int status = 0;
    rusage ru {};
    if (::wait4(pid, &status, 0, &ru) != pid) return -1;
    const double wall = NowSeconds() - t0;
    *cpu = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? wall : -1;
}

// The environment without a display (the editor then runs headless) and with its folders
// inside the benchmark's own.
std::vector<std::string> HeadlessEnvironment(const Context& ctx) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string v = *e;
        for (const char* drop : {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM=", "XDG_CONFIG_HOME=", "XDG_DATA_HOME="})
            if (v.rfind(drop, 0) == 0) goto skip;
        env.push_back(v);
    skip:;
    }
    env.push_back("XDG_CONFIG_HOME=" + ctx.workFolder + "/config");
    env.push_back("XDG_DATA_HOME=" + ctx.workFolder + "/data");
    return env;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

Result ConvertProcessBench(Context& ctx) {
    Result r;
    r.audioSeconds = kSeconds;
    const std::string editor = EditorPath();
    if (editor.empty()) {
        r.note = "no sonvela binary next to sonvela-bench (build with SONVELA_GUI=ON)";
        return r;
    }
    const std::string in = MakeInput(ctx);
    const std::string ours = ctx.workFolder + "/ours.wav", theirs = ctx.workFolder + "/sox.wav";
    const std::vector<std::string> env = HeadlessEnvironment(ctx);
    std::string sox = "/usr/bin/sox";
    std::vector<double> oursTimes, soxTimes, oursCpu, soxCpu;
    for (int i = 0; i < kPairs; ++i) {
        double ca = 0, cb = 0;
        const double a = Run({editor, in, "-saveas", ours, "-exit"}, env, &ca);
        const double b = Run({sox, in, theirs}, env, &cb);
        if (a < 0) {
            r.note = "sonvela failed";
            return r;
        }
        oursTimes.push_back(a);
        oursCpu.push_back(ca);
        if (b >= 0) {
            soxTimes.push_back(b);
            soxCpu.push_back(cb);
        }
        std::remove(ours.c_str());
        std::remove(theirs.c_str());
    }
    r.wallSeconds = Median(oursTimes);
    char note[200];
    if (soxTimes.empty()) {
        std::snprintf(note, sizeof note, "median of %d runs; sox: not run", kPairs);
    } else {
        const double s = Median(soxTimes);
        std::snprintf(note, sizeof note, "median of %d pairs; sox %.3f s; ours/sox time %.2f; CPU %.3f s vs %.3f s, %.2f",
                      kPairs, s, r.wallSeconds / s, Median(oursCpu), Median(soxCpu), Median(oursCpu) / Median(soxCpu));
    }
    r.note = note;
    return r;
}

}  // namespace

SONVELA_BENCH("process: -saveas -exit, 10 min (vs sox)", ConvertProcessBench);

}  // namespace sv::bench

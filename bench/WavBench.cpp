// WAV speed: copying a 1-hour 16-bit stereo file through our reader and writer next to the
// same copy by sox, and opening it into document blocks next to a plain copy of its bytes.
#include "Bench.h"

#include "core/AudioData.h"
#include "core/BlockStore.h"
#include "core/BlockWriter.h"
#include "formats/WavReader.h"
#include "formats/WavWriter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace sv::bench {
namespace {

constexpr std::int32_t kRate = 44100;
constexpr std::int32_t kSeconds = 3600;
constexpr double kFileMb = kRate * 4.0 * kSeconds / 1e6;

std::string MakeHourFile(const Context& ctx) {
    std::string path = ctx.workFolder + "/hour.wav";
    Ref<LAudioWriter> w = CreatePcmWavWriter(path, kRate, 2, 2);
    std::vector<std::int32_t> buf(static_cast<std::size_t>(kMaxFramesPerCall) * 2);
    for (std::size_t i = 0; i < buf.size(); ++i) buf[i] = static_cast<std::int32_t>(std::lround(20000 * std::sin(i * 0.031))) * 16;
    for (std::int64_t left = static_cast<std::int64_t>(kRate) * kSeconds; left > 0; left -= kMaxFramesPerCall)
        w->Write(buf.data(), static_cast<std::int32_t>(std::min<std::int64_t>(left, kMaxFramesPerCall)));
    w->Finish();
    return path;
}

void Pump(LAudioReader& reader, LAudioWriter& writer) {
    std::vector<std::int32_t> buf(static_cast<std::size_t>(kMaxFramesPerCall) * reader.channels);
    for (std::int32_t left = reader.Length(); left > 0; left -= kMaxFramesPerCall) {
        std::int32_t n = std::min(left, kMaxFramesPerCall);
        reader.Read(buf.data(), n);
        writer.Write(buf.data(), n);
    }
}

void Rate(char* out, std::size_t size, const char* label, double seconds) {
    std::snprintf(out, size, "%s %.0f MB/s, %.0fx", label, kFileMb / seconds, kSeconds / seconds);
}

Result CopyBench(Context& ctx) {
    std::string in = MakeHourFile(ctx);
    Result r;
    r.audioSeconds = kSeconds;
    double t0 = NowSeconds();
    {
        Ref<LAudioReader> reader = OpenWavReader(in);
        Ref<LAudioWriter> writer = CreatePcmWavWriter(ctx.workFolder + "/ours.wav", kRate, 2, 2);
        Pump(*reader, *writer);
        writer->Finish();
    }
    r.wallSeconds = NowSeconds() - t0;
    std::string sox = "sox '" + in + "' '" + ctx.workFolder + "/sox.wav' 2>/dev/null";
    double t1 = NowSeconds();
    bool soxRan = std::system(sox.c_str()) == 0;
    double soxSeconds = NowSeconds() - t1;
    char ours[96], theirs[96];
    Rate(ours, sizeof ours, "ours", r.wallSeconds);
    Rate(theirs, sizeof theirs, "sox", soxSeconds);
    r.note = std::string(ours) + "; " + (soxRan ? theirs : "sox not run");
    return r;
}

Result OpenIntoDocumentBench(Context& ctx) {
    std::string in = MakeHourFile(ctx);
    Result r;
    r.audioSeconds = kSeconds;
    BlockStore store(ctx.workFolder + "/blocks");
    double t0 = NowSeconds();
    {
        Ref<LAudioReader> reader = OpenWavReader(in);
        LAudioData sound(reader->sampleRate, reader->channels);
        Ref<LBlockWriter> writer = LBlockWriter::Create(store, sound, reader->sampleRate, reader->channels);
        Pump(*reader, *writer);
        writer->Finish();
    }
    r.wallSeconds = NowSeconds() - t0;
    // The plain copy of the same bytes, for scale.
    double t1 = NowSeconds();
    int src = ::open(in.c_str(), O_RDONLY);
    int dst = ::open((ctx.workFolder + "/copy.wav").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char> buf(1 << 20);
    ssize_t n;
    while (src >= 0 && dst >= 0 && (n = ::read(src, buf.data(), buf.size())) > 0) {
        if (::write(dst, buf.data(), static_cast<std::size_t>(n)) != n) break;
    }
    if (src >= 0) ::close(src);
    if (dst >= 0) ::close(dst);
    double copySeconds = NowSeconds() - t1;
    char ours[96], plain[96];
    Rate(ours, sizeof ours, "to blocks", r.wallSeconds);
    Rate(plain, sizeof plain, "byte copy", copySeconds);
    r.note = std::string(ours) + " (blocks hold 32-bit samples: twice the bytes); " + plain;
    return r;
}

SONVELA_BENCH("wav copy 1h 16-bit stereo (vs sox)", CopyBench);
SONVELA_BENCH("wav open 1h into document blocks", OpenIntoDocumentBench);

}  // namespace
}  // namespace sv::bench

// WAV speed: copying a 1-hour 16-bit stereo file through our reader and writer next to the
// same copy by sox, and opening it into document blocks next to a plain copy of its bytes.
#include "Bench.h"

#include "core/AudioData.h"
#include "core/BlockStore.h"
#include "core/BlockWriter.h"
#include "core/HeadlessHost.h"
#include "core/ProgressTask.h"
#include "core/TagSet.h"
#include "formats/AudioFileIo.h"
#include "formats/TagFiles.h"
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

// A tone of any length, computed as it is read: the > 4 GiB save needs no 8 GiB of blocks.
class ToneReader : public LAudioReader {
public:
    explicit ToneReader(std::int64_t frames) : frames_(static_cast<std::int32_t>(frames)) { channels = 2; }
    void Read(std::int32_t* dst, std::int32_t n) override {
        for (std::int32_t k = 0; k < n; ++k) {
            auto v = static_cast<std::int32_t>(((position_ + k) % 400 - 200) * 100 * 16);
            dst[2 * k] = v;
            dst[2 * k + 1] = -v;
        }
        position_ += n;
    }
    std::int32_t Position() const override { return position_; }
    std::int32_t Length() const override { return frames_; }
    void Seek(std::int32_t p) override { position_ = p; }

private:
    std::int32_t frames_;
    std::int32_t position_ = 0;
};

std::string ShellOutput(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, p)) out += buf;
        ::pclose(p);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

// 6 h 50 min of 16-bit stereo at 44.1 kHz: 4.34 GB of data, past what a RIFF size holds.
Result Rf64SaveBench(Context& ctx) {
    const std::int64_t frames = 44100LL * (6 * 3600 + 50 * 60);
    const std::string path = ctx.workFolder + "/long.wav";
    Result r;
    r.audioSeconds = static_cast<double>(frames) / 44100.0;
    HeadlessHost host;
    double t0 = NowSeconds();
    int pumped;
    bool finished;
    {
        Ref<LAudioWriter> writer = CreatePcmWavWriter(path, 44100, 2, 2);
        FunctionTask task("bench", [&](LProgressTask& t) { return PumpSamples(t, Ref<LAudioReader>(new ToneReader(frames)), writer); });
        RunTask(host, task);
        pumped = task.Result();
        finished = writer->Finish();
    }
    LTagSet tags;
    tags.Set("TITLE", "Nuit");
    bool tagged = WriteTags(tags, path);
    r.wallSeconds = NowSeconds() - t0;
    Ref<LAudioReader> back = OpenWavReader(path);
    LTagSet read;
    ReadTags(read, path);
    std::string soxFrames = ShellOutput("soxi -s '" + path + "' 2>&1");
    char note[320];
    std::snprintf(note, sizeof note, "%s, %.2f GB at %.0f MB/s; ours reads %d frames, title \"%s\"; soxi -s %s (of %lld)",
                  pumped == 0 && finished && tagged ? "saved" : "FAILED", frames * 4 / 1e9,
                  frames * 4 / 1e6 / r.wallSeconds, back->Length(), read.Get("TITLE").c_str(), soxFrames.c_str(),
                  static_cast<long long>(frames));
    r.note = note;
    return r;
}

SONVELA_BENCH("wav copy 1h 16-bit stereo (vs sox)", CopyBench);
SONVELA_BENCH("large wav save 6h50 16-bit stereo as RF64", Rf64SaveBench);
SONVELA_BENCH("wav open 1h into document blocks", OpenIntoDocumentBench);

}  // namespace
}  // namespace sv::bench

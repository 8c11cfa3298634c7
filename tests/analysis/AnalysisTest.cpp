#include "analysis/AnalysisCommands.h"
#include "analysis/AnalysisScale.h"
#include "analysis/FrequencySpectrum.h"
#include "analysis/Spectrogram.h"
#include "analysis/SpectrumGeometry.h"
#include "analysis/SpectrumWorker.h"

#include "core/AudioDocument.h"
#include "core/CommandIds.h"
#include "core/ProgressTask.h"
#include "support/SoundHelpers.h"
#include "support/TestWorkspace.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

namespace sv::test {
namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<std::int32_t> Tone(std::int32_t frames, std::int32_t rate, double hz, double dbfs, int channels = 1,
                               int toneChannel = -1) {
    std::vector<std::int32_t> s(static_cast<std::size_t>(frames) * channels, 0);
    const double a = 0x7fff0 * std::pow(10.0, dbfs / 20.0);
    for (std::int32_t k = 0; k < frames; ++k)
        for (int c = 0; c < channels; ++c)
            if (toneChannel < 0 || c == toneChannel)
                s[static_cast<std::size_t>(k) * channels + c] =
                    static_cast<std::int32_t>(std::lrint(a * std::sin(2 * kPi * hz * k / rate)));
    return s;
}

// Runs numpy over samples (one channel, int32) and returns what the script prints, one number
// per line: the reference no one here wrote.
std::vector<double> Numpy(const TempFolder& dir, const std::vector<std::int32_t>& samples, const std::string& script) {
    const std::string raw = dir.File("samples.raw"), py = dir.File("ref.py"), out = dir.File("ref.txt");
    std::ofstream(raw, std::ios::binary).write(reinterpret_cast<const char*>(samples.data()),
                                                static_cast<std::streamsize>(samples.size() * 4));
    std::ofstream(py) << "import numpy as np\nx = np.fromfile('" << raw << "', dtype='<i4').astype(np.float64)\n"
                      << script;
    const std::string cmd = "/usr/bin/python3 '" + py + "' > '" + out + "'";
    if (std::system(cmd.c_str()) != 0) return {};
    std::vector<double> values;
    std::ifstream in(out);
    for (double v; in >> v;) values.push_back(v);
    return values;
}

const char kNumpyDb[] =
    "def db(m):\n"
    "    v = m * 1.0789581580026326e-05\n"
    "    return [-127 if t <= 0 else max(-127, min(127, int(20*np.log10(t) + (0.5 if t >= 1 else -0.5)))) for t in v]\n";

bool HaveNumpy() { return std::system("/usr/bin/python3 -c 'import numpy' 2>/dev/null") == 0; }

TEST(FrequencySpectrum, AMinus6DbfsSineMatchesNumpyWithinOneDb) {
    if (!HaveNumpy()) GTEST_SKIP() << "numpy is not installed";
    TempFolder dir;
    BlockStore blocks(dir.path());
    const std::vector<std::int32_t> s = Tone(8192, 44100, 1000, -6);
    LAudioData sound = MakeSound(blocks, s);
    SpectrumAnalyzer analyzer;
    FrequencySpectrum spectrum = analyzer.Analyze(sound, 1000);
    ASSERT_EQ(spectrum.channels, 1);
    ASSERT_EQ(spectrum.db[0].size(), 2048u);
    std::vector<double> ref = Numpy(dir, s,
                                    std::string(kNumpyDb) +
                                        "n = 4096\nw = 0.54 - 0.46*np.cos(2*np.pi*np.arange(n)/n)\n"
                                        "X = np.fft.fft(x[1000:1000+n]*w) / n\n"
                                        "print('\\n'.join(str(v) for v in db(np.abs(X[:2048]))))\n");
    ASSERT_EQ(ref.size(), 2048u);
    int peak = 0;
    for (std::size_t k = 0; k < 2048; ++k) {
        EXPECT_NEAR(spectrum.db[0][k], ref[k], 1.0) << "bin " << k;
        if (spectrum.db[0][k] > spectrum.db[0][static_cast<std::size_t>(peak)]) peak = static_cast<int>(k);
    }
    // 1 kHz is bin 92.9; a -6 dBFS sine through the window's 0.54 gain reads -2 dB here.
    EXPECT_EQ(peak, 93);
    EXPECT_NEAR(spectrum.db[0][93], -2, 1);
}

TEST(FrequencySpectrum, SilenceReadsMinus127AndStereoChannelsStaySeparate) {
    TempFolder dir;
    BlockStore blocks(dir.path());
    LAudioData sound = MakeSound(blocks, Tone(4096, 48000, 3000, -20, 2, 0), 2, 48000);
    SpectrumAnalyzer analyzer;
    FrequencySpectrum spectrum = analyzer.Analyze(sound, 0);
    ASSERT_EQ(spectrum.channels, 2);
    EXPECT_EQ(spectrum.sampleRate, 48000);
    for (std::int8_t v : spectrum.db[1]) ASSERT_EQ(v, -127);
    EXPECT_GT(spectrum.db[0][256], -30);  // 3 kHz at 48 kHz is bin 256
    // Past the end of the sound the reader gives silence.
    FrequencySpectrum after = analyzer.Analyze(sound, 4096);
    for (std::int8_t v : after.db[0]) ASSERT_EQ(v, -127);
}

TEST(AnalysisScale, DecibelsRoundHalfAwayAndClampOnlyInTheSpectrum) {
    const double unit = 65536.0 * std::sqrt(2.0);  // 0 dB
    EXPECT_EQ(SpectrumDb(unit), 0);
    EXPECT_EQ(SpectrumDb(0.0), -127);
    EXPECT_EQ(SpectrogramDb(0.0), -128);
    EXPECT_EQ(SpectrumDb(unit * std::pow(10.0, -2.6 / 20)), -3);
    EXPECT_EQ(SpectrumDb(unit * std::pow(10.0, -2.4 / 20)), -2);
    EXPECT_EQ(SpectrumDb(unit * std::pow(10.0, 2.6 / 20)), 3);
    EXPECT_EQ(SpectrumDb(unit * 1e7), 127);
    EXPECT_EQ(SpectrumDb(unit * 1e-8), -127);
    EXPECT_EQ(SpectrogramDb(unit * 1e-8), -160);
}

TEST(Spectrogram, TransformOrderAndSliceCountFollowTheRate) {
    EXPECT_EQ(SpectrogramOrder(44100), 11u);  // 2048 >= 1470
    EXPECT_EQ(SpectrogramOrder(8000), 9u);    // 512 >= 266.7
    EXPECT_EQ(SpectrogramOrder(960), 5u);     // never below 32 points
    EXPECT_EQ(SpectrogramOrder(30 * 1024), 10u);
    EXPECT_EQ(SpectrogramOrder(10000000), 16u);
    EXPECT_EQ(SpectrogramSlices(1000, 1024), 1u);        // shorter than B: one slice
    EXPECT_EQ(SpectrogramSlices(441000, 1024), 1720u);   // 10 s: slices 256 frames apart
    // An hour at 44.1 kHz would take 620,000 slices (1.3 GB): capped at 32 MiB of cells.
    EXPECT_EQ(SpectrogramSlices(3600LL * 44100, 1024), 16384u);
    EXPECT_LE(std::size_t{16384} * 1024 * 2, std::size_t{32} << 20);
}

TEST(Spectrogram, CellsMatchNumpyForAStereoSelection) {
    if (!HaveNumpy()) GTEST_SKIP() << "numpy is not installed";
    TempFolder dir;
    BlockStore blocks(dir.path());
    std::vector<std::int32_t> left = Tone(6000, 8000, 440, -12), right = Tone(6000, 8000, 1800, -3);
    std::vector<std::int32_t> both(12000);
    for (std::size_t k = 0; k < 6000; ++k) both[2 * k] = left[k], both[2 * k + 1] = right[k];
    LAudioData sound = MakeSound(blocks, both, 2, 8000);
    SpectrogramData data;
    FunctionTask task("t", [&](LProgressTask& t) { return ComputeSpectrogram(t, sound, 100, 5000, data); });
    ASSERT_TRUE(task.Run());
    EXPECT_EQ(data.bins, 256u);
    EXPECT_EQ(data.slices, 5000u / 256 * 4);
    std::vector<double> ref = Numpy(dir, both,
                                    "x = x.reshape(-1, 2)\nn = 512\nw = 0.54 - 0.46*np.cos(2*np.pi*np.arange(n)/n)\n"
                                    "S = (5000 // 256) * 4\n"
                                    "for i in range(S):\n"
                                    "    a = 100 + i * 5000 // S\n"
                                    "    blk = np.zeros((n, 2)); part = x[a:a+n]; blk[:len(part)] = part\n"
                                    "    m = (np.abs(np.fft.fft(blk[:,0]*w)/n) + np.abs(np.fft.fft(blk[:,1]*w)/n)) / 2\n"
                                    "    print('\\n'.join(str(int(min(v, 65535))) for v in m[:256]))\n");
    ASSERT_EQ(ref.size(), data.cells.size());
    for (std::size_t i = 0; i < ref.size(); ++i) ASSERT_NEAR(data.cells[i], ref[i], 1.0) << "cell " << i;
}

TEST(Spectrogram, AClickInATwentySecondSelectionLandsInItsSlice) {
    TempFolder dir;
    BlockStore blocks(dir.path());
    const std::int32_t frames = 20 * 44100, click = 15 * 44100;
    std::vector<std::int32_t> s(static_cast<std::size_t>(frames), 0);
    s[static_cast<std::size_t>(click)] = 0x7fff0;
    LAudioData sound = MakeSound(blocks, s);
    SpectrogramData data;
    FunctionTask task("t", [&](LProgressTask& t) { return ComputeSpectrogram(t, sound, 0, frames, data); });
    ASSERT_TRUE(task.Run());
    ASSERT_EQ(data.slices, 3444u);
    std::uint32_t loudest = 0, loudestSum = 0;
    for (std::uint32_t i = 0; i < data.slices; ++i) {
        std::uint32_t sum = 0;
        for (std::uint32_t k = 0; k < data.bins; ++k) sum += data.Cell(i, k);
        if (sum > loudestSum) loudest = i, loudestSum = sum;
    }
    // The slices whose 2,048 frames hold the click: 2,575 to 2,582 (start i * L / S in 64 bits).
    EXPECT_GE(data.SliceStart(loudest) + 2048, click);
    EXPECT_LE(data.SliceStart(loudest), click);
    EXPECT_EQ(data.SliceStart(3000), 3000LL * frames / 3444);
}

TEST(Spectrogram, PaletteBrightnessAndGridAreExact) {
    const auto& p = SpectrogramPalette();
    EXPECT_EQ(p[0], 0x000000u);
    EXPECT_EQ(p[32], 0x000040u);
    EXPECT_EQ(p[64], 0x000080u);
    EXPECT_EQ(p[100], 0x004880u);
    EXPECT_EQ(p[128], 0x008080u);
    EXPECT_EQ(p[160], 0x408080u);
    EXPECT_EQ(p[192], 0x808080u);
    EXPECT_EQ(p[255], 0xFEFEFEu);
    EXPECT_EQ(SpectrogramGain(25), 64);
    EXPECT_EQ(SpectrogramGain(100), 255);
    EXPECT_EQ(SpectrogramColourIndex(1000, 64), 93);
    EXPECT_EQ(SpectrogramColourIndex(65535, 64), 255);
    EXPECT_EQ(kSecondGridColour, 0xB8860Bu);
    EXPECT_EQ(kHertzGridColour, 0x708090u);

    SpectrogramData d;
    d.sampleRate = 8000;
    d.length = 3 * 8000 + 1;
    d.slices = 300;
    d.bins = 256;
    EXPECT_EQ(SecondGridSlices(d).size(), 3u);
    EXPECT_NEAR(SecondGridSlices(d)[0], 8000.0 * 300 / d.length, 1e-9);
    ASSERT_EQ(HertzGridBins(d).size(), 3u);  // 1, 2 and 3 kHz below 4 kHz
    EXPECT_DOUBLE_EQ(HertzGridBins(d)[0], 64.0);
    d.sampleRate = 2000;
    EXPECT_TRUE(HertzGridBins(d).empty());
}

TEST(Spectrogram, StatusReadsTimeFrequencyAndLevelOfTheCell) {
    SpectrogramData d;
    d.sampleRate = 44100;
    d.start = 44100;
    d.length = 441000;
    d.bins = 1024;
    d.slices = 1720;
    d.cells.assign(std::size_t{1720} * 1024, 0);
    d.cells[std::size_t{86} * 1024 + 47] = static_cast<std::uint16_t>(65536.0 * std::sqrt(2.0) * 0.5);
    // Slice 86 starts 86 * 441000 / 1720 = 22,050 frames in: 1.5 s; bin 47 is 1,012 Hz.
    EXPECT_EQ(SpectrogramStatus(d, 86, 47), "Durée: 0:00:01.5    Fréquence: 1012 Hz    Volume:-6 dB");
    EXPECT_EQ(SpectrogramStatus(d, 0, 0), "Durée: 0:00:01.0    Fréquence: 0 Hz    Volume:-128 dB");
    EXPECT_EQ(SpectrogramTimeText(-1500), "-0:00:01.5");
    EXPECT_EQ(SpectrogramTimeText(3723456), "1:02:03.4");
    SpectrogramCell top = FullViewCell(d, 0, 0, 860, 512);
    EXPECT_EQ(top.bin, 1022u);
    SpectrogramCell bottom = FullViewCell(d, 859, 511, 860, 512);
    EXPECT_EQ(bottom.bin, 0u);
    EXPECT_EQ(bottom.slice, 1718u);
}

TEST(SpectrumGeometry, TheFrequencyAxisIsLogWarpedAndZoomKeepsThePointedBin) {
    SpectrumGeometry g(501, 300);
    EXPECT_DOUBLE_EQ(g.BinAt(0), 0.0);
    EXPECT_DOUBLE_EQ(g.BinAt(500), 2047.0);  // capped
    // Halfway along the axis: (e^(ln 16 / 2) - 1) / 15 = 0.2 of the range.
    EXPECT_NEAR(g.BinAt(250), 0.2 * 2048, 1e-9);
    EXPECT_NEAR(g.XOfBin(g.BinAt(123)), 123.0, 1e-9);
    const double pointed = g.BinAt(300);
    g.ZoomFrequency(4.0, 300);
    EXPECT_NEAR(g.BinAt(300), pointed, 1e-6);
    EXPECT_DOUBLE_EQ(g.BinRange(), 512.0);
    g.ScrollFrequency(100.0);
    EXPECT_DOUBLE_EQ(g.FirstBin(), 2048.0 - 512.0);
    EXPECT_EQ(g.DbAt(0), 0);
    EXPECT_EQ(g.DbAt(299), -127);
    g.ScrollLevel(-20);
    EXPECT_EQ(g.TopDb(), 0);  // already at the bottom of the range
}

TEST(SpectrumWorker, RequestsAreCoalescedAndTheLastOneIsDelivered) {
    TempFolder dir;
    BlockStore blocks(dir.path());
    LAudioData sound = MakeSound(blocks, Tone(44100, 44100, 440, -6));
    std::mutex m;
    std::condition_variable cv;
    std::uint64_t lastTicket = 0;
    FrequencySpectrum last;
    SpectrumWorker worker([&](FrequencySpectrum&& s, std::uint64_t ticket) {
        std::lock_guard<std::mutex> hold(m);
        lastTicket = ticket;
        last = std::move(s);
        cv.notify_all();
    });
    std::uint64_t ticket = 0;
    for (int i = 0; i < 200; ++i) ticket = worker.Request(sound, i * 100);
    {
        std::unique_lock<std::mutex> hold(m);
        ASSERT_TRUE(cv.wait_for(hold, std::chrono::seconds(20), [&] { return lastTicket == ticket; }));
    }
    EXPECT_LT(worker.Computed(), 200u);
    SpectrumAnalyzer analyzer;
    EXPECT_EQ(last.db[0], analyzer.Analyze(sound, 199 * 100).db[0]);
}

class FakeWindows : public AnalysisWindows {
public:
    bool HasSpectrumWindow() const override { return spectra > 0; }
    void ShowSpectrum(LAudioDocument&, FrequencySpectrum s, bool create) override {
        if (create || spectra > 0) ++spectra;
        lastSpectrum = std::move(s);
    }
    void ShowSpectrogram(LAudioDocument&, std::shared_ptr<const SpectrogramData> d) override { data = d; }
    void CloseSpectrogram() override { ++closed; }
    int spectra = 0;
    int closed = 0;
    FrequencySpectrum lastSpectrum;
    std::shared_ptr<const SpectrogramData> data;
};

class AnalysisCommandTest : public ::testing::Test, protected TestWorkspace {
protected:
    AnalysisCommandTest() { RegisterAnalysisCommands(registry, windows); }
    LAudioDocument& Open(std::int32_t frames, std::int32_t rate) {
        std::vector<std::int32_t> s(static_cast<std::size_t>(frames), 0);
        Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(MakeSound(store, s, 1, rate), "a.wav");
        ws.AddDocument(doc);
        return *doc;
    }
    FakeWindows windows;
};

TEST_F(AnalysisCommandTest, TenSecondsAreAnalysedWithoutAskingAndOneFrameMoreAsks) {
    LAudioDocument& doc = Open(10 * 8000 + 1, 8000);
    doc.SetSelection(0, 10 * 8000, 0);
    ASSERT_TRUE(registry.Run(kCmdTimeFrequency, ws));
    EXPECT_TRUE(host.messages.empty());
    ASSERT_NE(windows.data, nullptr);
    EXPECT_EQ(windows.data->order, 9u);

    windows.data.reset();
    doc.SetSelection(0, 0, 0);  // no selection: the whole sound, one frame past 10 s
    host.answers.push_back(MsgAnswer::No);
    registry.Run(kCmdTimeFrequency, ws);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, "Sonvela");
    EXPECT_EQ(host.messages[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(host.messages[0].text.rfind("Le graphique d'Analyse Temporelle", 0), 0u);
    EXPECT_EQ(windows.data, nullptr);
    EXPECT_EQ(doc.selectionEnd, doc.Length());
}

TEST_F(AnalysisCommandTest, ACancelledComputationClosesTheSpectrogram) {
    Open(44100 * 5, 44100);
    host.cancelAtPump = 2;
    registry.Run(kCmdTimeFrequency, ws);
    EXPECT_EQ(windows.closed, 1);
    EXPECT_EQ(windows.data, nullptr);
    ASSERT_FALSE(host.progressTitles.empty());
    EXPECT_EQ(host.progressTitles.back(), "Calcul des Données de Fréquence Temporelle");
}

TEST_F(AnalysisCommandTest, TheSpectrumCommandCreatesTheWindowAndRefreshesOnlyUpdateIt) {
    LAudioDocument& doc = Open(8192, 44100);
    doc.cursor = 100;
    RefreshFrequencyAnalysis(ws, windows, false);
    EXPECT_EQ(windows.spectra, 0);  // no window, no create: nothing
    ASSERT_TRUE(registry.Run(kCmdFrequencyAnalysis, ws));
    EXPECT_EQ(windows.spectra, 1);
    EXPECT_EQ(windows.lastSpectrum.position, 100);
    doc.cursor = 200;
    RefreshFrequencyAnalysis(ws, windows, false);
    EXPECT_EQ(windows.spectra, 2);
    EXPECT_EQ(windows.lastSpectrum.position, 200);
}

}  // namespace
}  // namespace sv::test

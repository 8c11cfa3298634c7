#include "views/FrequencyWindow.h"
#include "views/SpectrogramWindow.h"

#include "analysis/Spectrogram.h"
#include "core/AudioDocument.h"
#include "core/ProgressTask.h"
#include "support/Screenshots.h"
#include "support/SoundHelpers.h"
#include "support/TestWorkspace.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>
#include <QToolButton>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace sv::test {
namespace {

constexpr double kPi = 3.14159265358979323846;

// A sweep from 100 Hz to 10 kHz, the loudness of a -6 dBFS sine.
std::vector<std::int32_t> Sweep(std::int32_t frames, std::int32_t rate) {
    std::vector<std::int32_t> s(static_cast<std::size_t>(frames));
    double phase = 0;
    for (std::int32_t k = 0; k < frames; ++k) {
        const double hz = 100.0 * std::pow(100.0, static_cast<double>(k) / frames);
        phase += 2 * kPi * hz / rate;
        s[static_cast<std::size_t>(k)] = static_cast<std::int32_t>(0x7fff0 * 0.5 * std::sin(phase));
    }
    return s;
}

// A few plucked notes: chords with decaying harmonics, to look at like music.
std::vector<std::int32_t> Music(std::int32_t frames, std::int32_t rate) {
    std::vector<std::int32_t> s(static_cast<std::size_t>(frames));
    const double notes[] = {220.0, 277.2, 329.6, 440.0, 349.2, 261.6};
    for (std::int32_t k = 0; k < frames; ++k) {
        const int n = static_cast<int>(static_cast<std::int64_t>(k) * 6 / frames);
        const double t = static_cast<double>(k % (frames / 6)) / rate;
        double v = 0;
        for (int h = 1; h <= 6; ++h) v += std::sin(2 * kPi * notes[n] * h * t) * std::exp(-t * 3 * h) / h;
        s[static_cast<std::size_t>(k)] = static_cast<std::int32_t>(0x7fff0 * 0.35 * v);
    }
    return s;
}

QRgb Rgb(std::uint32_t c) { return qRgb(c >> 16, (c >> 8) & 0xff, c & 0xff); }

class AnalysisWindowsTest : public ::testing::Test, protected TestWorkspace {
protected:
    LAudioDocument& Open(const std::vector<std::int32_t>& s, std::int32_t rate) {
        Ref<LAudioDocument> doc = LAudioDocument::CreateFromSound(MakeSound(store, s, 1, rate), "a.wav");
        ws.AddDocument(doc);
        return *doc;
    }
    std::shared_ptr<SpectrogramData> Compute(LAudioDocument& doc) {
        auto data = std::make_shared<SpectrogramData>();
        FunctionTask task("t", [&](LProgressTask& t) { return ComputeSpectrogram(t, doc.sound, 0, doc.Length(), *data); });
        EXPECT_TRUE(task.Run());
        return data;
    }
};

TEST_F(AnalysisWindowsTest, TheSpectrumFollowsTheCursorAndShowsThePeakWhereTheAxisPutsIt) {
    std::vector<std::int32_t> s(static_cast<std::size_t>(44100), 0);
    for (std::size_t k = 22050; k < s.size(); ++k)
        s[k] = static_cast<std::int32_t>(0x7fff0 * 0.5 * std::sin(2 * kPi * 1000.0 * static_cast<double>(k) / 44100));
    LAudioDocument& doc = Open(s, 44100);
    ws.SetActive(&doc);
    LFrequencyWindow window(ws);
    window.resize(640, 360);
    window.show();
    doc.cursor = 30000;  // in the tone
    // The window looks at the cursor by itself and the worker answers through the event loop.
    for (int i = 0; i < 400 && window.Graph()->Spectrum().position != 30000; ++i) {
        window.Poll();
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const FrequencySpectrum& spectrum = window.Graph()->Spectrum();
    ASSERT_EQ(spectrum.position, 30000);
    EXPECT_GE(spectrum.db[0][93], -8);

    SpectrumGraph* graph = window.Graph();
    const QRect plot = graph->PlotRect();
    QImage shot = window.grab().toImage();
    shot.save(QString::fromStdString(ScreenshotPath("spectrum-1khz.png")));
    const QPoint origin = graph->mapTo(&window, plot.topLeft());
    // The peak: at the x of bin 93, the curve's green within a few pixels of its level.
    const int x = origin.x() + static_cast<int>(std::lround(graph->Geometry().XOfBin(93)));
    const int y = origin.y() + static_cast<int>(std::lround(graph->Geometry().YOfDb(spectrum.db[0][93])));
    bool green = false;
    for (int dx = -2; dx <= 2; ++dx)
        for (int dy = -3; dy <= 3; ++dy) {
            QColor c = shot.pixelColor(x + dx, y + dy);
            green = green || (c.green() > 150 && c.red() < 150);
        }
    EXPECT_TRUE(green);
    // High above the curve near the top right corner: the plot's background.
    EXPECT_EQ(shot.pixelColor(origin.x() + plot.width() - 5, origin.y() + 3), QColor(16, 16, 24));
    // The readout under the pointer.
    EXPECT_EQ(graph->Readout(plot.topLeft() + QPoint(static_cast<int>(graph->Geometry().XOfBin(93)), 10)),
              QString("1001 Hz, %1 dB").arg(spectrum.db[0][93]));
    EXPECT_TRUE(graph->Readout(QPoint(0, 0)).isEmpty());

    // Silence at the start reads -127 everywhere.
    doc.cursor = 0;
    for (int i = 0; i < 400 && window.Graph()->Spectrum().position != 0; ++i) {
        window.Poll();
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(*std::max_element(spectrum.db[0].begin(), spectrum.db[0].end()), -127);
}

TEST_F(AnalysisWindowsTest, TheSpectrogramOfASweepRisesAndCarriesTheGrid) {
    LAudioDocument& doc = Open(Sweep(3 * 44100, 44100), 44100);
    settings.WriteIntUserSetting("Settings", "TFFTFullZoomOn", 1);
    LTFFTWindow window(ws);
    window.resize(720, 480);
    window.Show(doc, Compute(doc));
    QApplication::processEvents();
    SpectrogramCanvas* canvas = window.Canvas();
    ASSERT_TRUE(canvas->Full());
    const QImage image = canvas->Image();
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.format(), QImage::Format_Indexed8);
    window.grab().save(QString::fromStdString(ScreenshotPath("spectrogram-sweep.png")));
    const QImage shot = canvas->grab().toImage();

    // At a quarter of the time the sweep is at 100 * 100^0.25 = 316 Hz, at three quarters 3.2 kHz.
    auto yOfHz = [&](double hz) { return image.height() - 1 - static_cast<int>(hz / 22050.0 * image.height()); };
    const int x1 = image.width() / 4, x3 = 3 * image.width() / 4;
    EXPECT_GT(image.pixelIndex(x1, yOfHz(316)), 100);
    EXPECT_GT(image.pixelIndex(x3, yOfHz(3162)), 100);
    EXPECT_EQ(image.pixelIndex(x1, yOfHz(15000)), 0);  // far from the sweep: black
    // Grid: the line of the first second in its colour, and the 1 kHz line in its own.
    const int second = static_cast<int>(44100.0 * canvas->Image().width() / (3 * 44100));
    EXPECT_EQ(shot.pixel(second, 5), Rgb(kSecondGridColour));
    EXPECT_EQ(shot.pixel(5, image.height() - 1 - static_cast<int>(1000.0 / 22050 * image.height())),
              Rgb(kHertzGridColour));

    // The brightness control is stored and redraws darker.
    // (the sweep's cells are at the 16-bit ceiling, so only a brightness of 0 darkens them)
    window.Brightness()->setValue(0);
    EXPECT_EQ(settings.ReadIntSetting("Settings", "TFFTVScroll", -1), 0);
    EXPECT_LT(canvas->Image().pixelIndex(x1, yOfHz(316)), image.pixelIndex(x1, yOfHz(316)));
    // The grid button is stored too.
    window.findChild<QToolButton*>("107")->click();
    EXPECT_EQ(settings.ReadIntSetting("Settings", "GridToggle", 1), 0);
}

TEST_F(AnalysisWindowsTest, TheZoomedViewShowsOneCellPerPixelAndReselectsTheRange) {
    LAudioDocument& doc = Open(Music(4 * 44100, 44100), 44100);
    doc.SetSelection(0, 0, 0);
    LTFFTWindow window(ws);
    window.resize(720, 480);
    auto data = Compute(doc);
    window.Show(doc, data);
    QApplication::processEvents();
    EXPECT_FALSE(window.Canvas()->Full());  // "TFFTFullZoomOn" is off by default
    EXPECT_EQ(window.Canvas()->Image().width(), static_cast<int>(data->slices));
    EXPECT_EQ(window.Canvas()->Image().height(), static_cast<int>(data->bins));
    window.findChild<QToolButton*>("103")->click();
    QApplication::processEvents();
    EXPECT_TRUE(window.Canvas()->Full());
    EXPECT_EQ(settings.ReadIntSetting("Settings", "TFFTFullZoomOn", 0), 1);
    window.grab().save(QString::fromStdString(ScreenshotPath("spectrogram-music.png")));
    window.Reselect();
    EXPECT_EQ(doc.selectionStart, 0);
    EXPECT_EQ(doc.selectionEnd, 4 * 44100);
    // A person compares ours with sox's picture of the same sound.
    const std::string wav = dir.File("music.wav");
    {
        std::vector<std::int32_t> s = Music(4 * 44100, 44100);
        std::FILE* raw = std::fopen(dir.File("music.raw").c_str(), "wb");
        for (std::int32_t v : s) {
            std::int16_t x = static_cast<std::int16_t>(v >> 4);
            std::fwrite(&x, 2, 1, raw);
        }
        std::fclose(raw);
    }
    const std::string cmd = "sox -t raw -r 44100 -e signed -b 16 -c 1 '" + dir.File("music.raw") +
                            "' -n spectrogram -o '" + ScreenshotPath("spectrogram-music-sox.png") + "' 2>/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
}

}  // namespace
}  // namespace sv::test

#pragma once
// The time ruler above a document's main view: ticks at a round step chosen so that labels do
// not crowd, labelled in whole seconds, hundredths or milliseconds as the step needs. The
// label texts are plain functions so they can be checked without a window.
#include <QWidget>

#include <cstdint>
#include <string>

namespace sv {

// "%ld:%.2ld:%.2ld.%.3ld", not rounded; a negative time gets a leading "-".
std::string FormatMillisecondsText(std::int64_t ms);
// "%ld:%.2ld:%.2ld", not rounded.
std::string FormatWholeSecondsText(std::int64_t ms);
// The smallest round step (1, 2, 5 x 10^n ms) that keeps ticks at least minPixels apart for a
// view of lengthMs over width pixels.
std::int64_t RulerStepMs(double lengthMs, int width, int minPixels);
// The label of a tick at ms for that step.
std::string RulerLabel(std::int64_t ms, std::int64_t stepMs);

class TimeRuler : public QWidget {
public:
    explicit TimeRuler(QWidget* parent = nullptr);
    void SetRange(std::int32_t startFrame, std::int32_t lengthFrames, std::int32_t rate);
    QSize sizeHint() const override { return {400, 18}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::int32_t start_ = 0;
    std::int32_t length_ = 0;
    std::int32_t rate_ = 44100;
};

}  // namespace sv

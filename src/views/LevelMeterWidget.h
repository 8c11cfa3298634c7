#pragma once
// LDBDisplay: the level meter of the player and the recorder. One horizontal band per channel
// on a scale from -36 dB at the left edge to +12 dB at the right; green up to 0 dB, red above.
// A linked label shows the peak as "%ddB", or "--dB" for silence.
#include <QWidget>

#include <cstdint>
#include <vector>

class QLabel;

namespace sv {

class LDBDisplay : public QWidget {
public:
    explicit LDBDisplay(QWidget* parent = nullptr);

    void SetLevels(int channels, const std::int8_t* levels);
    // One channel at -127.
    void Clear();
    void SetLinkedText(QLabel* label);
    const std::vector<std::int8_t>& Levels() const { return levels_; }
    int PeakLevel() const;
    // Where a level falls on a width of w pixels (clamped to the scale).
    static int LevelToX(int level, int width);

    QSize sizeHint() const override { return {160, 24}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<std::int8_t> levels_{-127};
    QLabel* text_ = nullptr;
};

}  // namespace sv

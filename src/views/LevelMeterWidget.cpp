#include "views/LevelMeterWidget.h"

#include <QLabel>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

namespace sv {

namespace {
constexpr int kLowDb = -36;
constexpr int kHighDb = 12;

// The bar bitmaps "LDBGreen" and "LDBRed": lit segments with a dark gap, repeated as a brush.
QBrush SegmentBrush(QColor lit) {
    QPixmap tile(4, 8);
    tile.fill(lit.darker(300));
    QPainter p(&tile);
    p.fillRect(0, 0, 3, 8, lit);
    p.fillRect(0, 0, 3, 1, lit.lighter(140));
    return QBrush(tile);
}
}  // namespace

LDBDisplay::LDBDisplay(QWidget* parent) : QWidget(parent) {
    setObjectName("LDBDisplay");
    setMinimumHeight(12);
}

int LDBDisplay::LevelToX(int level, int width) {
    level = std::clamp(level, kLowDb, kHighDb);
    return (level - kLowDb) * width / (kHighDb - kLowDb);
}

int LDBDisplay::PeakLevel() const { return levels_.empty() ? -127 : *std::max_element(levels_.begin(), levels_.end()); }

void LDBDisplay::SetLevels(int channels, const std::int8_t* levels) {
    levels_.assign(levels, levels + std::max(0, channels));
    if (levels_.empty()) levels_.push_back(-127);
    if (text_) {
        const int peak = PeakLevel();
        text_->setText(peak == -127 ? QStringLiteral("--dB") : QString::asprintf("%ddB", peak));
    }
    update();
}

void LDBDisplay::Clear() {
    const std::int8_t silent = -127;
    SetLevels(1, &silent);
}

void LDBDisplay::SetLinkedText(QLabel* label) {
    text_ = label;
    SetLevels(static_cast<int>(levels_.size()), levels_.data());
}

void LDBDisplay::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    if (!isEnabled()) return;
    const int w = width();
    const int n = static_cast<int>(levels_.size());
    const int zero = LevelToX(0, w);
    for (int c = 0; c < n; ++c) {
        const int top = height() * c / n;
        const int bottom = height() * (c + 1) / n;
        const int level = levels_[static_cast<std::size_t>(c)];
        if (level <= kLowDb) continue;
        const int x = LevelToX(level, w);
        static const QBrush green = SegmentBrush(QColor(0, 200, 0));
        static const QBrush red = SegmentBrush(QColor(230, 0, 0));
        p.fillRect(QRect(0, top, std::min(x, zero), bottom - top - 1), green);
        if (level > 0) p.fillRect(QRect(zero, top, x - zero, bottom - top - 1), red);
    }
}

}  // namespace sv

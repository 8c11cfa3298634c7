#include "views/CurveEditor.h"

#include "effects/BandCurves.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace sv {

namespace {

constexpr double kMargin = 28.0;
constexpr double kHitRadius = 6.0;

}  // namespace

LCurveEditor::LCurveEditor(QWidget* parent) : QWidget(parent), curve_(FlatCurve()) {
    setMinimumSize(240, 140);
    setMouseTracking(false);
}

void LCurveEditor::SetCurve(const LCurve& curve) {
    curve_ = curve.empty() ? FlatCurve() : curve;
    NormalizeCurve(curve_);
    dragged_ = -1;
    update();
}

void LCurveEditor::SetAxis(Axis axis) {
    axis_ = axis;
    update();
}

QRectF LCurveEditor::Plot() const {
    return QRectF(kMargin, 8, std::max(10.0, width() - kMargin - 10), std::max(10.0, height() - kMargin - 8));
}

double LCurveEditor::ToX(double position) const {
    const QRectF p = Plot();
    return p.left() + PositionToDisplay(position, axis_ == Axis::LogFrequency) * p.width();
}

std::uint8_t LCurveEditor::ToPosition(double x) const {
    const QRectF p = Plot();
    const double pos = DisplayToPosition((x - p.left()) / p.width(), axis_ == Axis::LogFrequency);
    return static_cast<std::uint8_t>(std::clamp(std::lround(pos), 0L, 255L));
}

double LCurveEditor::ToY(double level) const {
    const QRectF p = Plot();
    return p.bottom() - level / 255.0 * p.height();
}

std::uint8_t LCurveEditor::ToLevel(double y) const {
    const QRectF p = Plot();
    return static_cast<std::uint8_t>(std::clamp(std::lround((p.bottom() - y) / p.height() * 255.0), 0L, 255L));
}

QPointF LCurveEditor::PointAt(std::size_t index) const {
    const LCurvePoint& pt = curve_[index];
    return {ToX(pt.position), ToY(pt.level)};
}

int LCurveEditor::HitPoint(const QPointF& at) const {
    for (std::size_t i = 0; i < curve_.size(); ++i) {
        const QPointF d = PointAt(i) - at;
        if (std::hypot(d.x(), d.y()) <= kHitRadius) return static_cast<int>(i);
    }
    return -1;
}

void LCurveEditor::paintEvent(QPaintEvent*) {
    QPainter g(this);
    g.setRenderHint(QPainter::Antialiasing);
    g.fillRect(rect(), palette().window());
    const QRectF p = Plot();
    g.fillRect(p, Qt::white);
    g.setPen(QPen(QColor(220, 220, 220), 1));
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.8));
    g.setFont(small);
    if (axis_ == Axis::Time) {
        for (int i = 0; i <= 4; ++i) {
            const double x = p.left() + p.width() * i / 4;
            g.drawLine(QPointF(x, p.top()), QPointF(x, p.bottom()));
        }
    } else {
        const double marks[] = {100, 200, 500, 1000, 2000, 5000, 10000, 20000};
        for (double hz : marks) {
            const double x = ToX(255.0 * hz / kEqualizerTopHz);
            g.setPen(QPen(QColor(220, 220, 220), 1));
            g.drawLine(QPointF(x, p.top()), QPointF(x, p.bottom()));
            g.setPen(Qt::darkGray);
            const QString text = hz >= 1000 ? QString("%1k").arg(hz / 1000) : QString::number(hz);
            g.drawText(QRectF(x - 20, p.bottom() + 2, 40, 14), Qt::AlignCenter, text);
        }
    }
    // Levels: 0%, 100% (unity) and 199%.
    for (int level : {0, 64, 128, 192, 255}) {
        g.setPen(QPen(level == kUnityLevel ? QColor(120, 160, 220) : QColor(220, 220, 220), 1));
        g.drawLine(QPointF(p.left(), ToY(level)), QPointF(p.right(), ToY(level)));
        g.setPen(Qt::darkGray);
        g.drawText(QRectF(0, ToY(level) - 7, kMargin - 3, 14), Qt::AlignRight | Qt::AlignVCenter,
                   QString("%1%").arg(LevelToPercent(static_cast<std::uint8_t>(level))));
    }
    g.setPen(QPen(Qt::gray, 1));
    g.drawRect(p);
    QPainterPath path;
    // The first point counts as position 0; after the last the level holds to the end.
    path.moveTo(p.left(), ToY(curve_.front().level));
    for (std::size_t i = 1; i < curve_.size(); ++i) path.lineTo(PointAt(i));
    path.lineTo(p.right(), ToY(curve_.back().level));
    g.setPen(QPen(QColor(20, 90, 200), 2));
    g.drawPath(path);
    g.setBrush(QColor(250, 180, 40));
    g.setPen(QPen(Qt::black, 1));
    for (std::size_t i = 0; i < curve_.size(); ++i) g.drawEllipse(PointAt(i), 4, 4);
}

void LCurveEditor::mousePressEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    const int hit = HitPoint(at);
    if (event->button() == Qt::RightButton) {
        if (hit > 0 && hit + 1 < static_cast<int>(curve_.size())) {
            curve_.erase(curve_.begin() + hit);
            update();
            if (changed) changed();
        }
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    if (hit >= 0) {
        dragged_ = hit;
        return;
    }
    if (curve_.size() >= kMaxCurvePoints || !Plot().contains(at)) return;
    const LCurvePoint point{ToPosition(at.x()), ToLevel(at.y())};
    auto where = std::upper_bound(curve_.begin() + 1, curve_.end(), point.position,
                                  [](std::uint8_t p, const LCurvePoint& c) { return p < c.position; });
    dragged_ = static_cast<int>(curve_.insert(where, point) - curve_.begin());
    update();
    if (changed) changed();
}

void LCurveEditor::MoveDragged(const QPointF& at) {
    if (dragged_ < 0 || dragged_ >= static_cast<int>(curve_.size())) return;
    const std::size_t i = static_cast<std::size_t>(dragged_);
    std::uint8_t pos = ToPosition(at.x());
    if (i > 0) pos = std::max(pos, curve_[i - 1].position);
    if (i + 1 < curve_.size()) pos = std::min(pos, curve_[i + 1].position);
    curve_[i] = {pos, ToLevel(at.y())};
    update();
    if (changed) changed();
}

void LCurveEditor::mouseMoveEvent(QMouseEvent* event) { MoveDragged(event->position()); }

void LCurveEditor::mouseReleaseEvent(QMouseEvent*) { dragged_ = -1; }

}  // namespace sv

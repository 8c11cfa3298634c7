#pragma once
// The curve editor of the equalizer and envelope dialogs: the curve's points joined by lines
// over a grid, the unity level (128) marked. Dragging a point moves it between its neighbours;
// a click away from the points adds one (up to 64); a right click removes a point other than
// the first and the last. Positions are stored as they are read (linear in frequency for the
// equalizer); a logarithmic frequency axis only warps the drawing and the mouse.
#include "effects/Curve.h"

#include <QWidget>

#include <functional>

namespace sv {

class LCurveEditor : public QWidget {
public:
    enum class Axis { Time, LinearFrequency, LogFrequency };

    explicit LCurveEditor(QWidget* parent = nullptr);

    void SetCurve(const LCurve& curve);
    const LCurve& Curve() const { return curve_; }
    void SetAxis(Axis axis);
    Axis CurrentAxis() const { return axis_; }
    // Called after every change the user makes.
    std::function<void()> changed;

    // Where a point is drawn and which point a pixel falls on (for tests and the mouse).
    QPointF PointAt(std::size_t index) const;
    int HitPoint(const QPointF& at) const;

    QSize sizeHint() const override { return {420, 220}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRectF Plot() const;
    double ToX(double position) const;
    std::uint8_t ToPosition(double x) const;
    double ToY(double level) const;
    std::uint8_t ToLevel(double y) const;
    void MoveDragged(const QPointF& at);

    LCurve curve_;
    Axis axis_ = Axis::Time;
    int dragged_ = -1;
};

}  // namespace sv

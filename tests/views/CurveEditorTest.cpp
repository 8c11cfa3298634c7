#include "views/CurveEditor.h"

#include "support/Screenshots.h"

#include <QImage>
#include <QMouseEvent>
#include <QApplication>

#include <gtest/gtest.h>

namespace sv {
namespace {

void Mouse(QWidget& w, QEvent::Type type, QPointF at, Qt::MouseButton button) {
    QMouseEvent e(type, at, w.mapToGlobal(at), button, type == QEvent::MouseButtonRelease ? Qt::NoButton : button,
                  Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}

TEST(LCurveEditor, DraggingMovesAPointBetweenItsNeighboursAndAClickAddsOne) {
    LCurveEditor editor;
    editor.resize(420, 220);
    editor.SetCurve({{0, 128}, {100, 128}, {255, 128}});
    int changes = 0;
    editor.changed = [&] { ++changes; };
    const QPointF middle = editor.PointAt(1);
    EXPECT_EQ(editor.HitPoint(middle), 1);
    // Dragged far right and to the top: stops at its right neighbour, level 255.
    Mouse(editor, QEvent::MouseButtonPress, middle, Qt::LeftButton);
    Mouse(editor, QEvent::MouseMove, QPointF(1000, -50), Qt::LeftButton);
    Mouse(editor, QEvent::MouseButtonRelease, QPointF(1000, -50), Qt::LeftButton);
    EXPECT_EQ(editor.Curve()[1], (LCurvePoint{255, 255}));
    // A click away from the points adds one in position order.
    const QPointF low = editor.PointAt(0) + QPointF(60, 60);
    Mouse(editor, QEvent::MouseButtonPress, low, Qt::LeftButton);
    Mouse(editor, QEvent::MouseButtonRelease, low, Qt::LeftButton);
    ASSERT_EQ(editor.Curve().size(), 4u);
    EXPECT_LT(editor.Curve()[1].level, 128);
    EXPECT_GT(editor.Curve()[1].position, 0);
    // A right click removes it again; the ends stay.
    Mouse(editor, QEvent::MouseButtonPress, editor.PointAt(1), Qt::RightButton);
    Mouse(editor, QEvent::MouseButtonPress, editor.PointAt(0), Qt::RightButton);
    EXPECT_EQ(editor.Curve().size(), 3u);
    EXPECT_EQ(changes, 3);  // the move, the added point, the removal
}

TEST(LCurveEditor, LogarithmicAxisWarpsTheDrawingNotThePositions) {
    LCurveEditor editor;
    editor.resize(420, 220);
    editor.SetCurve({{0, 200}, {12, 200}, {13, 20}, {51, 20}, {64, 160}, {255, 60}});
    const double linearX = editor.PointAt(1).x();
    editor.SetAxis(LCurveEditor::Axis::LogFrequency);
    EXPECT_GT(editor.PointAt(1).x(), linearX + 50);  // 940 Hz sits far right of linear
    EXPECT_EQ(editor.Curve()[1].position, 12);
    QImage img(editor.size(), QImage::Format_ARGB32);
    editor.render(&img);
    EXPECT_TRUE(img.save(QString::fromStdString(test::ScreenshotPath("curve-editor-log.png"))));
}

}  // namespace
}  // namespace sv

#pragma once

#include "common/DrawingSurface.h"

#include <QFont>
#include <QPen>
#include <QWidget>
#include <vector>

namespace kst {

// A see-through surface over the plot for what follows the pointer: the cursor lines with their
// read-out and the box a Shift-drag zooms to. It is drawn on the screen only, never into the
// plot's picture, so moving the pointer redraws nothing of the graph; Cls takes it all away.
// Text sits on a pale patch so it reads over the line and the grid. Mouse events pass through to
// the plot.
class CursorOverlay : public QWidget, public DrawingSurface {
public:
    explicit CursorOverlay(QWidget *parent);

protected:
    QSizeF DeviceSize() const override;
    void DeviceClear() override;
    void DeviceLines(const std::vector<QPointF> &devicePoints) override;
    void DeviceText(QPointF topLeft, const QString &text) override;
    double DeviceTextWidth(const QString &text) const override;
    double DeviceLineHeight() const override;
    double DeviceAverageCharWidth() const override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct Shape {
        std::vector<QPointF> points; // a polyline; empty for a text
        QPen pen;
        QPointF topLeft;
        QString text;
        QFont font;
    };
    QFont CurrentFont() const;

    std::vector<Shape> shapes_;
};

} // namespace kst

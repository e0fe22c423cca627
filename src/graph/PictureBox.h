#pragma once

#include "common/DrawingSurface.h"

#include <QFont>
#include <QImage>
#include <QWidget>

namespace kst {

// A picture box: a widget that is a drawing surface with a persistent picture. Whatever is drawn
// stays on the picture until Cls (or a change of the background colour), and paint events only
// show the picture, so the program draws when its data changes, not when the window system asks.
//
// Default user coordinates are pixels; Scale sets others. When the widget is resized the picture
// keeps what it has in its top-left corner and is extended with the background colour; user
// coordinates that were set with Scale stay, so the owner redraws to fill the new size.
// Mouse releases are reported in user coordinates.
class PictureBox : public QWidget, public DrawingSurface {
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr);

    Colour BackColor() const { return backColor_; }
    // Sets the background colour; like Cls, it clears the picture to the new colour.
    void SetBackColor(Colour colour);

    // What is drawn so far, in device pixels.
    const QImage &Picture() const;

    QSize sizeHint() const override { return {200, 100}; }

signals:
    // A mouse button was released over the box; x and y in user coordinates.
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, double x, double y);
    // The left button was pressed and released over the box (after MouseUp).
    void Click();
    // The widget changed size; the picture was kept and extended.
    void Resized();

protected:
    QSizeF DeviceSize() const override;
    void DeviceClear() override;
    void DeviceLines(const std::vector<QPointF> &devicePoints) override;
    void DeviceText(QPointF topLeft, const QString &text) override;
    double DeviceTextWidth(const QString &text) const override;
    double DeviceLineHeight() const override;
    double DeviceAverageCharWidth() const override;

    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // Brings the picture to the widget's current size (and pixel ratio), keeping its content.
    // Pixel coordinates (never set with Scale) follow the new size.
    void EnsurePicture();
    void EnsurePicture() const { const_cast<PictureBox *>(this)->EnsurePicture(); }
    const QFont &CurrentFont() const;

    Colour backColor_ = 0xFFFFFF;
    QImage picture_;
    QSize pictureSize_; // logical size the picture was made for
    // Font cache: rebuilt only when the surface's font name, size or bold change.
    mutable QFont font_;
    mutable QString fontKeyName_;
    mutable double fontKeySize_ = -1;
    mutable bool fontKeyBold_ = false;
    bool leftPressed_ = false;
};

} // namespace kst

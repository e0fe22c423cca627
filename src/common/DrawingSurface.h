#pragma once

#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QtGlobal>
#include <vector>

namespace kst {

// Colours are 24-bit values with red in the low byte, green in the middle and blue in the high
// byte (255 is pure red, 0 black).
using Colour = qint32;
inline constexpr Colour Black = 0;
inline constexpr Colour Red = 255;
inline constexpr Colour DarkBlue = 0xC00000;
// The system's grey-text colour, as a reference that windows resolve from the palette.
inline constexpr Colour GreyTextColour = qint32(0x80000011u);

// Anything the program draws on: the graph's picture boxes, a printer page, a PDF page, or the
// recording surface of the tests. Drawing happens in user coordinates set with Scale (top-left and
// bottom-right corners, so a negative height makes y grow upwards). Text is printed at the current
// point; PrintText continues the line, NextZone steps to the next 14-column print zone and
// EndLine moves to the start of the next text line.
//
// This base class keeps the state every surface shares (coordinates, current point, pen, font);
// an implementation supplies the device size and the primitives in device units.
// A path in device units as it is drawn: runs of consecutive points in one pixel column
// (floor of x) of three or more points become the run's first point, a vertical line from the
// first of its extremes to the other (at the x of the first of them) and its last point; other
// points stay as they are. The picture keeps every column's extremes and every joint between
// columns, and data no denser than the pixels comes back unchanged.
std::vector<QPointF> PixelColumnPath(const std::vector<QPointF> &points);

class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;

    // Coordinates. The default system is the device's own (pixels, or printer points).
    void Scale(double x1, double y1, double x2, double y2);
    void ScaleToDevice();
    double ScaleLeft() const { return scaleLeft_; }
    double ScaleTop() const { return scaleTop_; }
    double ScaleWidth() const { return scaleWidth_; }
    double ScaleHeight() const { return scaleHeight_; }
    void SetScaleLeft(double v) { scaleLeft_ = v; }
    void SetScaleTop(double v) { scaleTop_ = v; }
    void SetScaleWidth(double v) { scaleWidth_ = v; }
    void SetScaleHeight(double v) { scaleHeight_ = v; }
    // Outer size of the surface in its own default units.
    double Width() const { return DeviceSize().width(); }
    double Height() const { return DeviceSize().height(); }

    double CurrentX() const { return currentX_; }
    double CurrentY() const { return currentY_; }
    void SetCurrentX(double v) { currentX_ = v; }
    void SetCurrentY(double v) { currentY_ = v; }

    Colour ForeColor() const { return foreColor_; }
    void SetForeColor(Colour c) { foreColor_ = c; }
    int DrawWidth() const { return drawWidth_; }
    void SetDrawWidth(int w) { drawWidth_ = w < 1 ? 1 : w; }
    int DrawStyle() const { return drawStyle_; } // 0 solid, 2 dotted
    void SetDrawStyle(int s) { drawStyle_ = s; }

    QString FontName() const { return fontName_; }
    void SetFontName(const QString &name) { fontName_ = name; }
    double FontSize() const { return fontSize_; }
    void SetFontSize(double points) { fontSize_ = points; }
    bool FontBold() const { return fontBold_; }
    void SetFontBold(bool bold) { fontBold_ = bold; }

    // Clears to the background; the current point returns to the top left.
    void Cls();
    // A line between two points; the end point becomes the current point.
    void Line(double x1, double y1, double x2, double y2);
    // A line from the current point.
    void LineTo(double x, double y) { Line(currentX_, currentY_, x, y); }
    // A connected line from the current point through every point, drawn as one stroke. Where
    // several points fall in one device pixel column, the column is drawn as its band (see
    // PixelColumnPath), so the cost follows the columns, not the points.
    void PolylineTo(const std::vector<QPointF> &points);

    // Surfaces that keep a picture may hold a data layer over the rest (grid, background):
    // while it is selected, lines go to it, and ScrollData moves it left by dx user units, what
    // leaves on the left being gone and the right coming free. Others draw everything alike.
    virtual bool CanScroll() const { return false; }
    virtual void SetDataLayer(bool) {}
    virtual void ScrollData(double) {}

    // Text at the current point; the current point moves to the end of the text.
    void PrintText(const QString &text);
    // Moves the current point to the next print zone start (zones are 14 average character
    // widths, counted from the left edge).
    void NextZone();
    // Moves the current point to the left edge of the next text line.
    void EndLine();
    // PrintText then EndLine.
    void Print(const QString &text)
    {
        PrintText(text);
        EndLine();
    }
    double TextWidth(const QString &text) const;
    double TextHeight() const;

    // Page control for paged surfaces; other surfaces ignore them.
    virtual void NewPage() {}
    virtual void EndDoc() {}

    // User coordinates to device units and back.
    QPointF ToDevice(double x, double y) const;
    double DeviceToUserX(double dx) const { return dx * scaleWidth_ / DeviceSize().width(); }
    double DeviceToUserY(double dy) const { return dy * scaleHeight_ / DeviceSize().height(); }

    static constexpr int ZoneColumns = 14;

protected:
    // Device size in device units (never zero).
    virtual QSizeF DeviceSize() const = 0;
    virtual void DeviceClear() = 0;
    // A polyline in device units with the current pen (colour, width, style).
    virtual void DeviceLines(const std::vector<QPointF> &devicePoints) = 0;
    // Text with its top-left corner at a device point, in the current font and colour.
    virtual void DeviceText(QPointF topLeft, const QString &text) = 0;
    // Font metrics in device units for the current font.
    virtual double DeviceTextWidth(const QString &text) const = 0;
    virtual double DeviceLineHeight() const = 0;
    virtual double DeviceAverageCharWidth() const = 0;

    // Implementations call this once their device size is known.
    void ResetCoordinates() { ScaleToDevice(); }

private:
    double scaleLeft_ = 0, scaleTop_ = 0, scaleWidth_ = 1, scaleHeight_ = 1;
    double currentX_ = 0, currentY_ = 0;
    Colour foreColor_ = Black;
    int drawWidth_ = 1;
    int drawStyle_ = 0;
    QString fontName_ = QStringLiteral("Arial");
    double fontSize_ = 9;
    bool fontBold_ = false;
};

} // namespace kst

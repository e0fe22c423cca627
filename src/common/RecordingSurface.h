#pragma once

#include "common/DrawingSurface.h"

#include <QList>

namespace kst {

// A drawing surface that draws nothing and keeps every primitive in user coordinates, with the
// pen and font in force, so tests can check what was drawn with numbers. Its device has a fixed
// size, every character is CharWidth device units wide and a text line LineHeight units high, so
// with the default coordinates positions read directly in columns and lines.
class RecordingSurface : public DrawingSurface {
public:
    enum class Kind { Clear, Line, Text, NewPage, EndDoc };
    struct Item {
        Kind kind;
        QList<QPointF> points; // user coordinates: a line's points, a text's top-left corner
        QString text;
        Colour colour;
        int width;
        int style;
        double fontSize;
        bool bold;
        QList<QPointF> device; // the same points in device units, whatever the coordinates were
    };

    explicit RecordingSurface(QSizeF deviceSize = {1000, 1000}, double charWidth = 1,
                              double lineHeight = 1);

    QList<Item> items;

    void NewPage() override;
    void EndDoc() override;

    // Convenience views for tests.
    QList<Item> Lines() const;
    QList<Item> Texts() const;
    QStringList TextStrings() const;
    void Clear() { items.clear(); }

protected:
    QSizeF DeviceSize() const override { return size_; }
    void DeviceClear() override;
    void DeviceLines(const std::vector<QPointF> &devicePoints) override;
    void DeviceText(QPointF topLeft, const QString &text) override;
    double DeviceTextWidth(const QString &text) const override;
    double DeviceLineHeight() const override { return lineHeight_; }
    double DeviceAverageCharWidth() const override { return charWidth_; }

private:
    Item Make(Kind kind) const;
    QPointF ToUser(QPointF device) const;
    QSizeF size_;
    double charWidth_;
    double lineHeight_;
};

} // namespace kst

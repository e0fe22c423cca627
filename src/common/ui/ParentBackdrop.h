#pragma once

#include <QImage>
#include <QObject>
#include <QPalette>

class QWidget;

namespace kst {

// See-through read-outs that change with every reading (labels on a frame a style shades) paint
// what their parent shows under them themselves, from a picture of the parent without its
// children made once per look of the parent, so a new text repaints the read-out alone and not
// every widget under it. The picture is the parent's own painting over its background colour,
// as the screen shows it where no sibling lies.
class ParentBackdrop : public QObject {
public:
    // Makes `widget` paint its parent's picture under itself; the backdrop belongs to the widget.
    static void Install(QWidget *widget);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit ParentBackdrop(QWidget *widget);
    // The parent's picture, made again when its size, palette, style, state or scale changed.
    const QImage &Picture(QWidget *parent);

    struct Look {
        QSize size;
        qreal ratio = 0;
        qint64 palette = 0;
        const void *style = nullptr;
        bool enabled = false;
        bool active = false;
        bool operator==(const Look &) const = default;
    };
    Look look_;
    QImage picture_;
};

} // namespace kst

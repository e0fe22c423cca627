#include "common/RecordingSurface.h"

namespace kst {

RecordingSurface::RecordingSurface(QSizeF deviceSize, double charWidth, double lineHeight)
    : size_(deviceSize), charWidth_(charWidth), lineHeight_(lineHeight)
{
    ResetCoordinates();
}

RecordingSurface::Item RecordingSurface::Make(Kind kind) const
{
    return Item{kind, {}, {}, ForeColor(), DrawWidth(), DrawStyle(), FontSize(), FontBold(), {}};
}

QPointF RecordingSurface::ToUser(QPointF device) const
{
    return {ScaleLeft() + DeviceToUserX(device.x()), ScaleTop() + DeviceToUserY(device.y())};
}

void RecordingSurface::NewPage()
{
    items.append(Make(Kind::NewPage));
}
void RecordingSurface::EndDoc()
{
    items.append(Make(Kind::EndDoc));
}

void RecordingSurface::DeviceClear()
{
    items.append(Make(Kind::Clear));
}

void RecordingSurface::DeviceLines(const std::vector<QPointF> &devicePoints)
{
    // Kept as separate two-point lines, whether drawn one by one or as one polyline.
    for (size_t i = 1; i < devicePoints.size(); ++i) {
        Item item = Make(Kind::Line);
        item.points = {ToUser(devicePoints[i - 1]), ToUser(devicePoints[i])};
        item.device = {devicePoints[i - 1], devicePoints[i]};
        items.append(item);
    }
}

void RecordingSurface::DeviceText(QPointF topLeft, const QString &text)
{
    Item item = Make(Kind::Text);
    item.points = {ToUser(topLeft)};
    item.device = {topLeft};
    item.text = text;
    items.append(item);
}

double RecordingSurface::DeviceTextWidth(const QString &text) const
{
    return charWidth_ * double(text.size());
}

QList<RecordingSurface::Item> RecordingSurface::Lines() const
{
    QList<Item> out;
    for (const Item &i : items)
        if (i.kind == Kind::Line)
            out.append(i);
    return out;
}

QList<RecordingSurface::Item> RecordingSurface::Texts() const
{
    QList<Item> out;
    for (const Item &i : items)
        if (i.kind == Kind::Text)
            out.append(i);
    return out;
}

QStringList RecordingSurface::TextStrings() const
{
    QStringList out;
    for (const Item &i : Texts())
        out.append(i.text);
    return out;
}

} // namespace kst

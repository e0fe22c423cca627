#include "common/ui/RepaintPacer.h"

#include <QAbstractSlider>
#include <QLabel>
#include <QWidget>

namespace kst {

namespace {

// What a read-out shows, as far as it can be told without painting it: its text or value, its
// colour and its enabled look. Nothing for a widget of another kind (it is always repainted).
QString Look(const QWidget *widget)
{
    QString look = QString::number(widget->palette().color(QPalette::WindowText).rgba(), 16) +
                   (widget->isEnabled() ? u'|' : u'-');
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return look + label->text();
    if (const auto *slider = qobject_cast<const QAbstractSlider *>(widget))
        return look + QStringLiteral("%1 %2 %3")
                          .arg(slider->value())
                          .arg(slider->minimum())
                          .arg(slider->maximum());
    return QString();
}

} // namespace

RepaintPacer::RepaintPacer(QObject *parent) : QObject(parent)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { Release(); });
}

void RepaintPacer::Add(QWidget *widget)
{
    widgets_.push_back({widget, QString()});
}

void RepaintPacer::Hold()
{
    if (!clock_.isValid() || clock_.elapsed() >= IntervalMs) {
        clock_.start(); // slow enough: this change is shown at once
        return;
    }
    if (!held_) {
        // Updates of a widget are dropped while they are disabled; a paint the window system
        // asks for still happens.
        for (Held &held : widgets_)
            if (held.widget) {
                held.look = Look(held.widget);
                held.widget->setUpdatesEnabled(false);
            }
        held_ = true;
    }
    if (!timer_.isActive())
        timer_.start(int(IntervalMs - clock_.elapsed()));
}

void RepaintPacer::Release()
{
    clock_.start();
    if (!held_)
        return;
    held_ = false;
    for (const Held &held : widgets_) {
        if (!held.widget)
            continue;
        const QString look = Look(held.widget);
        if (look.isNull() || look != held.look) {
            held.widget->setUpdatesEnabled(true); // repaints it
            continue;
        }
        // Unchanged: updates are let through again without a repaint. For a widget without
        // children this is what enabling its updates does, less the repaint.
        held.widget->setAttribute(Qt::WA_ForceUpdatesDisabled, false);
        held.widget->setAttribute(Qt::WA_UpdatesDisabled, false);
    }
}

} // namespace kst

#include "shell/MeterSelector.h"

#include "common/ui/QtColour.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPainter>
#include <QPixmap>
#include <QShortcut>
#include <QToolButton>

namespace kst {

namespace {

QIcon Swatch(Colour colour)
{
    QPixmap pixmap(14, 14);
    pixmap.fill(ToQColor(colour));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, 13, 13);
    return QIcon(pixmap);
}

} // namespace

MeterSelector::MeterSelector(QWidget *parent)
    : QWidget(parent), layout_(new QHBoxLayout(this)), group_(new QButtonGroup(this))
{
    setObjectName(QStringLiteral("MeterSelector"));
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->addStretch(1);
    group_->setExclusive(true);
    connect(group_, &QButtonGroup::idClicked, this, [this](int index) {
        if (index == selected_)
            return;
        selected_ = index;
        emit MeterSelected(index);
    });
    hide();
}

void MeterSelector::SetMeters(const std::vector<Entry> &meters)
{
    for (QToolButton *button : buttons_)
        delete button;
    buttons_.clear();
    names_.clear();
    values_.assign(meters.size(), QString());
    due_.assign(meters.size(), false);
    for (size_t i = 0; i < meters.size(); ++i) {
        auto *button = new QToolButton(this);
        button->setObjectName(QStringLiteral("MeterButton%1").arg(i + 1));
        button->setCheckable(true);
        button->setIcon(Swatch(meters[i].colour));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        // Alt+1 to Alt+8 choose a meter from the keyboard.
        // (The button's own shortcut would go with its next text.)
        auto *shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key(Qt::Key_1 + int(i))), button);
        connect(shortcut, &QShortcut::activated, button, &QToolButton::click);
        button->setToolTip(QStringLiteral("%1 (Alt+%2)").arg(meters[i].name).arg(i + 1));
        group_->addButton(button, int(i));
        layout_->insertWidget(int(i), button);
        buttons_.push_back(button);
        names_.push_back(meters[i].name);
        ShowText(int(i));
    }
    selected_ = 0;
    if (!buttons_.empty())
        buttons_.front()->setChecked(true);
    setVisible(meters.size() > 1);
}

void MeterSelector::SetValue(int index, const QString &text)
{
    if (index < 0 || size_t(index) >= values_.size() || values_[size_t(index)] == text)
        return;
    values_[size_t(index)] = text;
    due_[size_t(index)] = true;
}

void MeterSelector::ShowValues()
{
    // A hidden row (one meter) keeps the values only: a button's new text lays it out again.
    if (isHidden())
        return;
    for (size_t i = 0; i < buttons_.size(); ++i)
        if (due_[i])
            ShowText(int(i));
}

void MeterSelector::setVisible(bool visible)
{
    if (visible && isHidden())
        for (size_t i = 0; i < buttons_.size(); ++i)
            ShowText(int(i));
    QWidget::setVisible(visible);
}

void MeterSelector::Select(int index)
{
    if (index < 0 || size_t(index) >= buttons_.size())
        return;
    buttons_[size_t(index)]->setChecked(true);
    selected_ = index;
}

void MeterSelector::ShowText(int index)
{
    due_[size_t(index)] = false;
    const QString &value = values_[size_t(index)];
    buttons_[size_t(index)]->setText(value.isEmpty()
                                         ? names_[size_t(index)]
                                         : names_[size_t(index)] + QStringLiteral("  ") + value);
}

} // namespace kst

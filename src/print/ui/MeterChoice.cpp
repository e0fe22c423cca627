#include "print/ui/MeterChoice.h"

#include "common/ui/Named.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>

namespace kst {

MeterChoice::MeterChoice(QWidget *parent) : QWidget(parent)
{
    label_ = new QLabel(QStringLiteral("&Meter:"), this);
    combo_ = Named(new QComboBox(this), "MeterChoice");
    label_->setBuddy(combo_);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label_);
    layout->addWidget(combo_, 1);
    connect(combo_, &QComboBox::activated, this, &MeterChoice::Changed);
    SetMeters({}, 0);
}

void MeterChoice::SetMeters(const QStringList &names, int chosen)
{
    names_ = names;
    combo_->clear();
    combo_->addItems(names);
    combo_->addItem(QStringLiteral("All meters"));
    combo_->setCurrentIndex(chosen == AllMeters                    ? int(names.size())
                            : chosen >= 0 && chosen < names.size() ? chosen
                                                                   : 0);
    setVisible(names.size() >= 2);
}

int MeterChoice::Chosen() const
{
    if (names_.size() < 2)
        return 0;
    const int index = combo_->currentIndex();
    return index >= int(names_.size()) ? AllMeters : index;
}

int MeterChoice::Shown() const
{
    const int chosen = Chosen();
    return chosen == AllMeters ? 0 : chosen;
}

} // namespace kst

#include "shell/MetersFrm.h"

#include "common/ui/MessageBox.h"
#include "common/ui/Module1.h"
#include "common/ui/Named.h"
#include "common/ui/QtColour.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace kst {

namespace {

enum Column { NameColumn, DeviceColumn, ColourColumn, PublishColumn, PrefixColumn };

QTableWidgetItem *Swatch(Colour colour)
{
    auto *item = new QTableWidgetItem;
    item->setBackground(ToQColor(colour));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setToolTip(MetersFrm::tr("Double-click to choose the colour"));
    return item;
}

} // namespace

MetersFrm::MetersFrm(Module1 &module, const std::vector<MeterSetup> &meters,
                     const QString &firstPort, QWidget *parent)
    : QDialog(parent), module_(module), table_(new QTableWidget(0, 5, this))
{
    setObjectName(QStringLiteral("MetersFrm"));
    setWindowTitle(tr("Meters"));
    table_->setObjectName(QStringLiteral("MeterTable"));
    table_->setHorizontalHeaderLabels(
        {tr("Name"), tr("Port or device"), tr("Colour"), tr("Publish"), tr("Topic prefix")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    table_->horizontalHeader()->setSectionResizeMode(DeviceColumn, QHeaderView::Stretch);
    table_->verticalHeader()->hide();
    for (const MeterSetup &meter : meters)
        AddRow(meter);
    // Meter 1's port comes from the Communication window.
    if (table_->rowCount() > 0) {
        QTableWidgetItem *port = table_->item(0, DeviceColumn);
        port->setText(firstPort);
        port->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        port->setToolTip(tr("Meter 1's port is set in Setup > Set Communication..."));
    }
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        if (column == ColourColumn)
            ChooseColour(row);
    });

    auto *buttons = new QHBoxLayout;
    const auto button = [&](const char *name, const QString &text, void (MetersFrm::*slot)()) {
        auto *b = Named(new QPushButton(text, this), name);
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        return b;
    };
    button("AddMeter", tr("&Add"), &MetersFrm::Add_Click);
    button("RemoveMeter", tr("&Remove"), &MetersFrm::Remove_Click);
    button("RenameMeter", tr("Re&name"), &MetersFrm::Rename_Click);
    buttons->addStretch(1);
    button("OkCommand", tr("OK"), &MetersFrm::OK_Click)->setDefault(true);
    button("CancelCommand", tr("Cancel"), &MetersFrm::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addLayout(buttons);
    resize(720, 320);
}

void MetersFrm::AddRow(const MeterSetup &meter)
{
    const int row = table_->rowCount();
    table_->insertRow(row);
    table_->setItem(row, NameColumn, new QTableWidgetItem(meter.name));
    table_->setItem(row, DeviceColumn, new QTableWidgetItem(meter.device));
    table_->setItem(row, ColourColumn, Swatch(meter.colour));
    auto *publish = new QTableWidgetItem;
    publish->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
    publish->setCheckState(meter.publish ? Qt::Checked : Qt::Unchecked);
    table_->setItem(row, PublishColumn, publish);
    table_->setItem(row, PrefixColumn, new QTableWidgetItem(meter.prefix));
    colours_.push_back(meter.colour);
}

std::vector<MeterSetup> MetersFrm::Meters() const
{
    std::vector<MeterSetup> meters;
    for (int row = 0; row < table_->rowCount(); ++row) {
        MeterSetup meter;
        meter.name = table_->item(row, NameColumn)->text().trimmed();
        meter.device = row == 0 ? QString() : table_->item(row, DeviceColumn)->text().trimmed();
        meter.colour = colours_[size_t(row)];
        meter.publish = table_->item(row, PublishColumn)->checkState() == Qt::Checked;
        meter.prefix = table_->item(row, PrefixColumn)->text().trimmed();
        meters.push_back(meter);
    }
    return meters;
}

void MetersFrm::Add_Click()
{
    if (table_->rowCount() >= MaxMeters)
        return;
    MeterSetup meter = DefaultMeter(table_->rowCount() + 1);
    meter.device = QStringLiteral("/dev/ttyUSB%1").arg(table_->rowCount());
    AddRow(meter);
    table_->setCurrentCell(table_->rowCount() - 1, DeviceColumn);
    table_->editItem(table_->currentItem());
}

void MetersFrm::Remove_Click()
{
    const int row = table_->currentRow();
    if (row <= 0) // meter 1 stays
        return;
    table_->removeRow(row);
    colours_.erase(colours_.begin() + row);
}

void MetersFrm::Rename_Click()
{
    const int row = std::max(0, table_->currentRow());
    table_->setCurrentCell(row, NameColumn);
    table_->editItem(table_->item(row, NameColumn));
}

void MetersFrm::ChooseColour(int row)
{
    const QColor chosen = QColorDialog::getColor(ToQColor(colours_[size_t(row)]), this);
    if (!chosen.isValid())
        return;
    colours_[size_t(row)] = FromQColor(chosen);
    table_->setItem(row, ColourColumn, Swatch(colours_[size_t(row)]));
}

void MetersFrm::OK_Click()
{
    const Status usable = CheckMeterList(Meters());
    if (!usable) {
        ShowMessage(module_, this, {MessageIcon::Warning, tr("Meters"), usable.Reason()});
        return;
    }
    accept();
}

} // namespace kst

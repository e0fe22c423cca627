#include "meter/ui/PortChoice.h"

#include "common/Numbers.h"
#include "common/ui/MessageBox.h"
#include "common/ui/Module1.h"
#include "meter/MSComm.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSerialPortInfo>
#include <algorithm>

namespace kst {

PortChoice::PortChoice(MSComm &comm, Module1 &module, PortDevices ports, QDialog &window,
                       QGridLayout &grid, const QString &optionPrefix)
    : QObject(&window), comm_(comm), module_(module), ports_(std::move(ports)), window_(window)
{
    for (int port = 1; port <= PortCount; ++port) {
        auto *option = new QRadioButton(QStringLiteral("Com%1").arg(port), &window);
        option->setObjectName(optionPrefix + QString::number(port));
        auto *device = new QLabel(&window);
        device->setObjectName(QStringLiteral("Device%1").arg(port));
        device->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid.addWidget(option, port - 1, 0);
        grid.addWidget(device, port - 1, 1, 1, 2);
        options_[port - 1] = option;
        devices_[port - 1] = device;
        connect(option, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                SelectionChanged();
        });
    }

    // Any detected serial device, or a typed path, can be mapped to the selected number.
    deviceCombo_ = new QComboBox(&window);
    deviceCombo_->setObjectName(QStringLiteral("DeviceCombo"));
    deviceCombo_->setEditable(true);
    deviceCombo_->setInsertPolicy(QComboBox::NoInsert);
    deviceCombo_->setMinimumContentsLength(16);
    // As wide as its longest name: the part that tells two adapters apart is often its end.
    deviceCombo_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    deviceCombo_->view()->setTextElideMode(Qt::ElideMiddle);
    connect(deviceCombo_, &QComboBox::currentIndexChanged, this, [this](int index) {
        deviceCombo_->setToolTip(deviceCombo_->itemData(index, Qt::ToolTipRole).toString());
    });
    ListDevices();
    assignDevice_ = new QPushButton(QStringLiteral("Assign"), &window);
    assignDevice_->setObjectName(QStringLiteral("AssignDevice"));
    assignDevice_->setAutoDefault(false);
    assignDevice_->setEnabled(false);
    auto *deviceLabel = new QLabel(QStringLiteral("Device:"), &window);
    deviceLabel->setBuddy(deviceCombo_);
    grid.addWidget(deviceLabel, PortCount, 0);
    grid.addWidget(deviceCombo_, PortCount, 1);
    grid.addWidget(assignDevice_, PortCount, 2);
    grid.setColumnStretch(1, 1);
    connect(assignDevice_, &QPushButton::clicked, this, &PortChoice::AssignDevice);

    ShowDevices();
}

void PortChoice::ListDevices()
{
    // Stable links first: assigning one keeps the meter found after the adapter is plugged in
    // again under another name. Each item carries its path; the text adds what the adapter says
    // about itself.
    const QFileInfoList links =
        QDir(ports_.ByIdFolder)
            .entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &link : links) {
        const QSerialPortInfo info(link.canonicalFilePath());
        QStringList about;
        for (const QString &part : {info.description(), info.manufacturer(), info.serialNumber()})
            if (!part.isEmpty())
                about << part;
        const QString path = link.absoluteFilePath();
        AddDevice(about.isEmpty()
                      ? path
                      : path + QStringLiteral("  (") + about.join(QStringLiteral(", ")) + u')',
                  path);
    }
    QList<QSerialPortInfo> found = QSerialPortInfo::availablePorts();
    std::sort(found.begin(), found.end(), [](const QSerialPortInfo &a, const QSerialPortInfo &b) {
        return a.systemLocation() < b.systemLocation();
    });
    for (const QSerialPortInfo &info : found) {
        const QString about =
            info.description().isEmpty() ? info.manufacturer() : info.description();
        AddDevice(info.systemLocation(), info.systemLocation(),
                  about.isEmpty() ? QString()
                                  : info.systemLocation() + QStringLiteral("\n") + about);
    }
}

void PortChoice::AddDevice(const QString &text, const QString &path, const QString &toolTip)
{
    // Shown whole where the screen allows, else shortened in the middle; whole in the tool tip.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const int widest = screen ? screen->availableGeometry().width() * 2 / 3 : 640;
    deviceCombo_->addItem(deviceCombo_->fontMetrics().elidedText(text, Qt::ElideMiddle, widest),
                          path);
    deviceCombo_->setItemData(deviceCombo_->count() - 1, toolTip.isEmpty() ? text : toolTip,
                              Qt::ToolTipRole);
}

void PortChoice::ShowDevices()
{
    for (int port = 1; port <= PortCount; ++port)
        devices_[port - 1]->setText(ports_.Device(port));
}

void PortChoice::SelectionChanged()
{
    const int port = SelectedPort();
    assignDevice_->setEnabled(port != 0);
    if (port != 0)
        deviceCombo_->setEditText(ports_.Device(port));
}

int PortChoice::SelectedPort() const
{
    for (int port = 1; port <= PortCount; ++port) {
        if (options_[port - 1]->isChecked())
            return port;
    }
    return 0;
}

void PortChoice::Load()
{
    module_.ComPortNumber = float(comm_.CommPort());
    const int port = comm_.CommPort();
    if (port >= 1 && port <= PortCount) {
        options_[port - 1]->setChecked(true);
    } else {
        // Radio buttons of one group refuse to be all off while exclusive.
        for (QRadioButton *option : options_) {
            option->setAutoExclusive(false);
            option->setChecked(false);
            option->setAutoExclusive(true);
        }
    }
    SelectionChanged();
}

bool PortChoice::Confirm()
{
    int error = 0;
    if (comm_.PortOpen())
        error = comm_.SetPortOpen(false);
    if (error == 0) {
        if (const int selected = SelectedPort(); selected != 0)
            module_.ComPortNumber = float(selected);
        comm_.SetCommPort(int(RoundHalfEven(module_.ComPortNumber)));
        error = comm_.SetPortOpen(true);
    }
    if (error == 0) {
        ports_.Remember(comm_.CommPort());
        return true;
    }
    if (const QString text = MSComm::OpenErrorText(error, comm_.CommPort(), comm_.DevicePath());
        !text.isEmpty())
        ShowMessage(text);
    return false;
}

void PortChoice::AssignDevice()
{
    const int port = SelectedPort();
    // A listed item stands for its path; anything else is a typed path.
    const int index = deviceCombo_->currentIndex();
    const QString text = deviceCombo_->currentText();
    const QString device = index >= 0 && text == deviceCombo_->itemText(index)
                               ? deviceCombo_->itemData(index).toString()
                               : text.trimmed();
    if (port == 0 || device.isEmpty())
        return;
    ports_.Assign(port, device);
    ShowDevices();
}

void PortChoice::ShowMessage(const QString &text)
{
    kst::ShowMessage(module_, &window_, {MessageIcon::None, QStringLiteral("KST"), text});
}

} // namespace kst

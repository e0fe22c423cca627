#pragma once

#include "meter/ui/PortDevices.h"

#include <QObject>
#include <QString>
#include <array>

class QComboBox;
class QDialog;
class QGridLayout;
class QLabel;
class QPushButton;
class QRadioButton;

namespace kst {

class Module1;
class MSComm;

// What the two port windows share: the four port options, each with the device it maps to
// beside it, a way to map any serial device to the selected number, and the confirm steps that
// switch the serial control to the chosen port.
class PortChoice : public QObject {
    Q_OBJECT
public:
    static constexpr int PortCount = 4;

    // Creates the options (named optionPrefix + 1..4, captions "Com1".."Com4"), the device labels
    // ("Device1".."Device4"), the device box ("DeviceCombo") and its "Assign" button
    // ("AssignDevice"), all children of `window`, and places them in `grid` from row 0.
    PortChoice(MSComm &comm, Module1 &module, PortDevices ports, QDialog &window, QGridLayout &grid,
               const QString &optionPrefix);

    QRadioButton *Option(int port) const { return options_[port - 1]; }

    // Reads the serial control's port number into ComPortNumber and selects its option; a number
    // outside 1..4 selects none.
    void Load();

    // Closes the port if open, takes the number of the first selected option (none selected
    // keeps ComPortNumber), opens that port and remembers the number. On failure reports why
    // (in use, missing, not permitted) and returns false: the window stays open and the port
    // stays closed.
    bool Confirm();

    // The option selected, 1..4, or 0 when none is.
    int SelectedPort() const;

    // Maps the selected number to the device chosen or typed in the device box.
    void AssignDevice();

private:
    void ListDevices();
    // One device in the device box: its text, its path, and the tool tip (the text if empty).
    void AddDevice(const QString &text, const QString &path, const QString &toolTip = {});
    void ShowDevices();
    void SelectionChanged();
    void ShowMessage(const QString &text);

    MSComm &comm_;
    Module1 &module_;
    PortDevices ports_;
    QDialog &window_;
    std::array<QRadioButton *, PortCount> options_{};
    std::array<QLabel *, PortCount> devices_{};
    QComboBox *deviceCombo_;
    QPushButton *assignDevice_;
};

} // namespace kst

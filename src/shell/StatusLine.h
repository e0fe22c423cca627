#pragma once

#include <QString>

class QLabel;

namespace kst {

class MSComm;

// The status bar's text about meter 1: "COM1 /dev/ttyUSB0: open, receiving    Samples: 12". It
// is shown for every frame, so it looks the port's device up only when the port or its state
// changed, and touches the label only when the text changes; the label is as wide as the longest
// text for its device, so a new count never lays the window out again, and fills its own
// background, so the status bar is not repainted under it.
class StatusLine {
public:
    explicit StatusLine(QLabel *label);

    // The meter shown: empty for meter 1, named by its port ("COM1 ..."); another by its name.
    void SetMeterName(const QString &name);
    // frame: called for a frame, when nothing but the count and the state can have changed.
    void Show(const MSComm &link, bool receiving, qint32 count, bool frame);
    // The port's device as last shown.
    QString Device() const { return device_; }

    // "open, receiving", "open, no data", "disconnected, retrying", "closed", "closed, no
    // permission", "no permission, retrying" or "closed, no such device".
    static QString StateText(const MSComm &link, bool receiving);

    // The widest a device path is shown, in the label's font: about 48 characters.
    int DeviceWidth() const;

private:
    void Measure(const MSComm &link);

    QLabel *label_;
    QString meter_;
    int port_ = 0;
    bool open_ = false;
    QString device_;
    QString shownDevice_;
    QString state_;
    qint32 count_ = -1;
};

} // namespace kst

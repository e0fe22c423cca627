#include "shell/StatusLine.h"

#include "meter/MSComm.h"

#include <QCoreApplication>
#include <QLabel>
#include <algorithm>

namespace kst {

namespace {

QString Tr(const char *text)
{
    return QCoreApplication::translate("kst::MainFrm", text);
}

// Meter 1 is named by its port; another meter by its name.
QString Line(const QString &meter, int port, const QString &device, const QString &state,
             const QString &count)
{
    if (!meter.isEmpty())
        return Tr("%1 %2: %3    Samples: %4").arg(meter, device, state, count);
    return Tr("COM%1 %2: %3    Samples: %4").arg(port).arg(device, state, count);
}

} // namespace

StatusLine::StatusLine(QLabel *label) : label_(label)
{
    label_->setAutoFillBackground(true);
}

QString StatusLine::StateText(const MSComm &link, bool receiving)
{
    if (link.State() == MSComm::LinkState::Retrying)
        return link.OpenError() == MSComm::ErrNoPermission ? Tr("no permission, retrying")
                                                           : Tr("disconnected, retrying");
    if (!link.PortOpen())
        return link.OpenError() == MSComm::ErrNoPermission    ? Tr("closed, no permission")
               : link.OpenError() == MSComm::ErrBadPortNumber ? Tr("closed, no such device")
                                                              : Tr("closed");
    return receiving ? Tr("open, receiving") : Tr("open, no data");
}

int StatusLine::DeviceWidth() const
{
    return label_->fontMetrics().averageCharWidth() * 48;
}

void StatusLine::Measure(const MSComm &link)
{
    port_ = link.CommPort();
    open_ = link.PortOpen();
    device_ = link.DevicePath();
    // Room for the longest state and count; a long device gives way in the middle.
    const QFontMetrics metrics = label_->fontMetrics();
    int widest = 0;
    for (const char *state :
         {"open, receiving", "open, no data", "disconnected, retrying", "closed",
          "closed, no permission", "no permission, retrying", "closed, no such device"})
        widest = std::max(widest, metrics.horizontalAdvance(
                                      Line(meter_, port_, QString(), Tr(state), u"0000000000"_qs)));
    shownDevice_ = metrics.elidedText(device_, Qt::ElideMiddle, DeviceWidth());
    label_->setFixedWidth(widest + metrics.horizontalAdvance(shownDevice_) + 8);
    label_->setFixedHeight(label_->sizeHint().height());
    label_->setToolTip(shownDevice_ == device_ ? QString() : device_);
    count_ = -1; // the text names the port and device: written again
}

void StatusLine::SetMeterName(const QString &name)
{
    meter_ = name;
    device_ = QString(); // measured and written again at the next Show
}

void StatusLine::Show(const MSComm &link, bool receiving, qint32 count, bool frame)
{
    if (!frame || link.CommPort() != port_ || link.PortOpen() != open_ || device_.isNull())
        Measure(link);
    const QString state = StateText(link, receiving);
    if (count == count_ && state == state_)
        return;
    count_ = count;
    state_ = state;
    label_->setText(Line(meter_, port_, shownDevice_, state, QString::number(count)));
}

} // namespace kst

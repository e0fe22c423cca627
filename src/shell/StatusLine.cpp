#include "shell/StatusLine.h"

#include "meter/MSComm.h"

#include <QCoreApplication>
#include <QLabel>

namespace kst {

namespace {

QString Tr(const char *text)
{
    return QCoreApplication::translate("kst::MainFrm", text);
}

} // namespace

StatusLine::StatusLine(QLabel *label) : label_(label)
{
    label_->setAutoFillBackground(true);
}

QString StatusLine::StateText(const MSComm &link, bool receiving)
{
    if (link.State() == MSComm::LinkState::Retrying)
        return Tr("disconnected, retrying");
    if (!link.PortOpen())
        return link.OpenError() == MSComm::ErrNoPermission    ? Tr("closed, no permission")
               : link.OpenError() == MSComm::ErrBadPortNumber ? Tr("closed, no such device")
                                                              : Tr("closed");
    return receiving ? Tr("open, receiving") : Tr("open, no data");
}

void StatusLine::Show(const MSComm &link, bool receiving, qint32 count, bool frame)
{
    const int port = link.CommPort();
    const bool open = link.PortOpen();
    if (!frame || port != port_ || open != open_ || device_.isNull()) {
        port_ = port;
        open_ = open;
        device_ = link.DevicePath();
        const QString longest = Tr("COM%1 %2: %3    Samples: %4")
                                    .arg(port)
                                    .arg(device_, Tr("open, receiving"))
                                    .arg(QStringLiteral("0000000000"));
        label_->setFixedWidth(label_->fontMetrics().horizontalAdvance(longest) + 8);
        label_->setFixedHeight(label_->sizeHint().height());
        count_ = -1; // the text names the port and device: written again
    }
    const QString state = StateText(link, receiving);
    if (count == count_ && state == state_)
        return;
    count_ = count;
    state_ = state;
    label_->setText(Tr("COM%1 %2: %3    Samples: %4").arg(port).arg(device_, state).arg(count));
}

} // namespace kst

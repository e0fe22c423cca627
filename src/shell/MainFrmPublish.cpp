// The main window's side of publishing: Setup > Publish..., starting and stopping the publisher
// as the settings and the port's device change, and the link in the status bar.
#include "shell/MainFrm.h"

#include "common/Version.h"
#include "common/ui/Module1.h"
#include "meter/MSComm.h"
#include "publish/PublishLink.h"
#include "session/MeterSession.h"
#include "session/OutputSinks.h"
#include "shell/PublishFrm.h"

#include <QLabel>
#include <QStatusBar>
#include <QTimer>

namespace kst {

void MainFrm::SetUpPublishing()
{
    publish_ = new PublishLink(this);
    auto output =
        std::make_unique<PublishOutput>([this](const QByteArray &json, const QString &unit) {
            if (publish_->Running())
                publish_->Publish(json, unit);
        });
    output->SetLinkPublisher([this](bool lost) { publish_->SetLinkLost(lost); });
    output->SetMarkerPublisher([this](const QByteArray &json) { publish_->PublishMarker(json); });
    publishOutput_ = std::move(output);
    session_->AddOutput(*publishOutput_);
    publishText_ = new QLabel(this);
    publishText_->setObjectName(QStringLiteral("PublishText"));
    publishText_->hide();
    statusBar()->addPermanentWidget(publishText_);
    connect(publish_, &PublishLink::StatusChanged, this, &MainFrm::ShowPublishStatus);
    publishSettings_ = ReadPublishSettings();
    // Once start-up has chosen the port.
    QTimer::singleShot(0, this, &MainFrm::RestartPublishing);
}

void MainFrm::RestartPublishing()
{
    publishDevice_ = MSComm1->DevicePath();
    publish_->Stop();
    if (!publishSettings_.enabled)
        return;
    const Result<MqttTarget> target = MqttTargetFor(publishSettings_, *publishDevice_);
    if (!target) {
        // Settings edited by hand: said where the link is shown.
        publishText_->setText(QStringLiteral("MQTT: ") + target.Reason());
        publishText_->show();
        return;
    }
    publish_->Start(*target, {*publishDevice_, QStringLiteral("kst"), QStringLiteral(KST_VERSION)},
                    M.DataFolder, publishSettings_.queueCapacity);
}

void MainFrm::ShowPublishStatus()
{
    const QString text = publish_->StatusText();
    // A long error is cut to fit; the whole of it is in the tool tip.
    publishText_->setText(publishText_->fontMetrics().elidedText(text, Qt::ElideRight, 480));
    publishText_->setToolTip(publish_->StatusError());
    publishText_->setVisible(!text.isEmpty());
}

void MainFrm::Publish_Click()
{
    PublishFrm window(M, *publish_, publishSettings_, MSComm1->DevicePath(), this);
    if (window.exec() != QDialog::Accepted || window.Settings() == publishSettings_)
        return;
    publishSettings_ = window.Settings();
    if (const Status saved = WritePublishSettings(publishSettings_); !saved)
        ShowWarning(tr("The publishing settings were not saved; they hold until KST ends.\n\n%1")
                        .arg(saved.Reason()));
    RestartPublishing();
}

} // namespace kst

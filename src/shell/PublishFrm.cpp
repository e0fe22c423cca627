#include "shell/PublishFrm.h"

#include "common/ui/MessageBox.h"
#include "common/ui/Named.h"
#include "publish/PublishLink.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSysInfo>
#include <QVBoxLayout>

namespace kst {

namespace {

constexpr int TestTimeoutMs = 10000;

QLineEdit *MakeTextBox(const char *name, const QString &text, QWidget *parent)
{
    auto *box = Named(new QLineEdit(text, parent), name);
    box->setMinimumWidth(320);
    return box;
}

} // namespace

PublishFrm::PublishFrm(Module1 &module, PublishLink &link, const PublishSettings &settings,
                       const QString &device, QWidget *parent)
    : QDialog(parent), module_(module), link_(link), device_(device),
      queueCapacity_(settings.queueCapacity)
{
    setObjectName(QStringLiteral("PublishFrm"));
    setWindowTitle(tr("Publish"));
    setModal(true);

    enabled_ = new QCheckBox(tr("Publish readings"), this);
    enabled_->setObjectName(QStringLiteral("Enabled"));
    enabled_->setChecked(settings.enabled);
    url_ = MakeTextBox("Url", settings.url, this);
    url_->setPlaceholderText(QStringLiteral("mqtt://[user@]host[:port]/prefix or mqtts://..."));
    user_ = MakeTextBox("User", settings.user, this);
    user_->setPlaceholderText(tr("as in the address"));
    password_ = MakeTextBox("Password", settings.password, this);
    password_->setEchoMode(QLineEdit::Password);
    caFile_ = MakeTextBox("CaFile", settings.caFile, this);
    caFile_->setPlaceholderText(tr("the system's certificates"));
    auto *caBrowse = Named(new QPushButton(tr("Browse..."), this), "CaBrowse");
    caBrowse->setAutoDefault(false);
    prefix_ = MakeTextBox("Prefix", settings.prefix, this);
    const QString defaultPrefix = DefaultMqttPrefix(QSysInfo::machineHostName(), device);
    prefix_->setToolTip(tr("Empty: the prefix in the address, else %1.\nReadings go to "
                           "<prefix>/reading, the program's state to <prefix>/status.")
                            .arg(defaultPrefix));
    // The placeholder shows the prefix used when the field stays empty.
    const auto showPrefix = [this, defaultPrefix] {
        const Result<MqttTarget> target = ParseMqttUrl(url_->text().trimmed());
        prefix_->setPlaceholderText(target && !target->prefix.isEmpty() ? target->prefix
                                                                        : defaultPrefix);
    };
    showPrefix();
    connect(url_, &QLineEdit::textChanged, this, showPrefix);

    auto *caRow = new QHBoxLayout;
    caRow->addWidget(caFile_, 1);
    caRow->addWidget(caBrowse);
    auto *form = new QFormLayout;
    form->addRow(tr("&Broker:"), url_);
    form->addRow(tr("&User:"), user_);
    form->addRow(tr("Pass&word:"), password_);
    auto *caLabel = new QLabel(tr("&CA file:"), this);
    caLabel->setBuddy(caFile_);
    form->addRow(caLabel, caRow);
    form->addRow(tr("Topic &prefix:"), prefix_);

    testCommand_ = Named(new QPushButton(tr("&Test"), this), "TestCommand");
    testCommand_->setAutoDefault(false);
    testResult_ = new QLabel(this);
    testResult_->setObjectName(QStringLiteral("TestResult"));
    testResult_->setWordWrap(true);
    testResult_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *testRow = new QHBoxLayout;
    testRow->addWidget(testCommand_, 0, Qt::AlignTop);
    testRow->addWidget(testResult_, 1);

    auto *okCommand = Named(new QPushButton(tr("OK"), this), "OkCommand");
    okCommand->setDefault(true);
    auto *cancelCommand = Named(new QPushButton(tr("Cancel"), this), "CancelCommand");
    cancelCommand->setAutoDefault(false);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(okCommand, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancelCommand, QDialogButtonBox::RejectRole);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(enabled_);
    layout->addLayout(testRow);
    layout->addStretch();
    layout->addWidget(buttons);

    connect(okCommand, &QPushButton::clicked, this, &PublishFrm::OkCommand_Click);
    connect(cancelCommand, &QPushButton::clicked, this, &PublishFrm::CancelCommand_Click);
    connect(testCommand_, &QPushButton::clicked, this, &PublishFrm::TestCommand_Click);
    connect(caBrowse, &QPushButton::clicked, this, &PublishFrm::CaBrowse_Click);
}

PublishSettings PublishFrm::Settings() const
{
    return {enabled_->isChecked(), url_->text().trimmed(),    user_->text().trimmed(),
            password_->text(),     caFile_->text().trimmed(), prefix_->text().trimmed(),
            queueCapacity_};
}

std::optional<MqttTarget> PublishFrm::CheckedTarget()
{
    const PublishSettings settings = Settings();
    QString error;
    PublishField faulty = PublishField::Url;
    if (settings.url.isEmpty())
        error = tr("Type the broker's address: mqtt://[user@]host[:port]/prefix, or mqtts://... "
                   "for TLS.");
    else if (const Result<MqttTarget> target =
                 MqttTargetFor(settings, device_, tr("type it in the Password field"), &faulty))
        return *target;
    else
        error = target.Reason();
    // The field keeps its text, selected to be corrected.
    QLineEdit *field = faulty == PublishField::CaFile   ? caFile_
                       : faulty == PublishField::Prefix ? prefix_
                                                        : url_;
    ShowMessage(module_, this, {MessageIcon::Warning, tr("Publish"), error});
    field->setFocus();
    field->selectAll();
    return std::nullopt;
}

void PublishFrm::OkCommand_Click()
{
    // Switched off with no address is fine: nothing is published.
    if (!enabled_->isChecked() && url_->text().trimmed().isEmpty()) {
        accept();
        return;
    }
    if (CheckedTarget())
        accept();
}

void PublishFrm::CancelCommand_Click()
{
    reject();
}

void PublishFrm::TestCommand_Click()
{
    const std::optional<MqttTarget> target = CheckedTarget();
    if (!target)
        return;
    testCommand_->setEnabled(false);
    testResult_->setStyleSheet({});
    testResult_->setText(tr("Testing..."));
    link_.Test(*target, TestTimeoutMs, this, [this](const MqttBrokerTest &result) {
        testResult_->setStyleSheet(result.ok ? QStringLiteral("color: #006000;")
                                             : QStringLiteral("color: #c00000;"));
        testResult_->setText(result.text);
        testCommand_->setEnabled(true);
    });
}

void PublishFrm::CaBrowse_Click()
{
    QFileDialog dialog(this, tr("CA certificates"), caFile_->text(),
                       tr("Certificates (*.pem *.crt *.cer);;All files (*)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        caFile_->setText(dialog.selectedFiles().constFirst());
}

} // namespace kst

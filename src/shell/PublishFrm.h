#pragma once

#include "publish/PublishSettings.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace kst {

class Module1;
class PublishLink;

// "Publish": the MQTT broker the readings go to (address, user, password, CA certificates, topic
// prefix), a Test of them, and whether readings are published at all. OK keeps what the window
// shows, once the address checks out; the caller stores it.
class PublishFrm : public QDialog {
    Q_OBJECT
public:
    // `device`: the meter's serial device, for the default topic prefix.
    PublishFrm(Module1 &module, PublishLink &link, const PublishSettings &settings,
               const QString &device, QWidget *parent = nullptr);

    PublishSettings Settings() const;

public slots:
    void OkCommand_Click();
    void CancelCommand_Click();
    void TestCommand_Click();
    void CaBrowse_Click();

private:
    // The broker the fields name; nothing, after saying why with the faulty field focused.
    std::optional<MqttTarget> CheckedTarget();

    Module1 &module_;
    PublishLink &link_;
    QString device_;
    qsizetype queueCapacity_;
    QCheckBox *enabled_;
    QLineEdit *url_;
    QLineEdit *user_;
    QLineEdit *password_;
    QLineEdit *caFile_;
    QLineEdit *prefix_;
    QPushButton *testCommand_;
    QLabel *testResult_;
};

} // namespace kst

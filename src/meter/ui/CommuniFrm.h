#pragma once

#include "meter/ui/PortDevices.h"

#include <QDialog>

class QGroupBox;
class QPushButton;

namespace kst {

class Module1;
class MSComm;
class PortChoice;

// "Communications": picks which serial port the meter is on, and which device each port number
// stands for. The caller shows it modally and destroys it when exec() returns; OK closes it only
// once the chosen port is open.
class CommuniFrm : public QDialog {
    Q_OBJECT
public:
    CommuniFrm(MSComm &comm, Module1 &module, PortDevices ports, QWidget *parent = nullptr);

public slots:
    void Form_Load();
    void ComOK_Click();
    void ComCanel_Click();

private:
    QGroupBox *frame6_;
    PortChoice *choice_;
    QPushButton *comOK_;
    QPushButton *comCanel_;
};

} // namespace kst

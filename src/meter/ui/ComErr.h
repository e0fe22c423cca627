#pragma once

#include "meter/ui/PortDevices.h"

#include <QDialog>
#include <cstdlib>
#include <functional>

class QLabel;
class QPushButton;

namespace kst {

class Module1;
class MSComm;
class PortChoice;

// Shown by start-up when the stored port is held by another program: choose another port, or
// end the program. The caller shows it modally and destroys it when exec() returns.
class ComErr : public QDialog {
    Q_OBJECT
public:
    ComErr(MSComm &comm, Module1 &module, PortDevices ports, QWidget *parent = nullptr);

    // Ends the program at once, without the save question or the shutdown steps. Tests replace it.
    std::function<void()> EndProgram = [] { std::exit(0); };

public slots:
    void Form_Load();
    void OK_Click();
    void cancel_Click();
    void Form_Unload();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QLabel *label1_;
    PortChoice *choice_;
    QPushButton *ok_;
    QPushButton *cancel_;
};

} // namespace kst

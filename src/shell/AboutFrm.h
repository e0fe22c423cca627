#pragma once

#include <QDialog>

namespace kst {

// The about window: what the program is, its version, who makes it, and a "CLOSE" button.
class AboutFrm : public QDialog {
    Q_OBJECT
public:
    explicit AboutFrm(QWidget *parent = nullptr);

public slots:
    void Command1_Click();
};

} // namespace kst

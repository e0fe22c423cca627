#pragma once

#include <QDialog>

class QLabel;
class QTimer;

namespace kst {

// The splash window: the program's picture, above every other window until its timer fires
// (5 s), a key is pressed or the picture is clicked.
class BeginFrm : public QDialog {
    Q_OBJECT
public:
    explicit BeginFrm(const QString &programFolder, QWidget *parent = nullptr);

    QLabel *Image1 = nullptr;
    QTimer *Timer1 = nullptr;

public slots:
    void Timer1_Timer();
    void Image1_Click();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
};

} // namespace kst

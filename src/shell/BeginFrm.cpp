#include "shell/BeginFrm.h"

#include <QEvent>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QVBoxLayout>

namespace kst {

BeginFrm::BeginFrm(const QString &programFolder, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("BeginFrm"));
    setWindowTitle(QStringLiteral("XR4410"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    // A missing or unreadable picture leaves the window without it.
    const QPixmap picture(programFolder + QStringLiteral("/KST.bmp"));
    if (!picture.isNull())
        Image1->setPixmap(picture);
    else
        Image1->setMinimumSize(320, 200);
    Image1->installEventFilter(this);
    layout->addWidget(Image1);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(5000);
    connect(Timer1, &QTimer::timeout, this, &BeginFrm::Timer1_Timer);
    Timer1->start();
}

void BeginFrm::Timer1_Timer()
{
    close();
}

void BeginFrm::Image1_Click()
{
    close();
}

void BeginFrm::keyPressEvent(QKeyEvent *)
{
    close();
}

bool BeginFrm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Image1 && event->type() == QEvent::MouseButtonRelease) {
        Image1_Click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kst

#include "common/ui/ParentBackdrop.h"

#include <QGroupBox>
#include <QLabel>
#include <QTest>

using namespace kst;

class TestParentBackdrop : public QObject {
    Q_OBJECT
private slots:
    void labelLooksAsSeeThrough();
};

// A label with its parent's picture under it looks as a see-through one on the same frame, also
// after the frame changed size and the label its text.
void TestParentBackdrop::labelLooksAsSeeThrough()
{
    QWidget window;
    QGroupBox *frames[2] = {new QGroupBox(QStringLiteral("CALCULATION"), &window),
                            new QGroupBox(QStringLiteral("CALCULATION"), &window)};
    QLabel *labels[2];
    for (int i = 0; i < 2; ++i) {
        frames[i]->setGeometry(0, 100 * i, 240, 90);
        labels[i] = new QLabel(QStringLiteral("1.234"), frames[i]);
        labels[i]->setGeometry(30, 30, 70, 20);
    }
    ParentBackdrop::Install(labels[1]);
    window.show();
    const auto picture = [](QWidget *frame) {
        return frame->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    QCOMPARE(picture(frames[1]), picture(frames[0]));
    for (int i = 0; i < 2; ++i) {
        frames[i]->resize(300, 70);
        labels[i]->setText(QStringLiteral("-0.5"));
    }
    QCOMPARE(picture(frames[1]), picture(frames[0]));
}

QTEST_MAIN(TestParentBackdrop)
#include "tst_parentbackdrop.moc"

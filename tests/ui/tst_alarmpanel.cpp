#include "record/AlarmPanel.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <QtEndian>
#include <functional>
#include <utility>

using namespace kst;

namespace {

QColor Colour(QWidget *widget)
{
    return widget->palette().color(widget->foregroundRole());
}

const QColor Red(255, 0, 0);
const QColor Black(0, 0, 0);

} // namespace

class TestAlarmPanel : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void designState();
    void limits_data();
    void limits();
    void repeatedCrossingRestartsSound();
    void uncheckTurnsBlack();
    void gotFocusSelectsAll();
    void leavingWithTextWarnsAndReturnsFocus();
    void leavingWithNumberIsQuiet();
    void noWarningPingPongBetweenBadBoxes();
    void missingSoundFileIsSilent();
    void shippedSoundIsAShortDing();

private:
    // Closes the next message box from the event loop, recording its text, title and icon.
    void AnswerNextMessageBox();

    QWidget *window_ = nullptr;
    AlarmPanel *panel_ = nullptr;
    QLineEdit *elsewhere_ = nullptr;
    QCheckBox *high_ = nullptr, *low_ = nullptr;
    QLineEdit *highText_ = nullptr, *lowText_ = nullptr;
    int plays_ = 0;
    QStringList boxTexts_;
    QStringList boxTitles_;
    QList<QMessageBox::Icon> boxIcons_;
    std::function<void()> whileBoxIsUp_;
};

void TestAlarmPanel::init()
{
    window_ = new QWidget;
    auto *layout = new QVBoxLayout(window_);
    panel_ = new AlarmPanel(QStringLiteral("/nonexistent"), window_);
    elsewhere_ = new QLineEdit(window_);
    layout->addWidget(panel_);
    layout->addWidget(elsewhere_);
    plays_ = 0;
    panel_->SetSoundPlayer([this] { ++plays_; });
    high_ = panel_->findChild<QCheckBox *>(QStringLiteral("AlarmH"));
    low_ = panel_->findChild<QCheckBox *>(QStringLiteral("AlarmL"));
    highText_ = panel_->findChild<QLineEdit *>(QStringLiteral("AlarmHText"));
    lowText_ = panel_->findChild<QLineEdit *>(QStringLiteral("AlarmLText"));
    QVERIFY(high_ && low_ && highText_ && lowText_);
    boxTexts_.clear();
    boxTitles_.clear();
    boxIcons_.clear();
}

void TestAlarmPanel::cleanup()
{
    delete window_;
    window_ = nullptr;
}

void TestAlarmPanel::AnswerNextMessageBox()
{
    // Answers every message box that comes up until the test ends, so a second, unexpected box
    // is counted rather than blocking the test.
    auto *timer = new QTimer(window_);
    connect(timer, &QTimer::timeout, this, [this] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        boxTexts_ << box->text();
        boxTitles_ << box->windowTitle();
        boxIcons_ << box->icon();
        if (whileBoxIsUp_)
            std::exchange(whileBoxIsUp_, nullptr)();
        box->button(QMessageBox::Ok)->click();
    });
    timer->start(50);
}

void TestAlarmPanel::designState()
{
    QCOMPARE(panel_->objectName(), QStringLiteral("AlarmFrm"));
    QCOMPARE(panel_->title(), QStringLiteral("ALARM  VALUE"));
    QCOMPARE(high_->text(), QStringLiteral("HI"));
    QCOMPARE(low_->text(), QStringLiteral("LO"));
    QCOMPARE(highText_->text(), QStringLiteral("+400"));
    QCOMPARE(lowText_->text(), QStringLiteral("-400"));
    QVERIFY(!high_->isChecked() && !low_->isChecked());
    QCOMPARE(Colour(high_), QColor(0, 0, 192));
    QCOMPARE(Colour(low_), QColor(0, 0, 192));
    // Unchecked limits are not tested.
    panel_->CheckHighAlarm(1000.0f);
    panel_->CheckLowAlarm(-1000.0f);
    QCOMPARE(Colour(high_), QColor(0, 0, 192));
    QCOMPARE(plays_, 0);
}

void TestAlarmPanel::limits_data()
{
    QTest::addColumn<bool>("highSide");
    QTest::addColumn<QString>("limit");
    QTest::addColumn<float>("value");
    QTest::addColumn<bool>("alarm");
    QTest::newRow("high at the limit") << true << "+400" << 400.0f << false;
    QTest::newRow("high above") << true << "+400" << 400.1f << true;
    QTest::newRow("high below") << true << "+400" << -5.0f << false;
    QTest::newRow("high over range") << true << "+400" << 4000.0f << true;
    QTest::newRow("high with exponent") << true << " 1.5E2 " << 150.5f << true;
    QTest::newRow("low at the limit") << false << "-400" << -400.0f << false;
    QTest::newRow("low below") << false << "-400" << -400.5f << true;
    QTest::newRow("low above") << false << "-400" << 0.0f << false;
    QTest::newRow("low decimal limit") << false << "0.25" << 0.2f << true;
}

void TestAlarmPanel::limits()
{
    QFETCH(bool, highSide);
    QFETCH(QString, limit);
    QFETCH(float, value);
    QFETCH(bool, alarm);
    QCheckBox *box = highSide ? high_ : low_;
    QLineEdit *text = highSide ? highText_ : lowText_;
    QCheckBox *other = highSide ? low_ : high_;
    text->setText(limit);
    box->setChecked(true);
    other->setChecked(true);
    highSide ? panel_->CheckHighAlarm(value) : panel_->CheckLowAlarm(value);
    QCOMPARE(Colour(box), alarm ? Red : Black);
    QCOMPARE(Colour(text), alarm ? Red : Black);
    QCOMPARE(plays_, alarm ? 1 : 0);
    QCOMPARE(panel_->SoundStarts(), plays_);
    // The other limit was not tested.
    QCOMPARE(Colour(other), QColor(0, 0, 192));

    // A next frame inside the limit turns it black again.
    highSide ? panel_->CheckHighAlarm(0.0f) : panel_->CheckLowAlarm(0.0f);
    if (!(highSide ? 0.0f > text->text().toFloat() : 0.0f < text->text().toFloat()))
        QCOMPARE(Colour(box), Black);

    // A limit that is not a number is off, silently: nothing changes.
    box->setChecked(false);
    box->setChecked(true);
    text->setText(QStringLiteral("abc"));
    const int before = plays_;
    highSide ? panel_->CheckHighAlarm(1e9f) : panel_->CheckLowAlarm(-1e9f);
    QCOMPARE(Colour(box), Black);
    QCOMPARE(plays_, before);
}

void TestAlarmPanel::repeatedCrossingRestartsSound()
{
    high_->setChecked(true);
    for (int i = 0; i < 5; ++i)
        panel_->CheckHighAlarm(500.0f);
    QCOMPARE(plays_, 5);
    panel_->CheckHighAlarm(100.0f);
    QCOMPARE(plays_, 5);
    QCOMPARE(Colour(high_), Black);
}

void TestAlarmPanel::uncheckTurnsBlack()
{
    high_->setChecked(true);
    low_->setChecked(true);
    panel_->CheckHighAlarm(401.0f);
    panel_->CheckLowAlarm(-401.0f);
    QCOMPARE(Colour(high_), Red);
    QCOMPARE(Colour(lowText_), Red);
    high_->setChecked(false);
    QCOMPARE(Colour(high_), Black);
    QCOMPARE(Colour(highText_), Black);
    QCOMPARE(Colour(low_), Red); // the other stays
    // Checking again stays black until a frame crosses.
    high_->setChecked(true);
    QCOMPARE(Colour(high_), Black);
    low_->setChecked(false);
    QCOMPARE(Colour(lowText_), Black);
}

void TestAlarmPanel::gotFocusSelectsAll()
{
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_));
    elsewhere_->setFocus();
    highText_->setText(QStringLiteral("+350"));
    highText_->deselect();
    highText_->setFocus(Qt::OtherFocusReason);
    QCOMPARE(highText_->selectedText(), QStringLiteral("+350"));
    lowText_->deselect();
    panel_->AlarmLText_GotFocus();
    QCOMPARE(lowText_->selectedText(), QStringLiteral("-400"));
}

void TestAlarmPanel::leavingWithTextWarnsAndReturnsFocus()
{
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_));
    highText_->setFocus();
    QVERIFY(highText_->hasFocus());
    highText_->setText(QStringLiteral("abc"));
    AnswerNextMessageBox();
    elsewhere_->setFocus(Qt::TabFocusReason);
    QCOMPARE(boxTexts_, QStringList{QStringLiteral("Data Error!Input again")});
    QCOMPARE(boxTitles_, QStringList{QStringLiteral("Warning")});
    QCOMPARE(boxIcons_, QList<QMessageBox::Icon>{QMessageBox::Warning});
    QTRY_COMPARE(window_->focusWidget(), highText_);
    // While the text stays "abc" the high limit is never tested.
    high_->setChecked(true);
    panel_->CheckHighAlarm(1e6f);
    QCOMPARE(plays_, 0);
}

void TestAlarmPanel::leavingWithNumberIsQuiet()
{
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_));
    lowText_->setFocus();
    lowText_->setText(QStringLiteral("-1.5e1"));
    elsewhere_->setFocus(Qt::TabFocusReason);
    QTest::qWait(200);
    QVERIFY(boxTexts_.isEmpty());
    QCOMPARE(QApplication::focusWidget(), elsewhere_);
}

void TestAlarmPanel::noWarningPingPongBetweenBadBoxes()
{
    window_->show();
    QVERIFY(QTest::qWaitForWindowActive(window_));
    highText_->setFocus();
    highText_->setText(QStringLiteral("x"));
    lowText_->setText(QStringLiteral("y"));
    // Leaving one bad box for the other: one warning and the focus back in the first box. The
    // other box loses the focus again while the warning is up or the focus is put back (as a
    // window system does when it reactivates the window); that must not warn in turn.
    whileBoxIsUp_ = [this] {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(lowText_, &out);
    };
    AnswerNextMessageBox();
    lowText_->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(window_->focusWidget(), highText_);
    QTest::qWait(300);
    QCOMPARE(boxTexts_.size(), 1);
    QCOMPARE(window_->focusWidget(), highText_);
}

void TestAlarmPanel::missingSoundFileIsSilent()
{
    QTemporaryDir empty;
    AlarmPanel panel(empty.path());
    QCOMPARE(panel.SoundPath(), empty.path() + QStringLiteral("/ding.wav"));
    panel.findChild<QCheckBox *>(QStringLiteral("AlarmH"))->setChecked(true);
    panel.CheckHighAlarm(999.0f); // the default player with no file: nothing happens, no crash
    QCOMPARE(panel.SoundStarts(), 1);
}

void TestAlarmPanel::shippedSoundIsAShortDing()
{
    // The build puts "ding.wav" next to the programs, where the panel looks for it.
    AlarmPanel panel(QCoreApplication::applicationDirPath());
    QFile file(panel.SoundPath());
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(panel.SoundPath()));
    const QByteArray wav = file.readAll();
    QVERIFY(wav.size() > 44);
    auto u16 = [&](int at) { return qFromLittleEndian<quint16>(wav.constData() + at); };
    auto u32 = [&](int at) { return qFromLittleEndian<quint32>(wav.constData() + at); };
    QCOMPARE(wav.left(4), QByteArray("RIFF"));
    QCOMPARE(wav.mid(8, 8), QByteArray("WAVEfmt "));
    QCOMPARE(u16(20), quint16(1));     // PCM
    QCOMPARE(u16(22), quint16(1));     // mono
    QCOMPARE(u32(24), quint32(22050)); // samples per second
    QCOMPARE(u16(34), quint16(16));    // bits
    QCOMPARE(wav.mid(36, 4), QByteArray("data"));
    const quint32 bytes = u32(40);
    QCOMPARE(qsizetype(bytes) + 44, wav.size());
    const double seconds = double(bytes) / 2 / 22050;
    QVERIFY(seconds > 0.3 && seconds < 0.5);
    int peak = 0;
    for (quint32 i = 0; i < bytes / 2; ++i)
        peak = std::max(peak, std::abs(int(qint16(u16(44 + int(i) * 2)))));
    QVERIFY(peak > 8000 && peak < 32767); // audible, not clipped
    // Starts and ends quietly (no click).
    QVERIFY(std::abs(int(qint16(u16(44)))) < 500);
    QVERIFY(std::abs(int(qint16(u16(44 + int(bytes) - 2)))) < 500);

    // Played by the default player, twice in a row, on a machine that may have no sound device:
    // neither waits nor fails.
    panel.findChild<QCheckBox *>(QStringLiteral("AlarmH"))->setChecked(true);
    QElapsedTimer clock;
    clock.start();
    panel.CheckHighAlarm(999.0f);
    panel.CheckHighAlarm(999.0f);
    QCOMPARE(panel.SoundStarts(), 2);
    QVERIFY(clock.elapsed() < 300); // the 0.4 s sound is not waited for
    QTest::qWait(100);
}

QTEST_MAIN(TestAlarmPanel)
#include "tst_alarmpanel.moc"

#include "meter/FrameDecoder.h"
#include "meter/MeterFrameEncoder.h"
#include "panel/ReadingPanel.h"

#include <QLabel>
#include <QTest>

using namespace kst;

namespace {

const char *const annunciatorNames[] = {"Lhold", "Lrel", "Lmin",  "Lmax", "Lmem",
                                        "Lauto", "Lman", "Lapof", "Ladp"};
const char *const iconNames[] = {"Ibuzzer", "Idiode", "Ibatt"};

QLabel *Find(const QWidget &panel, const QString &name)
{
    auto *label = panel.findChild<QLabel *>(name);
    if (!label)
        qFatal("no label %s", qPrintable(name));
    return label;
}

bool Shown(const QWidget &panel, const QString &name)
{
    return Find(panel, name)->isVisibleTo(&panel);
}

// The visibility of segments 0..40 as a string of 41 '#' / '.', then the marks 0..4 after '|'.
QString BarPicture(const QWidget &panel)
{
    QString out;
    for (int i = 0; i <= 40; ++i)
        out += Shown(panel, QStringLiteral("Label1(%1)").arg(i)) ? u'#' : u'.';
    out += u'|';
    for (int k = 0; k <= 4; ++k)
        out += Shown(panel, QStringLiteral("Label4(%1)").arg(k)) ? u'x' : u'-';
    return out;
}

QString Bar(int zero, int lit, const char *marks)
{
    return QString(zero ? u'#' : u'.') + QString(lit, u'#') + QString(40 - lit, u'.') + u'|' +
           QString::fromLatin1(marks);
}

// Annunciators and icons shown, by name, in a fixed order.
QStringList FlagsShown(const QWidget &panel)
{
    QStringList shown;
    for (const char *name : annunciatorNames)
        if (Shown(panel, QString::fromLatin1(name)))
            shown << QString::fromLatin1(name);
    for (const char *name : iconNames)
        if (Shown(panel, QString::fromLatin1(name)))
            shown << QString::fromLatin1(name);
    return shown;
}

MeterReading Reading(const MeterFrameEncoder &e)
{
    return *DecodeMeterFrame(e.Encode());
}

} // namespace

class TestReadingPanel : public QObject {
    Q_OBJECT
private slots:
    void controlsByName();
    void designAndStartState();
    void updateBarGraph_data();
    void updateBarGraph();
    void readingFlags_data();
    void readingFlags();
    void frequencyHidesZeroSegment();
    void watchdogKeepsFlags();
    void layoutFollowsSize();

private:
    // Marks over their segments, segment heights and order, nothing outside the frame.
    void CheckLayout(const ReadingPanel &panel);
};

void TestReadingPanel::controlsByName()
{
    ReadingPanel panel;
    QCOMPARE(panel.objectName(), QStringLiteral("ReadFrm"));
    QCOMPARE(panel.title(), QStringLiteral("READING"));
    QCOMPARE(Find(panel, QStringLiteral("ReadBox"))->font().family(),
             QStringLiteral("Arial Narrow"));
    Find(panel, QStringLiteral("UnitBox"));
    Find(panel, QStringLiteral("DcAcBox"));
    const char *texts[] = {"HOLD", "REL", "MIN", "MAX", "MEM", "AUTO", "MAN", "APOF", "ADP"};
    for (int i = 0; i < 9; ++i)
        QCOMPARE(Find(panel, QString::fromLatin1(annunciatorNames[i]))->text(),
                 QString::fromLatin1(texts[i]));
    for (const char *name : iconNames)
        QVERIFY(!Find(panel, QString::fromLatin1(name))->pixmap().isNull());
    for (int i = 0; i <= 40; ++i)
        QCOMPARE(Find(panel, QStringLiteral("Label1(%1)").arg(i)), panel.Segment(i));
    QCOMPARE(Find(panel, QStringLiteral("Label4(0)"))->text(), QStringLiteral(" 0     "));
    for (int k = 1; k <= 4; ++k)
        QCOMPARE(Find(panel, QStringLiteral("Label4(%1)").arg(k))->text(), QString::number(10 * k));
    QVERIFY(!panel.findChild<QLabel *>(QStringLiteral("Label1(41)")));
    QVERIFY(!panel.findChild<QLabel *>(QStringLiteral("Label4(5)")));
}

void TestReadingPanel::designAndStartState()
{
    ReadingPanel panel;
    QCOMPARE(panel.ReadBox()->text(), QString());
    QCOMPARE(panel.UnitBox()->text(), QString());
    QCOMPARE(panel.DcAcBox()->text(), QString());
    QCOMPARE(BarPicture(panel), Bar(1, 0, "x----"));
    QCOMPARE(FlagsShown(panel), QStringList({"Ibuzzer", "Idiode", "Ibatt"}));

    // What the main window's reset makes of it.
    panel.ShowOverloadPanel();
    panel.HideIcons();
    QCOMPARE(panel.ReadBox()->text(), QStringLiteral("O L"));
    QVERIFY(Shown(panel, QStringLiteral("UnitBox")));
    QVERIFY(Shown(panel, QStringLiteral("DcAcBox")));
    QCOMPARE(panel.UnitBox()->text(), QString());
    QCOMPARE(BarPicture(panel), Bar(1, 40, "xxxxx"));
    QCOMPARE(FlagsShown(panel), QStringList());
}

void TestReadingPanel::updateBarGraph_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<int>("lit");
    QTest::addColumn<QString>("marks");
    QTest::newRow("0") << 0.0f << 0 << "----";
    QTest::newRow("949") << 949.0f << 9 << "----";
    QTest::newRow("950") << 950.0f << 10 << "x---";
    QTest::newRow("-2500") << -2500.0f << 25 << "xx--";
    QTest::newRow("150") << 150.0f << 2 << "----";
    QTest::newRow("250") << 250.0f << 2 << "----";
    QTest::newRow("12000") << 12000.0f << 40 << "xxxx";
}

void TestReadingPanel::updateBarGraph()
{
    QFETCH(float, value);
    QFETCH(int, lit);
    QFETCH(QString, marks);
    ReadingPanel panel;
    // From a full bar and from an empty one: both directions must end in the same picture.
    for (bool full : {true, false}) {
        if (full)
            panel.ShowOverloadPanel();
        else
            panel.UpdateBarGraph(0);
        // The zero segment and mark belong to the unit, not to the bar.
        panel.Segment(0)->hide();
        panel.Mark(0)->hide();
        panel.UpdateBarGraph(value);
        QCOMPARE(BarPicture(panel), Bar(0, lit, qPrintable(u'-' + marks)));
    }
}

void TestReadingPanel::readingFlags_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("acDc");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<int>("lit");

    MeterFrameEncoder e;
    e.Function = 0;
    e.Range = 1;
    e.Counts = 1234;
    e.Auto = true;
    QTest::newRow("DC V auto") << e.Encode() << "V"
                               << "DC" << QStringList{"Lauto"} << 12;

    MeterFrameEncoder all = e;
    all.Max = all.Min = all.Rel = all.Hold = all.Mem = all.Man = all.Apof = true;
    all.BatteryLow = true;
    QTest::newRow("every flag") << all.Encode() << "V"
                                << "DC" << QStringList{"Lhold", "Lrel", "Lmin",  "Lmax", "Lmem",
                                                       "Lauto", "Lman", "Lapof", "Ibatt"}
                                << 12;

    MeterFrameEncoder buzzer;
    buzzer.Function = 5;
    buzzer.Counts = 17;
    buzzer.Negative = true;
    QTest::newRow("continuity") << buzzer.Encode() << QStringLiteral("Ω") << ""
                                << QStringList{"Ibuzzer"} << 0;

    MeterFrameEncoder diode;
    diode.Function = 6;
    diode.Counts = 650;
    diode.Hold = true;
    QTest::newRow("diode") << diode.Encode() << "V"
                           << "" << QStringList{"Lhold", "Idiode"} << 6;

    MeterFrameEncoder amps;
    amps.Function = 9;
    amps.Counts = 250;
    amps.Negative = true;
    QTest::newRow("AC A x4") << amps.Encode() << "A"
                             << "AC" << QStringList{} << 10;

    MeterFrameEncoder adapter;
    adapter.Function = 7;
    adapter.Counts = 3000;
    QTest::newRow("adapter: ADP stays dark") << adapter.Encode() << ""
                                             << "" << QStringList{} << 30;

    MeterFrameEncoder overload = e;
    overload.OverRangeCount = 1;
    overload.Counts = 0;
    overload.Auto = false;
    QTest::newRow("OL") << overload.Encode() << "V"
                        << "DC" << QStringList{} << 0;
}

void TestReadingPanel::readingFlags()
{
    QFETCH(QByteArray, frame);
    QFETCH(QString, unit);
    QFETCH(QString, acDc);
    QFETCH(QStringList, shown);
    QFETCH(int, lit);

    ReadingPanel panel;
    panel.ShowOverloadPanel();
    // Start from a frame that lights everything else, so stale flags would show.
    MeterFrameEncoder busy;
    busy.Function = 6;
    busy.BatteryLow = true;
    busy.Max = busy.Min = busy.Rel = busy.Hold = busy.Mem = busy.Auto = busy.Man = busy.Apof = true;
    panel.ShowReadingFlags(Reading(busy));

    panel.ShowReadingFlags(*DecodeMeterFrame(frame));
    QCOMPARE(panel.UnitBox()->text(), unit);
    QCOMPARE(panel.DcAcBox()->text(), acDc);
    QCOMPARE(FlagsShown(panel), shown);
    QCOMPARE(BarPicture(panel).count(u'#'), 1 + lit);
}

void TestReadingPanel::frequencyHidesZeroSegment()
{
    ReadingPanel panel;
    panel.ShowOverloadPanel();
    MeterFrameEncoder hz;
    hz.Function = 10;
    hz.Range = 5;
    hz.Counts = 3500;
    panel.ShowReadingFlags(Reading(hz));
    QCOMPARE(panel.UnitBox()->text(), QStringLiteral("Hz"));
    QCOMPARE(BarPicture(panel), Bar(0, 0, "-----"));

    MeterFrameEncoder volts;
    volts.Function = 1;
    volts.Range = 2;
    volts.Counts = 2049;
    panel.ShowReadingFlags(Reading(volts));
    QCOMPARE(panel.UnitBox()->text(), QStringLiteral("V"));
    QCOMPARE(panel.DcAcBox()->text(), QStringLiteral("AC"));
    QCOMPARE(BarPicture(panel), Bar(1, 20, "xxx--"));
}

void TestReadingPanel::watchdogKeepsFlags()
{
    ReadingPanel panel;
    panel.ShowOverloadPanel();
    panel.HideIcons();
    MeterFrameEncoder e;
    e.Function = 6;
    e.Counts = 512;
    e.Hold = true;
    e.Apof = true;
    e.BatteryLow = true;
    const MeterReading r = Reading(e);
    panel.ShowReadingFlags(r);
    panel.SetReadingText(ReadingText(ReadingValue(r), r.Decimals));
    QCOMPARE(panel.ReadBox()->text(), QStringLiteral("0.512"));
    const QStringList flags = FlagsShown(panel);
    QCOMPARE(flags, QStringList({"Lhold", "Lapof", "Idiode", "Ibatt"}));

    panel.ShowWatchdogExpired();
    QCOMPARE(panel.ReadBox()->text(), QStringLiteral("O L"));
    QCOMPARE(panel.UnitBox()->text(), QString());
    QCOMPARE(panel.DcAcBox()->text(), QString());
    QCOMPARE(BarPicture(panel), Bar(1, 40, "xxxxx"));
    QCOMPARE(FlagsShown(panel), flags);
}

void TestReadingPanel::CheckLayout(const ReadingPanel &panel)
{
    const QRect inside = panel.rect();
    // Every mark's digits stand over their segment.
    for (int k = 0; k <= 4; ++k) {
        QLabel *mark = panel.Mark(k);
        QLabel *segment = panel.Segment(10 * k);
        const QString text = mark->text();
        const QFontMetrics fm(mark->font());
        const int lead = fm.horizontalAdvance(text.left(text.indexOf(text.trimmed())));
        const int digitsCentre =
            mark->geometry().left() + lead + fm.horizontalAdvance(text.trimmed()) / 2;
        QVERIFY2(qAbs(digitsCentre - segment->geometry().center().x()) <= 2,
                 qPrintable(QStringLiteral("mark %1").arg(k)));
        QVERIFY(mark->geometry().bottom() < segment->geometry().top());
    }
    // Segments run left to right, tall every ten, middle every five, all on one baseline.
    for (int i = 0; i <= 40; ++i) {
        const QRect g = panel.Segment(i)->geometry();
        QVERIFY(g.width() >= 1);
        QCOMPARE(g.bottom(), panel.Segment(0)->geometry().bottom());
        if (i > 0)
            QVERIFY(g.left() > panel.Segment(i - 1)->geometry().right());
        const int height = g.height();
        if (i % 10 == 0)
            QCOMPARE(height, panel.Segment(0)->height());
        else if (i % 5 == 0)
            QVERIFY(height < panel.Segment(0)->height() && height > panel.Segment(1)->height());
    }
    // Nothing spills out of the frame.
    for (QWidget *w : panel.findChildren<QWidget *>()) {
        if (!w->isVisibleTo(&panel))
            continue;
        const QRect r(w->mapTo(&panel, QPoint(0, 0)), w->size());
        QVERIFY2(inside.contains(r), qPrintable(w->objectName()));
    }
    // The reading fits its box.
    const QFontMetrics fm(panel.ReadBox()->font());
    QVERIFY(fm.horizontalAdvance(panel.ReadBox()->text()) <= panel.ReadBox()->width());
}

void TestReadingPanel::layoutFollowsSize()
{
    ReadingPanel panel;
    panel.ShowOverloadPanel();
    panel.SetReadingText(QStringLiteral("-3.999"));
    panel.resize(380, 220);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));

    CheckLayout(panel);
    if (QTest::currentTestFailed())
        return;
    const int small = panel.ReadBox()->font().pixelSize();
    panel.resize(760, 440);
    QTRY_VERIFY(panel.ReadBox()->font().pixelSize() > small);
    CheckLayout(panel);
    const int large = panel.ReadBox()->font().pixelSize();
    QVERIFY(large >= small * 3 / 2);
}

QTEST_MAIN(TestReadingPanel)
#include "tst_readingpanel.moc"

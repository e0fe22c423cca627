#include "meter/FrameDecoder.h"
#include "meter/MeterFrameEncoder.h"
#include "panel/ui/ReadingPanel.h"

#include <QLabel>
#include <QTest>

using namespace kst;

namespace {

bool Shown(const QWidget &panel, const QString &name)
{
    return panel.findChild<QLabel *>(name)->isVisibleTo(&panel);
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
    for (const char *name : {"Lhold", "Lrel", "Lmin", "Lmax", "Lmem", "Lauto", "Lman", "Lapof",
                             "Ladp", "Ibuzzer", "Idiode", "Ibatt"})
        if (Shown(panel, QString::fromLatin1(name)))
            shown << QString::fromLatin1(name);
    return shown;
}

} // namespace

class TestReadingPanel : public QObject {
    Q_OBJECT
private slots:
    void framesShown_data();
    void framesShown();
};

void TestReadingPanel::framesShown_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("acDc");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("bar");
    MeterFrameEncoder all;
    all.Range = 1;
    all.Counts = 1234;
    all.Auto = true;
    all.Max = all.Min = all.Rel = all.Hold = all.Mem = all.Man = all.Apof = true;
    all.BatteryLow = true;
    QTest::newRow("every flag") << all.Encode() << "V"
                                << "DC" << QStringList{"Lhold", "Lrel", "Lmin",  "Lmax", "Lmem",
                                                       "Lauto", "Lman", "Lapof", "Ibatt"}
                                << Bar(1, 12, "xx---");
    MeterFrameEncoder diode;
    diode.Function = 6;
    diode.Counts = 650;
    QTest::newRow("diode") << diode.Encode() << "V"
                           << "" << QStringList{"Idiode"} << Bar(1, 6, "x----");
    MeterFrameEncoder hz;
    hz.Function = 10;
    hz.Counts = 3000;
    QTest::newRow("KHz: no zero segment, no bar") << hz.Encode() << "KHz"
                                                  << "" << QStringList{} << Bar(0, 0, "-----");
}

void TestReadingPanel::framesShown()
{
    QFETCH(QByteArray, frame);
    QFETCH(QString, unit);
    QFETCH(QString, acDc);
    QFETCH(QStringList, shown);
    QFETCH(QString, bar);
    ReadingPanel panel;
    panel.ShowOverloadPanel();
    panel.HideIcons();
    MeterFrameEncoder buzzer; // the previous frame's icon goes
    buzzer.Function = 5;
    panel.ShowReadingFlags(*DecodeMeterFrame(buzzer.Encode()));
    panel.ShowReadingFlags(*DecodeMeterFrame(frame));
    QCOMPARE(panel.UnitBox()->text(), unit);
    QCOMPARE(panel.DcAcBox()->text(), acDc);
    QCOMPARE(FlagsShown(panel), shown);
    QCOMPARE(BarPicture(panel), bar);
    // The meter goes silent: "O L", no unit, full bar; the last flags stay lit.
    panel.ShowWatchdogExpired();
    QCOMPARE(panel.ReadBox()->text(), QStringLiteral("O L"));
    QCOMPARE(panel.UnitBox()->text() + panel.DcAcBox()->text(), QString());
    QCOMPARE(BarPicture(panel).mid(1, 40), QString(40, u'#'));
    QCOMPARE(FlagsShown(panel), shown);
}

QTEST_MAIN(TestReadingPanel)
#include "tst_readingpanel.moc"

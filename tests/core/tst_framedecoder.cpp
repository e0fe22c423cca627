#include "meter/FrameDecoder.h"
#include "meter/MeterFrameEncoder.h"
#include "meter/ReadingExport.h"
#include "support/SampleRecords.h"

#include <QTest>

using namespace kst;

namespace {

// The display "1.234 V DC, AUTO" as the meter sends it.
const QByteArray Reference = QByteArray::fromHex("8004030201808180840d0a");

QByteArray With(QByteArray frame, int position, int value)
{
    frame[position - 1] = char(quint8(value));
    return frame;
}

} // namespace

class TestFrameDecoder : public QObject {
    Q_OBJECT
private slots:
    void decode_data();
    void decode();
    void valueTextAndScale_data();
    void valueTextAndScale();
    void jsonLine();
};

void TestFrameDecoder::decode_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("reading"); // empty: refused
    QTest::newRow("reference") << Reference << "DCV 3 1234 AUTO";
    QTest::newRow("sign") << With(Reference, 1, 0x88) << "DCV 3 -1234 AUTO";
    QTest::newRow("status byte beyond the flags cascades")
        << With(Reference, 1, 0xff) << "DCV 3 -1234 AUTO BAT OL";
    QTest::newRow("ohms ignore the sign")
        << With(With(Reference, 6, 0x84), 1, 0x88) << "KΩ 3 1234 AUTO";
    QTest::newRow("mA decimals by range")
        << With(With(Reference, 6, 0x83), 7, 0x82) << "ACmA 1 1234 AUTO";
    QTest::newRow("diode") << With(Reference, 6, 0x86) << "V 3 1234 AUTO DIODE";
    QTest::newRow("range outside the table") << With(Reference, 7, 0x87) << "DC 0 1234 AUTO";
    QTest::newRow("battery") << With(Reference, 1, 0x84) << "DCV 3 1234 AUTO BAT";
    QTest::newRow("annunciators A") << With(Reference, 8, 0x8a) << "DCV 3 1234 MAX REL AUTO";
    QTest::newRow("annunciators B") << With(Reference, 9, 0x8b) << "DCV 3 1234 MEM MAN APOF";
    QTest::newRow("digit byte above 9") << With(Reference, 3, 0x0a) << "";
    QTest::newRow("ten bytes") << Reference.left(10) << "";
}

void TestFrameDecoder::decode()
{
    QFETCH(QByteArray, frame);
    QFETCH(QString, reading);
    const std::optional<MeterReading> r = DecodeMeterFrame(frame);
    QCOMPARE(r ? test::DescribeReading(*r) : QString(), reading);
}

void TestFrameDecoder::valueTextAndScale_data()
{
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("range");
    QTest::addColumn<int>("counts"); // negative: the sign flag; 10000: over range
    QTest::addColumn<QString>("text");
    QTest::addColumn<float>("bar");
    QTest::addColumn<QString>("scale"); // graph unit and top in meter-range mode
    QTest::newRow("padded to four digits") << 0 << 4 << 12 << "0012" << 12.0f << "DCV 4000";
    QTest::newRow("negative") << 0 << 1 << -1500 << "-1.500" << -1500.0f << "DCV 4";
    QTest::newRow("amperes: bar x4, scale 1000") << 8 << 0 << 250 << "02.50" << 1000.0f << "DCA 10";
    QTest::newRow("over range") << 0 << 1 << 10000 << "" << 0.0f << "DCV 4";
}

void TestFrameDecoder::valueTextAndScale()
{
    QFETCH(int, function);
    QFETCH(int, range);
    QFETCH(int, counts);
    QFETCH(QString, text);
    QFETCH(float, bar);
    QFETCH(QString, scale);
    MeterFrameEncoder e;
    e.Function = function;
    e.Range = range;
    e.Counts = counts == 10000 ? 0 : std::abs(counts);
    e.Negative = counts < 0;
    e.OverRangeCount = counts == 10000 ? 2 : 0;
    const MeterReading r = DecodeMeterFrame(e.Encode()).value();
    const float value = ReadingValue(r);
    if (r.OverRange)
        QCOMPARE(value, 4000.0f);
    else
        QCOMPARE(ReadingText(value, r.Decimals), text);
    if (!r.OverRange)
        QCOMPARE(BarGraphInput(r), bar);
    const MeterRangeScale s = MeterRangeGraphScale(r);
    QCOMPARE(QStringLiteral("%1 %2").arg(s.Unit).arg(double(s.TopY)), scale);
    QCOMPARE(s.LowY, -s.TopY);
}

// The JSON line of a reading over range (no value) with MIN lit, in AC volts.
void TestFrameDecoder::jsonLine()
{
    MeterFrameEncoder e;
    e.Function = 1;
    e.Range = 1;
    e.OverRangeCount = 2;
    e.Min = true;
    e.Auto = true;
    const MeterReading r = DecodeMeterFrame(e.Encode()).value();
    const QDateTime when(QDate(2026, 12, 6), QTime(14, 3, 27, 250), Qt::OffsetFromUTC, 3600);
    QCOMPARE(ReadingJson(when, r, ReadingValue(r)),
             R"({"time":"2026-12-06T14:03:27.250+01:00","value":null,"display":"O L",)"
             R"("unit":"ACV","decimals":3,"ac_dc":"AC","over_range":true,"hold":false,)"
             R"("annunciators":{"max":false,"min":true,"rel":false,"mem":false,"auto":true,)"
             R"("man":false,"apof":false,"battery_low":false}})");
}

QTEST_GUILESS_MAIN(TestFrameDecoder)
#include "tst_framedecoder.moc"

#include "meter/FrameDecoder.h"
#include "meter/MeterFrameEncoder.h"

#include <QTest>

using namespace kst;

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(quint8(v)));
    return out;
}

// The display "1.234 V DC, AUTO" as the meter sends it.
QByteArray ReferenceFrame()
{
    return Bytes({0x80, 0x04, 0x03, 0x02, 0x01, 0x80, 0x81, 0x80, 0x84, 0x0d, 0x0a});
}

QByteArray WithByte(QByteArray frame, int position, int value)
{
    frame[position - 1] = char(quint8(value));
    return frame;
}

MeterReading Decode(const QByteArray &frame)
{
    const std::optional<MeterReading> reading = DecodeMeterFrame(frame);
    if (!reading)
        qFatal("frame did not decode: %s", frame.toHex(' ').constData());
    return *reading;
}

} // namespace

class TestFrameDecoder : public QObject {
    Q_OBJECT
private slots:
    void referenceFrame();
    void encoderMatchesMeterBytes();
    void functionRangeTable_data();
    void functionRangeTable();
    void statusCascade_data();
    void statusCascade();
    void annunciatorCascade_data();
    void annunciatorCascade();
    void digits_data();
    void digits();
    void badFrameRejected_data();
    void badFrameRejected();
    void selectFrame_data();
    void selectFrame();
    void valueAndText_data();
    void valueAndText();
    void barGraphInput_data();
    void barGraphInput();
    void meterRangeScale_data();
    void meterRangeScale();
};

void TestFrameDecoder::referenceFrame()
{
    const MeterReading r = Decode(ReferenceFrame());
    QCOMPARE(r.FunctionCode, 0);
    QCOMPARE(r.RangeCode, 1);
    QCOMPARE(r.AcDcText, QStringLiteral("DC"));
    QCOMPARE(r.UnitText, QStringLiteral("V"));
    QCOMPARE(r.Decimals, 3);
    QCOMPARE(r.Counts, 1234.0f);
    QCOMPARE(ReadingText(ReadingValue(r), r.Decimals), QStringLiteral("1.234"));
    QVERIFY(r.Auto);
    const bool others[] = {r.Max,  r.Min,        r.Rel,       r.Hold,   r.Mem,   r.Man,
                           r.Apof, r.BatteryLow, r.OverRange, r.Buzzer, r.Diode, r.Adp};
    for (bool flag : others)
        QVERIFY(!flag);

    const MeterReading negative = Decode(WithByte(ReferenceFrame(), 1, 0x88));
    QCOMPARE(negative.Counts, -1234.0f);
    QCOMPARE(ReadingText(ReadingValue(negative), negative.Decimals), QStringLiteral("-1.234"));
}

void TestFrameDecoder::encoderMatchesMeterBytes()
{
    MeterFrameEncoder e;
    e.Counts = 1234;
    e.Function = 0;
    e.Range = 1;
    e.Auto = true;
    QCOMPARE(e.Encode().toHex(' '), ReferenceFrame().toHex(' '));

    e.Negative = true;
    e.BatteryLow = true;
    e.OverRangeCount = 3;
    e.Counts = 9087;
    e.Function = 12;
    e.Range = 4;
    e.Max = e.Hold = e.Mem = e.Apof = true;
    e.Auto = false;
    QCOMPARE(e.Encode().toHex(' '),
             Bytes({0x8f, 7, 8, 0, 9, 0x8c, 0x84, 0x89, 0x89, 0x0d, 0x0a}).toHex(' '));
}

void TestFrameDecoder::functionRangeTable_data()
{
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("range");
    QTest::addColumn<QString>("acDc");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<bool>("nonNegative");
    QTest::addColumn<QString>("icons"); // B = buzzer, D = diode, A = adapter

    const struct {
        int function;
        int range;
        const char16_t *acDc;
        const char16_t *unit;
        int decimals;
        bool nonNegative;
        const char *icons;
    } rows[] = {
        {0, 0, u"DC", u"mV", 1, false, ""}, {0, 1, u"DC", u"V", 3, false, ""},
        {0, 2, u"DC", u"V", 2, false, ""},  {0, 3, u"DC", u"V", 1, false, ""},
        {0, 4, u"DC", u"V", 0, false, ""},  {0, 5, u"DC", u"", 0, false, ""},
        {0, 7, u"DC", u"", 0, false, ""},   {1, 0, u"AC", u"mV", 1, false, ""},
        {1, 1, u"AC", u"V", 3, false, ""},  {1, 2, u"AC", u"V", 2, false, ""},
        {1, 3, u"AC", u"V", 1, false, ""},  {1, 4, u"AC", u"V", 0, false, ""},
        {1, 6, u"AC", u"", 0, false, ""},   {2, 0, u"DC", u"mA", 3, false, ""},
        {2, 1, u"DC", u"mA", 2, false, ""}, {2, 2, u"DC", u"mA", 1, false, ""},
        {2, 3, u"DC", u"mA", 0, false, ""}, {2, 4, u"DC", u"mA", 0, false, ""},
        {2, 9, u"DC", u"mA", 0, false, ""}, {3, 0, u"AC", u"mA", 3, false, ""},
        {3, 1, u"AC", u"mA", 2, false, ""}, {3, 2, u"AC", u"mA", 1, false, ""},
        {3, 3, u"AC", u"mA", 0, false, ""}, {3, 7, u"AC", u"mA", 0, false, ""},
        {4, 0, u"", u"Ω", 1, true, ""},     {4, 1, u"", u"KΩ", 3, true, ""},
        {4, 2, u"", u"KΩ", 2, true, ""},    {4, 3, u"", u"KΩ", 1, true, ""},
        {4, 4, u"", u"KΩ", 0, true, ""},    {4, 5, u"", u"MΩ", 2, true, ""},
        {4, 6, u"", u"", 0, true, ""},      {5, 0, u"", u"Ω", 1, true, "B"},
        {5, 3, u"", u"Ω", 1, true, "B"},    {6, 0, u"", u"V", 3, false, "D"},
        {6, 5, u"", u"V", 3, false, "D"},   {7, 0, u"", u"", 0, false, "A"},
        {7, 2, u"", u"", 0, false, "A"},    {8, 0, u"DC", u"A", 2, false, ""},
        {8, 4, u"DC", u"A", 2, false, ""},  {9, 1, u"AC", u"A", 2, false, ""},
        {10, 0, u"", u"KHz", 3, false, ""}, {10, 1, u"", u"KHz", 2, false, ""},
        {10, 2, u"", u"KHz", 1, false, ""}, {10, 3, u"", u"", 0, false, ""},
        {10, 4, u"", u"", 0, false, ""},    {10, 5, u"", u"Hz", 2, false, ""},
        {10, 6, u"", u"Hz", 1, false, ""},  {10, 7, u"", u"", 0, false, ""},
        {11, 0, u"", u"", 0, false, ""},    {11, 1, u"", u"", 0, false, ""},
        {12, 0, u"", u"nF", 3, true, ""},   {12, 1, u"", u"nF", 2, true, ""},
        {12, 2, u"", u"nF", 1, true, ""},   {12, 3, u"", u"μF", 3, true, ""},
        {12, 4, u"", u"μF", 2, true, ""},   {12, 5, u"", u"", 0, true, ""},
        {13, 1, u"", u"", 0, false, ""},    {127, 1, u"", u"", 0, false, ""},
        {-1, 1, u"", u"", 0, false, ""},    {-128, 0, u"", u"", 0, false, ""},
        {0, -1, u"DC", u"", 0, false, ""},  {2, -5, u"DC", u"mA", 0, false, ""},
        {5, -128, u"", u"Ω", 1, true, "B"},
    };
    for (const auto &row : rows)
        QTest::addRow("function %d range %d", row.function, row.range)
            << row.function << row.range << QString::fromUtf16(row.acDc)
            << QString::fromUtf16(row.unit) << row.decimals << row.nonNegative
            << QString::fromLatin1(row.icons);
}

void TestFrameDecoder::functionRangeTable()
{
    QFETCH(int, function);
    QFETCH(int, range);
    QFETCH(QString, acDc);
    QFETCH(QString, unit);
    QFETCH(int, decimals);
    QFETCH(bool, nonNegative);
    QFETCH(QString, icons);

    // A negative reading, so the sign rule of the function shows too.
    QByteArray frame = WithByte(ReferenceFrame(), 1, 0x88);
    frame = WithByte(frame, 6, 128 + function);
    frame = WithByte(frame, 7, 128 + range);
    const MeterReading r = Decode(frame);
    QCOMPARE(r.FunctionCode, function);
    QCOMPARE(r.RangeCode, range);
    QCOMPARE(r.AcDcText, acDc);
    QCOMPARE(r.UnitText, unit);
    QCOMPARE(r.Decimals, decimals);
    QCOMPARE(r.NonNegative, nonNegative);
    QCOMPARE(r.Counts, nonNegative ? 1234.0f : -1234.0f);
    QCOMPARE(r.Buzzer, icons.contains(u'B'));
    QCOMPARE(r.Diode, icons.contains(u'D'));
    QCOMPARE(r.Adp, icons.contains(u'A'));
}

void TestFrameDecoder::statusCascade_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<float>("counts");
    QTest::addColumn<bool>("battery");
    QTest::addColumn<bool>("overRange");

    QTest::newRow("plain") << 0x80 << 1234.0f << false << false;
    QTest::newRow("OL 1") << 0x81 << 1234.0f << false << true;
    QTest::newRow("OL 2") << 0x82 << 1234.0f << false << true;
    QTest::newRow("OL 3") << 0x83 << 1234.0f << false << true;
    QTest::newRow("battery") << 0x84 << 1234.0f << true << false;
    QTest::newRow("battery OL") << 0x87 << 1234.0f << true << true;
    QTest::newRow("negative") << 0x88 << -1234.0f << false << false;
    QTest::newRow("negative battery") << 0x8c << -1234.0f << true << false;
    QTest::newRow("negative battery OL") << 0x8d << -1234.0f << true << true;
    QTest::newRow("negative OL") << 0x89 << -1234.0f << false << true;
    // Bytes a well-formed meter never sends still follow the arithmetic.
    QTest::newRow("16 above 128") << 0x90 << -1234.0f << true << true;
    QTest::newRow("8+4+3 = 15") << 0x8f << -1234.0f << true << true;
    QTest::newRow("127 above 128") << 0xff << -1234.0f << true << true;
    QTest::newRow("below 128") << 0x7f << 1234.0f << false << false;
    QTest::newRow("zero byte") << 0x00 << 1234.0f << false << false;
}

void TestFrameDecoder::statusCascade()
{
    QFETCH(int, status);
    QFETCH(float, counts);
    QFETCH(bool, battery);
    QFETCH(bool, overRange);

    const MeterReading r = Decode(WithByte(ReferenceFrame(), 1, status));
    QCOMPARE(r.Counts, counts);
    QCOMPARE(r.BatteryLow, battery);
    QCOMPARE(r.OverRange, overRange);
    QCOMPARE(ReadingValue(r), overRange ? 4000.0f : counts / 1000.0f);
}

void TestFrameDecoder::annunciatorCascade_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("lit"); // weights 8, 4, 2, 1 lit, as "8421" with dashes

    QTest::newRow("none") << 0x80 << "----";
    QTest::newRow("1") << 0x81 << "---1";
    QTest::newRow("2") << 0x82 << "--2-";
    QTest::newRow("4") << 0x84 << "-4--";
    QTest::newRow("8") << 0x88 << "8---";
    QTest::newRow("4+1") << 0x85 << "-4-1";
    QTest::newRow("8+2") << 0x8a << "8-2-";
    QTest::newRow("all") << 0x8f << "8421";
    // 16 passes every step of the cascade: 16 -> 8 -> 4 -> 2, each reached once.
    QTest::newRow("16") << 0x90 << "8421";
    QTest::newRow("12 + 16") << 0x9c << "8421";
    QTest::newRow("127") << 0xff << "8421";
    QTest::newRow("below 128") << 0x7f << "----";
    QTest::newRow("zero byte") << 0x00 << "----";
}

void TestFrameDecoder::annunciatorCascade()
{
    QFETCH(int, value);
    QFETCH(QString, lit);

    const MeterReading a = Decode(WithByte(WithByte(ReferenceFrame(), 9, 0x80), 8, value));
    QCOMPARE(QString::fromLatin1("%1%2%3%4")
                 .arg(a.Max ? '8' : '-')
                 .arg(a.Min ? '4' : '-')
                 .arg(a.Rel ? '2' : '-')
                 .arg(a.Hold ? '1' : '-'),
             lit);
    QVERIFY(!a.Mem && !a.Auto && !a.Man && !a.Apof);

    const MeterReading b = Decode(WithByte(ReferenceFrame(), 9, value));
    QCOMPARE(QString::fromLatin1("%1%2%3%4")
                 .arg(b.Mem ? '8' : '-')
                 .arg(b.Auto ? '4' : '-')
                 .arg(b.Man ? '2' : '-')
                 .arg(b.Apof ? '1' : '-'),
             lit);
    QVERIFY(!b.Max && !b.Min && !b.Rel && !b.Hold);
}

void TestFrameDecoder::digits_data()
{
    QTest::addColumn<QByteArray>("digits"); // bytes 2..5: least significant first
    QTest::addColumn<float>("counts");

    QTest::newRow("0000") << Bytes({0, 0, 0, 0}) << 0.0f;
    QTest::newRow("0007") << Bytes({7, 0, 0, 0}) << 7.0f;
    QTest::newRow("1000") << Bytes({0, 0, 0, 1}) << 1000.0f;
    QTest::newRow("3999") << Bytes({9, 9, 9, 3}) << 3999.0f;
    QTest::newRow("9999") << Bytes({9, 9, 9, 9}) << 9999.0f;
    QTest::newRow("0560") << Bytes({0, 6, 5, 0}) << 560.0f;
}

void TestFrameDecoder::digits()
{
    QFETCH(QByteArray, digits);
    QFETCH(float, counts);
    QByteArray frame = ReferenceFrame();
    frame.replace(1, 4, digits);
    QCOMPARE(Decode(frame).Counts, counts);
    // The sign of a zero reading never shows as "-0.000".
    const MeterReading negative = Decode(WithByte(frame, 1, 0x88));
    QCOMPARE(negative.Counts, -counts);
    QVERIFY(!ReadingText(ReadingValue(negative), 3).startsWith(u"-0.000"));
}

void TestFrameDecoder::badFrameRejected_data()
{
    QTest::addColumn<QByteArray>("frame");
    for (int position = 2; position <= 5; ++position) {
        for (int value : {10, 0x30, 0x39, 0x80, 0xff}) {
            QTest::addRow("byte %d = 0x%02x", position, value)
                << WithByte(ReferenceFrame(), position, value);
        }
    }
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("ten bytes") << ReferenceFrame().left(10);
}

void TestFrameDecoder::badFrameRejected()
{
    QFETCH(QByteArray, frame);
    QVERIFY(!DecodeMeterFrame(frame).has_value());
}

void TestFrameDecoder::selectFrame_data()
{
    QTest::addColumn<QByteArray>("chunkA");
    QTest::addColumn<QByteArray>("chunkB");
    QTest::addColumn<QByteArray>("expected"); // empty: none

    const QByteArray one = ReferenceFrame();
    const QByteArray two = WithByte(ReferenceFrame(), 2, 9);
    // Second half of one frame and first half of the next: the line was joined mid-frame.
    const QByteArray straddle = one.mid(5) + two.left(5);

    QTest::newRow("both frames, first wins") << one << two << one;
    QTest::newRow("only B aligned") << straddle << two << two;
    QTest::newRow("neither aligned") << straddle << straddle << QByteArray();
    QTest::newRow("A aligned, B short") << one << two.left(4) << one;
    QTest::newRow("A aligned, B empty") << one << QByteArray() << one;
    QTest::newRow("A short, B aligned") << one.left(10) << two << QByteArray();
    QTest::newRow("A short ending in CR LF") << one.right(6) << two << QByteArray();
    QTest::newRow("A empty") << QByteArray() << two << QByteArray();
    QTest::newRow("A not aligned, B short") << straddle << two.left(10) << QByteArray();
    QTest::newRow("CR LF swapped") << WithByte(WithByte(one, 10, 10), 11, 13) << two << two;
    QTest::newRow("CR only") << WithByte(one, 11, 13) << WithByte(two, 10, 10) << QByteArray();
}

void TestFrameDecoder::selectFrame()
{
    QFETCH(QByteArray, chunkA);
    QFETCH(QByteArray, chunkB);
    QFETCH(QByteArray, expected);
    const std::optional<QByteArray> frame = SelectFrame(chunkA, chunkB);
    QCOMPARE(frame.has_value(), !expected.isEmpty());
    if (frame)
        QCOMPARE(frame->toHex(' '), expected.toHex(' '));
}

void TestFrameDecoder::valueAndText_data()
{
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("range");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("counts");
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("V 0 decimals") << 0 << 4 << 0x80 << 12 << 12.0f << "0012";
    QTest::newRow("mV 1 decimal") << 0 << 0 << 0x80 << 5 << 0.5f << "000.5";
    QTest::newRow("mA 2 decimals") << 2 << 1 << 0x80 << 3999 << 39.99f << "39.99";
    QTest::newRow("negative V") << 0 << 1 << 0x88 << 1500 << -1.5f << "-1.500";
    QTest::newRow("ohms ignore the sign") << 4 << 0 << 0x88 << 1234 << 123.4f << "123.4";
    QTest::newRow("capacitance ignores the sign") << 12 << 3 << 0x88 << 47 << 0.047f << "0.047";
    QTest::newRow("no unit") << 11 << 0 << 0x80 << 321 << 321.0f << "0321";
    QTest::newRow("OL") << 0 << 1 << 0x81 << 0 << 4000.0f << "";
    QTest::newRow("OL negative, 3 decimals") << 0 << 1 << 0x89 << 1234 << 4000.0f << "";
    QTest::newRow("OL ohms") << 4 << 5 << 0x81 << 9999 << 4000.0f << "";
}

void TestFrameDecoder::valueAndText()
{
    QFETCH(int, function);
    QFETCH(int, range);
    QFETCH(int, status);
    QFETCH(int, counts);
    QFETCH(float, value);
    QFETCH(QString, text);

    MeterFrameEncoder e;
    e.Function = function;
    e.Range = range;
    e.Counts = counts;
    QByteArray frame = WithByte(e.Encode(), 1, status);
    const MeterReading r = Decode(frame);
    QCOMPARE(ReadingValue(r), value);
    if (!text.isEmpty())
        QCOMPARE(ReadingText(ReadingValue(r), r.Decimals), text);
}

void TestFrameDecoder::barGraphInput_data()
{
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("range");
    QTest::addColumn<bool>("negative");
    QTest::addColumn<int>("counts");
    QTest::addColumn<float>("input");

    QTest::newRow("V") << 0 << 1 << false << 1234 << 1234.0f;
    QTest::newRow("V negative") << 0 << 1 << true << 2500 << -2500.0f;
    QTest::newRow("DC A x4") << 8 << 0 << false << 250 << 1000.0f;
    QTest::newRow("AC A x4") << 9 << 0 << false << 999 << 3996.0f;
    QTest::newRow("A negative x4") << 8 << 0 << true << 100 << -400.0f;
    QTest::newRow("mA not scaled") << 2 << 0 << false << 250 << 250.0f;
    QTest::newRow("Hz") << 10 << 5 << false << 3000 << 0.0f;
    QTest::newRow("KHz") << 10 << 0 << false << 3000 << 0.0f;
    QTest::newRow("no unit") << 10 << 3 << false << 3000 << 3000.0f;
}

void TestFrameDecoder::barGraphInput()
{
    QFETCH(int, function);
    QFETCH(int, range);
    QFETCH(bool, negative);
    QFETCH(int, counts);
    QFETCH(float, input);
    MeterFrameEncoder e;
    e.Function = function;
    e.Range = range;
    e.Negative = negative;
    e.Counts = counts;
    QCOMPARE(BarGraphInput(Decode(e.Encode())), input);
}

void TestFrameDecoder::meterRangeScale_data()
{
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("range");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<float>("top");

    QTest::newRow("DC V 3 decimals") << 0 << 1 << "DCV" << 4.0f;
    QTest::newRow("AC mV") << 1 << 0 << "ACmV" << 400.0f;
    QTest::newRow("DC V 0 decimals") << 0 << 4 << "DCV" << 4000.0f;
    QTest::newRow("DC mA") << 2 << 0 << "DCmA" << 4.0f;
    QTest::newRow("DC A") << 8 << 0 << "DCA" << 10.0f;
    QTest::newRow("AC A") << 9 << 0 << "ACA" << 10.0f;
    QTest::newRow("Hz 2 decimals") << 10 << 5 << "Hz" << 100.0f;
    QTest::newRow("Hz 1 decimal") << 10 << 6 << "Hz" << 1000.0f;
    QTest::newRow("KHz 3 decimals") << 10 << 0 << "KHz" << 10.0f;
    QTest::newRow("KΩ range 4") << 4 << 4 << QStringLiteral("KΩ") << 4000.0f;
    QTest::newRow("μF") << 12 << 4 << QStringLiteral("μF") << 40.0f;
    QTest::newRow("no unit") << 11 << 0 << "" << 4000.0f;
    QTest::newRow("DC without unit") << 0 << 9 << "DC" << 4000.0f;
}

void TestFrameDecoder::meterRangeScale()
{
    QFETCH(int, function);
    QFETCH(int, range);
    QFETCH(QString, unit);
    QFETCH(float, top);
    MeterFrameEncoder e;
    e.Function = function;
    e.Range = range;
    const MeterRangeScale scale = MeterRangeGraphScale(Decode(e.Encode()));
    QCOMPARE(scale.Unit, unit);
    QCOMPARE(scale.TopY, top);
    QCOMPARE(scale.LowY, -top);
}

QTEST_GUILESS_MAIN(TestFrameDecoder)
#include "tst_framedecoder.moc"

#include "common/DateTimeText.h"
#include "common/Numbers.h"

#include <QRandomGenerator>
#include <QTest>
#include <cstring>

using namespace kst;

class TestNumbers : public QObject {
    Q_OBJECT
private slots:
    void formats_data();
    void formats();
    void parse_data();
    void parse();
    void formattersAgreeOnRandomValues();
    void timesShowWholeSeconds();
};

void TestNumbers::formats_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("pattern"); // empty: the plain single text
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, float value, const char16_t *pattern,
                        const char16_t *expected) {
        QTest::newRow(name) << value << QString::fromUtf16(pattern) << QString::fromUtf16(expected);
    };
    row("half rounds up", 1.2345f, u"###0.0##", u"1.235");
    row("carry into a new digit", 9.9996f, u"0.000", u"10.000");
    row("tiny negative is zero", -0.0001f, u"0.000", u"0.000");
    row("padded page number", 7.0f, u"#####0000", u"0007");
    row("plain marker", 99999.0f, u"", u"99999");
    row("negative zero", -0.0f, u"", u"0");
    row("smallest plain", 0.0001f, u"", u"0.0001");
    row("small exponent", 0.00001234f, u"", u"1.234E-05");
    row("largest plain", 9999999.0f, u"", u"9999999");
    row("large exponent", 1e8f, u"", u"1E+08");
    row("exact tie rounds away", 1234566.5f, u"", u"1234567");
}

void TestNumbers::formats()
{
    QFETCH(float, value);
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    QCOMPARE(FormatSingle(value, pattern), expected);
}

void TestNumbers::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<double>("value");
    QTest::newRow("plus sign, blanks around") << " +400 " << true << 400.0;
    QTest::newRow("exponent") << "1.5E-3" << true << 0.0015;
    QTest::newRow("leading point") << "-.5" << true << -0.5;
    QTest::newRow("trailing point") << "5." << true << 5.0;
    for (const char *text : {"", "   ", "-", ".", "1,5", "1 5", "1e", "1e999", "0x10", "inf", "nan",
                             "5\u00B2", "\u0665"})
        QTest::addRow("not a number: '%s'", text) << QString::fromUtf8(text) << false << 0.0;
}

void TestNumbers::parse()
{
    QFETCH(QString, text);
    QFETCH(bool, numeric);
    QFETCH(double, value);
    QCOMPARE(IsNumeric(text), numeric);
    if (numeric)
        QCOMPARE(*ParseNumber(text), value);
}

void TestNumbers::formattersAgreeOnRandomValues()
{
    // The fast writer text, the display text and the pattern formatter must show the same seven
    // digits as an independent formatter, and the text must read back as the same single.
    QRandomGenerator random(20261206);
    for (int i = 0; i < 200000; ++i) {
        const quint32 bits = random.generate();
        float v;
        std::memcpy(&v, &bits, sizeof v);
        if (i % 2)
            v = float(qint32(random.bounded(-40000, 40000))) / float(std::pow(10, i % 5));
        if (!std::isfinite(v) || v == 0.0f)
            continue;
        char bytes[SingleTextMax];
        const QString fast = QString::fromLatin1(bytes, PutSingleText(bytes, v) - bytes);
        const QString text = SingleText(v);
        const QString reference = QString::number(double(v), 'e', 6);
        const QString where = QStringLiteral("%1 (%2)").arg(reference).arg(bits);
        QVERIFY2(fast == text, qPrintable(where));
        float back = 0;
        const QByteArray latin = text.toLatin1();
        QVERIFY2(ScanNumber(latin.constBegin(), latin.constEnd(), back), qPrintable(where));
        QVERIFY2(back == QString::number(double(v), 'g', 7).toFloat(), qPrintable(where));
        const double magnitude = std::fabs(double(v));
        if (magnitude >= 0.0001 && magnitude < 9999999.5) {
            QString patterned = FormatSingle(v, u"0.##########");
            if (patterned.endsWith(u'.')) // a pattern's point stays when no digit follows it
                patterned.chop(1);
            QVERIFY2(patterned == text, qPrintable(where + u' ' + patterned));
        }
    }
}

void TestNumbers::timesShowWholeSeconds()
{
    // A recording keeps the clock's milliseconds; every text shows whole seconds.
    const QTime time(9, 5, 7, 999);
    QCOMPARE(SystemTimeText(time), QStringLiteral("09:05:07"));
    QCOMPARE(ClockText(time), QStringLiteral("09:05:07"));
    QCOMPARE(StampText(QDateTime(QDate(2000, 5, 4), time)), QStringLiteral("05-04-2000 09:05:07"));
}

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"

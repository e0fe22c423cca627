#include "common/DateTimeText.h"
#include "common/Numbers.h"

#include <QTest>

using namespace kst;

class TestNumbers : public QObject {
    Q_OBJECT
private slots:
    void formatPatterns_data();
    void formatPatterns();
    void formatSingle_data();
    void formatSingle();
    void roundHalfEven_data();
    void roundHalfEven();
    void parse_data();
    void parse();
    void singleText_data();
    void singleText();
    void digitsPatternAndOverRange();
    void dateTimeTexts();
};

void TestNumbers::formatPatterns_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");
    QTest::newRow("12 -> 0012") << 12.0 << "0000"
                                << "0012";
    QTest::newRow("0.5 one decimal") << 0.5 << "000.0"
                                     << "000.5";
    QTest::newRow("-1.5 three decimals") << -1.5 << "0.000"
                                         << "-1.500";
    QTest::newRow("1.234") << 1.234 << "0.000"
                           << "1.234";
    QTest::newRow("12.34") << 12.34 << "00.00"
                           << "12.34";
    QTest::newRow("rounds half up") << 1.2345 << "0.000"
                                    << "1.235";
    QTest::newRow("wider than pattern") << 12345.0 << "0000"
                                        << "12345";
    QTest::newRow("400 general") << 400.0 << "####0.0##"
                                 << "400.0";
    QTest::newRow("12.5 general") << 12.5 << "####0.0##"
                                  << "12.5";
    QTest::newRow("0.125 general") << 0.125 << "####0.0##"
                                   << "0.125";
    QTest::newRow("1.23456 general") << 1.23456 << "####0.0##"
                                     << "1.235";
    QTest::newRow("-100 general") << -100.0 << "####0.0##"
                                  << "-100.0";
    QTest::newRow("0 general") << 0.0 << "####0.0##"
                               << "0.0";
    QTest::newRow("five read-out") << 5.0 << "###0.0##"
                                   << "5.0";
    QTest::newRow("minus half read-out") << -0.5 << "###0.0##"
                                         << "-0.5";
    QTest::newRow("page 7") << 7.0 << "#####0000"
                            << "0007";
    QTest::newRow("page 123") << 123.0 << "#####0000"
                              << "0123";
    QTest::newRow("page 12345") << 12345.0 << "#####0000"
                                << "12345";
    QTest::newRow("carry into new digit") << 9.9996 << "0.000"
                                          << "10.000";
    QTest::newRow("tiny negative is zero") << -0.0001 << "0.000"
                                           << "0.000";
    QTest::newRow("average tie rounds away") << 2.5 << "0000"
                                             << "0003";
}

void TestNumbers::formatPatterns()
{
    QFETCH(double, value);
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    QCOMPARE(FormatNumber(value, pattern), expected);
}

void TestNumbers::formatSingle_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");
    QTest::newRow("1.234f") << 1.234f << "0.000"
                            << "1.234";
    QTest::newRow("0.16 after rel") << (12.5f - 12.34f) << "00.00"
                                    << "00.16";
    QTest::newRow("1.2345f half up") << 1.2345f << "###0.0##"
                                     << "1.235";
    QTest::newRow("4.000") << 4.0f << "0.000"
                           << "4.000";
    QTest::newRow("no pattern") << 1.5f << ""
                                << "1.5";
}

void TestNumbers::formatSingle()
{
    QFETCH(float, value);
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    QCOMPARE(FormatSingle(value, pattern), expected);
}

void TestNumbers::roundHalfEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("9.5") << 9.5 << qint64(10);
    QTest::newRow("9.49") << 9.49 << qint64(9);
    QTest::newRow("1.5") << 1.5 << qint64(2);
    QTest::newRow("2.5") << 2.5 << qint64(2);
    QTest::newRow("-2.5") << -2.5 << qint64(-2);
    QTest::newRow("10.5") << 10.5 << qint64(10);
    QTest::newRow("11.5") << 11.5 << qint64(12);
    QTest::newRow("133.33") << 133.333 << qint64(133);
}

void TestNumbers::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(qint64, expected);
    QCOMPARE(RoundHalfEven(value), expected);
}

void TestNumbers::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("numeric");
    QTest::addColumn<double>("value");
    QTest::newRow("+400") << "+400" << true << 400.0;
    QTest::newRow("-400") << "-400" << true << -400.0;
    QTest::newRow("blanks") << "  12.5 " << true << 12.5;
    QTest::newRow("exponent") << "1.5E-3" << true << 0.0015;
    QTest::newRow("lower exponent") << "2e+2" << true << 200.0;
    QTest::newRow("leading point") << ".5" << true << 0.5;
    QTest::newRow("negative leading point") << "-.5" << true << -0.5;
    QTest::newRow("trailing point") << "5." << true << 5.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("blank") << "   " << false << 0.0;
    QTest::newRow("abc") << "abc" << false << 0.0;
    QTest::newRow("sign only") << "-" << false << 0.0;
    QTest::newRow("point only") << "." << false << 0.0;
    QTest::newRow("comma decimal") << "1,5" << false << 0.0;
    QTest::newRow("inner blank") << "1 5" << false << 0.0;
    QTest::newRow("bare exponent") << "1e" << false << 0.0;
    QTest::newRow("overflow") << "1e999" << false << 0.0;
    QTest::newRow("hex") << "0x10" << false << 0.0;
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

void TestNumbers::singleText_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("expected");
    QTest::newRow("two") << 2.0f << "2";
    QTest::newRow("one and a half") << 1.5f << "1.5";
    QTest::newRow("marker") << 99999.0f << "99999";
    QTest::newRow("1.234") << 1.234f << "1.234";
    QTest::newRow("1.236") << 1.236f << "1.236";
    QTest::newRow("negative") << -0.5f << "-0.5";
    QTest::newRow("zero") << 0.0f << "0";
    QTest::newRow("negative zero") << -0.0f << "0";
    QTest::newRow("small plain") << 0.0001f << "0.0001";
    QTest::newRow("small exponent") << 0.00001234f << "1.234E-05";
    QTest::newRow("large plain") << 9999999.0f << "9999999";
    QTest::newRow("large exponent") << 1e8f << "1E+08";
    QTest::newRow("seven digits") << 1.2345678f << "1.234568";
    QTest::newRow("third") << (1.0f / 3.0f) << "0.3333333";
}

void TestNumbers::singleText()
{
    QFETCH(float, value);
    QFETCH(QString, expected);
    QCOMPARE(SingleText(value), expected);
    // What is written reads back as the same single.
    QCOMPARE(float(*ParseNumber(expected)), value == 0.0f ? 0.0f : value);
}

void TestNumbers::digitsPatternAndOverRange()
{
    QCOMPARE(DigitsPattern(0), QStringLiteral("0000"));
    QCOMPARE(DigitsPattern(1), QStringLiteral("000.0"));
    QCOMPARE(DigitsPattern(2), QStringLiteral("00.00"));
    QCOMPARE(DigitsPattern(3), QStringLiteral("0.000"));
    QCOMPARE(DigitsPattern(4), QString());
    QCOMPARE(DigitsPattern(-1), QString());
    QVERIFY(IsOverRangeValue(4000.0f));
    QVERIFY(IsOverRangeValue(-4000.0f));
    QVERIFY(!IsOverRangeValue(3999.0f));
    QVERIFY(!IsOverRangeValue(4000.001f));
}

void TestNumbers::dateTimeTexts()
{
    const QDateTime when(QDate(2000, 5, 4), QTime(14, 3, 27));
    QCOMPARE(StampText(when), QStringLiteral("05-04-2000 14:03:27"));
    QCOMPARE(DateText(when.date()), QStringLiteral("05-04-2000"));
    QCOMPARE(ClockText(QTime(9, 5, 7)), QStringLiteral("09:05:07"));
    QCOMPARE(SystemTimeText(QTime(9, 5, 7)), QStringLiteral("09:05:07"));
    QCOMPARE(SystemTimeText(QTime(0, 0)), QStringLiteral("00:00:00"));
    QCOMPARE(SystemShortDateText(QDate(2000, 5, 4)), QStringLiteral("05/04/2000"));
}

QTEST_GUILESS_MAIN(TestNumbers)
#include "tst_numbers.moc"

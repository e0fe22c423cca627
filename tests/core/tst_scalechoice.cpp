#include "graph/ScaleChoice.h"

#include <QTest>

using namespace kst;
using Field = ScaleChoice::Field;

namespace {
const QString Numeric = QStringLiteral("Input Error! Please input Numeric");
const QString Order = QStringLiteral("Input error,Please input again");
const QString Span = QStringLiteral("Input Error! Please input again");
} // namespace

class TestScaleChoice : public QObject {
    Q_OBJECT
private slots:
    void leavingAField_data();
    void leavingAField();
    void ok_data();
    void ok();
};

void TestScaleChoice::leavingAField_data()
{
    QTest::addColumn<Field>("field");
    QTest::addColumn<QString>("top");
    QTest::addColumn<QString>("low");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<QString>("warning");
    QTest::newRow("high not a number") << Field::TopY << "abc"
                                       << "-400"
                                       << "1" << Numeric;
    QTest::newRow("low empty") << Field::LowY << "+400"
                               << ""
                               << "1" << Numeric;
    QTest::newRow("equal limits, as singles") << Field::LowY << "10"
                                              << "10.0"
                                              << "1" << Order;
    QTest::newRow("high below low") << Field::TopY << "-500"
                                    << "-400"
                                    << "1" << Order;
    QTest::newRow("other box bad: not reported") << Field::TopY << "5"
                                                 << "abc"
                                                 << "1"
                                                 << "";
    QTest::newRow("exponent and blanks") << Field::LowY << " 1e3 "
                                         << "-2.5E2"
                                         << "1"
                                         << "";
    QTest::newRow("too large for a single: silent") << Field::TopY << "1e40"
                                                    << "0"
                                                    << "1"
                                                    << "";
    QTest::newRow("span not a number") << Field::Interval << ""
                                       << ""
                                       << "1O0" << Numeric;
    QTest::newRow("span 0.999") << Field::Interval << ""
                                << ""
                                << "0.999" << Span;
    QTest::newRow("span 1.5") << Field::Interval << ""
                              << ""
                              << "1.5"
                              << "";
}

void TestScaleChoice::leavingAField()
{
    QFETCH(Field, field);
    QFETCH(QString, top);
    QFETCH(QString, low);
    QFETCH(QString, interval);
    QTEST(ScaleFieldWarning(field, top, low, interval), "warning");
}

void TestScaleChoice::ok_data()
{
    QTest::addColumn<bool>("manual");
    QTest::addColumn<QString>("top");
    QTest::addColumn<QString>("low");
    QTest::addColumn<QString>("interval");
    QTest::addColumn<Field>("refused");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QList<double>>("values"); // top, low, span when accepted
    QTest::newRow("manual 5 / -5") << true << "5"
                                   << "-5"
                                   << "100" << Field::None << "" << QList<double>{5, -5, 100};
    QTest::newRow("meter range does not read the limits")
        << false << "abc"
        << "10"
        << "2.9" << Field::None << "" << QList<double>{0, 0, 2};
    QTest::newRow("singles") << true << "0.1"
                             << "-1e-3"
                             << "7" << Field::None << ""
                             << QList<double>{double(0.1f), double(-1e-3f), 7};
    QTest::newRow("equal limits") << true << "10"
                                  << "10"
                                  << "100" << Field::TopY << Order << QList<double>{};
    QTest::newRow("low not a number") << true << "5"
                                      << ""
                                      << "100" << Field::LowY << Numeric << QList<double>{};
    QTest::newRow("limits first, then span") << true << "x"
                                             << "-5"
                                             << "0" << Field::TopY << Numeric << QList<double>{};
    QTest::newRow("span 0.5") << false << ""
                              << ""
                              << "0.5" << Field::Interval << Span << QList<double>{};
    QTest::newRow("limit too large is refused by OK")
        << true << "1e39"
        << "-5"
        << "100" << Field::TopY << Numeric << QList<double>{};
    QTest::newRow("span too large") << false << ""
                                    << ""
                                    << "1e12" << Field::Interval << Numeric << QList<double>{};
}

void TestScaleChoice::ok()
{
    QFETCH(bool, manual);
    QFETCH(QString, top);
    QFETCH(QString, low);
    QFETCH(QString, interval);
    QFETCH(QList<double>, values);
    const ScaleChoice choice = ChooseScale(manual, top, low, interval);
    QTEST(choice.refused, "refused");
    QTEST(choice.message, "message");
    if (!values.isEmpty())
        QCOMPARE((QList<double>{choice.topY, choice.lowY, double(choice.span)}), values);
}

QTEST_GUILESS_MAIN(TestScaleChoice)
#include "tst_scalechoice.moc"

#include "shell/Schedule.h"

#include <QTest>

using namespace kst;

namespace {

// Entries as "start date|start time|end date|end time" per slot; missing slots stay empty.
Schedule::Slots Entries(const QStringList &rows)
{
    Schedule::Slots entries;
    for (int i = 0; i < rows.size(); ++i) {
        const QStringList f = rows[i].split(u'|');
        entries[i] = {f.value(0), f.value(1), f.value(2), f.value(3)};
    }
    return entries;
}

// 'S' for a start, 'P' for a stop, in the order the tick performs them.
QString Letters(const std::vector<Schedule::Action> &actions)
{
    QString letters;
    for (Schedule::Action a : actions)
        letters += a == Schedule::Action::Start ? u'S' : u'P';
    return letters;
}

} // namespace

class TestSchedule : public QObject {
    Q_OBJECT
private slots:
    void actions_data();
    void actions();
};

void TestSchedule::actions_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("expected");

    const QString d = QStringLiteral("05-04-2000");
    QTest::newRow("empty schedule") << QStringList{} << d << "10:00:00"
                                    << "";
    QTest::newRow("start of slot 1")
        << QStringList{"05-04-2000|10:00:00|05-04-2000|10:05:00"} << d << "10:00:00"
        << "S";
    QTest::newRow("end of slot 1")
        << QStringList{"05-04-2000|10:00:00|05-04-2000|10:05:00"} << d << "10:05:00"
        << "P";
    QTest::newRow("between start and end")
        << QStringList{"05-04-2000|10:00:00|05-04-2000|10:05:00"} << d << "10:02:00"
        << "";
    QTest::newRow("start and end equal: end tested last")
        << QStringList{"05-04-2000|10:00:00|05-04-2000|10:00:00"} << d << "10:00:00"
        << "SP";
    QTest::newRow("end of slot 1 equals start of slot 2")
        << QStringList{"05-04-2000|09:00:00|05-04-2000|10:00:00",
                       "05-04-2000|10:00:00|05-04-2000|11:00:00"}
        << d << "10:00:00"
        << "PS";
    QTest::newRow("every entry tested, in slot order")
        << QStringList{"05-04-2000|10:00:00|05-04-2000|10:00:00", "||05-04-2000|10:00:00",
                       "05-04-2000|10:00:00||", "x|y|05-04-2000|10:00:00",
                       "05-04-2000|10:00:00|05-04-2000|10:00:00"}
        << d << "10:00:00"
        << "SPPSPSP";
    QTest::newRow("only slot 5") << QStringList{"", "", "", "", "05-04-2000|10:00:00|x|y"} << d
                                 << "10:00:00"
                                 << "S";
    QTest::newRow("date without leading zeros")
        << QStringList{"5-4-2000|10:00:00|5-4-2000|10:05:00"} << d << "10:00:00"
        << "";
    QTest::newRow("two-digit year")
        << QStringList{"05-04-00|10:00:00|05-04-00|10:05:00"} << d << "10:00:00"
        << "";
    QTest::newRow("day first") << QStringList{"04-05-2000|10:00:00|04-05-2000|10:05:00"} << d
                               << "10:00:00"
                               << "";
    QTest::newRow("blank around the time")
        << QStringList{"05-04-2000| 10:00:00|05-04-2000|10:05:00 "} << d << "10:00:00"
        << "";
    QTest::newRow("time without seconds")
        << QStringList{"05-04-2000|10:00|05-04-2000|10:05"} << d << "10:00:00"
        << "";
    QTest::newRow("other day") << QStringList{"05-05-2000|10:00:00|05-05-2000|10:05:00"} << d
                               << "10:00:00"
                               << "";
}

void TestSchedule::actions()
{
    QFETCH(QStringList, rows);
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, expected);
    QCOMPARE(Letters(Schedule::Actions(Entries(rows), date, time)), expected);
}

QTEST_GUILESS_MAIN(TestSchedule)
#include "tst_schedule.moc"

#include "record/Schedule.h"

#include <QTest>

using namespace kst;

class TestSchedule : public QObject {
    Q_OBJECT
private slots:
    void actions_data();
    void actions();
};

void TestSchedule::actions_data()
{
    // Slots as "start date|start time|end date|end time"; the clock reads 05-04-2000 10:00:00;
    // the result is S for a start and P for a stop, in the order the tick performs them.
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("expected");
    QTest::newRow("start of slot 1")
        << QStringList{"05-04-2000|10:00:00|05-04-2000|10:05:00"} << "S";
    QTest::newRow("end of slot 1") << QStringList{"05-04-2000|09:00:00|05-04-2000|10:00:00"} << "P";
    QTest::newRow("start and end equal: the end is tested last")
        << QStringList{"05-04-2000|10:00:00|05-04-2000|10:00:00"} << "SP";
    QTest::newRow("end of slot 1, start of slot 2")
        << QStringList{"05-04-2000|09:00:00|05-04-2000|10:00:00",
                       "05-04-2000|10:00:00|05-04-2000|11:00:00"}
        << "PS";
    QTest::newRow("every slot tested")
        << QStringList{"", "", "", "", "05-04-2000|10:00:00||"} << "S";
    QTest::newRow("no leading zeros, blanks, other forms never match")
        << QStringList{"5-4-2000|10:00:00||", "05-04-2000| 10:00:00||", "05-04-00|10:00:00||",
                       "04-05-2000|10:00:00||", "05-04-2000|10:00||"}
        << "";
}

void TestSchedule::actions()
{
    QFETCH(QStringList, rows);
    Schedule::Slots entries;
    for (int i = 0; i < rows.size(); ++i) {
        const QStringList f = rows[i].split(u'|');
        entries[i] = {f.value(0), f.value(1), f.value(2), f.value(3)};
    }
    QString letters;
    for (Schedule::Action a :
         Schedule::Actions(entries, QStringLiteral("05-04-2000"), QStringLiteral("10:00:00")))
        letters += a == Schedule::Action::Start ? u'S' : u'P';
    QTEST(letters, "expected");
}

QTEST_GUILESS_MAIN(TestSchedule)
#include "tst_schedule.moc"

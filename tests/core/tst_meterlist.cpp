// The list of meters in the settings: a field that cannot be read falls back to its default and
// the rest of the list is kept; a list the Meters window would save is checked first.
#include "session/MeterList.h"
#include "session/SettingsStore.h"
#include "support/TestEnvironment.h"

#include <QTest>

using namespace kst;

class TestMeterList : public QObject {
    Q_OBJECT
private slots:
    void badEntriesFallBack();
    void checks_data();
    void checks();
};

void TestMeterList::badEntriesFallBack()
{
    test::TestEnvironment env;
    for (const auto &[key, value] : {std::pair{"Count", "3"},
                                     {"Name2", "psu"},
                                     {"Device2", "/dev/ttyUSB4"},
                                     {"Colour2", "not a colour"},
                                     {"Name3", "bad name!"},
                                     {"Device3", "/dev/ttyACM0"},
                                     {"Publish3", "1"},
                                     {"Prefix3", "lab/load"}})
        SettingsStore::Write(u"Meters"_qs, QString::fromLatin1(key), QString::fromLatin1(value));
    const std::vector<MeterSetup> meters = ReadMeterList();
    QCOMPARE(meters.size(), size_t(3));
    QCOMPARE(meters[0], DefaultMeter(1));
    QCOMPARE(meters[1].name, u"psu"_qs);
    QCOMPARE(meters[1].colour, DefaultMeterColour(2));
    QCOMPARE(meters[2].name, u"meter3"_qs);
    QCOMPARE(meters[2].device, u"/dev/ttyACM0"_qs);
    QVERIFY(meters[2].publish);
    WriteMeterList(meters);
    QCOMPARE(ReadMeterList(), meters);
    // A port never set up is the machine's serial port of its number, counted from 0 (the
    // names only: nothing is opened).
    for (int port = 1; port <= 4; ++port)
        QCOMPARE(SettingsStore::PortDevice(port), u"/dev/ttyS%1"_qs.arg(port - 1));
}

void TestMeterList::checks_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("devices");
    QTest::addColumn<QString>("fault");
    QTest::newRow("usable") << QStringList{"a", "b"} << QStringList{"", "/dev/x"} << QString();
    QTest::newRow("same name") << QStringList{"a", "A"} << QStringList{"", "/dev/x"}
                               << "Two meters are named A.";
    QTest::newRow("same device") << QStringList{"a", "b", "c"}
                                 << QStringList{"", "/dev/x", "/dev/x"}
                                 << "b and c have the same device, /dev/x.";
    QTest::newRow("no device") << QStringList{"a", "b"} << QStringList{"", " "}
                               << "Meter 2 (b) has no device.";
}

void TestMeterList::checks()
{
    QFETCH(QStringList, names);
    QFETCH(QStringList, devices);
    QFETCH(QString, fault);
    std::vector<MeterSetup> meters;
    for (qsizetype i = 0; i < names.size(); ++i)
        meters.push_back({names[i], devices[i], Red, false, {}});
    QCOMPARE(CheckMeterList(meters).Reason(), fault);
}

QTEST_GUILESS_MAIN(TestMeterList)
#include "tst_meterlist.moc"

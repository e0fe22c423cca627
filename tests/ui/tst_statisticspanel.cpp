#include "record/ui/StatisticsPanel.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QTest>

using namespace kst;

class TestStatisticsPanel : public QObject {
    Q_OBJECT
private slots:
    void rendersAndGreysUnticked();
};

void TestStatisticsPanel::rendersAndGreysUnticked()
{
    RunningStatistics s;
    const QDateTime now(QDate(2000, 5, 4), QTime(14, 3, 27));
    StatisticsPanel panel(s, [&] { return now; });
    const auto label = [&](const char *name) { return panel.findChild<QLabel *>(name); };
    const auto colour = [&](const char *name) {
        return label(name)->palette().color(QPalette::WindowText);
    };
    const QColor grey = QGuiApplication::palette().color(QPalette::Disabled, QPalette::WindowText);
    QCOMPARE(colour("MaxData"), grey);
    panel.SetTicked(StatisticsPanel::Box::Max, true); // a program change runs the handler
    QCOMPARE(colour("MaxData"), QColor(Qt::black));
    QCOMPARE(colour("MaxTime"), QColor(Qt::black));
    QCOMPARE(colour("MinTime"), grey);
    QCOMPARE(panel.Ticks().Max, true);

    // Ticking Rel takes the last frame as the reference and shows it; unticking keeps it grey.
    s.LastRawValue = 1234;
    s.LastDecimals = 2;
    panel.findChild<QCheckBox *>("Rel")->click();
    QCOMPARE(s.RelRef, 12.34f);
    QCOMPARE(label("RelData")->text(), QStringLiteral("12.34"));
    QCOMPARE(label("RelTime")->text(), QStringLiteral("05-04-2000 14:03:27"));
    panel.SetTicked(StatisticsPanel::Box::Rel, false);
    QCOMPARE(label("RelData")->text(), QStringLiteral("12.34"));
    QCOMPARE(colour("RelData"), grey);
}

QTEST_MAIN(TestStatisticsPanel)
#include "tst_statisticspanel.moc"

// Four meters on four lines at once: each meter's samples, statistics and alarms are its own, one
// meter pulled and put back disturbs none of the others, and the files agree with what each line
// sent.
#include "files/SampleFileReader.h"
#include "graph/ui/TrendGraphView.h"
#include "meter/MSComm.h"
#include "meter/MeterFrameEncoder.h"
#include "record/ui/AlarmPanel.h"
#include "session/MeterSession.h"
#include "shell/MainFrm.h"
#include "shell/MeterSet.h"
#include "shell/MetersFrm.h"
#include "support/SampleRecords.h"
#include "support/ui/ProgramUnderTest.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace kst;
using kst::test::ProgramUnderTest;
using kst::test::Pty;

namespace {

// Meter k's display: volts, amperes, kilo-ohms and hertz, a count that tells the meters apart.
QByteArray MeterDisplay(int meter, int counts)
{
    static constexpr int Functions[4][2] = {{0, 1}, {8, 0}, {4, 2}, {10, 5}};
    MeterFrameEncoder f;
    f.Function = Functions[meter][0];
    f.Range = Functions[meter][1];
    f.Counts = counts;
    return f.Encode();
}

} // namespace

class TestSeveralMeters : public QObject {
    Q_OBJECT
private slots:
    void fourMetersAtOnce();
    void metersWindowSetsThemUp();
    void journalsRecoveredTogether();
};

void TestSeveralMeters::fourMetersAtOnce()
{
    QTemporaryDir links;
    Pty lines[3];
    QStringList settings{u"Meters/Count=4"_qs};
    for (int k = 0; k < 3; ++k) {
        const QString link = links.filePath(QStringLiteral("meter%1").arg(k + 2));
        QVERIFY(QFile::link(lines[k].SlavePath(), link));
        settings << QStringLiteral("Meters/Device%1=%2").arg(k + 2).arg(link);
    }
    settings << u"Meters/Name3=load"_qs << u"Meters/AlarmH4=1"_qs << u"Meters/AlarmHText4=0.3"_qs;
    ProgramUnderTest p(true, settings);
    MeterSet &set = p.main->Meters();
    QCOMPARE(set.Count(), 3);
    for (const char *strip : {"Graph2", "Graph3", "Graph4"})
        QVERIFY2(p.main->findChild<QWidget *>(QLatin1String(strip)), strip);
    for (int k = 1; k < 4; ++k)
        set.At(k).session->Link().SetRetryMs(50);
    int sounds = 0;
    p.main->AlarmFrm->SetSoundPlayer([&sounds] { ++sounds; });
    p.main->findChild<QCheckBox *>(QStringLiteral("Max"))->setChecked(true); // meter 1's only
    p.main->StartCom->click();

    // Every line but `skip` sends meter k's display of counts + k.
    const auto sendAll = [&](int counts, int skip = -1) {
        QVERIFY(p.pty->Write(MeterDisplay(0, counts)));
        for (int k = 0; k < 3; ++k)
            if (k + 1 != skip)
                QVERIFY(lines[k].Write(MeterDisplay(k + 1, counts + k + 1)));
        p.now = p.now.addSecs(1);
    };
    for (int i = 1; i <= 3; ++i) {
        sendAll(100 * i);
        for (int k = 0; k < 4; ++k)
            QTRY_COMPARE(p.module.Meter(k).Samples.SampleCount, i);
    }
    // Meter 4's limit (0.3 kHz) sounds and names it; meter 1's panel keeps its own limits.
    QVERIFY(sounds >= 2);
    QCOMPARE(p.main->statusBar()->currentMessage(), u"Alarm: meter4 HI"_qs);
    QVERIFY(!p.main->findChild<QCheckBox *>(QStringLiteral("AlarmH"))->isChecked());

    // Meter 2 pulled: the others go on; back behind the same name, it records on.
    QVERIFY(QFile::remove(links.filePath(QStringLiteral("meter2"))));
    lines[0].Close();
    QTRY_COMPARE(set.At(1).session->Link().State(), MSComm::LinkState::Retrying);
    sendAll(400, 1);
    for (int k : {0, 2, 3})
        QTRY_COMPARE(p.module.Meter(k).Samples.SampleCount, 4);
    Pty back;
    QVERIFY(QFile::link(back.SlavePath(), links.filePath(QStringLiteral("meter2"))));
    QTRY_VERIFY(set.At(1).session->Link().PortOpen());
    QVERIFY(back.Write(MeterDisplay(1, 555)));
    QTRY_COMPARE(p.module.Meter(1).Samples.SampleCount, 4);

    // Each meter's samples and statistics are its own.
    QCOMPARE(p.module.Meter(0).Samples.SampleValue(3), 0.4f);
    QCOMPARE(p.module.Meter(1).Samples.SampleValue(3), 5.55f);
    QCOMPARE(p.module.Meter(2).Samples.SampleUnit(0), u"KΩ"_qs);
    QCOMPARE(p.module.Meter(3).Samples.SampleValue(3), 4.03f);
    QCOMPARE(p.module.Meter(0).Statistics.MaxValue, 0.4f);
    QCOMPARE(p.module.Meter(2).Statistics.MaxValue, NoValueMarker); // MAX ticked on meter 1 only
    p.main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(p.main));
    QTest::keyClick(p.main, Qt::Key_3, Qt::AltModifier);
    QCOMPARE(p.main->SelectedMeter(), 2);
    QVERIFY(!p.main->findChild<QCheckBox *>(QStringLiteral("Max"))->isChecked());
    QCOMPARE(p.Text("ReadBox"), u"04.02"_qs);

    // Save writes one file a meter; Export one tidy file with a meter column.
    p.main->StopCom->click();
    const QString folder = p.env.DataFolder() + u'/';
    p.fileAnswers = {folder + u"run.mas"_qs, folder + u"run.csv"_qs};
    p.main->SaveAs_Click();
    p.main->ExportCsv_Click();
    for (const auto &[file, meter] :
         {std::pair{u"run.mas"_qs, 0}, std::pair{u"run-meter2.mas"_qs, 1},
          std::pair{u"run-load.mas"_qs, 2}, std::pair{u"run-meter4.mas"_qs, 3}}) {
        SampleLog log;
        QVERIFY(LoadSampleFile(folder + file, log).complete);
        QCOMPARE(log.SampleCount, 4);
        QCOMPARE(log.SampleValue(0), p.module.Meter(meter).Samples.SampleValue(0));
    }
    const QList<QByteArray> rows = test::FileBytes(folder + u"run.csv"_qs).split('\n');
    QCOMPARE(rows.first(),
             QByteArray("time,meter,value,unit,over_range,average,rel_reference,note\r"));
    QCOMPARE(rows.size(), 1 + 16 + 1);
    QVERIFY2(rows[2].contains(",meter2,1.01,DCA,"), rows[2]);

    // The time axis zooms in every strip at once, the values in the strip under the pointer;
    // Home brings them all back.
    TrendGraphView *load = set.At(2).strip;
    p.main->Graph->ZoomTimeAt(0.5, 0);
    load->ZoomValuesAt(0.5, 0.5);
    QCOMPARE(load->View().Span, 50.0);
    QCOMPARE(set.At(3).strip->View().Span, 50.0);
    QCOMPARE(p.main->Graph->View().Top, p.module.GraphTopY);
    const GraphScale &scale = p.module.Meter(2).Scale;
    QCOMPARE(load->View().Top - load->View().Low, (scale.TopY - scale.LowY) / 2);
    QTest::keyClick(p.main, Qt::Key_Home);
    for (int k = 1; k < 4; ++k)
        QVERIFY(!set.At(k).strip->Zoomed());
    QVERIFY(!p.main->Graph->Zoomed());
}

void TestSeveralMeters::metersWindowSetsThemUp()
{
    // Setup > Meters...: two meters added, the second renamed to a name already taken (refused,
    // and the window stays), then the third removed and the second named anew: the window builds
    // two meters, the list is kept in the settings, and Cancel changes nothing.
    ProgramUnderTest p(false);
    Pty line;
    QStringList said;
    const auto answer = [&](const std::function<void(MetersFrm &)> &act) {
        QTimer::singleShot(0, p.main, [&] {
            auto *window = qobject_cast<MetersFrm *>(QApplication::activeModalWidget());
            QVERIFY(window);
            act(*window);
            if (window->isVisible()) // a check failed in act: the window must not stay open
                window->reject();
        });
        p.main->Meters_Click();
    };
    const auto click = [](MetersFrm &window, const char *name) {
        window.findChild<QPushButton *>(QLatin1String(name))->click();
    };
    answer([&](MetersFrm &window) {
        click(window, "AddMeter");
        click(window, "AddMeter");
        auto *table = window.findChild<QTableWidget *>(QStringLiteral("MeterTable"));
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(0, 1)->text(), u"COM1 (%1/COM1)"_qs.arg(p.env.DataFolder()));
        table->item(1, 0)->setText(u"METER1"_qs);
        table->item(1, 1)->setText(line.SlavePath());
        p.messages.Clear();
        click(window, "OkCommand");
        said = p.messages.Texts();
        QVERIFY(window.isVisible());
        table->setCurrentCell(2, 0);
        click(window, "RemoveMeter");
        table->setCurrentCell(0, 0);
        click(window, "RemoveMeter"); // meter 1 stays
        table->item(1, 0)->setText(u"load"_qs);
        click(window, "OkCommand");
    });
    QCOMPARE(said, QStringList{u"Two meters are named METER1."_qs});
    QCOMPARE(p.module.MeterCount(), 2);
    QVERIFY(p.Visible("MeterSelector") && p.Find<QWidget>("Graph2"));
    const std::vector<MeterSetup> kept = ReadMeterList();
    QCOMPARE(kept.size(), size_t(2));
    QCOMPARE(kept[1].name, u"load"_qs);
    QCOMPARE(kept[1].device, line.SlavePath());
    answer([&](MetersFrm &window) {
        click(window, "AddMeter");
        click(window, "CancelCommand");
    });
    QCOMPARE(p.module.MeterCount(), 2);
}

void TestSeveralMeters::journalsRecoveredTogether()
{
    // Two meters record; copies of their journals under other numbers stand for a program gone.
    // One question names both meters, and Yes brings each meter's samples back to it.
    Pty second;
    ProgramUnderTest p(true, {u"Meters/Count=2"_qs, u"Meters/Name2=load"_qs,
                              u"Meters/Device2=%1"_qs.arg(second.SlavePath())});
    p.main->Meters().At(1).session->Link().SetRetryMs(50);
    QTRY_VERIFY(p.main->Meters().At(1).session->Link().PortOpen());
    p.main->StartCom->click();
    for (int i = 1; i <= 3; ++i) {
        QVERIFY(p.pty->Write(MeterDisplay(0, 100 * i)));
        QVERIFY(second.Write(MeterDisplay(1, 10 * i)));
        QTRY_COMPARE(p.module.Meter(0).Samples.SampleCount, i);
        QTRY_COMPARE(p.module.Meter(1).Samples.SampleCount, i);
        p.now = p.now.addSecs(1);
    }
    p.main->StopCom->click();
    const QDir folder(p.env.DataFolder());
    const QStringList journals = folder.entryList({u"journal*"_qs}, QDir::Files);
    for (const QString &file : journals)
        if (!file.endsWith(u".lock"_qs))
            QVERIFY(
                QFile::copy(folder.filePath(file), folder.filePath(u"journal1"_qs + file.mid(7))));
    p.messages.Answer({MessageButton::No, MessageButton::Yes});
    p.main->New_Click();
    QCOMPARE(p.module.Meter(1).Samples.SampleCount, 0);
    p.main->OfferRecovery();
    const QString question = p.messages.Texts().last();
    QVERIFY2(question.contains(u"Recover the samples of these meters?"_qs), qPrintable(question));
    QVERIFY2(question.contains(u"\nload: 3 samples recorded from "_qs), qPrintable(question));
    QCOMPARE(p.module.Meter(0).Samples.SampleCount, 3);
    QCOMPARE(p.module.Meter(1).Samples.SampleCount, 3);
    QCOMPARE(p.module.Meter(1).Samples.SampleValue(2), 0.3f);
    QVERIFY(p.main->DataModified);
}

QTEST_MAIN(TestSeveralMeters)
#include "tst_severalmeters.moc"

#include "common/ui/GlyphLabel.h"
#include "meter/FrameDecoder.h"
#include "meter/MeterFrameEncoder.h"
#include "panel/ui/ReadingPanel.h"

#include <QLabel>
#include <QPainter>
#include <QTest>

using namespace kst;

namespace {

bool Shown(const QWidget &panel, const QString &name)
{
    return panel.findChild<QLabel *>(name)->isVisibleTo(&panel);
}

// The visibility of segments 0..40 as a string of 41 '#' / '.', then the marks 0..4 after '|'.
QString BarPicture(const QWidget &panel)
{
    QString out;
    for (int i = 0; i <= 40; ++i)
        out += Shown(panel, QStringLiteral("Label1(%1)").arg(i)) ? u'#' : u'.';
    out += u'|';
    for (int k = 0; k <= 4; ++k)
        out += Shown(panel, QStringLiteral("Label4(%1)").arg(k)) ? u'x' : u'-';
    return out;
}

QString Bar(int zero, int lit, const char *marks)
{
    return QString(zero ? u'#' : u'.') + QString(lit, u'#') + QString(40 - lit, u'.') + u'|' +
           QString::fromLatin1(marks);
}

// Annunciators and icons shown, by name, in a fixed order.
QStringList FlagsShown(const QWidget &panel)
{
    QStringList shown;
    for (const char *name : {"Lhold", "Lrel", "Lmin", "Lmax", "Lmem", "Lauto", "Lman", "Lapof",
                             "Ladp", "Ibuzzer", "Idiode", "Ibatt"})
        if (Shown(panel, QString::fromLatin1(name)))
            shown << QString::fromLatin1(name);
    return shown;
}

} // namespace

class TestReadingPanel : public QObject {
    Q_OBJECT
private slots:
    void framesShown_data();
    void framesShown();
    void glyphsLikeALabel_data();
    void glyphsLikeALabel();
};

void TestReadingPanel::framesShown_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("unit");
    QTest::addColumn<QString>("acDc");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("bar");
    MeterFrameEncoder all;
    all.Range = 1;
    all.Counts = 1234;
    all.Auto = true;
    all.Max = all.Min = all.Rel = all.Hold = all.Mem = all.Man = all.Apof = true;
    all.BatteryLow = true;
    QTest::newRow("every flag") << all.Encode() << "V"
                                << "DC" << QStringList{"Lhold", "Lrel", "Lmin",  "Lmax", "Lmem",
                                                       "Lauto", "Lman", "Lapof", "Ibatt"}
                                << Bar(1, 12, "xx---");
    MeterFrameEncoder diode;
    diode.Function = 6;
    diode.Counts = 650;
    QTest::newRow("diode") << diode.Encode() << "V"
                           << "" << QStringList{"Idiode"} << Bar(1, 6, "x----");
    MeterFrameEncoder hz;
    hz.Function = 10;
    hz.Counts = 3000;
    QTest::newRow("KHz: no zero segment, no bar") << hz.Encode() << "KHz"
                                                  << "" << QStringList{} << Bar(0, 0, "-----");
}

void TestReadingPanel::framesShown()
{
    QFETCH(QByteArray, frame);
    QFETCH(QString, unit);
    QFETCH(QString, acDc);
    QFETCH(QStringList, shown);
    QFETCH(QString, bar);
    ReadingPanel panel;
    panel.ShowOverloadPanel();
    panel.HideIcons();
    MeterFrameEncoder buzzer; // the previous frame's icon goes
    buzzer.Function = 5;
    panel.ShowReadingFlags(*DecodeMeterFrame(buzzer.Encode()));
    panel.ShowReadingFlags(*DecodeMeterFrame(frame));
    QCOMPARE(panel.UnitBox()->text(), unit);
    QCOMPARE(panel.DcAcBox()->text(), acDc);
    QCOMPARE(FlagsShown(panel), shown);
    QCOMPARE(BarPicture(panel), bar);
    // The meter goes silent: "O L", no unit, full bar; the last flags stay lit.
    panel.ShowWatchdogExpired();
    QCOMPARE(panel.ReadBox()->text(), QStringLiteral("O L"));
    QCOMPARE(panel.UnitBox()->text() + panel.DcAcBox()->text(), QString());
    QCOMPARE(BarPicture(panel).mid(1, 40), QString(40, u'#'));
    QCOMPARE(FlagsShown(panel), shown);
}

void TestReadingPanel::glyphsLikeALabel_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<int>("pixels");
    QTest::newRow("right") << u"-3.999"_qs << int(Qt::AlignRight | Qt::AlignVCenter) << 90;
    QTest::newRow("left, bottom") << u"O L"_qs << int(Qt::AlignLeft | Qt::AlignBottom) << 90;
    QTest::newRow("centred") << u"10.07"_qs << int(Qt::AlignCenter) << 90;
    QTest::newRow("small") << u"07-12-2026 14:05:59"_qs << int(Qt::AlignLeft | Qt::AlignVCenter)
                           << 12;
}

// Texts drawn from kept glyph pictures land where a label draws them, with the same ink.
void TestReadingPanel::glyphsLikeALabel()
{
    QFETCH(QString, text);
    QFETCH(int, alignment);
    QFETCH(int, pixels);
    QFont font(u"Arial Narrow"_qs);
    font.setPixelSize(pixels);
    font.setBold(true);
    const auto picture = [&](QLabel &label) {
        label.setFont(font);
        label.setAlignment(Qt::Alignment(alignment));
        label.setFixedSize(400, 130);
        label.setText(u"8.888"_qs); // glyphs kept from another text first
        label.grab();
        label.setText(text);
        return label.grab().toImage().convertToFormat(QImage::Format_Grayscale8);
    };
    QLabel plain;
    GlyphLabel large;
    const QImage expected = picture(plain), actual = picture(large);
    // The ink's bounding box and its amount (darkness summed).
    const auto ink = [](const QImage &image) {
        QRect box;
        qint64 amount = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (const int dark = 255 - image.constScanLine(y)[x]; dark > 64) {
                    box |= QRect(x, y, 1, 1);
                    amount += dark;
                }
        return std::pair(box, amount);
    };
    const auto [box, amount] = ink(actual);
    const auto [expectedBox, expectedAmount] = ink(expected);
    QVERIFY(!expectedBox.isEmpty());
    for (const int d : {box.left() - expectedBox.left(), box.right() - expectedBox.right(),
                        box.top() - expectedBox.top(), box.bottom() - expectedBox.bottom()})
        QVERIFY2(std::abs(d) <= 1, qPrintable(QString::number(d)));
    QVERIFY(std::abs(double(amount) / double(expectedAmount) - 1) < 0.03);
}

QTEST_MAIN(TestReadingPanel)
#include "tst_readingpanel.moc"

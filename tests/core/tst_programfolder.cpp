#include "common/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace kst;

class tst_ProgramFolder : public QObject {
    Q_OBJECT
private slots:
    // The shipped files are looked for beside the program first, then in ../share/kst.
    void found_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("expected");
        QTest::newRow("build tree")
            << QStringList{u"bin/KST.hlp"_qs, u"share/kst/KST.hlp"_qs} << u"bin"_qs;
        QTest::newRow("installed") << QStringList{u"share/kst/ding.wav"_qs} << u"share/kst"_qs;
        QTest::newRow("nowhere") << QStringList{u"share/other/KST.hlp"_qs} << u"bin"_qs;
    }
    void found()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QDir(root.path()).mkpath(u"bin"_qs);
        for (const QString &file : files) {
            QDir(root.path()).mkpath(QFileInfo(file).path());
            QFile f(root.filePath(file));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QCOMPARE(FindProgramFolder(root.filePath(u"bin"_qs)), root.filePath(expected));
    }
};

QTEST_GUILESS_MAIN(tst_ProgramFolder)
#include "tst_programfolder.moc"

// Drives the program as a user would for the README's picture: starts it (against whatever COM1
// maps to, normally the virtual meter), ticks MAX, MIN and AVG, sets a high alarm, presses START,
// lets it record for a while and saves a picture of the main window.
//
//   kst-screenshot OUTPUT.png [SECONDS]
#include "shell/Main.h"
#include "common/Module1.h"
#include "shell/MainFrm.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KST"));
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        qWarning("usage: kst-screenshot OUTPUT.png [SECONDS]");
        return 2;
    }
    const QString output = args[1];
    const int seconds = args.size() > 2 ? args[2].toInt() : 20;

    kst::Module1 module;
    kst::MainFrm *main = kst::StartUp(module, false);
    main->EndProgram = [] {};
    main->DataModified = false;
    for (const char *box : {"Max", "Min", "Avg", "AlarmH", "AlarmL"})
        main->findChild<QCheckBox *>(QString::fromLatin1(box))->setChecked(true);
    main->findChild<QLineEdit *>(QStringLiteral("AlarmHText"))->setText(QStringLiteral("+2"));
    main->findChild<QLineEdit *>(QStringLiteral("AlarmLText"))->setText(QStringLiteral("-2"));
    main->StartCom->setChecked(true);

    int status = 1;
    QTimer::singleShot(seconds * 1000, [&] {
        status = main->grab().save(output) ? 0 : 1;
        main->DataModified = false;
        app.quit();
    });
    app.exec();
    delete main;
    return status;
}

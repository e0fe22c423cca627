#include "shell/Main.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KST"));
    kst::Main();
    return QApplication::exec();
}

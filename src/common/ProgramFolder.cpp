#include "common/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>

namespace kst {

namespace {

bool HoldsProgramFiles(const QString &folder)
{
    for (const char *name : {"KST.hlp", "ding.wav", "KST.bmp"})
        if (QFileInfo::exists(folder + u'/' + QLatin1String(name)))
            return true;
    return false;
}

} // namespace

QString FindProgramFolder(const QString &executableFolder)
{
    if (HoldsProgramFiles(executableFolder))
        return executableFolder;
    const QString shared = QDir::cleanPath(executableFolder + QStringLiteral("/../share/kst"));
    if (HoldsProgramFiles(shared))
        return shared;
    return executableFolder;
}

} // namespace kst

#pragma once

#include <QString>

namespace kst {

// The folder of the files the program ships ("ding.wav", "KST.bmp", "KST.hlp" and the icons):
// the executable's own folder when they are there (a build tree, a program kept in one folder),
// else "../share/kst" beside it (an install into bin/ and share/kst/). When neither holds them,
// the executable's folder: each file's user then reports it missing as for any missing file.
QString FindProgramFolder(const QString &executableFolder);

} // namespace kst

#include "files/SampleFile.h"

#include "common/DateTimeText.h"
#include "common/Numbers.h"

#include <QFileInfo>

namespace kst {

QString NextDefaultFileName(const QString &sampleFolder)
{
    for (qint64 n = 1;; ++n) {
        const QString name = QStringLiteral("default%1.mas").arg(n);
        if (!QFileInfo::exists(sampleFolder + u'/' + name))
            return name;
    }
}

ReadoutTexts LoadedReadoutTexts(float value, const QDate &date, const QTime &time)
{
    return {FormatSingle(value, u"###0.0##"), DateText(date) + u' ' + SystemTimeText(time)};
}

} // namespace kst

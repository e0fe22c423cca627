#include "support/TestEnvironment.h"

#include <QDir>
#include <QSettings>

namespace kst::test {

TestEnvironment::TestEnvironment()
    : oldConfig_(qgetenv("XDG_CONFIG_HOME")), oldData_(qgetenv("XDG_DATA_HOME"))
{
    qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", data_.path().toLocal8Bit());
    // QSettings reads the folders once per process; point it at the new one explicitly.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config_.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config_.path());
}

TestEnvironment::~TestEnvironment()
{
    qputenv("XDG_CONFIG_HOME", oldConfig_);
    qputenv("XDG_DATA_HOME", oldData_);
}

QString TestEnvironment::DataFolder() const
{
    return data_.path() + QStringLiteral("/KST");
}

} // namespace kst::test

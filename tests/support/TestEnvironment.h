#pragma once

#include <QTemporaryDir>

namespace kst::test {

// Points the settings store (XDG_CONFIG_HOME) and the data folder (XDG_DATA_HOME) at fresh
// temporary folders for the life of the object, so no test touches a user's real ones.
class TestEnvironment {
public:
    TestEnvironment();
    ~TestEnvironment();
    // The program's data folder inside the data home ("KST").
    QString DataFolder() const;

private:
    QTemporaryDir config_;
    QTemporaryDir data_;
    QByteArray oldConfig_;
    QByteArray oldData_;
};

} // namespace kst::test

#pragma once

#include <QByteArray>
#include <QString>

namespace kst::test {

// A pseudo-terminal standing in for the meter's serial line: the program opens SlavePath() like
// a serial device, the test writes the meter's bytes into the master side. The slave is put in
// raw mode at once, so bytes written before the program opens it arrive unchanged.
class Pty {
public:
    Pty();
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    QString SlavePath() const { return slavePath_; }
    // Writes every byte to the line; false when the master is closed.
    bool Write(const QByteArray &bytes);
    // Closes both sides: to the program the device is gone.
    void Close();

private:
    int master_ = -1;
    int slave_ = -1;
    QString slavePath_;
};

} // namespace kst::test

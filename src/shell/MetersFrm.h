#pragma once

#include "session/MeterList.h"

#include <QDialog>
#include <vector>

class QTableWidget;

namespace kst {

class Module1;

// Setup > Meters...: the meters the program logs, one row each (name, port or device, colour,
// whether it publishes and under which prefix), with Add, Remove and Rename. Meter 1 is the one
// the Communication window sets: its port is shown, not edited here. Up to 8 meters.
class MetersFrm : public QDialog {
    Q_OBJECT
public:
    MetersFrm(Module1 &module, const std::vector<MeterSetup> &meters, const QString &firstPort,
              QWidget *parent = nullptr);

    // The list as the window holds it.
    std::vector<MeterSetup> Meters() const;

public slots:
    void Add_Click();
    void Remove_Click();
    void Rename_Click();
    void OK_Click();

private:
    void AddRow(const MeterSetup &meter);
    void ChooseColour(int row);

    Module1 &module_;
    QTableWidget *table_;
    std::vector<Colour> colours_;
};

} // namespace kst

#pragma once

#include "common/DrawingSurface.h"

#include <QWidget>
#include <vector>

class QButtonGroup;
class QHBoxLayout;
class QToolButton;

namespace kst {

// The row of meter buttons above the panels when the program logs several meters: each shows
// the meter's colour, its name and its live value; the one pressed is the meter the READING,
// CALCULATION and ALARM panels show. Hidden while there is one meter.
class MeterSelector : public QWidget {
    Q_OBJECT
public:
    explicit MeterSelector(QWidget *parent = nullptr);

    struct Entry {
        QString name;
        Colour colour;
    };
    // One button per meter, the first pressed.
    void SetMeters(const std::vector<Entry> &meters);
    // The live value a meter's button shows ("1.234 DCV", "O L"), put on it by ShowValues (the
    // window does so at the read-outs' pace).
    void SetValue(int index, const QString &text);
    // Puts the values set since the last time on their buttons.
    void ShowValues();
    void Select(int index);
    int Selected() const { return selected_; }
    // Shown again: the buttons take the values that came while the row was hidden.
    void setVisible(bool visible) override;

signals:
    void MeterSelected(int index);

private:
    void ShowText(int index);

    QHBoxLayout *layout_;
    QButtonGroup *group_;
    std::vector<QToolButton *> buttons_;
    std::vector<QString> names_;
    std::vector<QString> values_;
    std::vector<bool> due_; // a value not on its button yet
    int selected_ = 0;
};

} // namespace kst

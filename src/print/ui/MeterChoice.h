#pragma once

#include <QStringList>
#include <QWidget>

class QComboBox;
class QLabel;

namespace kst {

// The "Meter:" choice of the print windows: each meter by name, then "All meters". Shown only
// when there are several meters; with one, meter 1 is always the choice.
class MeterChoice : public QWidget {
    Q_OBJECT
public:
    static constexpr int AllMeters = -1;

    explicit MeterChoice(QWidget *parent = nullptr);

    // The meters' names (meter 1 first) and the one chosen at first (or AllMeters).
    void SetMeters(const QStringList &names, int chosen);
    int Count() const { return int(names_.size()); }
    QString Name(int index) const { return names_.value(index); }
    // The chosen meter's index, or AllMeters.
    int Chosen() const;
    // The meter the window shows: the chosen one, meter 1 when all are chosen.
    int Shown() const;

signals:
    void Changed();

private:
    QStringList names_;
    QLabel *label_;
    QComboBox *combo_;
};

} // namespace kst

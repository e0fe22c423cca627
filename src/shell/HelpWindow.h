#pragma once

#include <QWidget>

class QLineEdit;
class QTextBrowser;

namespace kst {

// Shows the program's help file (HTML) with a keyword search field, focused when it opens; Esc
// closes it. A missing help file is reported inside the window.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(const QString &helpFile, QWidget *parent = nullptr);

    QLineEdit *Keyword = nullptr;
    QTextBrowser *Text = nullptr;

public slots:
    // Finds the next place that holds the keyword, wrapping round at the end.
    void FindKeyword();

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

} // namespace kst

#include "shell/HelpWindow.h"

#include <QCompleter>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace kst {

HelpWindow::HelpWindow(const QString &helpFile, QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("KST Help"));
    auto *layout = new QVBoxLayout(this);
    auto *label = new QLabel(tr("Type a keyword and press Enter:"), this);
    Keyword = new QLineEdit(this);
    Keyword->setObjectName(QStringLiteral("Keyword"));
    Keyword->setClearButtonEnabled(true);
    label->setBuddy(Keyword);
    Text = new QTextBrowser(this);
    Text->setObjectName(QStringLiteral("HelpText"));
    Text->setOpenExternalLinks(false);
    layout->addWidget(label);
    layout->addWidget(Keyword);
    layout->addWidget(Text, 1);

    QFile file(helpFile);
    if (file.open(QIODevice::ReadOnly)) {
        const QString html = QString::fromUtf8(file.readAll());
        Text->setHtml(html);
        // The headings make the keyword list.
        QStringList keywords;
        static const QRegularExpression heading(QStringLiteral("<h[1-3][^>]*>(.*?)</h[1-3]>"));
        for (auto it = heading.globalMatch(html); it.hasNext();)
            keywords << it.next().captured(1).remove(QRegularExpression(QStringLiteral("<[^>]*>")));
        auto *completer = new QCompleter(keywords, this);
        completer->setCaseSensitivity(Qt::CaseInsensitive);
        completer->setFilterMode(Qt::MatchContains);
        Keyword->setCompleter(completer);
    } else {
        Text->setPlainText(
            tr("The help file %1 could not be opened: %2").arg(helpFile, file.errorString()));
    }
    connect(Keyword, &QLineEdit::returnPressed, this, &HelpWindow::FindKeyword);
    resize(640, 560);
}

void HelpWindow::FindKeyword()
{
    const QString word = Keyword->text().trimmed();
    if (word.isEmpty())
        return;
    if (!Text->find(word)) {
        Text->moveCursor(QTextCursor::Start);
        Text->find(word);
    }
}

void HelpWindow::keyPressEvent(QKeyEvent *event)
{
    // Reaches the window when the field and the text leave it (an open completion list takes
    // its own Esc first).
    if (event->key() == Qt::Key_Escape)
        close();
    else
        QWidget::keyPressEvent(event);
}

void HelpWindow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    Keyword->setFocus();
}

} // namespace kst

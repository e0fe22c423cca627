#include "shell/AboutFrm.h"

#include "common/Version.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace kst {

AboutFrm::AboutFrm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutFrm"));
    setWindowTitle(QStringLiteral("About KST"));
    auto *layout = new QVBoxLayout(this);
    auto *title = new QLabel(QStringLiteral("<h2>KST</h2>"), this);
    auto *version = new QLabel(tr("Version %1").arg(QStringLiteral(KST_VERSION)), this);
    version->setObjectName(QStringLiteral("Version"));
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *text = new QLabel(
        tr("Data logger for a hand-held 4000-count digital multimeter.<br>"
           "Reads the meter's display over its RS-232 line (9600 baud, 8N1), records readings "
           "with date and time, keeps Max/Min/Avg/Rel, tests alarm limits, draws a trend graph "
           "and prints reports.<br><br>"
           "Made by the KST developers.<br>Questions and reports: the project's issue list."),
        this);
    text->setWordWrap(true);
    auto *close = new QPushButton(QStringLiteral("CLOSE"), this);
    close->setObjectName(QStringLiteral("Command1"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &AboutFrm::Command1_Click);
    layout->addWidget(title);
    layout->addWidget(version);
    layout->addWidget(text, 1);
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(420, 240);
}

void AboutFrm::Command1_Click()
{
    accept();
}

} // namespace kst

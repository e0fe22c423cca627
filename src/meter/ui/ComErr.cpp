#include "meter/ui/ComErr.h"

#include "meter/ui/PortChoice.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdlib>

namespace kst {

ComErr::ComErr(MSComm &comm, Module1 &module, PortDevices ports, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ComErr"));
    setWindowTitle(QStringLiteral("Communications"));
    setModal(true);
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(grey);
    setAutoFillBackground(true);

    label1_ = new QLabel(QStringLiteral("     Communication Error!!    Please Rechoose"), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    auto *grid = new QGridLayout;
    choice_ = new PortChoice(comm, module, std::move(ports), *this, *grid, QStringLiteral("com"));

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("ok"));
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancel"));
    cancel_->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label1_);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(ok_, &QPushButton::clicked, this, &ComErr::OK_Click);
    connect(cancel_, &QPushButton::clicked, this, &ComErr::cancel_Click);

    Form_Load();
}

void ComErr::Form_Load()
{
    choice_->Load();
}

void ComErr::OK_Click()
{
    if (choice_->Confirm())
        accept();
}

void ComErr::cancel_Click()
{
    if (EndProgram)
        EndProgram();
}

void ComErr::Form_Unload() {}

void ComErr::closeEvent(QCloseEvent *event)
{
    Form_Unload();
    QDialog::closeEvent(event);
}

} // namespace kst

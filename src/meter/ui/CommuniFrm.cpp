#include "meter/ui/CommuniFrm.h"

#include "meter/ui/PortChoice.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace kst {

CommuniFrm::CommuniFrm(MSComm &comm, Module1 &module, PortDevices ports, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CommuniFrm"));
    setWindowTitle(QStringLiteral("Communications"));
    setModal(true);

    frame6_ = new QGroupBox(QStringLiteral("Port"), this);
    frame6_->setObjectName(QStringLiteral("Frame6"));
    auto *grid = new QGridLayout(frame6_);
    choice_ =
        new PortChoice(comm, module, std::move(ports), *this, *grid, QStringLiteral("Option"));

    comOK_ = new QPushButton(QStringLiteral("OK"), this);
    comOK_->setObjectName(QStringLiteral("ComOK"));
    comOK_->setDefault(true);
    comCanel_ = new QPushButton(QStringLiteral("Cancel"), this);
    comCanel_->setObjectName(QStringLiteral("ComCanel"));
    comCanel_->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(comOK_);
    buttons->addWidget(comCanel_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame6_);
    layout->addLayout(buttons);

    connect(comOK_, &QPushButton::clicked, this, &CommuniFrm::ComOK_Click);
    connect(comCanel_, &QPushButton::clicked, this, &CommuniFrm::ComCanel_Click);

    Form_Load();
}

void CommuniFrm::Form_Load()
{
    choice_->Load();
}

void CommuniFrm::ComOK_Click()
{
    if (choice_->Confirm())
        accept();
}

void CommuniFrm::ComCanel_Click()
{
    reject();
}

} // namespace kst

#include "print/ui/PrintReportFrm.h"

#include "common/Numbers.h"
#include "common/ui/FieldLeaveCheck.h"
#include "common/ui/Module1.h"
#include "common/ui/Named.h"
#include "print/ReportModel.h"
#include "print/ui/MeterChoice.h"
#include "print/ui/PrinterSurface.h"
#include "record/MeterRecording.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QVBoxLayout>

namespace kst {

PrintReportFrm::PrintReportFrm(Module1 &module, QWidget *parent) : QDialog(parent), module_(module)
{
    setObjectName(QStringLiteral("PrintReportFrm"));
    setWindowTitle(QStringLiteral("Print report"));

    Meter = new MeterChoice(this);
    Title = Named(new QLabel(QStringLiteral("Title:"), this), "Title");
    TitleText = Named(new QLineEdit(this), "TitleText");
    Range = Named(new QGroupBox(QStringLiteral("Print Range"), this), "Range");
    Option1 = Named(new QRadioButton(QStringLiteral("All data"), Range), "Option1");
    Option2 = Named(new QRadioButton(QStringLiteral("Range"), Range), "Option2");
    Label1 = Named(new QLabel(QStringLiteral("Start Record:"), Range), "Label1");
    StartText = Named(new QLineEdit(QStringLiteral("1"), Range), "StartText");
    Label2 = Named(new QLabel(QStringLiteral("End Record:"), Range), "Label2");
    EndText = Named(new QLineEdit(QStringLiteral("1"), Range), "EndText");
    StartPrintReport = Named(new QPushButton(QStringLiteral("Print"), this), "StartPrintReport");
    PdfReport = Named(new QPushButton(QStringLiteral("PDF..."), this), "PdfReport");
    CancelReport = Named(new QPushButton(QStringLiteral("Cancel"), this), "CancelReport");
    MSFlexGrid1 = Named(new QTableView(this), "MSFlexGrid1");
    StartPrintReport->setAutoDefault(false);
    PdfReport->setAutoDefault(false);
    CancelReport->setAutoDefault(false);

    auto *rangeLayout = new QGridLayout(Range);
    rangeLayout->addWidget(Option1, 0, 0);
    rangeLayout->addWidget(Option2, 0, 1);
    rangeLayout->addWidget(Label1, 1, 0);
    rangeLayout->addWidget(StartText, 1, 1);
    rangeLayout->addWidget(Label2, 2, 0);
    rangeLayout->addWidget(EndText, 2, 1);

    auto *titleRow = new QHBoxLayout;
    titleRow->addWidget(Title);
    titleRow->addWidget(TitleText, 1);
    titleRow->addWidget(Meter);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(StartPrintReport);
    buttons->addWidget(PdfReport);
    buttons->addWidget(CancelReport);
    buttons->addStretch();

    auto *controls = new QHBoxLayout;
    controls->addWidget(Range, 1);
    controls->addLayout(buttons);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(titleRow);
    layout->addLayout(controls);
    layout->addWidget(MSFlexGrid1, 1);
    resize(900, 560);

    Option1->setChecked(true);
    for (QWidget *w : {static_cast<QWidget *>(Label1), static_cast<QWidget *>(StartText),
                       static_cast<QWidget *>(Label2), static_cast<QWidget *>(EndText)})
        w->setEnabled(false);

    connect(Meter, &MeterChoice::Changed, this, &PrintReportFrm::MeterChanged);
    connect(Option1, &QRadioButton::clicked, this, &PrintReportFrm::Option1_Click);
    connect(Option2, &QRadioButton::clicked, this, &PrintReportFrm::Option2_Click);
    connect(StartPrintReport, &QPushButton::clicked, this, &PrintReportFrm::StartPrintReport_Click);
    connect(PdfReport, &QPushButton::clicked, this, &PrintReportFrm::PdfReport_Click);
    connect(CancelReport, &QPushButton::clicked, this, &PrintReportFrm::CancelReport_Click);
    leave_ = new FieldLeaveCheck(module_, this);
    leave_->Watch(
        StartText, [this] { StartText_GotFocus(); }, [this] { StartText_LostFocus(); });
    leave_->Watch(
        EndText, [this] { EndText_GotFocus(); }, [this] { EndText_LostFocus(); });

    Form_Load();
}

PrintReportFrm::~PrintReportFrm() = default;

void PrintReportFrm::SetMeters(const QStringList &names, int chosen)
{
    Meter->SetMeters(names, chosen);
    MeterChanged();
}

void PrintReportFrm::MeterChanged()
{
    const QString title = TitleText->text();
    Form_Load();
    TitleText->setText(title);
}

const SampleLog &PrintReportFrm::Log(int index) const
{
    return index >= 0 && index < module_.MeterCount() ? module_.Meter(index).Samples
                                                      : module_.Samples;
}

const SampleLog &PrintReportFrm::ShownLog() const
{
    return Log(Meter->Shown());
}

void PrintReportFrm::Form_Load()
{
    TitleText->setText(module_.CurrentFileName);

    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    MSFlexGrid1->setFont(font);
    MSFlexGrid1->horizontalHeader()->setFont(font);

    // The table reads the log when rows are shown, so even a million samples list at once; the
    // hourglass covers the moment the view takes to set up.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    delete model_;
    model_ = new ReportTableModel(ShownLog(), this);
    MSFlexGrid1->setModel(model_);
    MSFlexGrid1->verticalHeader()->hide();
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    MSFlexGrid1->setWordWrap(false);
    const QFontMetrics metrics(font);
    MSFlexGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    MSFlexGrid1->verticalHeader()->setDefaultSectionSize(metrics.height() + 4);
    const QStringList headings = ReportHeadings();
    for (int c = 0; c < headings.size(); ++c)
        MSFlexGrid1->setColumnWidth(c, metrics.horizontalAdvance(headings[c]) + 12);

    StartPrintReport->setEnabled(!ReportCellText(ShownLog(), 1, 0).isEmpty() &&
                                 model_->rowCount() > 0);
    QApplication::restoreOverrideCursor();
}

void PrintReportFrm::Option1_Click()
{
    Option1->setChecked(true);
    for (QWidget *w : {static_cast<QWidget *>(Label1), static_cast<QWidget *>(StartText),
                       static_cast<QWidget *>(Label2), static_cast<QWidget *>(EndText)})
        w->setEnabled(false);
}

void PrintReportFrm::Option2_Click()
{
    Option2->setChecked(true);
    for (QWidget *w : {static_cast<QWidget *>(Label1), static_cast<QWidget *>(StartText),
                       static_cast<QWidget *>(Label2), static_cast<QWidget *>(EndText)})
        w->setEnabled(true);
}

void PrintReportFrm::StartText_GotFocus()
{
    StartText->setSelection(0, int(StartText->text().size()));
}

void PrintReportFrm::EndText_GotFocus()
{
    EndText->setSelection(0, int(EndText->text().size()));
}

void PrintReportFrm::DataError(QLineEdit *focusBack)
{
    leave_->Refuse(focusBack, QStringLiteral("Data Error! Input Again."));
}

void PrintReportFrm::PrinterError(const QString &reason)
{
    PrinterSurface::ShowPrinterError(module_, this, reason);
}

void PrintReportFrm::StartText_LostFocus()
{
    const std::optional<double> start = ParseNumber(StartText->text());
    if (!start)
        return DataError(StartText);
    EndText->setFocus(Qt::OtherFocusReason);
    if (RoundHalfEven(*start) < 1)
        DataError(StartText);
}

void PrintReportFrm::EndText_LostFocus()
{
    const std::optional<double> end = ParseNumber(EndText->text());
    const std::optional<double> start = ParseNumber(StartText->text());
    if (!end)
        DataError(EndText);
    else if (!start)
        StartText->setFocus(Qt::OtherFocusReason);
    else if (RoundHalfEven(*start) > RoundHalfEven(*end))
        DataError(EndText);
}

bool PrintReportFrm::PrintOn(const Opener &open)
{
    if (!leave_->Settle()) // a record field just left and refused
        return false;
    const ReportRangeChoice choice = ChooseReportRange(Option1->isChecked(), StartText->text(),
                                                       EndText->text(), ShownLog().SampleCount);
    using Status = ReportRangeChoice::Status;
    if (choice.status == Status::StartBelowOne) {
        DataError(StartText);
        return false;
    }
    if (choice.status == Status::StartNotNumeric || choice.status == Status::EndNotNumeric) {
        const bool start = choice.status == Status::StartNotNumeric;
        PrinterError(QStringLiteral("%1 \"%2\" is not a number.")
                         .arg(start ? Label1->text() : Label2->text(),
                              start ? StartText->text() : EndText->text()));
        return false;
    }
    const QString title = TitleText->text();
    // With several meters each section is titled with its meter's name; each takes the chosen
    // records as far as its own samples go.
    std::vector<ReportSection> sections;
    const int chosen = Meter->Chosen();
    for (int k = 0; k < module_.MeterCount(); ++k) {
        if (chosen != MeterChoice::AllMeters && k != chosen)
            continue;
        const SampleLog &log = Log(k);
        const ReportRange range = ChooseReportRange(Option1->isChecked(), StartText->text(),
                                                    EndText->text(), log.SampleCount)
                                      .range;
        const QString name = Meter->Name(k);
        sections.push_back({Meter->Count() < 2 ? title
                            : title.isEmpty()  ? name
                                               : title + QStringLiteral(" - ") + name,
                            log, range, &module_.Markers});
    }
    PrinterSurface::Opened opened = open(title.isEmpty() ? windowTitle() : title);
    if (!opened) {
        PrinterError(opened.Reason());
        return false;
    }
    std::unique_ptr<PrinterSurface> surface = std::move(opened).Value();
    PrintReportSections(*surface, sections, module_.Clock);
    if (!surface->Succeeded()) {
        PrinterError(surface->FailureReason());
        return false;
    }
    return true;
}

void PrintReportFrm::StartPrintReport_Click()
{
    PrintOn([](const QString &documentName) {
        return PrinterSurface::OpenDefaultPrinter(PrinterSurface::Orientation::Portrait,
                                                  documentName);
    });
}

bool PrintReportFrm::WriteReportPdf(const QString &fileName, const QPageSize &paper)
{
    return PrintOn([&](const QString &documentName) {
        return PrinterSurface::OpenPdf(fileName, PrinterSurface::Orientation::Portrait,
                                       documentName, paper);
    });
}

bool PrintReportFrm::WriteReportPdf(const QString &fileName)
{
    return WriteReportPdf(fileName, PrinterSurface::DefaultPaper());
}

void PrintReportFrm::PdfReport_Click()
{
    const QString fileName = PrinterSurface::AskPdfFileName(
        this, PrinterSurface::ProposedPdfPath(module_.CurrentFileName, QStringLiteral("report"),
                                              module_.DataFolder));
    if (!fileName.isEmpty())
        WriteReportPdf(fileName);
}

void PrintReportFrm::CancelReport_Click()
{
    reject();
}

} // namespace kst

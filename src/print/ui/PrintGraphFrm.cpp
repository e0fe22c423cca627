#include "print/ui/PrintGraphFrm.h"

#include "common/Numbers.h"
#include "common/ui/FieldLeaveCheck.h"
#include "common/ui/Module1.h"
#include "common/ui/Named.h"
#include "graph/ui/PictureBox.h"
#include "print/ui/MeterChoice.h"
#include "print/ui/PrinterSurface.h"
#include "record/MeterRecording.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace kst {

namespace {

// The preview page and the graph area inside it, laid out so that the value labels (at ninths of
// the page height) face the grid lines (at eighths of the box height).
constexpr int FrameWidth = 640;
constexpr int FrameHeight = 420;
constexpr QRect BoxRect(64, 7, 550, 373);

} // namespace

PrintGraphFrm::PrintGraphFrm(Module1 &module,
                             std::function<void(const ScaleTarget &)> showScaleWindow,
                             QWidget *parent)
    : QDialog(parent), module_(module), showScaleWindow_(std::move(showScaleWindow))
{
    setObjectName(QStringLiteral("PrintGraphFrm"));

    GraphFrm = Named(new PictureBox(this), "GraphFrm");
    GraphFrm->setFixedSize(FrameWidth, FrameHeight);
    GraphBox = Named(new PictureBox(GraphFrm), "GraphBox");
    GraphBox->setGeometry(BoxRect);

    Frame3 = Named(new QGroupBox(QStringLiteral("Print Range"), this), "Frame3");
    AllData = Named(new QRadioButton(QStringLiteral("All Data"), Frame3), "AllData");
    Range = Named(new QRadioButton(QStringLiteral("Range"), Frame3), "Range");
    StartLabel = Named(new QLabel(QStringLiteral("Start:"), Frame3), "StartLabel");
    StartPage = Named(new QLineEdit(QStringLiteral("1"), Frame3), "StartPage");
    EndLabel = Named(new QLabel(QStringLiteral("End:"), Frame3), "EndLabel");
    EndPage = Named(new QLineEdit(QStringLiteral("1"), Frame3), "EndPage");
    auto *rangeLayout = new QGridLayout(Frame3);
    rangeLayout->addWidget(AllData, 0, 0, 1, 2);
    rangeLayout->addWidget(Range, 1, 0, 1, 2);
    rangeLayout->addWidget(StartLabel, 2, 0);
    rangeLayout->addWidget(StartPage, 2, 1);
    rangeLayout->addWidget(EndLabel, 3, 0);
    rangeLayout->addWidget(EndPage, 3, 1);

    PrintStyle = Named(new QGroupBox(QStringLiteral("Print Style"), this), "PrintStyle");
    Label1 = Named(new QLabel(QStringLiteral("Line Wide:"), PrintStyle), "Label1");
    PrintGraphFrmCombo = Named(new QComboBox(PrintStyle), "PrintGraphFrmCombo");
    for (int i = 1; i <= 10; ++i)
        PrintGraphFrmCombo->addItem(QString::number(i));
    Landscape = Named(new QRadioButton(QStringLiteral("Landscape"), PrintStyle), "Landscape");
    Portrait = Named(new QRadioButton(QStringLiteral("Portrait"), PrintStyle), "Portrait");
    auto *styleLayout = new QGridLayout(PrintStyle);
    styleLayout->addWidget(Label1, 0, 0);
    styleLayout->addWidget(PrintGraphFrmCombo, 0, 1);
    styleLayout->addWidget(Landscape, 1, 0, 1, 2);
    styleLayout->addWidget(Portrait, 2, 0, 1, 2);

    Scale = Named(new QPushButton(QStringLiteral("Scale"), this), "Scale");
    PrintGraph = Named(new QPushButton(QStringLiteral("Print"), this), "PrintGraph");
    PdfGraph = Named(new QPushButton(QStringLiteral("PDF..."), this), "PdfGraph");
    PrintGraphCancel = Named(new QPushButton(QStringLiteral("Cancel"), this), "PrintGraphCancel");
    for (QPushButton *b : {Scale, PrintGraph, PdfGraph, PrintGraphCancel})
        b->setAutoDefault(false);

    Meter = new MeterChoice(this);
    auto *side = new QVBoxLayout;
    side->addWidget(Meter);
    side->addWidget(Frame3);
    side->addWidget(PrintStyle);
    side->addWidget(Scale);
    side->addStretch();
    side->addWidget(PrintGraph);
    side->addWidget(PdfGraph);
    side->addWidget(PrintGraphCancel);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(GraphFrm, 0, Qt::AlignTop);
    layout->addLayout(side);

    Range->setChecked(true);
    Landscape->setChecked(true);

    connect(Meter, &MeterChoice::Changed, this, &PrintGraphFrm::MeterChanged);
    connect(AllData, &QRadioButton::clicked, this, &PrintGraphFrm::AllData_Click);
    connect(Range, &QRadioButton::clicked, this, &PrintGraphFrm::Range_Click);
    connect(Landscape, &QRadioButton::clicked, this, &PrintGraphFrm::Landscape_Click);
    connect(Portrait, &QRadioButton::clicked, this, &PrintGraphFrm::Portrait_Click);
    connect(PrintGraphFrmCombo, &QComboBox::activated, this,
            &PrintGraphFrm::PrintGraphFrmCombo_Click);
    connect(Scale, &QPushButton::clicked, this, &PrintGraphFrm::Scale_Click);
    connect(PrintGraph, &QPushButton::clicked, this, &PrintGraphFrm::PrintGraph_Click);
    connect(PdfGraph, &QPushButton::clicked, this, &PrintGraphFrm::PdfGraph_Click);
    connect(PrintGraphCancel, &QPushButton::clicked, this, &PrintGraphFrm::PrintGraphCancel_Click);
    leave_ = new FieldLeaveCheck(module_, this);
    leave_->Watch(
        StartPage, [this] { StartPage_GotFocus(); }, [this] { StartPage_LostFocus(); });
    leave_->Watch(
        EndPage, [this] { EndPage_GotFocus(); }, [this] { EndPage_LostFocus(); });

    Form_Load();
}

PrintGraphFrm::~PrintGraphFrm() = default;

void PrintGraphFrm::SetMeters(const QStringList &names, int chosen)
{
    Meter->SetMeters(names, chosen);
    MeterChanged();
}

void PrintGraphFrm::ShowView(const GraphView &view)
{
    const PreviewRange r = ViewRange(view, Shown().Samples.SampleCount);
    if (!r.draw)
        return;
    module_.PrintGraphTopY = view.Top;
    module_.PrintGraphLowY = view.Low;
    module_.PrintGraphXSpan = r.span;
    state_.PrintSpan = r.span;
    state_.PrintFirstIndex = r.first;
    state_.PrintLastIndex = r.last;
    Range->setChecked(true);
    // One page of the view's width, starting where it starts (a page and a fraction from the
    // first sample), so leaving the page boxes keeps the range.
    const QString page = QString::number(1.0 + double(r.first) / r.span, 'g', 12);
    StartPage->setText(page);
    EndPage->setText(page);
    DrawPreviewGraph(r.first, r.last, view.Top, view.Low, r.span);
}

MeterRecording &PrintGraphFrm::Shown()
{
    const int index = Meter->Shown();
    return module_.Meter(index < module_.MeterCount() ? index : 0);
}

void PrintGraphFrm::MeterChanged()
{
    // The chosen meter's samples from the start, in its graph's scale.
    Form_Load();
    AllData->setChecked(false);
    Range_Click();
    if (isVisible() && Shown().Samples.SampleCount < 2) {
        GraphFrm->Cls();
        GraphBox->Cls();
        SetPreviewScale(module_.PrintGraphTopY, module_.PrintGraphLowY, state_.PrintSpan);
    }
}

GraphPreview PrintGraphFrm::Preview()
{
    return GraphPreview{*GraphFrm,          *GraphBox,       Shown().Samples,
                        Shown().Scale.Unit, state_,          Landscape->isChecked(),
                        PreviewLineWidth(), &module_.Markers};
}

int PrintGraphFrm::PreviewLineWidth() const
{
    const std::optional<double> width = ParseNumber(PrintGraphFrmCombo->currentText());
    return width ? int(std::clamp<qint64>(RoundHalfEven(*width), 1, 32767)) : 1;
}

void PrintGraphFrm::Form_Load()
{
    const qint32 count = Shown().Samples.SampleCount;
    for (QWidget *w : {static_cast<QWidget *>(PrintGraph), static_cast<QWidget *>(PdfGraph),
                       static_cast<QWidget *>(AllData), static_cast<QWidget *>(Range),
                       static_cast<QWidget *>(StartPage), static_cast<QWidget *>(EndPage)})
        w->setEnabled(count != 0);
    const PreviewRange opening = OpeningRange(Shown().Scale.XSpan, count);
    state_.PrintFirstIndex = opening.first;
    state_.PrintLastIndex = opening.last;
    module_.PrintGraphTopY = Shown().Scale.TopY;
    module_.PrintGraphLowY = Shown().Scale.LowY;
    module_.PrintGraphXSpan = Shown().Scale.XSpan;
    state_.PrintSpan = Shown().Scale.XSpan;
    setWindowTitle(QStringLiteral("Print Graph_") + module_.CurrentFileName);
    PrintGraphFrmCombo->setCurrentIndex(1);
}

void PrintGraphFrm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The picture boxes keep what is drawn, so the preview is drawn once shown and again whenever
    // the choice changes, not on every paint.
    Form_Paint();
}

void PrintGraphFrm::Form_Paint()
{
    const PreviewRange r = PaintRange(AllData->isChecked(), state_.PrintFirstIndex,
                                      state_.PrintLastIndex, Shown().Samples.SampleCount);
    if (r.draw)
        DrawPreviewGraph(r.first, r.last, module_.PrintGraphTopY, module_.PrintGraphLowY, r.span);
}

void PrintGraphFrm::DrawPreviewGraph(qint32 first, qint32 last, float top, float low, qint32 span)
{
    GraphPreview preview = Preview();
    kst::DrawPreviewGraph(preview, first, last, top, low, span);
}

void PrintGraphFrm::SetPreviewScale(float top, float low, qint32 span)
{
    GraphPreview preview = Preview();
    kst::SetPreviewScale(preview, top, low, span);
}

void PrintGraphFrm::DrawPreviewLabels(float top, float low)
{
    GraphPreview preview = Preview();
    kst::DrawPreviewLabels(preview, top, low);
}

void PrintGraphFrm::AllData_Click()
{
    AllData->setChecked(true);
    const PreviewRange r = AllDataRange(Shown().Samples.SampleCount);
    state_.PrintFirstIndex = r.first;
    state_.PrintLastIndex = r.last;
    DrawPreviewGraph(r.first, r.last, module_.PrintGraphTopY, module_.PrintGraphLowY, r.span);
    for (QWidget *w : {static_cast<QWidget *>(StartLabel), static_cast<QWidget *>(StartPage),
                       static_cast<QWidget *>(EndLabel), static_cast<QWidget *>(EndPage)})
        w->setEnabled(false);
}

void PrintGraphFrm::Range_Click()
{
    Range->setChecked(true);
    const PreviewRange r = RangeChoiceRange(Shown().Samples.SampleCount, state_.PrintSpan);
    state_.PrintFirstIndex = r.first;
    state_.PrintLastIndex = r.last;
    DrawPreviewGraph(r.first, r.last, module_.PrintGraphTopY, module_.PrintGraphLowY, r.span);
    for (QWidget *w : {static_cast<QWidget *>(StartLabel), static_cast<QWidget *>(StartPage),
                       static_cast<QWidget *>(EndLabel), static_cast<QWidget *>(EndPage)})
        w->setEnabled(true);
    StartPage->setText(QStringLiteral("1"));
    EndPage->setText(QStringLiteral("1"));
}

void PrintGraphFrm::StartPage_GotFocus()
{
    StartPage->setSelection(0, int(StartPage->text().size()));
}

void PrintGraphFrm::EndPage_GotFocus()
{
    EndPage->setSelection(0, int(EndPage->text().size()));
}

void PrintGraphFrm::StartPage_LostFocus()
{
    PageRangeLeft(true);
}

void PrintGraphFrm::EndPage_LostFocus()
{
    PageRangeLeft(false);
}

void PrintGraphFrm::PageRangeLeft(bool leavingStart)
{
    const PageRangeChoice choice = ChoosePageRange(StartPage->text(), EndPage->text(), leavingStart,
                                                   state_.PrintSpan, Shown().Samples.SampleCount);
    switch (choice.status) {
    case PageRangeChoice::Status::StartNotNumeric:
    case PageRangeChoice::Status::StartBelowOne:
        // A page before the first has no samples: the focus goes back, nothing is read.
        leave_->Refuse(StartPage);
        break;
    case PageRangeChoice::Status::EndNotNumeric:
        leave_->Refuse(EndPage);
        break;
    case PageRangeChoice::Status::Ok:
        state_.PrintFirstIndex = choice.range.first;
        state_.PrintLastIndex = choice.range.last;
        DrawPreviewGraph(choice.range.first, choice.range.last, module_.PrintGraphTopY,
                         module_.PrintGraphLowY, choice.range.span);
        break;
    }
}

void PrintGraphFrm::PrintGraphFrmCombo_Click()
{
    Form_Paint();
}

void PrintGraphFrm::Scale_Click()
{
    if (showScaleWindow_)
        showScaleWindow_(
            {&module_.PrintGraphTopY, &module_.PrintGraphLowY, &module_.PrintGraphXSpan});
    // The scale window's X interval becomes the preview box's extent, which the printout uses.
    const PreviewRange r = PaintRange(AllData->isChecked(), state_.PrintFirstIndex,
                                      state_.PrintLastIndex, Shown().Samples.SampleCount);
    if (r.draw)
        DrawPreviewGraph(r.first, r.last, module_.PrintGraphTopY, module_.PrintGraphLowY,
                         module_.PrintGraphXSpan);
    GraphBox->SetScaleWidth(module_.PrintGraphXSpan);
}

void PrintGraphFrm::PrinterError(const QString &reason)
{
    PrinterSurface::ShowPrinterError(module_, this, reason);
}

bool PrintGraphFrm::PrintOn(const Opener &open)
{
    if (!leave_->Settle()) // a page field just left and refused
        return false;
    // Everything that could fail half-way is checked before the printer is touched.
    const std::optional<int> lineWidth = PrintLineWidth(PrintGraphFrmCombo->currentText());
    if (!lineWidth) {
        PrinterError(QStringLiteral("%1 \"%2\" is not a number.")
                         .arg(Label1->text(), PrintGraphFrmCombo->currentText()));
        return false;
    }
    if (!GraphPrintRangeReadable(Shown().Samples, state_)) {
        PrinterError(QStringLiteral("The chosen pages lie beyond the recorded samples."));
        return false;
    }
    const qint64 span = RoundHalfEven(GraphBox->ScaleWidth());
    if (span <= 0 || span > 0x7fffffff) {
        PrinterError(QStringLiteral("The graph is not a whole number of samples wide."));
        return false;
    }
    PrinterSurface::Opened opened = open(module_.CurrentFileName);
    if (!opened) {
        PrinterError(opened.Reason());
        return false;
    }
    std::unique_ptr<PrinterSurface> surface = std::move(opened).Value();
    const GraphPageSource source{
        Shown().Samples,         Shown().Scale.Unit, module_.PrintGraphTopY, module_.PrintGraphLowY,
        module_.CurrentFileName, module_.Now(),      &module_.Markers};
    if (Meter->Chosen() == MeterChoice::AllMeters) {
        // The shown meter in the window's scale, the others each in its graph's.
        std::vector<GraphStrip> strips;
        for (int k = 0; k < module_.MeterCount(); ++k) {
            MeterRecording &meter = module_.Meter(k);
            const bool shown = &meter == &Shown();
            strips.push_back({Meter->Name(k), meter.Samples, meter.Scale.Unit,
                              shown ? source.top : meter.Scale.TopY,
                              shown ? source.low : meter.Scale.LowY});
        }
        PrintGraphStrips(*surface, strips, source, state_, qint32(span), *lineWidth);
    } else {
        PrintGraphPage(*surface, source, state_, qint32(span), *lineWidth);
    }
    if (!surface->Succeeded()) {
        PrinterError(surface->FailureReason());
        return false;
    }
    return true;
}

void PrintGraphFrm::PrintGraph_Click()
{
    const auto orientation = Landscape->isChecked() ? PrinterSurface::Orientation::Landscape
                                                    : PrinterSurface::Orientation::Portrait;
    PrintOn([orientation](const QString &documentName) {
        return PrinterSurface::OpenDefaultPrinter(orientation, documentName);
    });
}

bool PrintGraphFrm::WriteGraphPdf(const QString &fileName, const QPageSize &paper)
{
    const auto orientation = Landscape->isChecked() ? PrinterSurface::Orientation::Landscape
                                                    : PrinterSurface::Orientation::Portrait;
    return PrintOn([&](const QString &documentName) {
        return PrinterSurface::OpenPdf(fileName, orientation, documentName, paper);
    });
}

bool PrintGraphFrm::WriteGraphPdf(const QString &fileName)
{
    return WriteGraphPdf(fileName, PrinterSurface::DefaultPaper());
}

void PrintGraphFrm::PdfGraph_Click()
{
    const QString fileName = PrinterSurface::AskPdfFileName(
        this, PrinterSurface::ProposedPdfPath(module_.CurrentFileName, QStringLiteral("graph"),
                                              module_.DataFolder));
    if (!fileName.isEmpty())
        WriteGraphPdf(fileName);
}

void PrintGraphFrm::PrintGraphCancel_Click()
{
    reject();
}

} // namespace kst

#include "print/ui/PrinterSurface.h"

#include "common/PrinterPage.h"
#include "common/ui/MessageBox.h"
#include "common/ui/QtColour.h"

#include <QColor>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPen>
#include <QPolygonF>
#include <QPrinter>
#include <QPrinterInfo>

namespace kst {

PrinterSurface::PrinterSurface(std::unique_ptr<QPrinter> printer) : printer_(std::move(printer)) {}

PrinterSurface::~PrinterSurface()
{
    if (painter_.isActive())
        painter_.end();
}

PrinterSurface::Opened PrinterSurface::OpenDefaultPrinter(Orientation orientation,
                                                          const QString &documentName)
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull())
        return Failure::Permanent(QStringLiteral("No default printer is set up on this computer."));
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::NativeFormat);
    const QPageSize paper =
        info.defaultPageSize().isValid() ? info.defaultPageSize() : QPageSize(QPageSize::A4);
    return Start(std::move(printer), orientation, paper, documentName);
}

PrinterSurface::Opened PrinterSurface::OpenPdf(const QString &fileName, Orientation orientation,
                                               const QString &documentName, const QPageSize &paper)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(fileName);
    printer->setCreator(QStringLiteral("KST"));
    return Start(std::move(printer), orientation, paper, documentName);
}

QPageSize PrinterSurface::DefaultPaper()
{
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (!info.isNull() && info.defaultPageSize().isValid())
        return info.defaultPageSize();
    return QPageSize(QLocale::system().measurementSystem() == QLocale::ImperialUSSystem
                         ? QPageSize::Letter
                         : QPageSize::A4);
}

PrinterSurface::Opened PrinterSurface::Start(std::unique_ptr<QPrinter> printer,
                                             Orientation orientation, const QPageSize &paper,
                                             const QString &documentName)
{
    printer->setDocName(documentName);
    printer->setPageSize(paper);
    printer->setPageOrientation(orientation == Orientation::Landscape ? QPageLayout::Landscape
                                                                      : QPageLayout::Portrait);
    printer->setFullPage(false);
    // Lay the page out on the printable area, never closer to the paper's edge than the minimum.
    QPageLayout layout = printer->pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    const QRectF sheet = layout.fullRect(QPageLayout::Millimeter);
    const QRectF printable = QRectF(QPointF(0, 0), sheet.size()) - layout.minimumMargins();
    const QRectF area = PageLayoutArea(sheet.size(), printable);
    printer->setPageMargins(QMarginsF(area.left(), area.top(), sheet.width() - area.right(),
                                      sheet.height() - area.bottom()),
                            QPageLayout::Millimeter);

    std::unique_ptr<PrinterSurface> surface(new PrinterSurface(std::move(printer)));
    if (!surface->painter_.begin(surface->printer_.get()))
        return Failure::Transient(surface->FailureReason());
    surface->painter_.setRenderHint(QPainter::Antialiasing);
    const QRectF pageArea = surface->printer_->pageRect(QPrinter::DevicePixel);
    surface->size_ = pageArea.size().isEmpty() ? QSizeF(1, 1) : pageArea.size();
    surface->ResetCoordinates();
    surface->SetFontName(QStringLiteral("Arial"));
    surface->SetFontSize(10);
    return surface;
}

QString PrinterSurface::FailureReason() const
{
    if (printer_->outputFormat() == QPrinter::PdfFormat)
        return QStringLiteral("The file %1 could not be written.")
            .arg(QDir::toNativeSeparators(printer_->outputFileName()));
    return QStringLiteral("The printer %1 did not accept the document.")
        .arg(printer_->printerName());
}

void PrinterSurface::NewPage()
{
    if (!painter_.isActive() || !printer_->newPage())
        failed_ = true;
}

void PrinterSurface::EndDoc()
{
    if (painter_.isActive() && !painter_.end())
        failed_ = true;
}

bool PrinterSurface::Succeeded() const
{
    return !failed_ && printer_->printerState() != QPrinter::Error &&
           printer_->printerState() != QPrinter::Aborted;
}

QSizeF PrinterSurface::DeviceSize() const
{
    return size_.isEmpty() ? QSizeF(1, 1) : size_;
}

void PrinterSurface::DeviceClear()
{
    // Paper starts blank; a clear paints it white again.
    if (painter_.isActive())
        painter_.fillRect(QRectF(QPointF(0, 0), size_), Qt::white);
}

void PrinterSurface::DeviceLines(const std::vector<QPointF> &devicePoints)
{
    if (!painter_.isActive() || devicePoints.empty())
        return;
    const double dot = printer_->resolution() / DotsPerInch;
    QPen pen(ToQColor(ForeColor()));
    pen.setWidthF(DrawWidth() * dot);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    switch (DrawStyle()) {
    case 1:
        pen.setStyle(Qt::DashLine);
        break;
    case 2:
        // Dots of three printer dots with gaps of six, so a dotted line of width 1 still reads
        // as dotted on paper (the pattern is in pen widths).
        pen.setDashPattern({3, 6});
        pen.setCapStyle(Qt::FlatCap);
        break;
    case 3:
        pen.setStyle(Qt::DashDotLine);
        break;
    case 4:
        pen.setStyle(Qt::DashDotDotLine);
        break;
    default:
        pen.setStyle(Qt::SolidLine);
        break;
    }
    painter_.setPen(pen);
    if (devicePoints.size() == 1) {
        painter_.drawPoint(devicePoints.front());
        return;
    }
    painter_.drawPolyline(devicePoints.data(), int(devicePoints.size()));
}

void PrinterSurface::DeviceText(QPointF topLeft, const QString &text)
{
    if (!painter_.isActive() || text.isEmpty())
        return;
    painter_.setFont(CurrentFont());
    painter_.setPen(ToQColor(ForeColor()));
    painter_.drawText(QPointF(topLeft.x(), topLeft.y() + Metrics().ascent()), text);
}

double PrinterSurface::DeviceTextWidth(const QString &text) const
{
    return Metrics().horizontalAdvance(text);
}

double PrinterSurface::DeviceLineHeight() const
{
    return Metrics().lineSpacing();
}

double PrinterSurface::DeviceAverageCharWidth() const
{
    // The classic weighted average of the lower-case letters and the space, as printer drivers
    // report it. The font file's own average covers every glyph it holds (Greek, Cyrillic, ...)
    // and would push the report's last column off an A4 page.
    static constexpr struct {
        char letter;
        int weight;
    } weights[] = {{'a', 64}, {'b', 14}, {'c', 27}, {'d', 35}, {'e', 100}, {'f', 20}, {'g', 14},
                   {'h', 42}, {'i', 63}, {'j', 3},  {'k', 6},  {'l', 35},  {'m', 20}, {'n', 56},
                   {'o', 56}, {'p', 17}, {'q', 4},  {'r', 49}, {'s', 56},  {'t', 71}, {'u', 31},
                   {'v', 10}, {'w', 18}, {'x', 3},  {'y', 18}, {'z', 2},   {' ', 166}};
    const QFontMetricsF &metrics = Metrics();
    double sum = 0;
    for (const auto &w : weights)
        sum += metrics.horizontalAdvance(QChar(QLatin1Char(w.letter))) * w.weight;
    return sum / 1000;
}

const QFont &PrinterSurface::CurrentFont() const
{
    const QString key =
        FontName() + u'/' + QString::number(FontSize()) + u'/' + (FontBold() ? u'b' : u'n');
    if (!font_ || key != fontKey_) {
        QFont font(FontName());
        font.setPointSizeF(FontSize() > 0 ? FontSize() : 1);
        font.setBold(FontBold());
        // Resolve the point size for the printer's resolution, not the screen's.
        font_.emplace(font, printer_.get());
        metrics_.emplace(*font_, printer_.get());
        fontKey_ = key;
    }
    return *font_;
}

const QFontMetricsF &PrinterSurface::Metrics() const
{
    CurrentFont();
    return *metrics_;
}

QString PrinterSurface::ProposedPdfPath(const QString &currentFileName, const QString &kind,
                                        const QString &fallbackFolder)
{
    const QFileInfo current(currentFileName);
    const QString base =
        current.completeBaseName().isEmpty() ? QStringLiteral("KST") : current.completeBaseName();
    const QString folder = !currentFileName.isEmpty() && current.dir().exists()
                               ? current.absolutePath()
                               : fallbackFolder;
    return QDir(folder).filePath(base + u'-' + kind + QStringLiteral(".pdf"));
}

QString PrinterSurface::AskPdfFileName(QWidget *parent, const QString &proposedPath)
{
    QFileDialog dialog(parent, QStringLiteral("PDF"), QFileInfo(proposedPath).absolutePath(),
                       QStringLiteral("PDF (*.pdf)"));
    dialog.setObjectName(QStringLiteral("PdfDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    dialog.selectFile(QFileInfo(proposedPath).fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

void PrinterSurface::ShowPrinterError(const Module1 &module, QWidget *parent, const QString &reason)
{
    ShowMessage(module, parent,
                {MessageIcon::Question, QStringLiteral("KST"), QStringLiteral("Printer Error!!"),
                 MessageButton::Ok, reason});
}

} // namespace kst

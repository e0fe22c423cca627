#pragma once

#include "common/DrawingSurface.h"
#include "common/Result.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QString>
#include <memory>
#include <optional>

class QPrinter;

class QWidget;

namespace kst {

class Module1;

// A drawing surface on the pages of a printer or a PDF file. Both go through the same QPrinter and
// QPainter code, so a PDF holds exactly the pages the printer gets. The default coordinates are
// the page's layout area (the printable area, at least MinimumPageMargin from the paper's edges)
// in device pixels; fonts are sized in points for the device's resolution; a line width of 1 is
// one printer dot of 1/300 inch.
class PrinterSurface : public DrawingSurface {
public:
    enum class Orientation { Portrait, Landscape };

    using Opened = Result<std::unique_ptr<PrinterSurface>>;
    // A document on the default printer's default paper; fails with the reason for the user when
    // there is no default printer or it cannot be started. The document name is the print job's
    // name.
    static Opened OpenDefaultPrinter(Orientation orientation, const QString &documentName);
    // A document written to a PDF file titled with the document name; fails with the reason when
    // the file cannot be started.
    static Opened OpenPdf(const QString &fileName, Orientation orientation,
                          const QString &documentName, const QPageSize &paper = DefaultPaper());
    // The default printer's default paper; without a printer, Letter where the locale measures in
    // inches and A4 elsewhere.
    static QPageSize DefaultPaper();

    // Where the print windows' "PDF..." proposes to write: "<file>-<kind>.pdf" beside the current
    // file, or in the fallback folder when the current file's folder does not exist.
    static QString ProposedPdfPath(const QString &currentFileName, const QString &kind,
                                   const QString &fallbackFolder);
    // The print windows' "PDF..." file question (objectName "PdfDialog") with the proposed path
    // selected; empty when cancelled.
    static QString AskPdfFileName(QWidget *parent, const QString &proposedPath);
    // The print windows' failure message: "Printer Error!!", titled "KST", question icon, with
    // the reason as its informative text.
    static void ShowPrinterError(const Module1 &module, QWidget *parent, const QString &reason);
    // Why the document did not come out, once Succeeded() is false.
    QString FailureReason() const;

    ~PrinterSurface() override;

    void NewPage() override;
    // Ends the document: the printer gets it, the PDF file is complete.
    void EndDoc() override;
    // False once the printer reported an error (for example a page that could not be started).
    bool Succeeded() const;

    static constexpr double DotsPerInch = 300;

protected:
    QSizeF DeviceSize() const override;
    void DeviceClear() override;
    void DeviceLines(const std::vector<QPointF> &devicePoints) override;
    void DeviceText(QPointF topLeft, const QString &text) override;
    double DeviceTextWidth(const QString &text) const override;
    double DeviceLineHeight() const override;
    double DeviceAverageCharWidth() const override;

private:
    explicit PrinterSurface(std::unique_ptr<QPrinter> printer);
    static Opened Start(std::unique_ptr<QPrinter> printer, Orientation orientation,
                        const QPageSize &paper, const QString &documentName);
    const QFont &CurrentFont() const;
    const QFontMetricsF &Metrics() const;

    std::unique_ptr<QPrinter> printer_;
    QPainter painter_;
    QSizeF size_;
    bool failed_ = false;
    // Font and metrics for the surface's current font name, size and weight.
    mutable std::optional<QFont> font_;
    mutable std::optional<QFontMetricsF> metrics_;
    mutable QString fontKey_;
};

} // namespace kst

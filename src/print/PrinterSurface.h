#pragma once

#include "common/DrawingSurface.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QString>
#include <memory>
#include <optional>

class QPrinter;

class QWidget;

namespace kst {

// A drawing surface on A4 pages, either on the system's default printer or in a PDF file. Both go
// through the same QPrinter and QPainter code, so a PDF holds exactly the pages the printer gets.
// The default coordinates are the printable area in device pixels; fonts are sized in points for
// the device's resolution; a line width of 1 is one printer dot of 1/300 inch.
class PrinterSurface : public DrawingSurface {
public:
    enum class Orientation { Portrait, Landscape };

    // A document on the default printer, or nothing (with the reason) when there is no default
    // printer or it cannot be started.
    static std::unique_ptr<PrinterSurface> OpenDefaultPrinter(Orientation orientation,
                                                              QString *reason = nullptr);
    // A document written to a PDF file, or nothing when the file cannot be started.
    static std::unique_ptr<PrinterSurface> OpenPdf(const QString &fileName, Orientation orientation,
                                                   QString *reason = nullptr);

    // The print windows' "PDF..." file question (objectName "PdfDialog"); empty when cancelled.
    static QString AskPdfFileName(QWidget *parent, const QString &folder);
    // The print windows' failure message: "Printer Error!!", titled "KST", question icon.
    static void ShowPrinterError(QWidget *parent);

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
    static std::unique_ptr<PrinterSurface> Start(std::unique_ptr<QPrinter> printer,
                                                 Orientation orientation, QString *reason);
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

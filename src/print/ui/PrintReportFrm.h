#pragma once

#include "print/ui/PrinterSurface.h"

#include <QDialog>
#include <functional>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPageSize;
class QPushButton;
class QRadioButton;
class QTableView;

namespace kst {

class DrawingSurface;
class FieldLeaveCheck;
class MeterChoice;
class Module1;
class ReportTableModel;
class SampleLog;

// "Print report": the recorded samples as a table, printed as a paged report on the default
// printer or written to a PDF file. Only reads the sample log.
class PrintReportFrm : public QDialog {
    Q_OBJECT
public:
    PrintReportFrm(Module1 &module, QWidget *parent = nullptr);
    ~PrintReportFrm() override;

    // Writes the report of the current range choice to a PDF file on the given paper (the default
    // printer's by default); false (after the "Printer Error!!" message) when it cannot be written
    // or the range texts are not numbers.
    bool WriteReportPdf(const QString &fileName, const QPageSize &paper);
    bool WriteReportPdf(const QString &fileName);

    // Several meters: their names (meter 1 first) and the one chosen at first. The table shows
    // the chosen meter; "All meters" prints one section per meter.
    void SetMeters(const QStringList &names, int chosen);

public slots:
    void Form_Load();
    void Option1_Click();
    void Option2_Click();
    void StartText_GotFocus();
    void EndText_GotFocus();
    void StartText_LostFocus();
    void EndText_LostFocus();
    void StartPrintReport_Click();
    void PdfReport_Click();
    void CancelReport_Click();

private:
    // Opens a document named documentName, or fails with the reason.
    using Opener = std::function<PrinterSurface::Opened(const QString &documentName)>;
    bool PrintOn(const Opener &open);
    void DataError(QLineEdit *focusBack);
    void PrinterError(const QString &reason);
    void MeterChanged();
    // The samples of meter `index`, and of the meter the table shows.
    const SampleLog &Log(int index) const;
    const SampleLog &ShownLog() const;

    Module1 &module_;
    ReportTableModel *model_ = nullptr;
    FieldLeaveCheck *leave_ = nullptr;

    MeterChoice *Meter;
    QLabel *Title;
    QLineEdit *TitleText;
    QGroupBox *Range;
    QRadioButton *Option1;
    QRadioButton *Option2;
    QLabel *Label1;
    QLineEdit *StartText;
    QLabel *Label2;
    QLineEdit *EndText;
    QPushButton *StartPrintReport;
    QPushButton *PdfReport;
    QPushButton *CancelReport;
    QTableView *MSFlexGrid1;
};

} // namespace kst

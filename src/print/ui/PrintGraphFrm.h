#pragma once

#include "graph/GraphView.h"
#include "graph/ScaleChoice.h"
#include "print/GraphPage.h"
#include "print/ui/PrinterSurface.h"

#include <QDialog>
#include <functional>
#include <memory>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPageSize;
class QPushButton;
class QRadioButton;

namespace kst {

class FieldLeaveCheck;
class MeterChoice;
class MeterRecording;
class Module1;
class PictureBox;

// "Print Graph_<file>": chooses the samples, line width and orientation of the graph printout,
// previews the page and prints it on the default printer or writes it to a PDF file. Keeps its
// own value range (the module's PrintGraphTopY / PrintGraphLowY), so scaling the printout leaves
// the screen graph alone.
class PrintGraphFrm : public QDialog {
    Q_OBJECT
public:
    // showScaleWindow opens the scale window modally for the target it is given, the module's
    // PrintGraphTopY, PrintGraphLowY and PrintGraphXSpan, which then hold the chosen scale.
    PrintGraphFrm(Module1 &module, std::function<void(const ScaleTarget &)> showScaleWindow,
                  QWidget *parent = nullptr);
    ~PrintGraphFrm() override;

    const GraphPrintState &State() const { return state_; }
    // Writes the graph page to a PDF file on the given paper (the default printer's by default);
    // false (after "Printer Error!!") when it cannot.
    bool WriteGraphPdf(const QString &fileName, const QPageSize &paper);
    bool WriteGraphPdf(const QString &fileName);

    // Several meters: their names (meter 1 first) and the one chosen at first. The preview shows
    // the chosen meter in the window's scale; "All meters" prints a strip per meter, the first in
    // the window's scale and the others each in its graph's.
    void SetMeters(const QStringList &names, int chosen);

    // The screen graph zoomed or panned: the preview and the printout show what it shows, its
    // samples across its width in its value range, until the user chooses other pages.
    void ShowView(const GraphView &view);

    // The preview procedures, drawing on GraphFrm and GraphBox.
    void DrawPreviewGraph(qint32 first, qint32 last, float top, float low, qint32 span);
    void SetPreviewScale(float top, float low, qint32 span);
    void DrawPreviewLabels(float top, float low);

public slots:
    void Form_Load();
    void Form_Paint();
    void AllData_Click();
    void Range_Click();
    void StartPage_GotFocus();
    void EndPage_GotFocus();
    void StartPage_LostFocus();
    void EndPage_LostFocus();
    void PrintGraphFrmCombo_Click();
    void Portrait_Click() {}
    void Landscape_Click() {}
    void Scale_Click();
    void PrintGraph_Click();
    void PdfGraph_Click();
    void PrintGraphCancel_Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    GraphPreview Preview();
    int PreviewLineWidth() const;
    void PageRangeLeft(bool leavingStart);
    // Opens a document named documentName in the chosen orientation, or fails with the reason.
    using Opener = std::function<PrinterSurface::Opened(const QString &documentName)>;
    bool PrintOn(const Opener &open);
    void PrinterError(const QString &reason);
    void MeterChanged();
    // The meter the preview shows.
    MeterRecording &Shown();

    Module1 &module_;
    std::function<void(const ScaleTarget &)> showScaleWindow_;
    GraphPrintState state_;
    FieldLeaveCheck *leave_ = nullptr;

    MeterChoice *Meter;
    PictureBox *GraphFrm;
    PictureBox *GraphBox;
    QGroupBox *Frame3;
    QRadioButton *AllData;
    QRadioButton *Range;
    QLabel *StartLabel;
    QLineEdit *StartPage;
    QLabel *EndLabel;
    QLineEdit *EndPage;
    QGroupBox *PrintStyle;
    QLabel *Label1;
    QComboBox *PrintGraphFrmCombo;
    QRadioButton *Landscape;
    QRadioButton *Portrait;
    QPushButton *Scale;
    QPushButton *PrintGraph;
    QPushButton *PdfGraph;
    QPushButton *PrintGraphCancel;
};

} // namespace kst

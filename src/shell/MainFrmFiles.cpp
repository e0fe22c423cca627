// The main window's File commands: New, Open, Close, Save, Save As, Export CSV and the two print
// windows, with the save question and the file dialogs.
#include "shell/MainFrm.h"

#include "common/ui/MessageBox.h"
#include "common/ui/Module1.h"
#include "files/CsvWriter.h"
#include "files/FileIo.h"
#include "files/MarkerFile.h"
#include "files/RecordingJournal.h"
#include "files/SampleFileReader.h"
#include "files/SampleFileWriter.h"
#include "graph/ui/ScallFrm.h"
#include "graph/ui/TrendGraphView.h"
#include "print/ui/PrintGraphFrm.h"
#include "print/ui/PrintReportFrm.h"
#include "record/ui/AlarmPanel.h"
#include "record/ui/StatisticsPanel.h"
#include "session/SettingsStore.h"
#include "shell/MeterSet.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QMenu>
#include <QProgressDialog>
#include <QRadioButton>
#include <QSignalBlocker>

namespace kst {

QString MainFrm::DialogFolder(bool sampleFolderDefault) const
{
    return SettingsStore::ReadText(QStringLiteral("setting"), QStringLiteral("DDir"),
                                   sampleFolderDefault ? M.SampleFolder() : M.DataFolder);
}

void MainFrm::RememberFolder(const QString &path)
{
    SettingsStore::Write(QStringLiteral("setting"), QStringLiteral("DDir"),
                         QFileInfo(path).absolutePath());
}

QString MainFrm::ChooseFile(bool save, const QString &start)
{
    if (AskFileName)
        return AskFileName(save, start);
    // start is a folder, or a file proposed in its folder.
    const QFileInfo proposed(start);
    const bool isFile =
        !proposed.isDir() && proposed.suffix().compare(u"mas", Qt::CaseInsensitive) == 0;
    QFileDialog dialog(this, save ? tr("Save As") : tr("Open File"),
                       isFile ? proposed.absolutePath() : start, QStringLiteral("mas (*.mas)"));
    if (isFile)
        dialog.selectFile(proposed.fileName());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("mas"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

bool MainFrm::WriteSamples(const QString &path)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Status result = SaveSampleFile(path, M.Samples, M.Samples.SampleCount);
    // Meter k's samples beside it, as "<file>-<name>.mas"; the markers as "<file>.markers".
    for (int k = 1; result && k < M.MeterCount(); ++k)
        result = SaveSampleFile(MeterFilePath(path, k + 1, meterList_[size_t(k)].name),
                                M.Meter(k).Samples, M.Meter(k).Samples.SampleCount);
    const Status markers = result ? SaveMarkerFile(path, M.Markers) : Status();
    QApplication::restoreOverrideCursor();
    if (!result || !markers) {
        // The previous file is untouched and the samples stay unsaved.
        ShowWarning(!result ? tr("The samples were not saved.\n\n%1").arg(result.Reason())
                            : tr("The markers were not saved.\n\n%1").arg(markers.Reason()));
        return false;
    }
    DataModified = false;
    journal_->Remove();
    for (int k = 1; k < M.MeterCount(); ++k)
        meters_->At(k).journal->Remove();
    return true;
}

void MainFrm::ShowWarning(const QString &text)
{
    ShowMessage(M, this, {MessageIcon::Warning, QStringLiteral("KST"), text});
}

MainFrm::SaveOutcome MainFrm::SaveAsOutcome()
{
    return SaveThroughDialog(DialogFolder(false));
}

MainFrm::SaveOutcome MainFrm::SaveThroughDialog(const QString &start)
{
    const QString path = ChooseFile(true, start);
    if (path.isEmpty())
        return SaveOutcome::Cancelled;
    if (!WriteSamples(path))
        return SaveOutcome::Failed;
    RememberFolder(path);
    SetCurrentFile(path);
    damagedFile_ = false;
    return SaveOutcome::Saved;
}

bool MainFrm::OfferToSave(const QString &question, bool withCancel, bool &cancelled)
{
    cancelled = false;
    if (!DataModified)
        return true;
    const int buttons =
        MessageButton::Yes | MessageButton::No | (withCancel ? MessageButton::Cancel : 0);
    const int answer =
        ShowMessage(M, this, {MessageIcon::Question, QStringLiteral("KST"), question, buttons});
    if (answer == MessageButton::Cancel) {
        cancelled = true;
        return false;
    }
    // A save that was asked for and did not happen (cancelled or failed) keeps the samples.
    if (answer == MessageButton::Yes)
        return SaveAsOutcome() == SaveOutcome::Saved;
    return true;
}

void MainFrm::New_Click()
{
    Close_Click();
}

bool MainFrm::CloseFile()
{
    // Asked first: an abandoned Close leaves everything as it was.
    bool cancelled = false;
    if (!OfferToSave(QStringLiteral("Current File No Save,Save? "), false, cancelled))
        return false;
    // The panels go back to meter 1; the other meters let go of their Avg, Rel and limits too.
    SelectMeter(0);
    for (int k = 1; k < M.MeterCount(); ++k) {
        RunningStatistics &statistics = M.Meter(k).Statistics;
        statistics.Ticked.Avg = statistics.Ticked.Rel = false;
        statistics.ClearReadouts();
        AlarmSettings &alarms = meters_->At(k).alarms;
        alarms.high = alarms.low = false;
        M.Meter(k).Alarms = LimitsOf(alarms);
        MeterSet::WriteAlarms(k + 1, alarms);
    }
    CalcFrm->SetTicked(StatisticsPanel::Box::Avg, false);
    CalcFrm->SetTicked(StatisticsPanel::Box::Rel, false);
    // START is let go without starting or stopping anything: neither button stays selected.
    {
        const QSignalBlocker block(StartCom);
        StartCom->setAutoExclusive(false);
        StartCom->setChecked(false);
        StartCom->setAutoExclusive(true);
    }
    UpdateRecording();
    AlarmSettings alarms = AlarmFrm->Settings();
    alarms.high = alarms.low = false;
    AlarmFrm->SetSettings(alarms);
    Statistics.ClearReadouts();
    CalcFrm->Render();
    Form_Initialize();
    Form_Paint();
    return true;
}

void MainFrm::Close_Click()
{
    CloseFile();
}

void MainFrm::Open_Click()
{
    const QString path = ChooseFile(false, DialogFolder(true));
    if (path.isEmpty())
        return;
    ReadSamples(path);
}

void MainFrm::WarnIfIncomplete(const QString &path, const SampleFileReadResult &result)
{
    if (result.complete)
        return;
    ShowWarning(tr("%1 could not be read completely.\n\nReading stopped at line %2: %3\n"
                   "%4 records were loaded.")
                    .arg(QDir::toNativeSeparators(path))
                    .arg(result.stopLine)
                    .arg(result.stopReason)
                    .arg(result.recordsLoaded));
}

void MainFrm::ShowLoadedLog(const SampleFileReadResult &result, int meter)
{
    MeterRecording &recording = M.Meter(meter);
    RestoreLoadedReadouts(result, recording);
    if (meter == selected_)
        CalcFrm->SetStatistics(recording.Statistics);
    if (recording.FollowMeterRange)
        ScaleFromLastSample(recording);
    StripOf(meter)->AfterLoad(); // the whole log drawn from index 0, the scroll range widened
}

// The read-outs of the last flagged records of a loaded log, their boxes ticked.
void MainFrm::RestoreLoadedReadouts(const SampleFileReadResult &result, MeterRecording &meter)
{
    const SampleLog &log = meter.Samples;
    RunningStatistics &statistics = meter.Statistics;
    const auto restore = [&](bool &ticked, Readout &readout, qint32 index, bool avg) {
        if (index < 0 || index >= log.SampleCount)
            return;
        const ReadoutTexts texts =
            LoadedReadoutTexts(avg ? log.SampleAvg(index) : log.SampleValue(index),
                               log.SampleDate(index), log.SampleTime(index));
        readout = {texts.data, texts.time};
        ticked = true;
    };
    restore(statistics.Ticked.Max, statistics.Max, result.lastMaxIndex, false);
    restore(statistics.Ticked.Min, statistics.Min, result.lastMinIndex, false);
    restore(statistics.Ticked.Avg, statistics.Avg, result.lastAvgIndex, true);
}

void MainFrm::ReadOtherMeters(const QString &path)
{
    for (int k = 1; k < M.MeterCount(); ++k) {
        const QString file = MeterFilePath(path, k + 1, meterList_[size_t(k)].name);
        if (!QFileInfo::exists(file))
            continue;
        const SampleFileReadResult result = LoadSampleFile(file, M.Meter(k).Samples);
        ShowLoadedLog(result, k);
        WarnIfIncomplete(file, result);
    }
}

void MainFrm::ReadSamples(const QString &path)
{
    if (loading_)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!CloseFile()) {
        QApplication::restoreOverrideCursor();
        return;
    }
    // While a file loads the window stays responsive, but nothing else may load, save or
    // record.
    loading_ = true;
    UpdateRecording();
    FileMenu->setEnabled(false);
    ControlFrm->setEnabled(false);
    QProgressDialog progress(tr("Loading %1").arg(QFileInfo(path).fileName()), QString(), 0, 1000,
                             this);
    progress.setWindowTitle(QStringLiteral("KST"));
    progress.setMinimumDuration(400);
    progress.setWindowModality(Qt::WindowModal);
    const SampleFileReadResult result =
        LoadSampleFile(path, M.Samples, [&](qint64 done, qint64 total) {
            if (total > 0)
                progress.setValue(int(done * 1000 / total));
            QCoreApplication::processEvents();
        });
    progress.reset();
    if (const Result<MarkerList> markers = LoadMarkerFile(path); markers)
        M.Markers = *markers;
    else
        ShowWarning(tr("The markers were not read.\n\n%1").arg(markers.Reason()));
    loading_ = false;
    UpdateRecording();
    FileMenu->setEnabled(!StartCom->isChecked());
    ControlFrm->setEnabled(true);
    ShowLoadedLog(result);
    ReadOtherMeters(path);
    // A file that gave no record does not become current; one read in part stays current, but
    // Save goes through the dialog rather than overwrite it.
    if (result.recordsLoaded > 0) {
        SetCurrentFile(path);
        damagedFile_ = !result.complete;
    }
    RememberFolder(path);
    QApplication::restoreOverrideCursor();
    UpdateStatusBar();
    WarnIfIncomplete(path, result);
}

void MainFrm::Save_Click()
{
    if (loading_)
        return;
    if (damagedFile_)
        SaveThroughDialog(SaveFileName);
    else
        WriteSamples(SaveFileName);
}

void MainFrm::SaveAs_Click()
{
    if (!loading_)
        SaveAsOutcome();
}

QString MainFrm::ChooseCsvFile(const QString &suggested, CsvForm &form)
{
    if (AskFileName)
        return AskFileName(true, suggested);
    // The form is chosen with the file's type.
    const QStringList filters{tr("CSV for programs (*.csv)"), tr("CSV for spreadsheets (*.csv)")};
    QFileDialog dialog(this, tr("Export CSV"), suggested);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters[form == CsvForm::Spreadsheet ? 1 : 0]);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    form = dialog.selectedNameFilter() == filters[1] ? CsvForm::Spreadsheet : CsvForm::Iso;
    return dialog.selectedFiles().constFirst();
}

void MainFrm::ExportCsv_Click()
{
    if (loading_)
        return;
    // Offered beside the current file, under its name, in the form chosen last.
    const QFileInfo current(M.CurrentFileName);
    const QString folder =
        current.absoluteDir().exists() ? current.absolutePath() : DialogFolder(true);
    CsvForm form = CsvFormFromName(SettingsStore::ReadText(QStringLiteral("setting"),
                                                           QStringLiteral("CsvForm")))
                       .value_or(CsvForm::Iso);
    const QString path =
        ChooseCsvFile(folder + u'/' + current.completeBaseName() + QStringLiteral(".csv"), form);
    if (path.isEmpty())
        return;
    SettingsStore::Write(QStringLiteral("setting"), QStringLiteral("CsvForm"), CsvFormName(form));
    // A long export shows its progress and can be cancelled; the window is drawn, and readings
    // go on arriving, while it runs.
    // With several meters, one tidy file of them all.
    std::vector<MeterSamples> meters;
    qint32 total = 0;
    for (int k = 0; k < M.MeterCount(); ++k) {
        const SampleLog &log = M.Meter(k).Samples;
        meters.push_back({meterList_[size_t(k)].name, &log, log.SampleCount});
        total += log.SampleCount;
    }
    QProgressDialog progress(tr("Exporting %1 samples...").arg(total), tr("Cancel"), 0, total,
                             this);
    progress.setObjectName(QStringLiteral("ExportProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(ExportProgressDelayMs);
    const Result<ExportEnd> result = SaveCsvFile(
        path, meters, {form, QLocale::system()},
        [&progress](qint32 done, qint32) {
            progress.setValue(done); // lets the window's events in
            return !progress.wasCanceled();
        },
        M.Markers);
    if (!result)
        ShowWarning(tr("The samples were not exported.\n\n%1").arg(result.Reason()));
}

void MainFrm::PrintGraph_Click()
{
    // The graph print window's Scale button: the scale window works for it.
    PrintGraphFrm window(
        M, [this](const ScaleTarget &target) { Scall().Edit(target); }, this);
    if (M.MeterCount() > 1)
        window.SetMeters(MeterNames(), SelectedMeter());
    // What the user zoomed to is what prints.
    if (TrendGraphView *strip = StripOf(SelectedMeter()); strip && strip->Zoomed())
        window.ShowView(strip->View());
    window.exec();
}

void MainFrm::PrintReport_Click()
{
    PrintReportFrm window(M, this);
    if (M.MeterCount() > 1)
        window.SetMeters(MeterNames(), SelectedMeter());
    window.exec();
}
} // namespace kst

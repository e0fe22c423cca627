// The main window's side of the recording journal: the status bar note and the one warning when
// the journal cannot be written, and the recovery question at start-up.
#include "shell/MainFrm.h"

#include "common/DateTimeText.h"
#include "common/ui/MessageBox.h"
#include "common/ui/Module1.h"
#include "files/RecordingJournal.h"
#include "graph/ui/TrendGraphView.h"
#include "record/ui/StatisticsPanel.h"
#include "session/MeterSession.h"
#include "session/OutputSinks.h"
#include "shell/MeterSet.h"

#include <algorithm>

#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QStatusBar>

namespace kst {

namespace {

QString NoKeeps();

QString RecoveryQuestion(const RecordingJournal::Orphan &orphan)
{
    QString text = MainFrm::tr("KST ended without saving or discarding its last samples.\n\n"
                               "Recover the %1 samples recorded from %2 to %3?")
                       .arg(orphan.journalCount)
                       .arg(StampText(orphan.first), StampText(orphan.last));
    if (!orphan.continuedFile.isEmpty()) {
        text += MainFrm::tr("\n\nThey continue the %1 samples of %2, which are loaded first.")
                    .arg(orphan.continuedCount)
                    .arg(QDir::toNativeSeparators(orphan.continuedFile));
        if (!orphan.continuedComplete)
            text += MainFrm::tr(" That file now holds only %1 of them.")
                        .arg(orphan.log.SampleCount - orphan.journalCount);
    }
    return text + NoKeeps();
}

QString NoKeeps()
{
    return MainFrm::tr("\n\nNo keeps the samples in the SAMPLE folder as "
                       "recovered-<date>-<time>.mas.");
}

// The question for the journals of several meters, one line each.
QString
RecoveryQuestion(const std::vector<std::pair<QString, const RecordingJournal::Orphan *>> &journals)
{
    QString text = MainFrm::tr("KST ended without saving or discarding its last samples.\n\n"
                               "Recover the samples of these meters?\n");
    for (const auto &[name, orphan] : journals)
        text += MainFrm::tr("\n%1: %2 samples recorded from %3 to %4")
                    .arg(name)
                    .arg(orphan->journalCount)
                    .arg(StampText(orphan->first), StampText(orphan->last));
    return text + NoKeeps();
}

} // namespace

void MainFrm::SetUpJournal()
{
    journal_ = new RecordingJournal(M.Samples, M.DataFolder, this);
    // Samples before the journal's first one are those of the file Save writes.
    journalOutput_ = std::make_unique<JournalOutput>(*journal_, [this] { return SaveFileName; });
    session_->AddOutput(*journalOutput_);
    journalText_ = new QLabel(this);
    journalText_->setObjectName(QStringLiteral("JournalText"));
    journalText_->setStyleSheet(QStringLiteral("color: #c00000;"));
    journalText_->hide();
    statusBar()->addPermanentWidget(journalText_);
    connect(journal_, &RecordingJournal::StatusChanged, this, &MainFrm::ShowJournalStatus);
    // Shown once the frame that met the failure has been handled.
    connect(
        journal_, &RecordingJournal::WriteFailed, this,
        [this](const QString &reason) {
            ShowWarning(tr("The recording journal cannot be written, so unsaved samples are not "
                           "safe if KST ends unexpectedly. Recording goes on; save the samples "
                           "to keep them.\n\n%1")
                            .arg(reason));
        },
        Qt::QueuedConnection);
}

void MainFrm::ShowJournalStatus()
{
    const QString error = journal_->Error();
    journalText_->setText(tr("Journal not written: %1").arg(error));
    journalText_->setToolTip(error);
    journalText_->setVisible(!error.isEmpty());
}

int MainFrm::JournalMeter(const QString &name) const
{
    for (size_t k = 1; k < meterList_.size(); ++k)
        if (meterList_[k].name == name)
            return int(k);
    return 0; // meter 1's, or of a meter no longer set up
}

void MainFrm::OfferRecovery()
{
    int after = 0;
    for (;;) {
        // One journal a meter, offered together; another of the same meter comes after them.
        std::vector<std::pair<int, RecordingJournal::Orphan>> group;
        while (std::optional<RecordingJournal::Orphan> orphan =
                   RecordingJournal::NextOrphan(M.DataFolder, after)) {
            after = orphan->slot;
            if (orphan->journalCount == 0) { // a journal of torn bytes is only kept
                SetAsideJournal(*orphan);
                continue;
            }
            const int meter = JournalMeter(orphan->meterName);
            if (std::any_of(group.begin(), group.end(),
                            [&](const auto &g) { return g.first == meter; })) {
                after = orphan->slot - 1;
                break;
            }
            group.emplace_back(meter, std::move(*orphan));
        }
        if (group.empty())
            return;
        if (ShowMessage(M, this,
                        {MessageIcon::Question, QStringLiteral("KST"), RecoveryText(group),
                         MessageButton::Yes | MessageButton::No}) == MessageButton::Yes) {
            CloseFile();
            for (auto &[meter, orphan] : group)
                RecoverJournal(meter, orphan);
            UpdateStatusBar();
            return; // any other journal is offered at the next start
        }
        for (auto &entry : group)
            SetAsideJournal(entry.second);
    }
}

QString
MainFrm::RecoveryText(const std::vector<std::pair<int, RecordingJournal::Orphan>> &group) const
{
    if (group.size() == 1 && group.front().first == 0)
        return RecoveryQuestion(group.front().second);
    std::vector<std::pair<QString, const RecordingJournal::Orphan *>> journals;
    for (const auto &[meter, orphan] : group)
        journals.emplace_back(meterList_[size_t(meter)].name, &orphan);
    return RecoveryQuestion(journals);
}

// The samples come back as after Open, but unsaved, and the journal goes on.
void MainFrm::RecoverJournal(int meter, RecordingJournal::Orphan &orphan)
{
    M.Meter(meter).Samples = std::move(orphan.log);
    ShowLoadedLog(orphan.read, meter);
    DataModified = true;
    if (meter > 0) {
        meters_->At(meter).journal->Adopt(orphan);
        return;
    }
    if (!orphan.continuedFile.isEmpty()) {
        SetCurrentFile(orphan.continuedFile);
        // Save must not overwrite a file that no longer holds just what came before.
        damagedFile_ = !orphan.continuedWhole;
    }
    journal_->Adopt(orphan);
}

void MainFrm::SetAsideJournal(RecordingJournal::Orphan &orphan)
{
    const Result<QString> moved = RecordingJournal::SetAside(orphan, M.SampleFolder());
    if (!moved)
        ShowWarning(tr("The unrecovered samples stay in %1.\n\n%2")
                        .arg(QDir::toNativeSeparators(orphan.path), moved.Reason()));
}

} // namespace kst

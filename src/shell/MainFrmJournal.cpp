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

#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QStatusBar>

namespace kst {

namespace {

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
    text += MainFrm::tr("\n\nNo keeps the samples in the SAMPLE folder as "
                        "recovered-<date>-<time>.mas.");
    return text;
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

void MainFrm::OfferRecovery()
{
    int after = 0;
    while (std::optional<RecordingJournal::Orphan> orphan =
               RecordingJournal::NextOrphan(M.DataFolder, after)) {
        after = orphan->slot;
        const bool ask = orphan->journalCount > 0; // a journal of torn bytes is only kept
        if (ask &&
            ShowMessage(M, this,
                        {MessageIcon::Question, QStringLiteral("KST"), RecoveryQuestion(*orphan),
                         MessageButton::Yes | MessageButton::No}) == MessageButton::Yes) {
            // The samples come back as after Open, but unsaved, and the journal goes on.
            CloseFile();
            M.Samples = std::move(orphan->log);
            ShowLoadedLog(orphan->read);
            if (!orphan->continuedFile.isEmpty()) {
                SetCurrentFile(orphan->continuedFile);
                // Save must not overwrite a file that no longer holds just what came before.
                damagedFile_ = !orphan->continuedWhole;
            }
            DataModified = true;
            journal_->Adopt(*orphan);
            UpdateStatusBar();
            return; // any other journal is offered at the next start
        }
        const Result<QString> moved = RecordingJournal::SetAside(*orphan, M.SampleFolder());
        if (!moved)
            ShowWarning(tr("The unrecovered samples stay in %1.\n\n%2")
                            .arg(QDir::toNativeSeparators(orphan->path), moved.Reason()));
    }
}

} // namespace kst

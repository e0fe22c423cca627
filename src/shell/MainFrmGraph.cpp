// The main window's side of the graph's reading aids: markers, a saved recording under the line,
// the cursor read-out, and the zoom shared by the meters' strips.
#include "shell/MainFrm.h"

#include "common/ui/MessageBox.h"
#include "common/ui/Module1.h"
#include "files/FileIo.h"
#include "files/SampleFileReader.h"
#include "graph/ui/TrendGraphView.h"
#include "session/MeterSession.h"
#include "shell/MeterSet.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>

namespace kst {

void MainFrm::BuildGraphCommands(QMenu *file, QMenu *setup)
{
    const auto add = [this](QMenu *menu, const QString &name, const QString &caption) {
        QAction *action = menu->addAction(caption);
        action->setObjectName(name);
        return action;
    };
    if (file) {
        connect(add(file, QStringLiteral("Overlay"), QStringLiteral("O&verlay...")),
                &QAction::triggered, this, &MainFrm::Overlay_Click);
        removeOverlay_ =
            add(file, QStringLiteral("RemoveOverlay"), QStringLiteral("Remove Overla&y"));
        removeOverlay_->setEnabled(false);
        connect(removeOverlay_, &QAction::triggered, this, &MainFrm::RemoveOverlay_Click);
        return;
    }
    QAction *marker = add(setup, QStringLiteral("AddMarker"), QStringLiteral("&Add Marker..."));
    marker->setShortcut(QKeySequence(Qt::Key_M));
    connect(marker, &QAction::triggered, this, &MainFrm::AddMarker_Click);
    cursorReadout_ =
        add(setup, QStringLiteral("CursorReadout"), QStringLiteral("Cursor &Read-out"));
    cursorReadout_->setCheckable(true);
    cursorReadout_->setShortcut(QKeySequence(Qt::Key_C));
    connect(cursorReadout_, &QAction::toggled, this, &MainFrm::CursorReadout_Click);
    // Home is no menu command: a text field keeps it for itself while it has the focus.
    auto *follow = new QAction(this);
    follow->setObjectName(QStringLiteral("FollowNewest"));
    follow->setShortcut(QKeySequence(Qt::Key_Home));
    connect(follow, &QAction::triggered, this, &MainFrm::FollowNewest);
    addAction(follow);
}

void MainFrm::ConnectStrip(TrendGraphView *strip)
{
    // The time axis is one for every meter; each strip keeps its own value range.
    connect(strip, &TrendGraphView::TimeZoomChosen, this,
            [this, strip](std::optional<TimeWindow> time) {
                for (int k = 0; k < M.MeterCount(); ++k)
                    if (StripOf(k) != strip)
                        StripOf(k)->SetTimeZoom(time);
            });
    connect(strip, &TrendGraphView::FollowChosen, this, [this, strip] {
        for (int k = 0; k < M.MeterCount(); ++k)
            if (StripOf(k) != strip)
                StripOf(k)->Follow();
    });
    strip->SetMarkers(&M.Markers);
    if (cursorReadout_)
        strip->SetCursorReadout(cursorReadout_->isChecked());
}

void MainFrm::FollowNewest()
{
    for (int k = 0; k < M.MeterCount(); ++k)
        StripOf(k)->Follow();
}

void MainFrm::AddMarker_Click()
{
    std::optional<QString> note;
    if (AskMarkerNote) {
        note = AskMarkerNote();
    } else {
        bool ok = false;
        const QString text = QInputDialog::getText(this, tr("Add Marker"), tr("Note:"),
                                                   QLineEdit::Normal, QString(), &ok);
        if (ok)
            note = text;
    }
    if (note)
        AddMarker(*note);
}

void MainFrm::AddMarker(const QString &note)
{
    const QDateTime now = M.Now();
    const Marker marker{now.date(), now.time(), MarkerText(note)};
    kst::AddMarker(M.Markers, marker);
    DataModified = true;
    session_->Mark(marker);
    for (int k = 1; k < M.MeterCount(); ++k)
        meters_->At(k).session->Mark(marker);
    for (int k = 0; k < M.MeterCount(); ++k)
        StripOf(k)->Form_Paint();
}

bool MainFrm::ShowSavedRecording(const QString &path)
{
    for (int k = 0; k < M.MeterCount(); ++k) {
        const QString file = k == 0 ? path : MeterFilePath(path, k + 1, meterList_[size_t(k)].name);
        auto log = std::make_unique<SampleLog>();
        if (k > 0 && !QFileInfo::exists(file)) {
            StripOf(k)->SetSavedRecording(nullptr);
            continue;
        }
        const SampleFileReadResult read = LoadSampleFile(file, *log);
        if (read.recordsLoaded == 0) {
            ShowWarning(tr("%1 has no samples to show.\n\n%2")
                            .arg(QDir::toNativeSeparators(file), read.stopReason));
            return false;
        }
        StripOf(k)->SetSavedRecording(std::move(log));
    }
    removeOverlay_->setEnabled(true);
    return true;
}

void MainFrm::Overlay_Click()
{
    const QString path = ChooseFile(false, DialogFolder(true));
    if (!path.isEmpty())
        ShowSavedRecording(path);
}

void MainFrm::RemoveOverlay_Click()
{
    for (int k = 0; k < M.MeterCount(); ++k)
        StripOf(k)->SetSavedRecording(nullptr);
    removeOverlay_->setEnabled(false);
}

void MainFrm::CursorReadout_Click(bool on)
{
    if (cursorReadout_->isChecked() != on)
        cursorReadout_->setChecked(on); // toggled again, which comes back here
    for (int k = 0; k < M.MeterCount(); ++k)
        StripOf(k)->SetCursorReadout(on);
}

} // namespace kst

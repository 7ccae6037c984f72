// The Lyrics Timings page: each line's start time within its neighbours, recording a whole part
// and removing its timings.
#include "app/app_services.h"
#include "document/song.h"
#include "editor/editor_pages.h"
#include "editor/song_editor.h"
#include "editor/song_edits.h"
#include "editor/sound_timeline.h"
#include "editor/time_spin_edit.h"
#include "editor/waveform_handles.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

namespace lyrimo {
namespace {

// The sound strip moves only times, so the glyph count that limits positions does not matter.
constexpr int kPositionsUnchecked = 255;

} // namespace

TTimingsPage::TTimingsPage(TSongEdit& editor)
    : TPartPage(editor, "Song Lyrics: Lyrics Timings", "songedit3c.html") {
    noTimings_ = new QWidget;
    auto* none = new QVBoxLayout(noTimings_);
    auto* heading = new QLabel(Translate("No Timings Recorded"));
    heading->setStyleSheet("font-size: 15px; font-weight: bold;");
    auto* intro =
        new QLabel(Translate("Timings have not yet been recorded for this song part.  Timings allow you to "
                             "synchronize the lyrics with the music.  This process is fairly easy but may "
                             "require a little pratice."));
    auto* after =
        new QLabel(Translate("After you have sucessfully recorded timings you may further edit and tweek "
                             "them.  To begin recording timings click the \"Record All Timings for This "
                             "Part\" button."));
    for (QLabel* label : {intro, after})
        label->setWordWrap(true);
    auto* recordFirst = new QPushButton(Translate("Record All Timings for This Part..."));
    connect(recordFirst, &QPushButton::clicked, this, &TTimingsPage::RecordAll);
    none->addWidget(heading);
    none->addWidget(intro);
    none->addWidget(after);
    none->addWidget(recordFirst, 0, Qt::AlignLeft);
    none->addStretch(1);

    auto* timed = new QWidget;
    list_ = new QListWidget;
    connect(list_, &QListWidget::currentRowChanged, this, &TTimingsPage::LineSelected);
    start_ = new TTimeSpinEdit;
    start_->setMaximumWidth(160);
    connect(start_, &TTimeSpinEdit::ValueChanged, this, &TTimingsPage::StartChanged);
    auto* startRow = new QFormLayout;
    startRow->addRow(Translate("Selected Line Start Time:"), start_);

    auto* editTimings = new QPushButton(Translate("&Edit Timings..."));
    connect(editTimings, &QPushButton::clicked, this, &TTimingsPage::EditTimings);
    connect(list_, &QListWidget::itemDoubleClicked, this, &TTimingsPage::EditTimings);
    auto* previewLine = new QPushButton(Translate("&Preview Line..."));
    connect(previewLine, &QPushButton::clicked, this, &TTimingsPage::PreviewSelectedLine);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QListWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (QListWidgetItem* item = list_->itemAt(at)) {
            list_->setCurrentItem(item);
            PreviewSelectedLine();
        }
    });
    auto* record = new QPushButton(Translate("&Record All Timings for This Part..."));
    connect(record, &QPushButton::clicked, this, &TTimingsPage::RecordAll);
    auto* remove = new QPushButton(Translate("Re&move All Timings for This Part..."));
    connect(remove, &QPushButton::clicked, this, &TTimingsPage::RemoveAll);
    auto* shiftLine = new QPushButton(Translate("Shift &Line..."));
    shiftLine->setToolTip(Translate("Move the selected line and its timings earlier or later"));
    connect(shiftLine, &QPushButton::clicked, this, &TTimingsPage::ShiftLine);
    auto* shiftPart = new QPushButton(Translate("Shift &Part..."));
    shiftPart->setToolTip(Translate("Move every line of this part and their timings earlier or later"));
    connect(shiftPart, &QPushButton::clicked, this, &TTimingsPage::ShiftPart);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {editTimings, previewLine, record, remove, shiftLine, shiftPart})
        buttons->addWidget(button);
    buttons->addStretch(1);

    sound_ = new TSoundTimeline;
    connect(sound_, &TSoundTimeline::handleDropped, this, &TTimingsPage::TimingDropped);
    AddNudgeShortcuts(this, Qt::WidgetWithChildrenShortcut, [this](int ms) { NudgeSelectedTiming(ms); });

    auto* timedLayout = new QVBoxLayout(timed);
    timedLayout->setContentsMargins(0, 0, 0, 0);
    timedLayout->addWidget(list_, 1);
    timedLayout->addLayout(startRow);
    timedLayout->addWidget(sound_);
    timedLayout->addLayout(buttons);

    panels_ = new QStackedWidget;
    panels_->addWidget(noTimings_);
    panels_->addWidget(timed);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(panels_, 1);
}

void TTimingsPage::FillPart() {
    const tLyricsData* part = Part();
    if (!part)
        return;
    filling_ = true;
    panels_->setCurrentWidget(part->PartRecord.TimingsRecorded() ? panels_->widget(1) : noTimings_);
    const int row = list_->currentRow();
    list_->clear();
    const bool rightToLeft = Song().SongSettings.RightToLeft();
    const QIcon warning = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (int i = 0; i < part->LineCount(); ++i) {
        const tTimingsLineType& line = *part->GetLine(i);
        auto* item = new QListWidgetItem(EditorLineText(Song(), *part, line), list_);
        item->setTextAlignment(rightToLeft ? Qt::AlignRight | Qt::AlignVCenter
                                           : Qt::AlignLeft | Qt::AlignVCenter);
        if (LineLacksTimings(Song(), *part, line)) {
            item->setIcon(warning);
            item->setToolTip(Translate("This line has no timings"));
        }
    }
    filling_ = false;
    list_->setCurrentRow(list_->count() == 0 ? -1 : std::clamp(row, 0, list_->count() - 1));
    start_->setEnabled(list_->currentRow() >= 0);
    sound_->SetSong(Song(), PartIndex());
    ShowLineOnSound(list_->currentRow());
}

// The strip shows the sound from the line before to the line after, with the handles of the
// selected line's timings.
void TTimingsPage::ShowLineOnSound(int row) {
    const tLyricsData* part = Part();
    const tTimingsLineType* line = part ? part->GetLine(row) : nullptr;
    if (!line) {
        sound_->View()->SetHandles({});
        return;
    }
    tLineTimingsEdit edit(Song(), PartIndex(), row, kPositionsUnchecked);
    const QString text = EditorLineText(Song(), *part, *line);
    std::vector<tTimingHandle> handles = TimingHandles(edit, text);
    const tTimingsLineType* before = part->GetLine(row - 1);
    const tTimingsLineType* after = part->GetLine(row + 1);
    const int from = before ? before->LineRecord.LineStart() : line->LineRecord.LineStart() - 2000;
    const int to = int(after ? LineEndTime(*after) : LineEndTime(*line) + 2000);
    sound_->View()->ShowRange(from - 500, std::max(to, from + 1000) + 500);
    const int selected = sound_->View()->Selected();
    sound_->View()->SetHandles(std::move(handles));
    sound_->View()->SetSelected(selected < line->TimingCount() ? selected : -1);
}

void TTimingsPage::TimingDropped(int index, int partMs) {
    tLyricsData* part = Part();
    const int row = list_->currentRow();
    tTimingsLineType* line = part ? part->GetLine(row) : nullptr;
    if (!line)
        return;
    editor_.BeginEdit(Translate("Move Timing"));
    tLineTimingsEdit edit(Song(), PartIndex(), row, kPositionsUnchecked);
    if (edit.SetDelta(index, partMs - line->LineRecord.LineStart()))
        editor_.Edited();
    else
        editor_.History().DropLast();
    ShowLineOnSound(row);
}

void TTimingsPage::NudgeSelectedTiming(int ms) {
    const int row = list_->currentRow();
    if (!Part() || !Part()->GetLine(row))
        return;
    editor_.BeginEdit(Translate("Nudge Timing"));
    tLineTimingsEdit edit(Song(), PartIndex(), row, kPositionsUnchecked);
    if (NudgeTiming(edit, sound_->View()->Selected(), ms))
        editor_.Edited();
    else
        editor_.History().DropLast();
    ShowLineOnSound(row);
}

void TTimingsPage::ShiftLine() { Shift(list_->currentRow(), list_->currentRow(), Translate("Shift Line")); }

void TTimingsPage::ShiftPart() {
    if (Part())
        Shift(0, Part()->LineCount() - 1, Translate("Shift Part"));
}

void TTimingsPage::Shift(int first, int last, const QString& what) {
    tLyricsData* part = Part();
    if (!part || !part->GetLine(first) || !editor_.Dialogs().prompt)
        return;
    const std::optional<QString> answer = editor_.Dialogs().prompt(
        what, Translate("Move the timings by how many milliseconds? (earlier: negative)"),
        Translate("Milliseconds:"), "0");
    bool ok = false;
    const int64_t offset = answer ? answer->trimmed().toLongLong(&ok) : 0;
    if (!ok || offset == 0)
        return;
    editor_.BeginEdit(what);
    if (ShiftLines(*part, first, last, offset) != 0)
        editor_.Edited();
    else
        editor_.History().DropLast();
    FillPart();
}

void TTimingsPage::LineSelected(int row) {
    tLyricsData* part = Part();
    const tTimingsLineType* line = part ? part->GetLine(row) : nullptr;
    start_->setEnabled(line != nullptr);
    if (!line)
        return;
    // A start outside its neighbours' limits is put right as soon as the line is looked at.
    if (ClampLineStart(*part, row))
        editor_.Edited();
    const tStartLimits limits = LineStartLimits(*part, row);
    const bool wasFilling = filling_;
    filling_ = true;
    start_->SetLimits(limits.minimum, limits.maximum);
    start_->SetValue(line->LineRecord.LineStart());
    filling_ = wasFilling;
    sound_->View()->SetSelected(-1);
    ShowLineOnSound(row);
}

void TTimingsPage::StartChanged(int64_t ms) {
    tLyricsData* part = Part();
    tTimingsLineType* line = part ? part->GetLine(list_->currentRow()) : nullptr;
    if (filling_ || !line || line->LineRecord.LineStart() == ms)
        return;
    editor_.BeginEdit(Translate("Line Start Time"), "start " + QString::number(list_->currentRow()));
    line->LineRecord.setLineStart(static_cast<int32_t>(ms));
    editor_.Edited();
    ShowLineOnSound(list_->currentRow());
}

void TTimingsPage::RecordAll() {
    tLyricsData* part = Part();
    if (!part || !editor_.Dialogs().recordTimings)
        return;
    bool hasTimings = false;
    for (int i = 0; i < part->LineCount(); ++i)
        hasTimings |= part->GetLine(i)->TimingCount() > 0;
    if (hasTimings &&
        App().MessageBox(
            Translate("Record all timings for this part? Are you sure? If you do this your current "
                      "timings for this part will be lost"),
            Translate("Record All Timings"), mb::OkCancel | mb::IconQuestion) != mb::IdOk)
        return;
    editor_.BeginEdit(Translate("Record All Timings"));
    if (editor_.Dialogs().recordTimings(Song(), PartIndex()))
        editor_.Edited();
    editor_.History().Seal();
    FillPart();
}

void TTimingsPage::EditTimings() {
    tLyricsData* part = Part();
    const int row = list_->currentRow();
    if (!part || !part->GetLine(row) || !editor_.Dialogs().editLineTimings)
        return;
    editor_.BeginEdit(Translate("Edit Timings"));
    if (editor_.Dialogs().editLineTimings(Song(), PartIndex(), row))
        editor_.Edited();
    else
        editor_.History().DropLast();
    FillPart();
    list_->setCurrentRow(row);
}

void TTimingsPage::PreviewSelectedLine() {
    tLyricsData* part = Part();
    int row = list_->currentRow();
    if (!part || !part->GetLine(row) || !editor_.Dialogs().previewLine)
        return;
    editor_.BeginEdit(Translate("Edit Timings"));
    if (editor_.Dialogs().previewLine(Song(), PartIndex(), row))
        editor_.Edited();
    else
        editor_.History().DropLast();
    FillPart();
    list_->setCurrentRow(row);
}

void TTimingsPage::RemoveAll() {
    tLyricsData* part = Part();
    if (!part ||
        App().MessageBox(Translate("Delete all timings for this part? Are you sure?"),
                         Translate("Delete All Timings?"), mb::OkCancel | mb::IconQuestion) != mb::IdOk)
        return;
    editor_.BeginEdit(Translate("Remove All Timings"));
    for (int i = 0; i < part->LineCount(); ++i)
        part->GetLine(i)->ClearTimings();
    part->PartRecord.setTimingsRecorded(0);
    editor_.Edited();
    FillPart();
}

} // namespace lyrimo

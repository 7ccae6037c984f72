// The Lyrics Timings page: each line's start time within its neighbours, recording a whole part
// and removing its timings.
#include "app/app_services.h"
#include "document/song.h"
#include "editor/editor_pages.h"
#include "editor/song_editor.h"
#include "editor/song_edits.h"
#include "editor/time_spin_edit.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

namespace lyrimo {

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
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {editTimings, previewLine, record, remove})
        buttons->addWidget(button);
    buttons->addStretch(1);

    auto* timedLayout = new QVBoxLayout(timed);
    timedLayout->setContentsMargins(0, 0, 0, 0);
    timedLayout->addWidget(list_, 1);
    timedLayout->addLayout(startRow);
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
}

void TTimingsPage::StartChanged(int64_t ms) {
    tLyricsData* part = Part();
    tTimingsLineType* line = part ? part->GetLine(list_->currentRow()) : nullptr;
    if (filling_ || !line || line->LineRecord.LineStart() == ms)
        return;
    editor_.BeginEdit(Translate("Line Start Time"), "start " + QString::number(list_->currentRow()));
    line->LineRecord.setLineStart(static_cast<int32_t>(ms));
    editor_.Edited();
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

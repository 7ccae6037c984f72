#include "editor/time_picker_window.h"

#include "app/app_services.h"
#include "document/song.h"
#include "editor/editor_pages.h"
#include "editor/song_edits.h"
#include "editor/time_spin_edit.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace lyrimo {

TGetTimings::TGetTimings(const QString& title, const tLyrimoData& song, int64_t start, QWidget* parent)
    : QDialog(parent), song_(song) {
    setWindowTitle(Translate("Lyrimo - Get Timings from Lyrics"));
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(title);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);
    tabs_ = new TPartTabs;
    layout->addWidget(tabs_);
    lines_ = new QListWidget;
    lines_->setLayoutDirection(song.SongSettings.RightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    layout->addWidget(lines_, 1);

    auto* row = new QHBoxLayout;
    auto* label = new QLabel(Translate("Selected &Time:"));
    time_ = new TTimeSpinEdit;
    time_->SetValue(start);
    label->setBuddy(time_);
    row->addWidget(label);
    row->addWidget(time_);
    row->addStretch();
    layout->addLayout(row);

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(Translate("&OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(Translate("&Cancel"), QDialogButtonBox::RejectRole);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    connect(tabs_, &QTabBar::currentChanged, this, &TGetTimings::FillLines);
    connect(lines_, &QListWidget::currentRowChanged, this, &TGetTimings::LineClicked);
    connect(lines_, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    tabs_->Rebuild(song_);
    FillLines();
    resize(520, 460);
}

int64_t TGetTimings::Time() const { return time_->Value(); }

void TGetTimings::FillLines() {
    const QSignalBlocker quiet(lines_);
    lines_->clear();
    const tLyricsData* part = song_.GetPart(tabs_->currentIndex());
    if (!part)
        return;
    for (int i = 0; i < part->LineCount(); ++i)
        lines_->addItem(EditorLineText(song_, *part, *part->GetLine(i)));
}

void TGetTimings::LineClicked(int row) {
    const tLyricsData* part = song_.GetPart(tabs_->currentIndex());
    const tTimingsLineType* line = part ? part->GetLine(row) : nullptr;
    if (line)
        time_->SetValue(int64_t(line->LineRecord.LineStart()) - part->PartRecord.StartOffset());
}

std::optional<int64_t> PickTimeFromLyrics(const QString& title, const tLyrimoData& song, int64_t start,
                                          QWidget* parent) {
    TGetTimings picker(title, song, start, parent);
    if (picker.exec() != QDialog::Accepted)
        return std::nullopt;
    return picker.Time();
}

} // namespace lyrimo

#include "editor/line_preview_window.h"

#include "app/app_services.h"
#include "document/song.h"
#include "editor/line_timings_window.h"
#include "editor/recorder_window_parts.h"
#include "media/media_player.h"
#include "render/line_setup.h"
#include "ui/program_style.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QImage>
#include <QPainter>
#include <QPushButton>

namespace lyrimo {

namespace {

constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 27;
constexpr int kGap = 6;
constexpr int kVideoLeft = 3 * kGap + 2 * kButtonWidth;
constexpr int kVideoWidth = 180;

QPushButton* Button(const QString& text, QWidget* parent) {
    auto* button = new QPushButton(Translate(text), parent);
    button->setAutoDefault(false);
    button->resize(kButtonWidth, kButtonHeight);
    return button;
}

} // namespace

TLinePreview::TLinePreview(tLyrimoData& song, int partIndex, int lineIndex, bool editingOffered,
                           std::unique_ptr<tMyMediaPlayer> player, QWidget* parent)
    : QDialog(parent), song_(song), partIndex_(partIndex), lineIndex_(lineIndex),
      editingOffered_(editingOffered),
      player_(player ? std::move(player) : std::make_unique<tMyMediaPlayer>()) {
    setWindowTitle(Translate("Lyrimo Line Preview"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    editLine = EditLineTimings;
    BuildControlBar();
    timer_.setInterval(kDisplayInterval);
    connect(&timer_, &QTimer::timeout, this, &TLinePreview::DisplayTick);
    resize(800, 360);
}

TLinePreview::~TLinePreview() = default;

void TLinePreview::BuildControlBar() {
    bar_ = new QFrame(this);
    bar_->setObjectName("PreviewBar");
    bar_->setStyleSheet(QString("QFrame#PreviewBar { background: %1; border-top: 1px solid %2; }"
                                "QFrame#PreviewVideo { background: black; border: 1px solid %2; }")
                            .arg(program_colour::Window, program_colour::Border));
    video_ = new TVideoPanel(bar_);
    video_->setObjectName("PreviewVideo");
    video_->setGeometry(kVideoLeft, 2, kVideoWidth, kControlBarHeight - 4);
    video_->setVisible(ShowsVideo(song_));

    play_ = Button("Play", bar_);
    stop_ = Button("Stop", bar_);
    prev_ = Button("<< Prev", bar_);
    next_ = Button("Next >>", bar_);
    edit_ = Button("Edit", bar_);
    for (QPushButton* button : {prev_, next_, edit_})
        button->setVisible(editingOffered_);
    speed_ = recorder_window::SpeedBox(player_.get());
    speed_->setParent(bar_);
    speed_->adjustSize();

    connect(play_, &QPushButton::clicked, this, &TLinePreview::PlayClicked);
    connect(stop_, &QPushButton::clicked, this, &TLinePreview::StopClicked);
    connect(prev_, &QPushButton::clicked, this, &TLinePreview::PrevClicked);
    connect(next_, &QPushButton::clicked, this, &TLinePreview::NextClicked);
    connect(edit_, &QPushButton::clicked, this, &TLinePreview::EditClicked);
    PlaceControls();
}

// Prev and Next follow the video panel, or take its place when it is hidden.
void TLinePreview::PlaceControls() {
    const int y = (kControlBarHeight - kButtonHeight) / 2;
    play_->move(kGap, y);
    stop_->move(2 * kGap + kButtonWidth, y);
    const int panelRight = kVideoLeft + kVideoWidth;
    int nextLeft = panelRight + 2 * kGap + kButtonWidth;
    if (video_->isHidden())
        nextLeft = panelRight - kButtonWidth;
    next_->move(nextLeft, y);
    prev_->move(nextLeft - kGap - kButtonWidth, y);
    edit_->move(nextLeft + kButtonWidth + kGap, y);
    speed_->move(bar_->width() - kGap - speed_->width(), (kControlBarHeight - speed_->height()) / 2);
}

bool TLinePreview::Run() {
    if (!OpenMedia()) {
        ReportMediaFailure();
        return false;
    }
    playing_ = false;
    SelectLine(lineIndex_);
    timer_.start();
    exec();
    timer_.stop();
    player_->Stop();
    player_->CloseCurrent();
    playing_ = false;
    return changed_;
}

bool TLinePreview::OpenMedia() {
    if (!player_->OpenSongMedia(song_, ShowsVideo(song_) ? video_->Window() : nullptr))
        return false;
    const QPoint at = video_->mapTo(this, QPoint(0, 0));
    player_->SetDisplayRect(
        {at.x() + 1, at.y() + 1, at.x() + video_->width() - 1, at.y() + video_->height() - 1});
    video_->Follow(player_.get());
    return true;
}

void TLinePreview::ReportMediaFailure() {
    App().MessageBox(Translate("Unable to load/play the media that you have specified") + "\r\n" +
                         player_->TakeLastError(),
                     Translate("Error playing media"), mb::IconWarning);
}

int32_t TLinePreview::StartOffset() const {
    const tLyricsData* part = song_.GetPart(partIndex_);
    return part ? part->PartRecord.StartOffset() : 0;
}

int32_t TLinePreview::LineStart(int index) const {
    const tLyricsData* part = song_.GetPart(partIndex_);
    const tTimingsLineType* line = part ? part->GetLine(index) : nullptr;
    return line ? line->LineRecord.LineStart() : 0;
}

int TLinePreview::LastLine() const {
    const tLyricsData* part = song_.GetPart(partIndex_);
    return part ? part->LineCount() - 1 : -1;
}

void TLinePreview::SetupRenderer() {
    const int w = std::max(1, width());
    const int h = std::max(1, height());
    frame_ = Bitmap(w, h, WorkingPixelFormat());
    renderer_.Setup(&song_, partIndex_, LineSetupFrom(Settings()), tLineRole{},
                    tLineImages{w, std::max(1, h - kControlBarHeight), WorkingPixelFormat(), h});
}

void TLinePreview::UpdateStepButtons() {
    prev_->setEnabled(editingOffered_ && lineIndex_ > 0);
    next_->setEnabled(editingOffered_ && lineIndex_ < LastLine());
}

void TLinePreview::SelectLine(int index) {
    lineIndex_ = index;
    SetupRenderer();
    UpdateStepButtons();
    renderer_.PrepareLine(index, false, Background(), false);
    DrawLine();
}

tColour TLinePreview::Background() const { return tColour(song_.SongSettings.BackgroundColour()) & 0xFFFFFF; }

bool TLinePreview::DrawLine() {
    frame_.Fill(Background());
    const int32_t time = playing_ ? player_->GetPosition() + StartOffset() : LineStart(lineIndex_);
    const int textHeight = renderer_.TextHeight();
    const bool finished = renderer_.DrawFrame(frame_, time, kDefaultEndEarlyMargin, 255, nullptr, textHeight,
                                              (frame_.Height() - textHeight) / 2, nullptr, true);
    update();
    return finished;
}

void TLinePreview::StartAt(int lineIndex) {
    recorder_window::ApplySpeed(*player_);
    player_->SetPosition(LineStart(lineIndex) - StartOffset() - kLeadIn);
    player_->Play();
    playing_ = true;
}

void TLinePreview::PlayClicked() {
    SelectLine(lineIndex_);
    player_->Stop();
    // Some backends seek only once playing.
    player_->Play();
    StartAt(lineIndex_);
}

void TLinePreview::StopClicked() {
    player_->Stop();
    playing_ = false;
    DrawLine();
}

void TLinePreview::PrevClicked() {
    if (lineIndex_ <= 0)
        return;
    SelectLine(lineIndex_ - 1);
    if (playing_)
        StartAt(lineIndex_);
}

void TLinePreview::NextClicked() {
    if (lineIndex_ >= LastLine())
        return;
    SelectLine(lineIndex_ + 1);
    if (playing_)
        StartAt(lineIndex_);
}

void TLinePreview::EditClicked() {
    StopClicked();
    player_->CloseCurrent();
    timer_.stop();
    if (editLine && editLine(song_, partIndex_, lineIndex_, this))
        changed_ = true;
    timer_.start(kDisplayInterval);
    // The line may have new timings or a new start.
    SelectLine(lineIndex_);
    if (!OpenMedia()) {
        ReportMediaFailure();
        close();
    }
}

void TLinePreview::DisplayTick() {
    timer_.stop();
    if (!started_) {
        PlayClicked();
        started_ = true;
    }
    if (DrawLine() && playing_) {
        if (next_->isEnabled()) {
            // The media runs on into the next line: no seek.
            lineIndex_ += 1;
            UpdateStepButtons();
            renderer_.PrepareLine(lineIndex_, false,
                                  tColour(song_.SongSettings.BackgroundColour()) & 0xFFFFFF, false);
        } else {
            StopClicked();
        }
    }
    if (isVisible())
        timer_.start(kDisplayInterval);
}

void TLinePreview::paintEvent(QPaintEvent*) { recorder_window::PaintBitmap(*this, frame_); }

void TLinePreview::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    bar_->setGeometry(0, height() - kControlBarHeight, width(), kControlBarHeight);
    PlaceControls();
    SelectLine(lineIndex_);
}

void TLinePreview::closeEvent(QCloseEvent* event) {
    timer_.stop();
    QDialog::closeEvent(event);
}

bool PreviewLine(tLyrimoData& song, int partIndex, int& lineIndex, bool editingOffered, QWidget* parent,
                 std::unique_ptr<tMyMediaPlayer> player) {
    const tLyricsData* part = song.GetPart(partIndex);
    if (!part || !part->GetLine(lineIndex))
        return false;
    TLinePreview preview(song, partIndex, lineIndex, editingOffered, std::move(player), parent);
    const bool changed = preview.Run();
    if (editingOffered)
        lineIndex = preview.LineIndex();
    return changed;
}

} // namespace lyrimo

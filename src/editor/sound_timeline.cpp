#include "editor/sound_timeline.h"

#include "app/app_services.h"
#include "document/binary_file.h"
#include "document/song.h"
#include "editor/recorder_window_parts.h"
#include "media/media_player.h"
#include "media/waveform_peaks.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

namespace lyrimo {
namespace {

constexpr int kFollowIntervalMs = 30;

} // namespace

void AddNudgeShortcuts(QWidget* owner, Qt::ShortcutContext context,
                       const std::function<void(int ms)>& nudge) {
    const std::pair<const char*, int> nudges[] = {{"[", -10}, {"]", 10}, {"{", -100}, {"}", 100}};
    for (auto [key, ms] : nudges) {
        auto* shortcut = new QShortcut(QKeySequence(key), owner, nullptr, nullptr, context);
        QObject::connect(shortcut, &QShortcut::activated, owner, [nudge, ms = ms] { nudge(ms); });
    }
}

TSoundTimeline::TSoundTimeline(QWidget* parent) : QWidget(parent) {
    makePlayer = [] { return std::make_unique<tMyMediaPlayer>(); };
    view_ = new TWaveformView;
    view_->setMinimumHeight(140);
    snap_ = new QCheckBox(Translate("Snap to the sound"));
    snap_->setChecked(true);
    auto* hint =
        new QLabel(Translate("Drag a timing along the sound, click to listen.  [ ]: 10 ms earlier or "
                             "later,  { }: 100 ms,  Ctrl+Z: undo"));
    hint->setObjectName("WaveformHint");
    speed_ = recorder_window::SpeedBox(nullptr);
    auto* row = new QHBoxLayout;
    row->addWidget(snap_);
    row->addWidget(new QLabel(Translate("Listen at:")));
    row->addWidget(speed_);
    row->addWidget(hint, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_, 1);
    layout->addLayout(row);

    connect(snap_, &QCheckBox::toggled, view_, &TWaveformView::SetSnapping);
    connect(speed_, &QComboBox::currentIndexChanged, this, [this] {
        if (player_ && Playing())
            recorder_window::ApplySpeed(*player_);
    });
    connect(view_, &TWaveformView::handleSelected, this, &TSoundTimeline::handleSelected);
    connect(view_, &TWaveformView::handleDropped, this, &TSoundTimeline::handleDropped);
    connect(view_, &TWaveformView::playFromRequested, this, &TSoundTimeline::PlayFrom);
    peakTimer_ = new QTimer(this);
    peakTimer_->setInterval(0);
    connect(peakTimer_, &QTimer::timeout, this, &TSoundTimeline::StepPeaks);
    playTimer_ = new QTimer(this);
    playTimer_->setInterval(kFollowIntervalMs);
    connect(playTimer_, &QTimer::timeout, this, &TSoundTimeline::FollowPlayback);
}

TSoundTimeline::~TSoundTimeline() { StopPlaying(); }

int TSoundTimeline::PartOffset() const {
    const tLyricsData* part = song_ ? song_->GetPart(partIndex_) : nullptr;
    return part ? part->PartRecord.StartOffset() : 0;
}

// The outline comes from the cache when it is there, else it is worked out a piece at a time
// while the window is already in use.
void TSoundTimeline::SetSong(tLyrimoData& song, int partIndex) {
    song_ = &song;
    partIndex_ = partIndex;
    const tSongSettings& s = song.SongSettings;
    const QString media = s.UseMediaFile() == 1 ? PathFromField(s.MediaFileName()) : QString();
    if (media == media_ && (peaks_ || !view_->Peaks().IsEmpty())) {
        view_->SetPeaks(view_->Peaks(), PartOffset());
        return;
    }
    media_ = media;
    peaks_.reset();
    peakTimer_->stop();
    view_->SetPeaks({}, 0);
    if (media_.isEmpty() || !QFileInfo(media_).isFile())
        return;
    tWaveformPeaks cached;
    if (LoadCachedPeaks(media_, cached)) {
        view_->SetPeaks(std::move(cached), PartOffset());
        return;
    }
    QString reason;
    peaks_ = tPeakComputation::Start(media_, reason);
    if (!peaks_)
        return;
    view_->SetProgress(0.0);
    peakTimer_->start();
}

void TSoundTimeline::StepPeaks() {
    if (!peaks_) {
        peakTimer_->stop();
        return;
    }
    if (peaks_->Step()) {
        view_->SetProgress(peaks_->Progress());
        return;
    }
    peakTimer_->stop();
    tWaveformPeaks peaks = peaks_->TakePeaks();
    peaks_.reset();
    StoreCachedPeaks(media_, peaks);
    view_->SetPeaks(std::move(peaks), PartOffset());
}

bool TSoundTimeline::FinishPeaks() {
    while (peaks_)
        StepPeaks();
    return !view_->Peaks().IsEmpty();
}

void TSoundTimeline::PlayFrom(int partMs) {
    if (!song_)
        return;
    if (!player_)
        player_ = makePlayer ? makePlayer() : nullptr;
    if (!player_)
        return;
    if (!playerOpen_) {
        playerOpen_ = player_->OpenSongMedia(*song_, nullptr);
        if (!playerOpen_) {
            App().MessageBox(Translate("The sound cannot be played") + ": " + player_->TakeLastError(),
                             Translate("Error"), mb::IconWarning);
            return;
        }
    }
    recorder_window::ApplySpeed(*player_);
    player_->SetPosition(std::max(partMs - PartOffset(), 0));
    player_->Play();
    playUntil_ = partMs + kListenMs;
    playTimer_->start();
    FollowPlayback();
}

bool TSoundTimeline::Playing() const { return playTimer_->isActive(); }

void TSoundTimeline::FollowPlayback() {
    const int now = player_ ? player_->GetPosition() + PartOffset() : 0;
    if (!player_ || !player_->IsPlaying() || now >= playUntil_) {
        StopPlaying();
        return;
    }
    view_->SetCursorTime(now);
}

void TSoundTimeline::StopPlaying() {
    playTimer_->stop();
    if (player_ && playerOpen_ && player_->IsPlaying() && !player_->IsPaused())
        player_->PauseResume();
    view_->SetCursorTime(std::nullopt);
}

} // namespace lyrimo

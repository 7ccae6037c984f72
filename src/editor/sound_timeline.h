// The sound strip of the timings editors: the waveform view of the song's sound with its
// snapping switch and a line of help, which works the sound's outline out in the background
// (or takes it from the cache) and plays the song from where it is clicked, the cursor following
// for a few seconds.
#pragma once

#include "editor/waveform_view.h"

#include <QWidget>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QTimer;

namespace lyrimo {

class tLyrimoData;
class tMyMediaPlayer;
class tPeakComputation;

// The nudge keys of the timings editors on owner: [ and ] move by 10 ms, { and } by 100 ms;
// nudge is called with the milliseconds.
void AddNudgeShortcuts(QWidget* owner, Qt::ShortcutContext context, const std::function<void(int ms)>& nudge);

class TSoundTimeline : public QWidget {
    Q_OBJECT

public:
    static constexpr int kListenMs = 4000;

    explicit TSoundTimeline(QWidget* parent = nullptr);
    ~TSoundTimeline() override;

    // Makes the player that plays the song when the sound is clicked; replaceable (tests).
    std::function<std::unique_ptr<tMyMediaPlayer>()> makePlayer;

    // Shows the sound of the song's media file, in the part time of partIndex.
    void SetSong(tLyrimoData& song, int partIndex);
    TWaveformView* View() const { return view_; }
    QCheckBox* SnapBox() const { return snap_; }
    QComboBox* SpeedChoice() const { return speed_; }

    // Works the outline out to the end at once (tests); false without a sound.
    bool FinishPeaks();
    // Plays from a part time for a few seconds, the cursor following.
    void PlayFrom(int partMs);
    void StopPlaying();
    bool Playing() const;

signals:
    void handleSelected(int index);
    void handleDropped(int index, int partMs);

private:
    void StepPeaks();
    void FollowPlayback();
    int PartOffset() const;

    tLyrimoData* song_ = nullptr;
    int partIndex_ = 0;
    QString media_;
    std::unique_ptr<tPeakComputation> peaks_;
    std::unique_ptr<tMyMediaPlayer> player_;
    bool playerOpen_ = false;
    int playUntil_ = 0;

    TWaveformView* view_ = nullptr;
    QCheckBox* snap_ = nullptr;
    QComboBox* speed_ = nullptr;
    QTimer* peakTimer_ = nullptr;
    QTimer* playTimer_ = nullptr;
};

} // namespace lyrimo

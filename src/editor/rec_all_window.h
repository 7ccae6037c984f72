// The all-lines timing recorder's window: the part's lyrics fill the screen, one line per row,
// the song's media plays, and the user sweeps the pointer along each line as it is sung (the
// rules are tTimingRecorder's). An instructions panel comes first; "Record" clears the part's
// timings and starts the media, and a control strip at the reading end of the screen carries
// "Finished", the time readouts, the video panel and the scroll bar.
#pragma once

#include "editor/recorder_window_parts.h"
#include "editor/timing_recorder.h"
#include "render/font_backend.h"
#include "render/unicode_font_engine.h"

#include <QDialog>
#include <QTimer>

#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QScrollBar;

namespace lyrimo {

class tLyrimoData;
class tMyMediaPlayer;

class TRecAll : public QDialog {
    Q_OBJECT

public:
    // Records the part partIndex of song with the player manager given (the standard one when
    // player is null). The window owns the manager.
    TRecAll(tLyrimoData& song, int partIndex, std::unique_ptr<tMyMediaPlayer> player = nullptr,
            QWidget* parent = nullptr);
    ~TRecAll() override;

    // Shows the recorder full screen and waits for it to end: true when it ended through
    // "Finished" or Esc while recording, false when cancelled before recording or when the
    // media could not be played.
    bool Run();

    // The buttons' work, also reachable for tests.
    void RecordClicked();
    void FinishedClicked();
    void CancelClicked();

    tTimingRecorder& Recorder() { return recorder_; }
    tMyMediaPlayer& Player() { return *player_; }
    // The text colours now: halved while playback is paused.
    int32_t SungColour();
    int32_t UnsungColour();
    // The lines as drawn, in window pixels.
    const Bitmap& Canvas() const { return canvas_.Image; }

    QFrame* InstructionsPanel() const { return instructions_; }
    QFrame* ControlStrip() const { return strip_; }
    QPushButton* RecordButton() const { return record_; }
    QPushButton* CancelButton() const { return cancel_; }
    QPushButton* FinishedButton() const { return finished_; }
    QCheckBox* AutoPauseBox() const { return autoPause_; }
    QLabel* AutoPauseLabel() const { return autoPauseMore_; }
    QLabel* PositionReadout() const { return position_; }
    QLabel* LengthReadout() const { return length_; }
    QLabel* SpeedReadout() const { return speed_; }
    QComboBox* SpeedChoice() const { return speedBox_; }
    QScrollBar* ScrollBar() const { return scrollBar_; }
    TVideoPanel* VideoPanel() const { return video_; }

    // Redraws the lines at the recorder's scroll offset.
    void ShowWords();
    // Shows the media's position and length.
    void ReadoutTimer();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void Tap(tTapStep step);
    void wheelEvent(QWheelEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildInstructions();
    void BuildControlStrip();
    void SetupFont();
    void SetupEngines();
    void PlacePanels();
    void AutoPauseChanged(bool on);
    void ScrollBarMoved(int position);
    void HandlePointer(QMouseEvent* event, bool leftHeld);
    void DrawLine(int index);
    void End(bool finished);

    tLyrimoData& song_;
    int partIndex_;
    std::unique_ptr<tMyMediaPlayer> player_;
    std::vector<tUnicodeFontEngine> engines_;
    tCanvas canvas_;
    std::vector<tUnicodeFontEngine> breakEngines_;
    recorder_window::tEngineLines lines_{engines_, breakEngines_};
    recorder_window::tPlayerTransport transport_;
    tTimingRecorder recorder_;
    int32_t sungColour_ = 0;
    int32_t unsungColour_ = 0;
    int32_t pausedSungColour_ = 0;
    int32_t pausedUnsungColour_ = 0;
    bool ended_ = false;
    bool result_ = false;
    bool syncingScrollBar_ = false;
    QTimer readout_;

    QFrame* instructions_ = nullptr;
    QPushButton* record_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QCheckBox* autoPause_ = nullptr;
    QLabel* autoPauseMore_ = nullptr;
    QFrame* strip_ = nullptr;
    QPushButton* finished_ = nullptr;
    QLabel* position_ = nullptr;
    QLabel* length_ = nullptr;
    QLabel* speed_ = nullptr;
    QComboBox* speedBox_ = nullptr;
    TVideoPanel* video_ = nullptr;
    QScrollBar* scrollBar_ = nullptr;
};

// Records every timing of one part of the song in the recorder window; true when the part's
// timings were recorded (the song changed), false when nothing was done or the media failed
// (the part's timings are gone then all the same).
bool RecordAllTimings(tLyrimoData& song, int partIndex, QWidget* parent);

} // namespace lyrimo

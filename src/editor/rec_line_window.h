// The single-line recorder's window: one line of a part, alone in the middle of a black screen,
// is recorded again by sweeping the pointer along it while the media plays from a little before
// it (the rules are tLineRecorder's). An instructions panel with the two start-time repairs
// comes first; recording ends by itself once the whole line is swept or the next line is due,
// and Esc ends it early.
#pragma once

#include "editor/line_recorder.h"
#include "editor/recorder_window_parts.h"
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

namespace lyrimo {

class tLyrimoData;
class tMyMediaPlayer;

class TRecLine : public QDialog {
    Q_OBJECT

public:
    // Records line lineIndex of the part partIndex with the player manager given (the standard
    // one when player is null). The window owns the manager.
    TRecLine(tLyrimoData& song, int partIndex, int lineIndex,
             std::unique_ptr<tMyMediaPlayer> player = nullptr, QWidget* parent = nullptr);
    ~TRecLine() override;

    // Shows the recorder full screen and waits for it to end: true when it ended as finished
    // (swept, out of time or Esc while recording), false when cancelled before recording or
    // when the media could not be played.
    bool Run();

    // The buttons' work, also reachable for tests.
    void RecordClicked();
    void CancelClicked();

    tLineRecorder& Recorder() { return recorder_; }
    tMyMediaPlayer& Player() { return *player_; }
    // The colour of the glyphs not swept yet: dimmed until the line's start has come.
    int32_t UnsweptColour() const { return started_ ? fontColour_ : dimmedColour_; }
    // Whether the line has been drawn at or after its start time.
    bool Started() const { return started_; }
    // The window as drawn, in window pixels.
    const Bitmap& Canvas() const { return canvas_.Image; }

    QFrame* InstructionsPanel() const { return instructions_; }
    QFrame* ControlStrip() const { return strip_; }
    QPushButton* RecordButton() const { return record_; }
    QPushButton* CancelButton() const { return cancel_; }
    QCheckBox* StartChangeBox() const { return startChange_; }
    QCheckBox* EndChangeBox() const { return endChange_; }
    QLabel* StartChangeLabel() const { return startChangeMore_; }
    QLabel* EndChangeLabel() const { return endChangeMore_; }
    QLabel* PositionReadout() const { return position_; }
    QLabel* LengthReadout() const { return length_; }
    QLabel* SpeedReadout() const { return speed_; }
    QComboBox* SpeedChoice() const { return speedBox_; }

    // Draws the line as far as it is swept.
    void ShowLine();
    // The 10 ms tick while recording: readouts, the line brightening at its start, the end
    // when the next line is due.
    void RecordTimer();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildInstructions();
    void BuildControlStrip();
    void PlaceRow();
    void HandlePointer(QMouseEvent* event, bool leftHeld);
    void End(bool finished);

    tLyrimoData& song_;
    int partIndex_;
    std::unique_ptr<tMyMediaPlayer> player_;
    std::vector<tUnicodeFontEngine> engine_{1}; // the line's, as line 0 of the rules
    tCanvas canvas_;
    std::vector<tUnicodeFontEngine> breakEngine_{1};
    recorder_window::tEngineLines lines_{engine_, breakEngine_};
    recorder_window::tPlayerTransport transport_;
    tLineRecorder recorder_;
    int32_t fontColour_ = 0;
    int32_t dimmedColour_ = 0;
    int32_t sweptColour_ = 0;
    bool started_ = false;
    bool ended_ = false;
    bool result_ = false;
    QTimer timer_;

    QFrame* instructions_ = nullptr;
    QPushButton* record_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QCheckBox* startChange_ = nullptr;
    QLabel* startChangeMore_ = nullptr;
    QCheckBox* endChange_ = nullptr;
    QLabel* endChangeMore_ = nullptr;
    QFrame* strip_ = nullptr;
    QLabel* position_ = nullptr;
    QLabel* length_ = nullptr;
    QLabel* speed_ = nullptr;
    QComboBox* speedBox_ = nullptr;
    TVideoPanel* video_ = nullptr;
};

// Records the timings of one line of a part again in the single-line recorder; true when the
// line changed (it was recorded), false when nothing was done or the media failed (the line's
// timings are gone then all the same).
bool RecordLineTimings(tLyrimoData& song, int part, int line, QWidget* parent);

} // namespace lyrimo

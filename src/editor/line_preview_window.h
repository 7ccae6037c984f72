// The line preview: plays the song's media from a second before one lyrics line and draws the
// line being sung, so that its timings can be checked. With editing offered it also steps to
// the line before or after and opens the line timings editor on the line shown.
#pragma once

#include "picture/bitmap.h"
#include "playback/video_panel.h"
#include "render/line_renderer.h"

#include <QDialog>
#include <QTimer>

#include <functional>
#include <memory>

class QComboBox;
class QFrame;
class QPushButton;

namespace lyrimo {

class tLyrimoData;
class tMyMediaPlayer;

class TLinePreview : public QDialog {
    Q_OBJECT

public:
    static constexpr int kControlBarHeight = 49;
    static constexpr int kDisplayInterval = 50;
    // How long before the line the media starts.
    static constexpr int kLeadIn = 1000;

    // Plays through the player manager given (the standard one when null); the window owns it.
    TLinePreview(tLyrimoData& song, int partIndex, int lineIndex, bool editingOffered,
                 std::unique_ptr<tMyMediaPlayer> player = nullptr, QWidget* parent = nullptr);
    ~TLinePreview() override;

    // Opens the media and shows the window modally; false without showing it when the media
    // cannot be played. The result is whether the line timings editor changed the song.
    bool Run();

    int LineIndex() const { return lineIndex_; }
    bool Playing() const { return playing_; }
    bool Started() const { return started_; }
    bool Changed() const { return changed_; }
    tMyMediaPlayer& Player() { return *player_; }
    const Bitmap& Frame() const { return frame_; }
    QTimer& DisplayTimer() { return timer_; }

    QPushButton* PlayButton() const { return play_; }
    QPushButton* StopButton() const { return stop_; }
    QPushButton* PrevButton() const { return prev_; }
    QPushButton* NextButton() const { return next_; }
    QPushButton* EditButton() const { return edit_; }
    TVideoPanel* VideoPanel() const { return video_; }
    QComboBox* SpeedChoice() const { return speed_; }

    // Runs the line timings editor; replaceable.
    std::function<bool(tLyrimoData& song, int partIndex, int lineIndex, QWidget* parent)> editLine;

    // The commands and the display tick.
    void PlayClicked();
    void StopClicked();
    void PrevClicked();
    void NextClicked();
    void EditClicked();
    void DisplayTick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControlBar();
    void PlaceControls();
    bool OpenMedia();
    void ReportMediaFailure();
    void SelectLine(int index);
    void SetupRenderer();
    // Draws the line at the player's time while playing, else at its start; true once finished.
    bool DrawLine();
    tColour Background() const;
    void UpdateStepButtons();
    void StartAt(int lineIndex);
    int32_t LineStart(int index) const;
    int32_t StartOffset() const;
    int LastLine() const;

    tLyrimoData& song_;
    int partIndex_;
    int lineIndex_;
    bool editingOffered_;
    bool changed_ = false;
    bool playing_ = false;
    bool started_ = false;
    std::unique_ptr<tMyMediaPlayer> player_;
    tLyricsPlayback renderer_;
    Bitmap frame_;
    QTimer timer_;

    QFrame* bar_ = nullptr;
    TVideoPanel* video_ = nullptr;
    QPushButton* play_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* prev_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* edit_ = nullptr;
    QComboBox* speed_ = nullptr;
};

// Previews one line of a part. With editing offered the user may step to other lines and edit
// them; lineIndex then becomes the line the preview ended on. True when the song was changed.
bool PreviewLine(tLyrimoData& song, int partIndex, int& lineIndex, bool editingOffered,
                 QWidget* parent = nullptr, std::unique_ptr<tMyMediaPlayer> player = nullptr);

} // namespace lyrimo

// The controls window of a performance: shows the song, the player, the time and the state of
// the playback window, and sends it commands from its buttons. The person running the show
// sees it on the control monitor, in a full layout or as a compact speech bubble.
#pragma once

// The background window of performances started from the shell, TPlaybackBG.
#include "playback/playback_background.h"
#include "playback/playback_state.h"

#include <QWidget>

#include <functional>
#include <optional>

class QKeyEvent;
class QLabel;
class QProgressBar;
class QPushButton;
class QFrame;

namespace lyrimo {

class TPlaybackControls : public QWidget {
    Q_OBJECT

public:
    explicit TPlaybackControls(QWidget* parent = nullptr);
    ~TPlaybackControls() override;

    std::function<void(tPlaybackCommand command)> OnCommand; // the receiver; no command sent while empty
    std::function<void(QKeyEvent* event)> OnKey;             // keys pressed here go to the playback window

    // Sets the status line and repaints it at once.
    void ShowStatus(const QString& text);
    // Remembers the playback window's state and updates the buttons.
    void ShowState(tPlaybackState state);
    tPlaybackState ShownState() const { return state_; }
    // "Skip" is offered only in batch mode, and the song's place in the batch is shown then, as
    // the program status has it.
    void SetBatchMode(bool on);
    // "Song 2 of 5" in batch mode while the status knows the batch; empty otherwise.
    QString BatchText() const;
    void SetSongDetails(const QString& album, const QString& artist, const QString& songName,
                        const QString& year);
    void SetPlayerLine(const QString& text);
    void SetTimeText(const QString& text); // changed only when it differs
    void SetProgress(int maximum, int position);
    void SetSpeedText(const QString& text);
    void ShowSpeedPanel(bool visible);
    void SetKeyText(const QString& text);
    void ShowKeyPanel(bool visible);

    // The command the "Start" button sends in the shown state (none when it is hidden).
    std::optional<tPlaybackCommand> RunCommand() const { return runCommand_; }
    bool Compact() const { return compact_; }

    // What the window shows, for the tests and the playback window.
    QString StatusText() const;
    QString TimeText() const;
    QString SpeedText() const;
    QString KeyText() const;
    QString PlayerLine() const;
    QPushButton* RunButton() const { return run_; }
    QPushButton* RewindButton() const { return rewind_; }
    QPushButton* AbortButton() const { return abort_; }
    QPushButton* SkipButton() const { return skip_; }
    QPushButton* FasterButton() const { return faster_; }
    QPushButton* SlowerButton() const { return slower_; }
    QPushButton* KeyUpButton() const { return keyUp_; }
    QPushButton* KeyDownButton() const { return keyDown_; }
    QPushButton* ShrinkButton() const { return shrink_; }
    QProgressBar* ProgressBar() const { return progress_; }

    // The shape of the compact window: the speech bubble drawn on it.
    static QRegion BubbleRegion();
    static QSize BubbleWindowSize();
    static constexpr int kFullMinWidth = 580;
    static constexpr int kFullMinHeight = 453;

    // Before the window appears: rebuild the monitor roles and lay the window out; after it
    // appears: centre it on the control monitor.
    void setVisible(bool visible) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void Send(std::optional<tPlaybackCommand> command);
    void RunClicked();
    void AbortClicked();
    void SkipClicked();
    void ShrinkClicked();
    // Lays the window out for the "ShrinkPlaybackControls" setting.
    void ApplyLayout();
    void LayOutFull();
    void LayOutCompact();
    void LayOutStepPanels(bool withCaptions, int buttonWidth);
    // Places the visible buttons of the row side by side, centred in the row.
    void PlaceButtons();
    void SetFramelessFlag(bool frameless);

    tPlaybackState state_ = tPlaybackState::ShowingScreen;
    std::optional<tPlaybackCommand> runCommand_;
    bool compact_ = false;
    bool batchMode_ = false;
    QRect buttonRow_;
    QPoint dragOffset_;

    QFrame* details_ = nullptr;
    QLabel* albumCaption_ = nullptr;
    QLabel* artistCaption_ = nullptr;
    QLabel* songCaption_ = nullptr;
    QLabel* yearCaption_ = nullptr;
    QLabel* album_ = nullptr;
    QLabel* artist_ = nullptr;
    QLabel* songName_ = nullptr;
    QLabel* year_ = nullptr;
    QLabel* playerCaption_ = nullptr;
    QLabel* player_ = nullptr;
    QLabel* progressCaption_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* time_ = nullptr;
    QFrame* speedPanel_ = nullptr;
    QLabel* tempoCaption_ = nullptr;
    QLabel* speed_ = nullptr;
    QPushButton* slower_ = nullptr;
    QPushButton* faster_ = nullptr;
    QFrame* keyPanel_ = nullptr;
    QLabel* keyCaption_ = nullptr;
    QLabel* key_ = nullptr;
    QPushButton* keyDown_ = nullptr;
    QPushButton* keyUp_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* batch_ = nullptr;
    QPushButton* run_ = nullptr;
    QPushButton* rewind_ = nullptr;
    QPushButton* skip_ = nullptr;
    QPushButton* abort_ = nullptr;
    QPushButton* shrink_ = nullptr;
    QFrame* keyList_ = nullptr;
    bool speedPanelWanted_ = false;
    bool keyPanelWanted_ = false;
};

} // namespace lyrimo

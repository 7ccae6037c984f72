// The window that measures the lyrics offset. A click track plays through the chosen player and
// the listener taps (any key, or a click on the big tap area) on every click they hear; a marker
// flashes as the player's clock reaches each click, so the difference between flash and sound is
// what is measured. "Use this offset" stores the result; "Cancel" or closing stops the sound at
// once and changes nothing.
#pragma once

#include "media/latency_calibration.h"

#include <QDialog>
#include <QLabel>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QPushButton;

namespace lyrimo {

class tMyMediaPlayer;

class TCalibrationWindow : public QDialog {
    Q_OBJECT

public:
    // Makes the player manager for one run; tests give one with a scripted backend.
    using tMakePlayer = std::function<std::unique_ptr<tMyMediaPlayer>()>;
    static tMakePlayer StandardPlayer();

    static constexpr int kPollMs = 5;
    static constexpr int kFlashMs = 120; // media time the marker stays lit after a click

    explicit TCalibrationWindow(QWidget* parent = nullptr, tMakePlayer makePlayer = StandardPlayer());
    ~TCalibrationWindow() override;

    // "Start" and "Start again": plays the click track from its beginning with no taps yet.
    void Start();
    // One tap, at the player's clock now; ignored while the click track is not playing.
    bool Tap();
    // "Use this offset": stores the result and closes the window.
    void UseOffset();

    bool Running() const { return player_ != nullptr; }
    bool MarkerLit() const { return lit_; }
    const tLatencyCalibration& Taps() const { return calibration_; }
    // The offset "Use this offset" stored; nothing before (and after Cancel).
    std::optional<int> ChosenOffset() const { return chosen_; }

    QComboBox* PlayerBox() const { return players_; }
    QWidget* TapArea() const { return tapArea_; }
    QPushButton* StartButton() const { return start_; }
    QPushButton* UseButton() const { return use_; }
    QLabel* CountsLabel() const { return counts_; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildWindow();
    QWidget* BuildTapArea();
    void FillPlayers();
    bool OpenClickTrack(uint8_t id, QString& why);
    void Tick();
    void Finish();
    void StopSound();
    void Light(bool lit);
    void ShowCounts();
    void UpdateControls();

    tMakePlayer makePlayer_;
    std::unique_ptr<tClickTrackFile> track_;
    std::unique_ptr<tMyMediaPlayer> player_;
    tLatencyCalibration calibration_;
    QTimer timer_;
    size_t nextClick_ = 0;
    int lastClickReached_ = -1;
    bool seenPlaying_ = false;
    bool finished_ = false;
    bool lit_ = false;
    std::optional<int> chosen_;

    QComboBox* players_ = nullptr;
    QLabel* tapArea_ = nullptr;
    QLabel* counts_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* use_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

} // namespace lyrimo

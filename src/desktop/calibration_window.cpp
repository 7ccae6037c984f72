#include "desktop/calibration_window.h"

#include "app/app_services.h"
#include "media/media_player.h"
#include "media/player_catalog.h"
#include "ui/program_style.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lyrimo {
namespace {

constexpr const char* kInstructions =
    "A click plays every 3/4 second. Each time you HEAR a click, press Space (or any key) or click the "
    "tap area. Tap on the sound, not on the flash: the flash shows when the player believes the click is "
    "heard, and the difference is the delay of your sound system.";

// The big area the listener taps on. While a run is on it takes every key but Escape as a tap, so
// Space, Tab or Return cannot press a button instead.
class TTapArea : public QLabel {
public:
    TTapArea(std::function<bool()> taking, std::function<void()> tap)
        : taking_(std::move(taking)), tap_(std::move(tap)) {
        setObjectName("TapArea");
        setAlignment(Qt::AlignCenter);
        setFocusPolicy(Qt::StrongFocus);
        setMinimumSize(320, 160);
    }

protected:
    bool event(QEvent* event) override {
        const bool press = event->type() == QEvent::MouseButtonPress;
        const auto* key = event->type() == QEvent::KeyPress ? static_cast<QKeyEvent*>(event) : nullptr;
        if ((press || (key && key->key() != Qt::Key_Escape)) && taking_()) {
            if (!key || !key->isAutoRepeat())
                tap_();
            return true;
        }
        return QLabel::event(event);
    }

private:
    std::function<bool()> taking_;
    std::function<void()> tap_;
};

QString TapAreaStyle(bool lit) {
    using namespace program_colour;
    return QString("QLabel#TapArea { background: %1; color: %2; border: 2px solid %3; border-radius: 16px;"
                   " font-size: 28pt; font-weight: bold; }")
        .arg(lit ? Accent : Panel, lit ? Deep : Text, lit ? Accent : Border);
}

QString SignedMs(int ms) { return (ms > 0 ? "+" : "") + QString::number(ms) + " ms"; }

} // namespace

TCalibrationWindow::tMakePlayer TCalibrationWindow::StandardPlayer() {
    return [] { return std::make_unique<tMyMediaPlayer>(); };
}

TCalibrationWindow::TCalibrationWindow(QWidget* parent, tMakePlayer makePlayer)
    : QDialog(parent), makePlayer_(std::move(makePlayer)) {
    setWindowTitle(Translate("Measure the Lyrics Offset"));
    timer_.setInterval(kPollMs);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &TCalibrationWindow::Tick);
    BuildWindow();
    FillPlayers();
    ShowCounts();
    UpdateControls();
}

TCalibrationWindow::~TCalibrationWindow() { StopSound(); }

void TCalibrationWindow::BuildWindow() {
    auto* instructions = new QLabel(Translate(kInstructions));
    instructions->setWordWrap(true);
    players_ = new QComboBox;
    auto* form = new QFormLayout;
    form->addRow(Translate("Play through:"), players_);
    counts_ = new QLabel;
    status_ = new QLabel;
    status_->setWordWrap(true);

    start_ = new QPushButton(Translate("Start"));
    use_ = new QPushButton(Translate("Use this offset"));
    cancel_ = new QPushButton(Translate("Cancel"));
    for (QPushButton* button : {start_, use_, cancel_})
        button->setAutoDefault(false);
    connect(start_, &QPushButton::clicked, this, &TCalibrationWindow::Start);
    connect(use_, &QPushButton::clicked, this, &TCalibrationWindow::UseOffset);
    connect(cancel_, &QPushButton::clicked, this, &TCalibrationWindow::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(start_);
    buttons->addStretch(1);
    buttons->addWidget(use_);
    buttons->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(instructions);
    layout->addLayout(form);
    layout->addWidget(BuildTapArea(), 1);
    layout->addWidget(counts_);
    layout->addWidget(status_);
    layout->addLayout(buttons);
    setMinimumWidth(480);
}

QWidget* TCalibrationWindow::BuildTapArea() {
    tapArea_ = new TTapArea([this] { return Running(); }, [this] { Tap(); });
    tapArea_->setText(Translate("Tap"));
    tapArea_->setStyleSheet(TapAreaStyle(false));
    return tapArea_;
}

void TCalibrationWindow::FillPlayers() {
    for (uint8_t id : CalibrationPlayers())
        players_->addItem(PlayerName(id), int(id));
}

void TCalibrationWindow::Start() {
    StopSound();
    if (!track_)
        track_ = std::make_unique<tClickTrackFile>();
    QString why;
    if (track_->Path().isEmpty())
        why = Translate("the click track could not be written to the temporary folder");
    else if (!OpenClickTrack(uint8_t(players_->currentData().toInt()), why))
        player_.reset();
    if (!player_) {
        App().MessageBox(Translate("The click track cannot be played") + ": " + why, windowTitle(),
                         mb::Ok | mb::IconWarning);
        return;
    }
    calibration_.Clear();
    nextClick_ = 0;
    lastClickReached_ = -1;
    seenPlaying_ = finished_ = false;
    player_->Play();
    timer_.start();
    ShowCounts();
    UpdateControls();
    tapArea_->setFocus();
}

bool TCalibrationWindow::OpenClickTrack(uint8_t id, QString& why) {
    player_ = makePlayer_();
    player_->ForcedPlayer = id;
    if (!player_->OpenFile(track_->Path(), nullptr, 0)) {
        why = player_->TakeLastError();
        return false;
    }
    // The manager falls back on the next player in the order; that one is not the one chosen.
    if (player_->PlayerID() != id) {
        why = PlayerName(id) + " " + Translate("could not open it");
        return false;
    }
    // Taps are measured on the player's own clock, not on one already corrected.
    player_->LyricsOffsetMs = 0;
    return true;
}

bool TCalibrationWindow::Tap() {
    if (!Running())
        return false;
    calibration_.AddTap(player_->GetPosition());
    ShowCounts();
    UpdateControls();
    return true;
}

void TCalibrationWindow::Tick() {
    const int position = player_->GetPosition();
    const std::vector<int>& clicks = calibration_.Clicks();
    for (; nextClick_ < clicks.size() && clicks[nextClick_] <= position; ++nextClick_)
        lastClickReached_ = clicks[nextClick_];
    Light(lastClickReached_ >= 0 && position - lastClickReached_ < kFlashMs);

    seenPlaying_ |= player_->IsPlaying();
    // Taps up to half a beat after the last click still count.
    const bool past = position >= clicks.back() + click_track::kBeatMs;
    if (past || (seenPlaying_ && !player_->IsPlaying()))
        Finish();
}

void TCalibrationWindow::Finish() {
    StopSound();
    finished_ = true;
    ShowCounts();
    UpdateControls();
}

void TCalibrationWindow::StopSound() {
    timer_.stop();
    if (player_) {
        player_->Stop();
        player_->CloseCurrent();
        player_.reset();
    }
    Light(false);
}

void TCalibrationWindow::Light(bool lit) {
    if (lit == lit_)
        return;
    lit_ = lit;
    tapArea_->setStyleSheet(TapAreaStyle(lit));
}

void TCalibrationWindow::ShowCounts() {
    QString offset = "-";
    if (const std::optional<int> result = calibration_.Result())
        offset = SignedMs(*result);
    else if (const std::optional<int> soFar = calibration_.SoFar())
        offset = SignedMs(*soFar) + " " + Translate("so far");
    counts_->setText(Translate("Taps:") + " " + QString::number(calibration_.TapsCounted()) + "    " +
                     Translate("Kept:") + " " + QString::number(calibration_.TapsKept()) + "    " +
                     Translate("Offset:") + " " + offset);

    QString status;
    if (players_->count() == 0)
        status = Translate("No player here can play the click track (a .wav file); enable one in the "
                           "preferences.");
    else if (Running())
        status = Translate("Tap on every click you hear.");
    else if (finished_ && calibration_.Result())
        status = Translate("Done. \"Use this offset\" keeps it; \"Start again\" measures once more.");
    else if (finished_)
        status = Translate("Too few taps were kept; at least") + " " + QString::number(kMinCalibrationTaps) +
                 " " + Translate("are needed. Press \"Start again\".");
    else
        status = Translate("Press \"Start\" when you are ready.");
    status_->setText(status);
}

void TCalibrationWindow::UpdateControls() {
    const bool started = Running() || finished_;
    start_->setText(Translate(started ? "Start again" : "Start"));
    start_->setEnabled(players_->count() > 0);
    players_->setEnabled(!Running());
    use_->setEnabled(calibration_.Result().has_value());
}

void TCalibrationWindow::UseOffset() {
    const std::optional<int> result = calibration_.Result();
    if (!result)
        return;
    StopSound();
    if (!StoreLyricsOffset(*result))
        App().MessageBox(Translate("The settings could not be saved"), windowTitle(),
                         mb::Ok | mb::IconWarning);
    chosen_ = Settings().LyricsOffsetMs;
    accept();
}

void TCalibrationWindow::reject() {
    StopSound();
    QDialog::reject();
}

void TCalibrationWindow::closeEvent(QCloseEvent* event) {
    StopSound();
    QDialog::closeEvent(event);
}

void TCalibrationWindow::keyPressEvent(QKeyEvent* event) {
    if (!Running() || event->key() == Qt::Key_Escape) {
        QDialog::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat())
        Tap();
}

} // namespace lyrimo

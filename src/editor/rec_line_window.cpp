#include "editor/rec_line_window.h"

#include "app/app_services.h"
#include "app/settings.h"
#include "document/song.h"
#include "media/media_player.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace lyrimo {

using namespace recorder_window;

namespace {

constexpr int kTimerInterval = 10;

} // namespace

TRecLine::TRecLine(tLyrimoData& song, int partIndex, int lineIndex, std::unique_ptr<tMyMediaPlayer> player,
                   QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), song_(song), partIndex_(partIndex),
      player_(player ? std::move(player) : std::make_unique<tMyMediaPlayer>()), transport_(*player_),
      recorder_(song, partIndex, lineIndex, lines_, transport_) {
    setWindowTitle(Translate("Lyrimo - Single Line Recorder"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setCursor(kNormalPointer);

    fontColour_ = Settings().TimingsEditorFont.colour;
    dimmedColour_ = PausedColour(fontColour_);
    sweptColour_ = Settings().AltColor;

    BuildInstructions();
    BuildControlStrip();
    canvas_.Font = RecorderFont(song_, partIndex_);

    timer_.setInterval(kTimerInterval);
    connect(&timer_, &QTimer::timeout, this, &TRecLine::RecordTimer);
    resize(1024, 768);
}

TRecLine::~TRecLine() {
    timer_.stop();
    if (!ended_)
        player_->Stop();
}

void TRecLine::BuildInstructions() {
    instructions_ = new QFrame(this);
    instructions_->setObjectName("RecPanel");
    instructions_->setStyleSheet(PanelStyleSheet());
    instructions_->setFixedWidth(kInstructionsWidth);
    auto* layout = new QVBoxLayout(instructions_);
    layout->setContentsMargins(18, 18, 18, 18);
    layout->setSpacing(10);

    layout->addWidget(WrappedLabel(Translate("Record Timings For A Single Line In A Song"), "RecTitle"));
    layout->addWidget(WrappedLabel(Translate(
        "Use this screen to re-record the timings for a single line in the song. To record the timings click "
        "the \"Record\" button.  When you click this button, the music you have selected will begin to play. "
        "starting 2 seconds before the line starts.")));
    layout->addWidget(WrappedLabel(Translate(
        "While the music is playing you need to select the lyrics as you hear them being sung.  If you "
        "make a mistake don't worry, carry on as these mistakes can be fixed later.")));

    startChange_ = Unfocused(new QCheckBox(Translate("If the line appears to start too late (when recording "
                                                     "it), click this and re-record (it alters the line's "
                                                     "start time")));
    startChangeMore_ =
        new tCaptionContinuation(Translate("by setting it to the time at the end of the previous "
                                           "line. If that line is blank it will try the previous.)"),
                                 startChange_);
    endChange_ =
        Unfocused(new QCheckBox(Translate("If the line appears to finish too early (when recording it), "
                                          "click this and re-record (it alters line afters timings")));
    endChangeMore_ = new tCaptionContinuation(Translate("to help)"), endChange_);
    layout->addSpacing(4);
    layout->addLayout(CheckBoxLines(startChange_, startChangeMore_));
    layout->addLayout(CheckBoxLines(endChange_, endChangeMore_));
    layout->addSpacing(4);
    layout->addWidget(WrappedLabel(
        Translate("NOTE: Pressing \"Record\" will delete all timings for this line in the song (if any)"),
        "RecNote"));
    layout->addWidget(WrappedLabel(
        Translate("ESC=Quit/Done (automatic when a whole line has been selected, or out of time!)"),
        "RecKeys"));
    layout->addWidget(WrappedLabel((TapKeyHelp() + SpeedKeyHelp()).join("    "), "RecKeys"));

    record_ = Button(Translate("Record"));
    cancel_ = Button(Translate("Cancel"));
    speedBox_ = Unfocused(SpeedBox(player_.get()));
    layout->addLayout(RecordButtonsRow(speedBox_, record_, cancel_));
    connect(record_, &QPushButton::clicked, this, &TRecLine::RecordClicked);
    connect(cancel_, &QPushButton::clicked, this, &TRecLine::CancelClicked);
    instructions_->adjustSize();
}

void TRecLine::BuildControlStrip() {
    const tControlStrip strip = recorder_window::BuildControlStrip(
        this, Translate("Single Line Timings Recorder"), recorder_.RightToLeft());
    strip_ = strip.frame;
    position_ = strip.position;
    length_ = strip.length;
    speed_ = strip.speed;
    video_ = strip.video;
}

bool TRecLine::Run() {
    CoverScreen(*this);
    exec();
    return result_;
}

// The row stands just above the middle of the window.
void TRecLine::PlaceRow() {
    const int textHeight = canvas_.Font.Height();
    recorder_.SetRow(height() / 2 - textHeight, textHeight);
}

void TRecLine::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    canvas_.Image = Bitmap(width(), height(), tPixelFormat::Bits32);
    canvas_.Image.Fill(0);
    PlaceRow();
    instructions_->move((width() - instructions_->width()) / 2, (height() - instructions_->height()) / 2);
    PlaceControlStrip(strip_, *this, recorder_.RightToLeft());
    if (recorder_.Recording())
        ShowLine();
}

void TRecLine::paintEvent(QPaintEvent*) { PaintBitmap(*this, canvas_.Image); }

void TRecLine::RecordClicked() {
    if (recorder_.Recording() || ended_)
        return;
    instructions_->hide();
    instructions_->setEnabled(false);
    timer_.start();
    strip_->show();
    if (const tTimingsLineType* line = recorder_.Line()) {
        SetupLineEngine(engine_[0], &canvas_, song_, *line);
        SetupBreakEngine(breakEngine_[0], &canvas_, song_, *line);
    }
    recorder_.Begin({startChange_->isChecked(), endChange_->isChecked()});
    ShowLine();

    if (!OpenRecorderMedia(*player_, song_, *video_)) {
        End(false);
        return;
    }
    ApplySpeed(*player_);
    // Some backends only take the position once they play; asking twice settles them all.
    for (int i = 0; i < 2; ++i) {
        player_->SetPosition(recorder_.LeadInPosition());
        player_->Play();
    }
    ShowLine();
}

void TRecLine::CancelClicked() { End(false); }

void TRecLine::End(bool finished) {
    if (ended_)
        return;
    ended_ = true;
    result_ = finished;
    timer_.stop();
    player_->Stop();
    video_->Unfollow();
    done(finished ? Accepted : Rejected);
}

// Closed by the window manager: what was recorded stays, as with Esc.
void TRecLine::closeEvent(QCloseEvent* event) {
    End(recorder_.Recording());
    event->accept();
}

void TRecLine::ShowLine() {
    const tTimingsLineType* line = recorder_.Line();
    if (!line || canvas_.Image.IsEmpty())
        return;
    if (!recorder_.BeforeLine(recorder_.Now()))
        started_ = true;
    // Glyphs may reach a little past the row; the band below it is cleared as well.
    const int top = std::max(0, recorder_.RowTop());
    const int bottom = std::min(canvas_.Image.Height(), recorder_.RowTop() + 2 * recorder_.RowHeight());
    if (bottom > top)
        canvas_.Image.FillRect(0, top, canvas_.Image.Width(), bottom - top, tColour(0));
    DrawSweptLine(canvas_, engine_[0], recorder_.RowTop(), width(), recorder_.RightToLeft(),
                  recorder_.SungCount(), sweptColour_, UnsweptColour());
    update();
}

void TRecLine::RecordTimer() {
    position_->setText(ClockText(player_->GetPosition()));
    length_->setText(ClockText(player_->GetLength()));
    speed_->setText(SpeedText(*player_));
    if (!started_)
        ShowLine();
    if (recorder_.StopTimeReached(recorder_.Now()))
        End(true);
}

void TRecLine::HandlePointer(QMouseEvent* event, bool leftHeld) {
    if (instructions_->isEnabled())
        return;
    const QPoint at = event->position().toPoint();
    if (recorder_.Pointer({at.x(), at.y(), leftHeld}, width()))
        ShowLine();
    if (recorder_.Swept())
        End(true);
}

void TRecLine::mouseMoveEvent(QMouseEvent* event) {
    HandlePointer(event, event->buttons().testFlag(Qt::LeftButton));
}

void TRecLine::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    setCursor(kPressedPointer);
    HandlePointer(event, true);
}

void TRecLine::mouseReleaseEvent(QMouseEvent*) { setCursor(kNormalPointer); }

void TRecLine::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        End(!instructions_->isVisible());
        return;
    }
    if (instructions_->isEnabled()) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (HandleSpeedKey(event->key(), *player_)) {
        speed_->setText(SpeedText(*player_));
        return;
    }
    const std::optional<tTapStep> step = TapStepOfKey(event->key());
    if (!step) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (recorder_.Tap(*step))
        ShowLine();
    if (recorder_.Swept())
        End(true);
}

bool RecordLineTimings(tLyrimoData& song, int part, int line, QWidget* parent) {
    TRecLine recorder(song, part, line, nullptr, parent);
    return recorder.Run();
}

} // namespace lyrimo

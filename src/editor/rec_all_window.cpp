#include "editor/rec_all_window.h"

#include "app/app_services.h"
#include "app/settings.h"
#include "app/text_codec.h"
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
#include <QScrollBar>
#include <QSettings>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace lyrimo {

using namespace recorder_window;

namespace {

const char* const kAutoPauseKey = "MiscSettings/AutoPause";

} // namespace

TRecAll::TRecAll(tLyrimoData& song, int partIndex, std::unique_ptr<tMyMediaPlayer> player, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), song_(song), partIndex_(partIndex),
      player_(player ? std::move(player) : std::make_unique<tMyMediaPlayer>()), transport_(*player_),
      recorder_(song, partIndex, lines_, transport_) {
    setWindowTitle(Translate("Lyrimo - Record All Timings"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setCursor(kNormalPointer);

    const tFontSetting& font = Settings().TimingsEditorFont;
    sungColour_ = font.colour;
    unsungColour_ = Settings().AltColor;
    pausedSungColour_ = PausedColour(sungColour_);
    pausedUnsungColour_ = PausedColour(unsungColour_);

    BuildInstructions();
    BuildControlStrip();
    SetupFont();
    SetupEngines();

    const bool autoPause = OpenSettingsStore()->value(kAutoPauseKey, true).toBool();
    Settings().AutoPause = autoPause;
    recorder_.SetAutoPause(autoPause);
    autoPause_->setChecked(autoPause);
    connect(autoPause_, &QCheckBox::toggled, this, &TRecAll::AutoPauseChanged);

    readout_.setInterval(200);
    connect(&readout_, &QTimer::timeout, this, &TRecAll::ReadoutTimer);
    resize(1024, 768);
}

TRecAll::~TRecAll() {
    readout_.stop();
    player_->CloseCurrent();
}

void TRecAll::BuildInstructions() {
    instructions_ = new QFrame(this);
    instructions_->setObjectName("RecPanel");
    instructions_->setStyleSheet(PanelStyleSheet());
    instructions_->setFixedWidth(kInstructionsWidth);
    auto* layout = new QVBoxLayout(instructions_);
    layout->setContentsMargins(18, 18, 18, 18);
    layout->setSpacing(10);

    const tLyricsData* part = song_.GetPart(partIndex_);
    const QString partName = part ? FromSystemCodePage(part->PartRecord.PartName()) : QString();
    layout->addWidget(
        WrappedLabel(Translate("Record All Timings For Part") + " \"" + partName + "\"", "RecTitle"));
    layout->addWidget(WrappedLabel(Translate(
        "Use this screen to record all the timings for this song part.  To record the timings click the "
        "\"Record\" button.  When you click this button, the music you have selected will begin to play. ")));
    layout->addWidget(WrappedLabel(Translate(
        "While the music is playing you need to select the lyrics as you hear them being sung.  If you "
        "make a mistake don't worry, carry on as these mistakes can be fixed later.")));
    layout->addWidget(WrappedLabel(Translate(
        "Tip: Don't click on the start of a line until it actually starts to be sung.  This will improve "
        "your results.")));

    autoPause_ = Unfocused(new QCheckBox(Translate("Auto-Pause Record (If checked then when you highlight to "
                                                   "the end of a line, the music stops until you")));
    autoPauseMore_ =
        new tCaptionContinuation(Translate("move the mouse back to the edge of the screen.)"), autoPause_);
    layout->addSpacing(4);
    layout->addLayout(CheckBoxLines(autoPause_, autoPauseMore_));
    layout->addSpacing(4);
    layout->addWidget(WrappedLabel(
        Translate(
            "NOTE: Pressing \"Record\" will delete all timings already setup for this song part (if any)"),
        "RecNote"));

    // The scrolling keys on one row, the tap keys on the next: one row would not hold them all.
    QStringList scrolling;
    for (const char* text : {"ESC=Quit", "SPACE BAR=Scroll Up Lyrics", "BACKSPACE=Scroll Back Lyrics"})
        scrolling << Translate(text);
    for (const QStringList& row : {scrolling, TapKeyHelp() + SpeedKeyHelp()}) {
        auto* keys = new QHBoxLayout;
        for (const QString& text : row) {
            auto* key = new QLabel(text);
            key->setObjectName("RecKeys");
            keys->addWidget(key);
        }
        keys->addStretch();
        layout->addLayout(keys);
    }

    record_ = Button(Translate("Record"));
    cancel_ = Button(Translate("Cancel"));
    speedBox_ = Unfocused(SpeedBox(player_.get()));
    layout->addLayout(RecordButtonsRow(speedBox_, record_, cancel_));
    connect(record_, &QPushButton::clicked, this, &TRecAll::RecordClicked);
    connect(cancel_, &QPushButton::clicked, this, &TRecAll::CancelClicked);
    instructions_->adjustSize();
}

void TRecAll::BuildControlStrip() {
    const tControlStrip strip = recorder_window::BuildControlStrip(this, Translate("Timings Recorder"),
                                                                   song_.SongSettings.RightToLeft() != 0);
    strip_ = strip.frame;
    position_ = strip.position;
    length_ = strip.length;
    speed_ = strip.speed;
    video_ = strip.video;
    finished_ = Button(Translate("Finished"));
    finished_->setToolTip(Translate("Click to stop recording and close this dialog"));
    connect(finished_, &QPushButton::clicked, this, &TRecAll::FinishedClicked);
    strip.column->insertWidget(1, finished_);

    scrollBar_ = Unfocused(new QScrollBar(Qt::Vertical));
    connect(scrollBar_, &QScrollBar::valueChanged, this, &TRecAll::ScrollBarMoved);
    strip.row->addWidget(scrollBar_);

    // The strip covers one edge of the window; movements over it still count, so that the
    // music can be resumed at that edge.
    QList<QWidget*> parts = strip_->findChildren<QWidget*>();
    parts << strip_;
    for (QWidget* part : parts) {
        part->setMouseTracking(true);
        part->installEventFilter(this);
    }
}

void TRecAll::SetupFont() {
    canvas_.Font = RecorderFont(song_, partIndex_);
    recorder_.SetRowHeight(canvas_.Font.Height() + 1);
}

void TRecAll::SetupEngines() {
    const tLyricsData* part = song_.GetPart(partIndex_);
    engines_.assign(size_t(recorder_.LineCount()), tUnicodeFontEngine{});
    breakEngines_.assign(size_t(recorder_.LineCount()), tUnicodeFontEngine{});
    for (int i = 0; i < recorder_.LineCount(); ++i) {
        SetupLineEngine(engines_[size_t(i)], &canvas_, song_, *part->GetLine(i));
        SetupBreakEngine(breakEngines_[size_t(i)], &canvas_, song_, *part->GetLine(i));
    }
}

bool TRecAll::Run() {
    CoverScreen(*this);
    readout_.start();
    exec();
    return result_;
}

void TRecAll::PlacePanels() {
    instructions_->move((width() - instructions_->width()) / 2, (height() - instructions_->height()) / 2);
    PlaceControlStrip(strip_, *this, song_.SongSettings.RightToLeft() != 0);
}

void TRecAll::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    canvas_.Image = Bitmap(width(), height(), tPixelFormat::Bits32);
    PlacePanels();
    if (recorder_.Recording())
        ShowWords();
}

void TRecAll::paintEvent(QPaintEvent*) { PaintBitmap(*this, canvas_.Image); }

void TRecAll::RecordClicked() {
    if (recorder_.Recording() || ended_)
        return;
    instructions_->hide();
    recorder_.Begin();
    strip_->show();
    ShowWords();

    if (!OpenRecorderMedia(*player_, song_, *video_)) {
        End(false);
        return;
    }
    recorder_.MediaStarted(player_->PlayerID());
    ApplySpeed(*player_);
    player_->Play();
    ReadoutTimer();
    ShowWords();
}

void TRecAll::FinishedClicked() { End(true); }
void TRecAll::CancelClicked() { End(false); }

void TRecAll::End(bool finished) {
    if (ended_)
        return;
    ended_ = true;
    result_ = finished;
    readout_.stop();
    player_->CloseCurrent();
    video_->Unfollow();
    done(finished ? Accepted : Rejected);
}

// Closed by the window manager: what was recorded stays, as with "Finished".
void TRecAll::closeEvent(QCloseEvent* event) {
    End(recorder_.Recording());
    event->accept();
}

void TRecAll::AutoPauseChanged(bool on) {
    recorder_.SetAutoPause(on);
    Settings().AutoPause = on;
    OpenSettingsStore()->setValue(kAutoPauseKey, int(on));
}

bool TRecAll::eventFilter(QObject* watched, QEvent* event) {
    // Over the strip only the edge counts: a held button belongs to the strip's controls there
    // (dragging the scroll bar records nothing).
    auto* widget = qobject_cast<QWidget*>(watched);
    if (event->type() == QEvent::MouseMove && widget && (widget == strip_ || strip_->isAncestorOf(widget))) {
        const QPoint at = widget->mapTo(this, static_cast<QMouseEvent*>(event)->position().toPoint());
        if (recorder_.Pointer({at.x(), at.y(), false}, width(), height()))
            ShowWords();
    }
    return QDialog::eventFilter(watched, event);
}

int32_t TRecAll::SungColour() { return player_->IsPaused() ? pausedSungColour_ : sungColour_; }
int32_t TRecAll::UnsungColour() { return player_->IsPaused() ? pausedUnsungColour_ : unsungColour_; }

void TRecAll::ShowWords() {
    const int maximum = recorder_.ScrollMaximum(height());
    syncingScrollBar_ = true;
    if (maximum > tTimingRecorder::kTopScrollOffset) {
        scrollBar_->setRange(tTimingRecorder::kTopScrollOffset, maximum);
        scrollBar_->setSingleStep(recorder_.RowHeight());
        scrollBar_->setPageStep(height() / 2);
        scrollBar_->setValue(recorder_.ScrollOffset());
        scrollBar_->show();
    } else {
        scrollBar_->hide();
    }
    syncingScrollBar_ = false;

    canvas_.Image.Fill(0);
    const int end = recorder_.VisibleLineEnd(height());
    for (int i = 0; i < end; ++i)
        DrawLine(i);
    update();
}

// A line before the current one is sung, one after it unsung; the current line is sung up to
// the recorder's count. Right-to-left lines stand at the right edge and are sung from there.
void TRecAll::DrawLine(int index) {
    const tUnicodeFontEngine& engine = engines_[size_t(index)];
    const int current = recorder_.CurrentLine();
    const int sung = index < current ? engine.GlyphCount() : index > current ? 0 : recorder_.SungCount();
    DrawSweptLine(canvas_, engine, recorder_.RowTop(index), width(), recorder_.RightToLeft(), sung,
                  SungColour(), UnsungColour());
}

void TRecAll::ReadoutTimer() {
    readout_.stop();
    position_->setText(ClockText(player_->GetPosition()));
    length_->setText(ClockText(player_->GetLength()));
    speed_->setText(SpeedText(*player_));
    if (!ended_)
        readout_.start();
}

void TRecAll::HandlePointer(QMouseEvent* event, bool leftHeld) {
    const QPoint at = event->position().toPoint();
    if (recorder_.Pointer({at.x(), at.y(), leftHeld}, width(), height()))
        ShowWords();
}

void TRecAll::mouseMoveEvent(QMouseEvent* event) {
    HandlePointer(event, event->buttons().testFlag(Qt::LeftButton));
}

void TRecAll::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    setCursor(kPressedPointer);
    HandlePointer(event, true);
}

void TRecAll::mouseReleaseEvent(QMouseEvent*) { setCursor(kNormalPointer); }

void TRecAll::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape: End(recorder_.Recording()); break;
    case Qt::Key_Space:
        recorder_.ScrollForward(height());
        ShowWords();
        break;
    case Qt::Key_Backspace:
        recorder_.ScrollBack(height());
        ShowWords();
        break;
    default:
        if (const std::optional<tTapStep> step = TapStepOfKey(event->key()))
            Tap(*step);
        else if (recorder_.Recording() && HandleSpeedKey(event->key(), *player_))
            ReadoutTimer();
        else
            QWidget::keyPressEvent(event);
        break;
    }
}

// Tapping has no pointer to follow down the screen, so the lyrics scroll on by themselves once
// the line being timed nears the bottom.
void TRecAll::Tap(tTapStep step) {
    if (!recorder_.Tap(step))
        return;
    const int line = std::max(recorder_.CurrentLine(), 0);
    while (height() >= 4 && recorder_.RowTop(line) + recorder_.RowHeight() > height() * 3 / 4 &&
           recorder_.RowTop(line) > recorder_.RowHeight())
        recorder_.ScrollForward(height());
    ShowWords();
}

void TRecAll::wheelEvent(QWheelEvent* event) {
    const int position =
        WheelScrollPosition(scrollBar_->value(), event->angleDelta().y(), recorder_.RowHeight());
    syncingScrollBar_ = true;
    scrollBar_->setValue(position);
    syncingScrollBar_ = false;
    ScrollBarMoved(scrollBar_->value());
}

void TRecAll::ScrollBarMoved(int position) {
    if (syncingScrollBar_)
        return;
    recorder_.SetScrollOffset(position);
    ShowWords();
}

bool RecordAllTimings(tLyrimoData& song, int partIndex, QWidget* parent) {
    TRecAll recorder(song, partIndex, nullptr, parent);
    return recorder.Run();
}

} // namespace lyrimo

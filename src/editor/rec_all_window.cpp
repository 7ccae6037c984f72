#include "editor/rec_all_window.h"

#include "app/app_services.h"
#include "app/settings.h"
#include "app/text_codec.h"
#include "document/song.h"
#include "media/media_player.h"
#include "ui/program_style.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace lyrimo {

namespace {

constexpr int kStripWidth = 240;
constexpr int kInstructionsWidth = 760;
const char* const kAutoPauseKey = "MiscSettings/AutoPause";

const Qt::CursorShape kNormalPointer = Qt::IBeamCursor;
const Qt::CursorShape kPressedPointer = Qt::PointingHandCursor;

QString PanelStyleSheet() {
    using namespace program_colour;
    return QString(R"(
QFrame#RecPanel { background: %1; border: 2px solid %2; border-radius: 12px; }
QFrame#RecStrip { background: %1; border: none; }
QLabel { color: %3; background: transparent; }
QLabel#RecTitle { background: %4; color: %5; font-weight: bold; font-size: 13pt; padding: 8px 12px;
                  border-radius: 8px; }
QLabel#RecNote { color: #ff9a7a; font-weight: bold; }
QLabel#RecKeys { color: %6; }
QLabel#RecCaption { color: %6; }
QLabel#RecContinued { padding-left: 22px; }
QLabel#RecClock { color: %5; font-family: monospace; font-size: 18pt; font-weight: bold; }
QFrame#RecVideo { background: black; border: 1px solid %2; }
QCheckBox { color: %3; }
)")
        .arg(Window, Border, Text, Button, Accent, MutedText);
}

QLabel* WrappedLabel(const QString& text, const char* name = nullptr) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    if (name)
        label->setObjectName(name);
    return label;
}

// Keys belong to the recorder window: no control takes the focus (Space would press it).
template <typename tWidget>
tWidget* Unfocused(tWidget* widget) {
    widget->setFocusPolicy(Qt::NoFocus);
    return widget;
}

QPushButton* Button(const QString& text) {
    auto* button = Unfocused(new QPushButton(text));
    button->setAutoDefault(false);
    return button;
}

QImage ImageOf(const Bitmap& bitmap) {
    if (bitmap.IsEmpty())
        return {};
    return QImage(bitmap.Row(0), bitmap.Width(), bitmap.Height(), bitmap.Stride(), QImage::Format_RGB32);
}

} // namespace

int TRecAll::tEngineLines::GlyphCount(int line) const { return engines_.at(size_t(line)).GlyphCount(); }

int TRecAll::tEngineLines::LeadingWidth(int line, int count) const {
    return engines_.at(size_t(line)).RangeWidth(1, count);
}

int TRecAll::tManagerTransport::Position() { return player_.GetPosition(); }
bool TRecAll::tManagerTransport::IsPaused() { return player_.IsPaused(); }
void TRecAll::tManagerTransport::Play() { player_.Play(); }
void TRecAll::tManagerTransport::Pause() { player_.PauseResume(); }

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
    autoPauseMore_ = new QLabel(Translate("move the mouse back to the edge of the screen.)"));
    autoPauseMore_->setObjectName("RecContinued");
    autoPauseMore_->setCursor(Qt::PointingHandCursor);
    autoPauseMore_->installEventFilter(this);
    auto* autoPauseLines = new QVBoxLayout;
    autoPauseLines->setSpacing(2);
    autoPauseLines->addWidget(autoPause_);
    autoPauseLines->addWidget(autoPauseMore_);
    layout->addSpacing(4);
    layout->addLayout(autoPauseLines);
    layout->addSpacing(4);
    layout->addWidget(WrappedLabel(
        Translate(
            "NOTE: Pressing \"Record\" will delete all timings already setup for this song part (if any)"),
        "RecNote"));

    auto* keys = new QHBoxLayout;
    for (const char* text : {"ESC=Quit", "SPACE BAR=Scroll Up Lyrics", "BACKSPACE=Scroll Back Lyrics"}) {
        auto* key = new QLabel(Translate(text));
        key->setObjectName("RecKeys");
        keys->addWidget(key);
    }
    keys->addStretch();
    layout->addLayout(keys);

    record_ = Button(Translate("Record"));
    cancel_ = Button(Translate("Cancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(record_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    connect(record_, &QPushButton::clicked, this, &TRecAll::RecordClicked);
    connect(cancel_, &QPushButton::clicked, this, &TRecAll::CancelClicked);
    instructions_->adjustSize();
}

void TRecAll::BuildControlStrip() {
    strip_ = new QFrame(this);
    strip_->setObjectName("RecStrip");
    strip_->setStyleSheet(PanelStyleSheet());
    strip_->setFixedWidth(kStripWidth);
    // The scroll bar keeps to the screen's edge, whichever edge the strip stands at.
    strip_->setLayoutDirection(song_.SongSettings.RightToLeft() ? Qt::RightToLeft : Qt::LeftToRight);
    auto* row = new QHBoxLayout(strip_);
    row->setContentsMargins(10, 10, 0, 10);
    auto* column = new QVBoxLayout;
    column->setSpacing(8);

    auto* title = new QLabel(Translate("Timings Recorder"));
    title->setObjectName("RecTitle");
    title->setAlignment(Qt::AlignCenter);
    column->addWidget(title);
    finished_ = Button(Translate("Finished"));
    finished_->setToolTip(Translate("Click to stop recording and close this dialog"));
    connect(finished_, &QPushButton::clicked, this, &TRecAll::FinishedClicked);
    column->addWidget(finished_);

    auto addReadout = [&](const QString& caption) {
        auto* name = new QLabel(caption);
        name->setObjectName("RecCaption");
        column->addWidget(name);
        auto* clock = new QLabel(ClockText(0));
        clock->setObjectName("RecClock");
        column->addWidget(clock);
        return clock;
    };
    position_ = addReadout(Translate("Position"));
    length_ = addReadout(Translate("Length"));

    video_ = new QFrame;
    video_->setObjectName("RecVideo");
    video_->setFixedSize(kStripWidth - 40, (kStripWidth - 40) * 3 / 4);
    column->addWidget(video_);
    column->addStretch();
    row->addLayout(column);

    scrollBar_ = Unfocused(new QScrollBar(Qt::Vertical));
    connect(scrollBar_, &QScrollBar::valueChanged, this, &TRecAll::ScrollBarMoved);
    row->addWidget(scrollBar_);
    strip_->hide();

    // The strip covers one edge of the window; movements over it still count, so that the
    // music can be resumed at that edge.
    QList<QWidget*> parts = strip_->findChildren<QWidget*>();
    parts << strip_;
    for (QWidget* part : parts) {
        part->setMouseTracking(true);
        part->installEventFilter(this);
    }
}

// The drawing font is the timing editors' font in the part's face and character set.
void TRecAll::SetupFont() {
    const tFontSetting& setting = Settings().TimingsEditorFont;
    QString name = setting.name;
    int charset = setting.charset;
    if (const tLyricsData* part = song_.GetPart(partIndex_)) {
        name = FromSystemCodePage(part->PartRecord.LyricsFont().name());
        charset = part->PartExtras.FontCharset();
    }
    tFont font(name.isEmpty() ? QStringLiteral("Arial") : name, setting.size < 2 ? 28 : setting.size,
               uint8_t(setting.attributes & 0x0F), charset);
    font.SetColour(tColour(setting.colour));
    canvas_.Font = font;
    recorder_.SetRowHeight(font.Height() + 1);
}

void TRecAll::SetupEngines() {
    const tLyricsData* part = song_.GetPart(partIndex_);
    const tSongSettings& s = song_.SongSettings;
    engines_.assign(size_t(recorder_.LineCount()), tUnicodeFontEngine{});
    for (int i = 0; i < recorder_.LineCount(); ++i) {
        tUnicodeFontEngine& engine = engines_[size_t(i)];
        engine.Setup(&canvas_, s.RightToLeft() != 0, s.AltDrawMode() != 0, u' ');
        const tTimingsLineType* line = part->GetLine(i);
        if (s.UnicodeText())
            engine.SetText(line->WideText());
        else
            engine.SetAnsiText(line->Text());
    }
}

bool TRecAll::Run() {
    QScreen* screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        setGeometry(screen->geometry());
    setWindowState(Qt::WindowFullScreen);
    readout_.start();
    exec();
    return result_;
}

void TRecAll::PlacePanels() {
    instructions_->move((width() - instructions_->width()) / 2, (height() - instructions_->height()) / 2);
    const int stripLeft = song_.SongSettings.RightToLeft() ? 0 : width() - kStripWidth;
    strip_->setGeometry(stripLeft, 0, kStripWidth, height());
}

void TRecAll::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    canvas_.Image = Bitmap(width(), height(), tPixelFormat::Bits32);
    PlacePanels();
    if (recorder_.Recording())
        ShowWords();
}

void TRecAll::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QImage image = ImageOf(canvas_.Image);
    if (image.isNull())
        painter.fillRect(rect(), Qt::black);
    else
        painter.drawImage(0, 0, image);
}

void TRecAll::RecordClicked() {
    if (recorder_.Recording() || ended_)
        return;
    instructions_->hide();
    recorder_.Begin();
    strip_->show();
    ShowWords();

    // No backend draws into a window of its own (tVideoWindow stays unused); the panel marks
    // the place all the same.
    if (!player_->OpenSongMedia(song_, nullptr)) {
        App().MessageBox(Translate("An error occured when attempting to play the media you have selected") +
                             ": " + player_->TakeLastError(),
                         Translate("Error Playing Media"), mb::Ok | mb::IconWarning);
        End(false);
        return;
    }
    const QRect client = video_->contentsRect();
    player_->SetDisplayRect({client.left(), client.top(), client.right() + 1, client.bottom() + 1});
    recorder_.MediaStarted(player_->PlayerID());
    player_->Play();
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
    if (watched == autoPauseMore_ && event->type() == QEvent::MouseButtonPress) {
        autoPause_->toggle();
        return true;
    }
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
    const int top = recorder_.RowTop(index);
    const int whole = engine.RangeWidth(1, -1);
    const bool rightToLeft = recorder_.RightToLeft();
    const int lineLeft = rightToLeft ? width() - whole : 0;
    auto draw = [&](int32_t colour, int x, int start, int count) {
        canvas_.Font.SetColour(tColour(colour));
        engine.DrawRange(canvas_, x, top, nullptr, start, count);
    };
    const int current = recorder_.CurrentLine();
    if (index != current) {
        draw(index < current ? SungColour() : UnsungColour(), lineLeft, 1, -1);
        return;
    }
    const int sung = recorder_.SungCount();
    const int sungWidth = engine.RangeWidth(1, sung);
    draw(UnsungColour(), rightToLeft ? lineLeft : sungWidth, sung + 1, -1);
    if (sung > 0)
        draw(SungColour(), rightToLeft ? width() - sungWidth : 0, 1, sung);
}

void TRecAll::ReadoutTimer() {
    readout_.stop();
    position_->setText(ClockText(player_->GetPosition()));
    length_->setText(ClockText(player_->GetLength()));
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
    default: QWidget::keyPressEvent(event); break;
    }
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

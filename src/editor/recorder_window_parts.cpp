#include "editor/recorder_window_parts.h"

#include "app/app_services.h"
#include "app/settings.h"
#include "app/text_codec.h"
#include "document/song.h"
#include "media/media_player.h"
#include "ui/program_style.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <vector>

namespace lyrimo::recorder_window {

int tEngineLines::GlyphCount(int line) const { return engines_.at(size_t(line)).GlyphCount(); }

int tEngineLines::LeadingWidth(int line, int count) const {
    return engines_.at(size_t(line)).RangeWidth(1, count);
}

bool tEngineLines::IsBreak(int line, int index) const {
    return size_t(line) < breaks_.size() && breaks_[size_t(line)].IsBreakAt(index, true, true);
}

std::optional<tTapStep> TapStepOfKey(int key) {
    if (key == Qt::Key_W)
        return tTapStep::NextBreak;
    if (key == Qt::Key_L)
        return tTapStep::LineEnd;
    return std::nullopt;
}

QStringList TapKeyHelp() {
    return {Translate("W=Time The Next Word"), Translate("L=Time The Rest Of The Line")};
}

namespace {
int chosenSpeed = recording_speed::kNormal;
// Every speed box shows the speed last chosen, wherever it was chosen.
std::vector<QPointer<QComboBox>> speedBoxes;

void ShowChosenSpeed() {
    std::erase_if(speedBoxes, [](const QPointer<QComboBox>& box) { return box.isNull(); });
    for (QComboBox* box : speedBoxes) {
        const QSignalBlocker quiet(box);
        box->setCurrentIndex(box->findData(chosenSpeed));
    }
}
} // namespace

int ChosenSpeed() { return chosenSpeed; }
void ChooseSpeed(int percent) {
    chosenSpeed = std::clamp(percent, recording_speed::kSlowest, recording_speed::kNormal);
    ShowChosenSpeed();
}

void ApplySpeed(tMyMediaPlayer& player) {
    if (player.CanChangeRate())
        player.SetRate(chosenSpeed / 100.0);
}

QString SpeedText(tMyMediaPlayer& player) {
    if (!player.CanChangeRate())
        return Translate("Normal only");
    return QString("%1%").arg(static_cast<int>(std::lround(player.GetRate() * 100)));
}

bool HandleSpeedKey(int key, tMyMediaPlayer& player) {
    if (key != Qt::Key_S && key != Qt::Key_F)
        return false;
    ChooseSpeed(key == Qt::Key_S ? recording_speed::Slower(chosenSpeed)
                                 : recording_speed::Faster(chosenSpeed));
    ApplySpeed(player);
    return true;
}

QStringList SpeedKeyHelp() { return {Translate("S=Play Slower"), Translate("F=Play Faster")}; }

QComboBox* SpeedBox(tMyMediaPlayer* player) {
    auto* box = new QComboBox;
    for (int percent = recording_speed::kNormal; percent >= recording_speed::kSlowest;
         percent -= recording_speed::kStep)
        box->addItem(QString("%1%").arg(percent), percent);
    box->setCurrentIndex(box->findData(chosenSpeed));
    speedBoxes.emplace_back(box);
    box->setToolTip(Translate("Plays the music slower to make timing easier; the pitch stays the same"));
    QObject::connect(box, &QComboBox::currentIndexChanged, box, [box, player] {
        ChooseSpeed(box->currentData().toInt());
        if (player && player->IsPlaying())
            ApplySpeed(*player);
    });
    return box;
}

QHBoxLayout* RecordButtonsRow(QComboBox* speed, QPushButton* record, QPushButton* cancel) {
    auto* row = new QHBoxLayout;
    auto* caption = new QLabel(Translate("Play the music at:"));
    caption->setObjectName("RecKeys");
    row->addWidget(caption);
    row->addWidget(speed);
    row->addStretch();
    row->addWidget(record);
    row->addWidget(cancel);
    return row;
}

int tPlayerTransport::Position() { return player_.GetPosition(); }
bool tPlayerTransport::IsPaused() { return player_.IsPaused(); }
void tPlayerTransport::Play() { player_.Play(); }
void tPlayerTransport::Pause() { player_.PauseResume(); }

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
        .arg(Window, Border, Text, program_colour::Button, Accent, MutedText);
}

QLabel* WrappedLabel(const QString& text, const char* name) {
    auto* label = new QLabel(text);
    label->setWordWrap(true);
    if (name)
        label->setObjectName(name);
    return label;
}

QPushButton* Button(const QString& text) {
    auto* button = Unfocused(new QPushButton(text));
    button->setAutoDefault(false);
    return button;
}

QImage ImageOf(const Bitmap& bitmap) {
    if (bitmap.IsEmpty())
        return {};
    const QImage::Format format =
        bitmap.Format() == tPixelFormat::Bits16 ? QImage::Format_RGB16 : QImage::Format_RGB32;
    return QImage(bitmap.Row(0), bitmap.Width(), bitmap.Height(), bitmap.Stride(), format);
}

void PaintBitmap(QWidget& widget, const Bitmap& bitmap) {
    QPainter painter(&widget);
    const QImage image = ImageOf(bitmap);
    if (image.isNull())
        painter.fillRect(widget.rect(), Qt::black);
    else
        painter.drawImage(0, 0, image);
}

tCaptionContinuation::tCaptionContinuation(const QString& text, QCheckBox* box) : QLabel(text), box_(box) {
    setObjectName("RecContinued");
    setCursor(Qt::PointingHandCursor);
}

void tCaptionContinuation::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        box_->toggle();
}

QVBoxLayout* CheckBoxLines(QCheckBox* box, QLabel* continuation) {
    auto* lines = new QVBoxLayout;
    lines->setSpacing(2);
    lines->addWidget(box);
    lines->addWidget(continuation);
    return lines;
}

tFont RecorderFont(const tLyrimoData& song, int partIndex) {
    const tFontSetting& setting = Settings().TimingsEditorFont;
    QString name = setting.name;
    int charset = setting.charset;
    if (const tLyricsData* part = song.GetPart(partIndex)) {
        name = FromSystemCodePage(part->PartRecord.LyricsFont().name());
        charset = part->PartExtras.FontCharset();
    }
    tFont font(name.isEmpty() ? QStringLiteral("Arial") : name, setting.size < 2 ? 28 : setting.size,
               uint8_t(setting.attributes & 0x0F), charset);
    font.SetColour(tColour(setting.colour));
    return font;
}

namespace {

void SetupEngine(tUnicodeFontEngine& engine, tCanvas* canvas, const tLyrimoData& song,
                 const tTimingsLineType& line, char16_t extraWordChar) {
    const tSongSettings& s = song.SongSettings;
    engine.Setup(canvas, s.RightToLeft() != 0, s.AltDrawMode() != 0, extraWordChar);
    if (s.UnicodeText())
        engine.SetText(line.WideText());
    else
        engine.SetAnsiText(line.Text());
}

} // namespace

void SetupLineEngine(tUnicodeFontEngine& engine, tCanvas* canvas, const tLyrimoData& song,
                     const tTimingsLineType& line) {
    SetupEngine(engine, canvas, song, line, u' ');
}

void SetupBreakEngine(tUnicodeFontEngine& engine, tCanvas* canvas, const tLyrimoData& song,
                      const tTimingsLineType& line) {
    const char16_t extra = song.ExtraBreakChar();
    SetupEngine(engine, canvas, song, line, extra ? extra : u' ');
}

void DrawSweptLine(tCanvas& canvas, const tUnicodeFontEngine& engine, int top, int windowWidth,
                   bool rightToLeft, int swept, int32_t sweptColour, int32_t unsweptColour) {
    auto draw = [&](int32_t colour, int x, int start, int count) {
        canvas.Font.SetColour(tColour(colour));
        engine.DrawRange(canvas, x, top, nullptr, start, count);
    };
    swept = std::max(swept, 0);
    const int sweptWidth = engine.RangeWidth(1, swept);
    const int lineLeft = rightToLeft ? windowWidth - engine.RangeWidth(1, -1) : 0;
    draw(unsweptColour, rightToLeft ? lineLeft : sweptWidth, swept + 1, -1);
    if (swept > 0)
        draw(sweptColour, rightToLeft ? windowWidth - sweptWidth : 0, 1, swept);
}

tControlStrip BuildControlStrip(QWidget* parent, const QString& title, bool rightToLeft) {
    tControlStrip strip;
    strip.frame = new QFrame(parent);
    strip.frame->setObjectName("RecStrip");
    strip.frame->setStyleSheet(PanelStyleSheet());
    strip.frame->setFixedWidth(kStripWidth);
    // What the row takes at its side keeps to the screen's edge, whichever edge the strip is at.
    strip.frame->setLayoutDirection(rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    strip.row = new QHBoxLayout(strip.frame);
    strip.row->setContentsMargins(10, 10, 0, 10);
    strip.column = new QVBoxLayout;
    strip.column->setSpacing(8);

    auto* heading = new QLabel(title);
    heading->setObjectName("RecTitle");
    heading->setAlignment(Qt::AlignCenter);
    heading->setWordWrap(true);
    strip.column->addWidget(heading);

    auto addReadout = [&](const QString& caption) {
        auto* name = new QLabel(caption);
        name->setObjectName("RecCaption");
        strip.column->addWidget(name);
        auto* clock = new QLabel(ClockText(0));
        clock->setObjectName("RecClock");
        strip.column->addWidget(clock);
        return clock;
    };
    strip.position = addReadout(Translate("Position"));
    strip.length = addReadout(Translate("Length"));
    strip.speed = addReadout(Translate("Speed"));

    strip.video = new TVideoPanel;
    strip.video->setObjectName("RecVideo");
    strip.video->setFixedSize(kStripWidth - 40, (kStripWidth - 40) * 3 / 4);
    strip.column->addWidget(strip.video);
    strip.column->addStretch();
    strip.row->addLayout(strip.column);
    strip.frame->hide();
    return strip;
}

void PlaceControlStrip(QFrame* strip, const QWidget& window, bool rightToLeft) {
    strip->setGeometry(rightToLeft ? 0 : window.width() - kStripWidth, 0, kStripWidth, window.height());
}

bool OpenRecorderMedia(tMyMediaPlayer& player, const tLyrimoData& song, TVideoPanel& video) {
    if (!player.OpenSongMedia(song, ShowsVideo(song) ? video.Window() : nullptr)) {
        App().MessageBox(Translate("An error occured when attempting to play the media you have selected") +
                             ": " + player.TakeLastError(),
                         Translate("Error Playing Media"), mb::Ok | mb::IconWarning);
        return false;
    }
    player.SetDisplayRect(video.DisplayRect());
    video.Follow(&player);
    return true;
}

void CoverScreen(QDialog& window) {
    QWidget* parent = window.parentWidget();
    QScreen* screen = parent ? parent->screen() : QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        window.setGeometry(screen->geometry());
    window.setWindowState(Qt::WindowFullScreen);
}

} // namespace lyrimo::recorder_window

#include "editor/title_page.h"

#include "app/app_services.h"
#include "app/settings.h"
#include "app/text_codec.h"
#include "document/song.h"
#include "editor/page_rules.h"
#include "editor/recorder_window_parts.h"
#include "editor/song_editor.h"
#include "render/line_renderer.h"
#include "render/title_effect.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace lyrimo {
namespace {

constexpr int kExampleTickMs = 40;

const char* const kEffectNames[kTitleEffectCount] = {
    "None (Just Appear)", "Reveal from Top",       "Reveal from Bottom",  "Reveal from Left",
    "Reveal from Right",  "Reveal vertically",     "Reveal horizontally", "Reveal from corners",
    "Scroll On from Top", "Scroll On from Bottom", "Scroll On from Left", "Scroll On from Right",
    "Stretch Out"};

} // namespace

TExamplePanel::TExamplePanel(tDraw draw, QWidget* parent) : QWidget(parent), draw_(std::move(draw)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    timer_.setInterval(kExampleTickMs);
    connect(&timer_, &QTimer::timeout, this, &TExamplePanel::Tick);
}

void TExamplePanel::Tick() {
    // A slow frame must not queue up more ticks behind it.
    const bool wasRunning = timer_.isActive();
    timer_.stop();
    const int w = std::max(width(), 1), h = std::max(height(), 1);
    if (frame_.Width() != w || frame_.Height() != h) {
        frame_ = Bitmap(w, h, WorkingPixelFormat());
        resized_ = true;
    }
    draw_(frame_, resized_);
    resized_ = false;
    update();
    if (wasRunning)
        timer_.start();
}

void TExamplePanel::paintEvent(QPaintEvent*) { recorder_window::PaintBitmap(*this, frame_); }
void TExamplePanel::Pause(bool paused) {
    paused_ = paused;
    if (paused)
        timer_.stop();
    else if (isVisible())
        timer_.start();
}

void TExamplePanel::showEvent(QShowEvent*) {
    if (!paused_)
        timer_.start();
}
void TExamplePanel::hideEvent(QHideEvent*) { timer_.stop(); }
void TExamplePanel::resizeEvent(QResizeEvent*) { resized_ = true; }

TLyricsExample::TLyricsExample(TSongEdit& editor, std::function<int()> partIndex, QWidget* parent)
    : TExamplePanel([this](Bitmap& frame, bool resized) { Draw(frame, resized); }, parent), editor_(editor),
      partIndex_(std::move(partIndex)), example_(std::make_unique<tLyrimoData>()),
      renderer_(std::make_unique<tLyricsPlayback>()) {}

TLyricsExample::~TLyricsExample() = default;

void TLyricsExample::Restart() { prepared_ = false; }

void TLyricsExample::Prepare(const Bitmap& frame) {
    tLyrimoData& song = editor_.Song();
    const int part = partIndex_();
    RefreshLyricsExample(*example_, song, part);
    const tLyricsData* real = song.GetPart(part);
    realLine_ = real && HasRealExampleLine(*real);
    tLyrimoData* shown = realLine_ ? &song : example_.get();
    renderer_->Setup(shown, realLine_ ? part : 0, LineSetupFrom(Settings()), tLineRole{},
                     tLineImages{frame.Width(), frame.Height(), frame.Format(), frame.Height()});
    renderer_->PrepareLine(0, false, tColour(song.SongSettings.BackgroundColour()) & 0xFFFFFF, false);
    lineStart_ = realLine_ ? real->GetLine(0)->LineRecord.LineStart() : 0;
    clock_.start();
    prepared_ = true;
}

void TLyricsExample::Draw(Bitmap& frame, bool resized) {
    if (resized || !prepared_)
        Prepare(frame);
    frame.Fill(tColour(editor_.Song().SongSettings.BackgroundColour()) & 0xFFFFFF);
    const int32_t time = lineStart_ + int32_t(clock_.elapsed());
    const int textHeight = renderer_->TextHeight();
    if (renderer_->DrawFrame(frame, time, kDefaultEndEarlyMargin, 255, nullptr, textHeight,
                             (frame.Height() - textHeight) / 2, nullptr, true))
        clock_.start();
}

TTitlePage::TTitlePage(TSongEdit& editor)
    : TEditorPage(editor, "Playback Effects: Title Effects", "songedit4a.html"),
      title_(std::make_unique<tTitleEffect>()) {
    effect_ = new QComboBox;
    for (const char* name : kEffectNames)
        effect_->addItem(Translate(name));
    speed_ = new QSlider(Qt::Horizontal);
    speed_->setRange(0, 14);
    speed_->setValue(3);
    speed_->setTickPosition(QSlider::TicksBelow);
    auto* speedRow = new QHBoxLayout;
    speedRow->addWidget(new QLabel(Translate("Slow")));
    speedRow->addWidget(speed_, 1);
    speedRow->addWidget(new QLabel(Translate("Fast")));
    fadeIn_ = new QCheckBox(Translate("Fade In"));
    fadeOut_ = new QCheckBox(Translate("Fade Out"));
    auto* fadeRow = new QHBoxLayout;
    fadeRow->addWidget(fadeIn_);
    fadeRow->addWidget(fadeOut_);
    fadeRow->addStretch(1);
    auto* fontButton = new QPushButton(Translate("&Font..."));
    fontSample_ = new QLabel;
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(fontButton);
    fontRow->addWidget(fontSample_, 1);

    auto* form = new QFormLayout;
    form->addRow(Translate("Title Effect:"), effect_);
    form->addRow(Translate("Effect Speed:"), speedRow);
    form->addRow(fadeRow);
    form->addRow(fontRow);

    example_ = new TExamplePanel([this](Bitmap& frame, bool resized) { Draw(frame, resized); });
    example_->setMinimumSize(320, 200);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(example_, 1);

    connect(effect_, &QComboBox::activated, this, &TTitlePage::Store);
    connect(speed_, &QSlider::valueChanged, this, &TTitlePage::Store);
    connect(fadeIn_, &QCheckBox::clicked, this, &TTitlePage::Store);
    connect(fadeOut_, &QCheckBox::clicked, this, &TTitlePage::Store);
    connect(fontButton, &QPushButton::clicked, this, &TTitlePage::ChooseFont);
}

TTitlePage::~TTitlePage() = default;

void TTitlePage::Fill() {
    filling_ = true;
    const tSongSettings& s = Song().SongSettings;
    effect_->setCurrentIndex(TitleEffectChoice(s.TitleEffect()));
    speed_->setValue(std::min<int>(s.TitleEffectSpeed(), 14));
    fadeIn_->setChecked(s.TitleFadeIn());
    fadeOut_->setChecked(s.TitleFadeOut());
    const tFontRecord font = s.TitleFont();
    fontSample_->setText(QString::fromLatin1(font.name()) + ", " + QString::number(font.size()));
    fontSample_->setFont(QtFontOf(font));
    filling_ = false;
    // The background and texts may have changed on other pages.
    prepared_ = false;
}

void TTitlePage::Store() {
    if (filling_)
        return;
    editor_.BeginEdit(Translate("Title Effect"), "title");
    tSongSettings& s = Song().SongSettings;
    s.setTitleEffect(uint8_t(effect_->currentIndex()));
    s.setTitleEffectSpeed(uint8_t(speed_->value()));
    s.setTitleFadeIn(fadeIn_->isChecked());
    s.setTitleFadeOut(fadeOut_->isChecked());
    editor_.Edited();
    RestartExample();
}

void TTitlePage::RestartExample() {
    if (!prepared_)
        return;
    const tSongSettings& s = Song().SongSettings;
    title_->Restart(s.TitleEffect(), s.TitleEffectSpeed(), s.TitleFontCharset(),
                    TitleFontFromRecord(s.TitleFont()), s.TitleFadeOut(), s.TitleFadeIn());
}

void TTitlePage::ChooseFont() {
    const tSongSettings& s = Song().SongSettings;
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, QtFontOf(s.TitleFont()), this);
    if (!ok)
        return;
    editor_.BeginEdit(Translate("Title Font"));
    tFontRecord font = Song().SongSettings.TitleFont();
    StoreQtFont(chosen, font);
    Song().SongSettings.setTitleFont(font);
    editor_.Edited();
    Fill();
}

void TTitlePage::Draw(Bitmap& frame, bool resized) {
    const tLyrimoData& song = Song();
    if (resized || !prepared_) {
        PrepareTitleForSong(*title_, song, true, frame.Width(), frame.Height());
        const tTitleTexts texts = ExampleTitleTexts({title_->Lines[0], title_->Lines[1], title_->Lines[2]});
        if (texts.songName != title_->Lines[0]) {
            title_->Lines = {texts.songName, texts.artist, texts.year};
            prepared_ = true;
            RestartExample();
        }
        prepared_ = true;
    }
    // The panel is small: drawing it whole keeps restarts and resizes simple.
    if (title_->Step(frame, true, true))
        RestartExample();
}

} // namespace lyrimo

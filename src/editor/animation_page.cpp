#include "editor/animation_page.h"

#include "app/app_services.h"
#include "app/text_codec.h"
#include "document/song.h"
#include "editor/animation_rules.h"
#include "editor/recorder_window_parts.h"
#include "editor/song_editor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lyrimo {
namespace {

constexpr int kExampleInterval = 40; // ms

} // namespace

TAnimationExample::TAnimationExample(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::StyledPanel);
    setMinimumSize(300, 260);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TAnimationExample::Show(const tInstrumentalAnimation* animation, uint8_t placement, tColour background) {
    animation_ = animation;
    placement_ = placement;
    background_ = background;
}

void TAnimationExample::Render() {
    if (canvas_.Width() != width() || canvas_.Height() != height())
        canvas_ = Bitmap(width(), height(), tPixelFormat::Bits32);
    canvas_.Fill(background_);
    if (!animation_ || animation_->FrameCount <= 0 || animation_->Strip.IsEmpty())
        return;
    const tPoint at = AnimationFramePosition(placement_, {canvas_.Width(), canvas_.Height()},
                                             {animation_->FrameWidth, animation_->Height()});
    animation_->DrawFrameAt(animation_->FrameAt(AnimationNow()), canvas_, true, at.y, at.x);
}

void TAnimationExample::paintEvent(QPaintEvent*) {
    Render();
    recorder_window::PaintBitmap(*this, canvas_);
}

TAnimationPage::TAnimationPage(TSongEdit& editor)
    : TPartPage(editor, "Playback Effects: Instrumental Animation", "songedit4c.html") {
    auto* intro = new QLabel(
        Translate("This page allows you specify animations to be played when no lyrics are displayed."));
    intro->setWordWrap(true);

    animation_ = new QComboBox;
    animation_->addItems({Translate("No Animation"), Translate("Dancing Notes"),
                          Translate("More Dancing Notes"), Translate("Animated Saxophone"),
                          Translate("Animated Trumpet"), Translate("Custom Animation")});
    customize_ = new QPushButton(Translate("Customize..."));
    auto* animationRow = new QHBoxLayout;
    animationRow->addWidget(animation_, 1);
    animationRow->addWidget(customize_);

    horizontal_ = new QComboBox;
    horizontal_->addItems({Translate("Left"), Translate("Middle"), Translate("Right")});
    vertical_ = new QComboBox;
    vertical_->addItems({Translate("Top"), Translate("Middle"), Translate("Bottom")});
    horizontalLabel_ = new QLabel(Translate("Horizontal Position:"));
    verticalLabel_ = new QLabel(Translate("Vertical Position:"));
    scroll_ = new QCheckBox(Translate("Scroll animation on and off"));
    example_ = new TAnimationExample;

    auto* form = new QFormLayout;
    form->addRow(Translate("Animation:"), animationRow);
    form->addRow(horizontalLabel_, horizontal_);
    form->addRow(verticalLabel_, vertical_);
    form->addRow(scroll_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(tabs_);
    layout->addLayout(form);
    layout->addWidget(new QLabel(Translate("Animation Preview:")));
    layout->addWidget(example_, 1);

    connect(animation_, &QComboBox::activated, this, &TAnimationPage::AnimationChosen);
    connect(horizontal_, &QComboBox::activated, this,
            [this] { PlacementChanged(Translate("Horizontal Position")); });
    connect(vertical_, &QComboBox::activated, this,
            [this] { PlacementChanged(Translate("Vertical Position")); });
    connect(scroll_, &QCheckBox::clicked, this, [this] { PlacementChanged(Translate("Scroll Animation")); });
    connect(customize_, &QPushButton::clicked, this, &TAnimationPage::CustomizeAnimation);

    timer_.setInterval(kExampleInterval);
    connect(&timer_, &QTimer::timeout, example_, qOverload<>(&QWidget::update));
}

void TAnimationPage::FillPart() {
    const tLyricsData* part = Part();
    if (!part)
        return;
    filling_ = true;
    const uint8_t placement = part->Slots[kAnimationSlot].Record.Placement();
    animation_->setCurrentIndex(AnimationEntryOf(*part));
    horizontal_->setCurrentIndex(PlacementHorizontal(placement));
    vertical_->setCurrentIndex(PlacementVertical(placement));
    scroll_->setChecked(PlacementScrolls(placement));
    ShowEnabled();
    filling_ = false;
    RenderExample();
}

void TAnimationPage::ShowEnabled() {
    const int entry = animation_->currentIndex();
    const bool shown = entry != kNoAnimation;
    customize_->setEnabled(entry == kCustomAnimation);
    for (QWidget* w :
         std::initializer_list<QWidget*>{horizontalLabel_, horizontal_, verticalLabel_, vertical_})
        w->setEnabled(shown);
    scroll_->setEnabled(ScrollChoiceEnabled(entry, horizontal_->currentIndex(), vertical_->currentIndex()));
}

void TAnimationPage::AnimationChosen() {
    tLyricsData* part = Part();
    if (filling_ || !part)
        return;
    editor_.BeginEdit(Translate("Animation"));
    SetAnimationEntry(*part, animation_->currentIndex());
    editor_.Edited();
    ShowEnabled();
    RenderExample();
}

void TAnimationPage::PlacementChanged(const QString& what) {
    tLyricsData* part = Part();
    if (filling_ || !part)
        return;
    editor_.BeginEdit(what);
    tAnimationPictureRecord& record = part->Slots[kAnimationSlot].Record;
    uint8_t placement = WithHorizontal(record.Placement(), horizontal_->currentIndex());
    placement = WithVertical(placement, vertical_->currentIndex());
    record.setPlacement(WithScrolls(placement, scroll_->isChecked()));
    editor_.Edited();
    ShowEnabled();
    RenderExample();
}

void TAnimationPage::CustomizeAnimation() {
    tLyricsData* part = Part();
    if (!part || !editor_.Dialogs().animationWizard)
        return;
    editor_.BeginEdit(Translate("Custom Animation"));
    if (editor_.Dialogs().animationWizard(part->Slots[kAnimationSlot], nullptr))
        editor_.Edited();
    else
        editor_.History().DropLast();
    RenderExample();
}

void TAnimationPage::RenderExample() {
    exampleAnimation_ = tInstrumentalAnimation(tPixelFormat::Bits32);
    const tLyricsData* part = Part();
    if (!part)
        return;
    const int entry = animation_->currentIndex();
    const tPictureSlot& slot = part->Slots[kAnimationSlot];
    const tAnimationPictureRecord& record = slot.Record;
    if (entry == kCustomAnimation) {
        const QString fileName = FromSystemCodePage(record.FileName());
        if (record.Embedded())
            exampleAnimation_.LoadFromStream(slot.Bytes, fileName, false, record.FrameCount(),
                                             tColour(record.TransparentColour()));
        else
            exampleAnimation_.LoadFromFile(fileName, tColour(record.TransparentColour()), false,
                                           record.FrameCount());
    } else if (entry != kNoAnimation) {
        exampleAnimation_.LoadBuiltIn(entry - 1, false);
    }
    example_->Show(entry == kNoAnimation ? nullptr : &exampleAnimation_, record.Placement(),
                   tColour(Song().SongSettings.BackgroundColour()));
    example_->update();
}

void TAnimationPage::PauseExample(bool paused) {
    if (paused)
        timer_.stop();
    else if (isVisible())
        timer_.start();
}

void TAnimationPage::showEvent(QShowEvent* event) {
    TPartPage::showEvent(event);
    timer_.start();
}

void TAnimationPage::hideEvent(QHideEvent* event) {
    timer_.stop();
    TPartPage::hideEvent(event);
}

} // namespace lyrimo

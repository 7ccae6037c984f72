// The Lyrics Effects page: the lyrics font, the ball, the text mode, the position in the block,
// underlining and text formatting of each part.
#include "app/app_services.h"
#include "document/song.h"
#include "editor/editor_pages.h"
#include "editor/song_editor.h"
#include "editor/song_edits.h"
#include "editor/title_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace lyrimo {
namespace {

// The built-in ball selector or, for a custom ball, the animation wizard on the part's ball
// picture; true when the part changed.
bool CustomizeBall(TSongEdit& editor, tLyricsData& part, int partIndex) {
    const tEditorDialogs& dialogs = editor.Dialogs();
    const int choice = BallChoice(part);
    const bool builtIn = choice == ball_choice::BuiltIn;
    if (choice == ball_choice::None || (builtIn && !dialogs.selectBuiltInBall) ||
        (!builtIn && !dialogs.animationWizard))
        return false;
    editor.BeginEdit(Translate("Bouncing Ball"));
    const bool changed = builtIn ? dialogs.selectBuiltInBall(editor.Song(), partIndex)
                                 : dialogs.animationWizard(part.Slots[kBallSlot], &part.PartRecord);
    if (changed)
        editor.Edited();
    else
        editor.History().DropLast();
    return changed;
}

} // namespace

TEffectsPage::TEffectsPage(TSongEdit& editor)
    : TPartPage(editor, "Playback Effects: Lyrics Effects", "songedit4b.html") {
    auto* fontButton = new QPushButton(Translate("&Font..."));
    connect(fontButton, &QPushButton::clicked, this, &TEffectsPage::ChooseFont);
    fontSample_ = new QLabel;

    ball_ = new QComboBox;
    ball_->addItems({Translate("None"), Translate("Built-in Lyrimo Ball"), Translate("Custom Ball")});
    customize_ = new QPushButton(Translate("Customize..."));
    connect(customize_, &QPushButton::clicked, this, [this] {
        if (tLyricsData* part = Part(); part && CustomizeBall(editor_, *part, PartIndex()))
            FillPart();
    });
    customize_->setEnabled(false); // the list starts at "None"
    connect(ball_, &QComboBox::currentIndexChanged, customize_,
            [this](int choice) { customize_->setEnabled(choice != ball_choice::None); });
    auto* ballRow = new QHBoxLayout;
    ballRow->addWidget(ball_, 1);
    ballRow->addWidget(customize_);

    textMode_ = new QComboBox;
    textMode_->addItems({Translate("Static (no changes)"), Translate("Reveal Line"),
                         Translate("Highlight Characters"),
                         Translate("highlight Blocks (break up at spaces & extra break character)"),
                         Translate("Highlight Words (break up at spaces only)"), Translate("Highlight Line"),
                         Translate("Highlight Timings (break up based on timings only)")});
    position_ = new QComboBox;
    position_->addItems(
        {Translate("Top of Block"), Translate("Middle of Block"), Translate("Bottom of Block")});
    underline_ = new QCheckBox(Translate("Underline the lyrics as they are sung."));
    format_ = new QComboBox;
    format_->addItems({Translate("Plain (off)"), Translate("Shadow Top Left"), Translate("Shadow Top Right"),
                       Translate("Shadow Bottom Left"), Translate("Shadow Bottom Right"),
                       Translate("Bubble Writing")});
    spacingLabel_ = new QLabel;
    spacing_ = new QSpinBox;
    spacing_->setRange(1, 15);

    auto* form = new QFormLayout;
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(fontButton);
    fontRow->addWidget(fontSample_, 1);
    form->addRow(fontRow);
    form->addRow(Translate("Bouncing Ball:"), ballRow);
    form->addRow(Translate("Text Mode:"), textMode_);
    form->addRow(Translate("Lyrics Position:"), position_);
    form->addRow(underline_);
    form->addRow(Translate("Text Formatting:"), format_);
    form->addRow(spacingLabel_, spacing_);

    example_ = new TLyricsExample(editor, [this] { return PartIndex(); });
    example_->setMinimumHeight(160);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addLayout(form);
    layout->addWidget(example_, 1);

    connect(ball_, &QComboBox::activated, this, [this] { Changed(Translate("Bouncing Ball")); });
    connect(textMode_, &QComboBox::activated, this, [this] { Changed(Translate("Text Mode")); });
    connect(position_, &QComboBox::activated, this, [this] { Changed(Translate("Lyrics Position")); });
    connect(underline_, &QCheckBox::clicked, this, [this] { Changed(Translate("Underline")); });
    connect(format_, &QComboBox::activated, this, [this] { Changed(Translate("Text Formatting")); });
    connect(spacing_, &QSpinBox::valueChanged, this, [this] { Changed(Translate("Spacing")); });
}

void TEffectsPage::FillPart() {
    const tLyricsData* part = Part();
    if (!part)
        return;
    filling_ = true;
    const tPartExtras& extras = part->PartExtras;
    const tFontRecord font = part->PartRecord.LyricsFont();
    fontSample_->setText(QString::fromLatin1(font.name()) + ", " + QString::number(font.size()));
    fontSample_->setFont(QtFontOf(font));
    ball_->setCurrentIndex(BallChoice(*part));
    customize_->setVisible(true);
    const auto mode = std::find(kTextModeOrder.begin(), kTextModeOrder.end(), extras.TextMode());
    textMode_->setCurrentIndex(mode == kTextModeOrder.end() ? 0 : int(mode - kTextModeOrder.begin()));
    const auto position =
        std::find(kLyricsPositionOrder.begin(), kLyricsPositionOrder.end(), extras.LyricsPosition());
    position_->setCurrentIndex(
        position == kLyricsPositionOrder.end() ? 1 : int(position - kLyricsPositionOrder.begin()));
    underline_->setChecked(extras.Underline());
    format_->setCurrentIndex(std::min<int>(extras.TextFormat(), 5));
    spacing_->setValue(std::clamp<int>(extras.TextSpacing(), 1, 15));
    ShowSpacingState();
    filling_ = false;
    example_->Restart();
}

void TEffectsPage::ShowSpacingState() {
    spacing_->setEnabled(format_->currentIndex() != 0);
    spacingLabel_->setText(format_->currentIndex() == 5 ? Translate("Size") + ":"
                                                        : Translate("Spacing") + ":");
}

void TEffectsPage::Changed(const QString& what) {
    tLyricsData* part = Part();
    if (filling_ || !part)
        return;
    editor_.BeginEdit(what, what == Translate("Spacing") ? "spacing" : QString());
    tPartExtras& extras = part->PartExtras;
    SetBallChoice(*part, ball_->currentIndex());
    extras.setTextMode(uint8_t(kTextModeOrder[std::clamp(textMode_->currentIndex(), 0, 6)]));
    extras.setLyricsPosition(uint8_t(kLyricsPositionOrder[std::clamp(position_->currentIndex(), 0, 2)]));
    extras.setUnderline(underline_->isChecked());
    extras.setTextFormat(uint8_t(std::max(format_->currentIndex(), 0)));
    extras.setTextSpacing(uint8_t(spacing_->value()));
    // Older readers find the effect in the part's own code.
    part->PartRecord.setLegacyEffectCode(EncodeLegacyEffectCode(extras));
    ShowSpacingState();
    editor_.Edited();
    example_->Restart();
}

void TEffectsPage::ChooseFont() {
    tLyricsData* part = Part();
    if (!part)
        return;
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, QtFontOf(part->PartRecord.LyricsFont()), this);
    if (!ok)
        return;
    editor_.BeginEdit(Translate("Lyrics Font"));
    tFontRecord font = part->PartRecord.LyricsFont();
    StoreQtFont(chosen, font);
    part->PartRecord.setLyricsFont(font);
    FillPart();
    editor_.Edited();
}

} // namespace lyrimo

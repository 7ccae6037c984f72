#include "desktop/prefs_pages.h"

#include "app/app_services.h"
#include "document/song.h"
#include "ui/program_colours.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lyrimo {

TPrefsGeneralPage::TPrefsGeneralPage(tSettingsClass& edited, std::vector<tPrefBinding>& bindings)
    : TPrefsPage(edited, bindings) {
    auto* layout = new QVBoxLayout(this);

    language_ = new QComboBox;
    languages_ = LanguageChoices();
    for (const tLanguageChoice& choice : languages_)
        language_->addItem(choice.caption, choice.name);
    auto* languageForm = new QFormLayout;
    languageForm->addRow("Interface language:", language_);
    layout->addWidget(prefs::Group("Language", languageForm));

    auto* general = new QVBoxLayout;
    auto addCheck = [&](QVBoxLayout* box, const char* key, const char* caption) {
        QCheckBox* check = prefs::Check(caption);
        box->addWidget(check);
        Bind(key, check);
    };
    addCheck(general, "Tips/Tips Enabled", "Show a tip of the day at start-up");
    addCheck(general, "MiscSettings/UseWinFS",
             "Use the standard file dialog instead of the song file selector");
    addCheck(general, "MiscSettings/ShowKARImportResult",
             "Show the result after importing a MIDI karaoke file");
    addCheck(general, "MiscSettings/ShowLRCImportResult", "Show the result after importing an LRC file");
    addCheck(general, "MiscSettings/ShowKOKImportResult", "Show the result after importing a KOK file");
    layout->addWidget(prefs::Group("General", general));

    auto* recorder = new QVBoxLayout;
    addCheck(recorder, "MiscSettings/AutoPause", "Pause the timing recorder automatically");
    timingFont_ = new QLabel;
    timingSample_ = new QLabel;
    timingSample_->setObjectName("TimingSample");
    timingSample_->setTextFormat(Qt::RichText);
    timingSample_->setMinimumHeight(48);
    auto* font = new QPushButton("Font...");
    auto* untimed = new QPushButton("Colour of untimed text...");
    auto* timed = new QPushButton("Colour of timed text...");
    connect(font, &QPushButton::clicked, this, &TPrefsGeneralPage::ChooseTimingFont);
    connect(untimed, &QPushButton::clicked, this, [this] { ChooseTimingColour(false); });
    connect(timed, &QPushButton::clicked, this, [this] { ChooseTimingColour(true); });
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(timingFont_, 1);
    fontRow->addWidget(font);
    auto* colourRow = new QHBoxLayout;
    colourRow->addWidget(untimed);
    colourRow->addWidget(timed);
    colourRow->addStretch();
    recorder->addLayout(fontRow);
    recorder->addWidget(timingSample_);
    recorder->addLayout(colourRow);
    layout->addWidget(prefs::Group("Timing recorder", recorder));
    layout->addStretch();
}

void TPrefsGeneralPage::Load() {
    language_->setCurrentIndex(LanguageChoiceIndex(languages_, Edited().Language));
    ShowTimingFont();
}

QString TPrefsGeneralPage::LanguageChosen(const QString& fallback) const {
    const int choice = language_->currentIndex();
    return choice >= 0 ? languages_[size_t(choice)].name : fallback;
}

void TPrefsGeneralPage::ShowTimingFont() {
    const tFontSetting& font = Edited().TimingsEditorFont;
    timingFont_->setText(font.name + ", " + QString::number(font.size) + " pt");
    // The recorder shows a song's lyrics; a new song's background is what most will be timed on.
    const int32_t background = tLyrimoData().SongSettings.BackgroundColour();
    timingSample_->setStyleSheet("QLabel { " + ColourSwatchStyle(background) +
                                 " padding: 6px 10px; border-radius: 6px; }");
    // After the style sheet, which would otherwise give the label its parent's font again.
    timingSample_->setFont(TimingFontOf(font));
    timingSample_->setText(TimingSampleText(Edited()));
}

void TPrefsGeneralPage::ChooseTimingFont() {
    tFontSetting& setting = Edited().TimingsEditorFont;
    bool ok = false;
    const QFont font =
        QFontDialog::getFont(&ok, TimingFontOf(setting), window(), Translate("Timing recorder font"));
    if (!ok)
        return;
    setting.name = font.family().left(kFontNameMaxLength);
    setting.size = font.pointSize() > 0 ? font.pointSize() : setting.size;
    setting.attributes = (setting.attributes & ~0x0F) | (font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) |
                         (font.underline() ? 4 : 0) | (font.strikeOut() ? 8 : 0);
    ShowTimingFont();
}

void TPrefsGeneralPage::ChooseTimingColour(bool timed) {
    int32_t& colour = timed ? Edited().AltColor : Edited().TimingsEditorFont.colour;
    CustomColoursToDialog(Edited().CustomColours);
    const QColor chosen = QColorDialog::getColor(DialogColour(colour), window());
    Edited().CustomColours = CustomColoursFromDialog();
    if (!chosen.isValid())
        return;
    colour = ProgramColour(chosen);
    ShowTimingFont();
}

} // namespace lyrimo

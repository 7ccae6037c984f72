#include "desktop/prefs_pages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QSpinBox>
#include <QVBoxLayout>

#include <utility>

namespace lyrimo {

TPrefsLyricsPage::TPrefsLyricsPage(tSettingsClass& edited, std::vector<tPrefBinding>& bindings)
    : TPrefsPage(edited, bindings) {
    auto* layout = new QGridLayout(this);

    auto* songs = new QVBoxLayout;
    auto addCheck = [&](QVBoxLayout* box, const char* key, const char* caption) {
        QCheckBox* check = prefs::Check(caption);
        box->addWidget(check);
        Bind(key, check);
        return check;
    };
    addCheck(songs, "MiscSettings/LyrimoDoesTimings", "Correct the player's timings");
    addCheck(songs, "MiscSettings/R2LReading", "Lyrics read from right to left");
    addCheck(songs, "MiscSettings/AltDrawingMode", "Alternative drawing mode");
    addCheck(songs, "MiscSettings/UseMultibyte", "Unicode lyrics");
    addCheck(songs, "MiscSettings/FadeinPreview", "Fade the coming line in");
    addCheck(songs, "MiscSettings/FLTL", "First line at the top");
    layout->addWidget(prefs::Group("New songs", songs), 0, 0);

    auto* coming = new QVBoxLayout;
    multiLine_ = addCheck(coming, "MiscSettings/Multi-Line Display", "Show the coming lines in advance");
    oldPreview_ = addCheck(coming, "PreviewMode/Enabled", "Show a preview of the next line instead");
    addCheck(coming, "PreviewMode/HalfSize", "Preview at half size");
    addCheck(coming, "PreviewMode/BlendBG", "Blend the preview into the background");
    addCheck(coming, "PreviewMode/PrevDefPos", "Preview below the lyrics");
    QComboBox* align = prefs::Choices({"Left", "Centre", "Right"});
    Bind("PreviewMode/PrevAlign", align);
    auto* alignForm = new QFormLayout;
    alignForm->addRow("Preview alignment:", align);
    coming->addLayout(alignForm);
    connect(multiLine_, &QCheckBox::toggled, oldPreview_, &QWidget::setEnabled);
    layout->addWidget(prefs::Group("Coming lines", coming), 0, 1);

    auto* text = new QFormLayout;
    QCheckBox* wrap = prefs::Check("Smart word wrapping (IntelliWrap)");
    Bind("PreviewMode/NiceWordwrap", wrap);
    text->addRow(wrap);
    QSpinBox* addPixels = prefs::Spin(0, 31, " px");
    Bind("MiscSettings/AddPixels", addPixels);
    text->addRow("Extra space around highlighted lyrics:", addPixels);
    layout->addWidget(prefs::Group("Text", text), 1, 0);

    auto* ball = new QFormLayout;
    QSpinBox* bounce = prefs::Spin(1, 100);
    Bind("MiscSettings/Bounce", bounce);
    ball->addRow("Letters between ball bounces:", bounce);
    QSpinBox* height = prefs::Spin(1, 1000, " ‰");
    height->setToolTip("Tenths of a percent of the screen height");
    Bind("MiscSettings/BounceHeightinPercent", height);
    ball->addRow("Bounce height (of the screen height):", height);
    QCheckBox* trueBounce = prefs::Check("Realistic bounce");
    Bind("MiscSettings/TrueBounce", trueBounce);
    ball->addRow(trueBounce);
    const std::pair<const char*, const char*> animationTimes[] = {
        {"MiscSettings/LeadIN", "Delay before an instrumental animation:"},
        {"MiscSettings/LeadOut", "Animation gone before the next line by:"},
        {"MiscSettings/MinTimePlay", "Least time for an animation:"},
        {"MiscSettings/ScrollTime", "Time to scroll an animation on or off:"},
    };
    for (const auto& [key, caption] : animationTimes) {
        QSpinBox* spin = prefs::Spin(0, 600000, " ms");
        spin->setSingleStep(100);
        Bind(key, spin);
        ball->addRow(caption, spin);
    }
    layout->addWidget(prefs::Group("Ball and animations", ball), 1, 1);
    layout->setRowStretch(2, 1);
}

// The preview of the next line only matters while the coming lines are shown.
void TPrefsLyricsPage::Load() { oldPreview_->setEnabled(multiLine_->isChecked()); }

} // namespace lyrimo

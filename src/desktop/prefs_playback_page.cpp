#include "desktop/prefs_pages.h"

#include "desktop/calibration_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>

#include <utility>

namespace lyrimo {

TPrefsPlaybackPage::TPrefsPlaybackPage(tSettingsClass& edited, std::vector<tPrefBinding>& bindings)
    : TPrefsPage(edited, bindings) {
    auto* layout = new QGridLayout(this);

    auto* timing = new QFormLayout;
    QSpinBox* early = prefs::Spin(100, 60000, " ms");
    early->setSingleStep(50);
    Bind("MiscSettings/Early", early);
    timing->addRow("Show each line early by:", early);
    QSpinBox* cropMin = prefs::Spin(0, 1000, " ms");
    QSpinBox* cropMax = prefs::Spin(0, 1000, " ms");
    Bind("MiscSettings/EndEarlyMin", cropMin);
    Bind("MiscSettings/EndEarlyMax", cropMax);
    timing->addRow("End lines early by at least (IntelliCrop):", cropMin);
    timing->addRow("End lines early by at most (IntelliCrop):", cropMax);
    const std::pair<const char*, const char*> lineChecks[] = {
        {"MiscSettings/Show First Line", "Show the first line straight away"},
        {"MiscSettings/Skip Blank Lines", "Skip lines without timings"},
        {"MiscSettings/Remove Lyrics At Song End", "Clear the lyrics at the end of the song"},
    };
    for (const auto& [key, caption] : lineChecks) {
        QCheckBox* check = prefs::Check(caption);
        Bind(key, check);
        timing->addRow(check);
    }
    lyricsOffset_ = prefs::Spin(-kMaxLyricsOffsetMs, kMaxLyricsOffsetMs, " ms");
    lyricsOffset_->setSingleStep(10);
    lyricsOffset_->setToolTip("Positive: the lyrics are drawn later, for a sound system that is heard late "
                              "(Bluetooth speakers, a mixer, a receiver); negative: earlier");
    Bind("Playback/Lyrics offset (ms)", lyricsOffset_);
    measure_ = new QPushButton("Measure...");
    measure_->setObjectName("MeasureLyricsOffset");
    connect(measure_, &QPushButton::clicked, this, &TPrefsPlaybackPage::MeasureLyricsOffset);
    auto* offsetRow = new QHBoxLayout;
    offsetRow->addWidget(lyricsOffset_, 1);
    offsetRow->addWidget(measure_);
    timing->addRow("Lyrics offset:", offsetRow);
    layout->addWidget(prefs::Group("Lines", timing), 0, 0);

    auto* start = new QVBoxLayout;
    const std::pair<const char*, const char*> startChecks[] = {
        {"MiscSettings/DelayWait", "Wait for a mouse click before the karaoke starts"},
        {"Playback/TitleClickWait", "Wait for a mouse click after the title"},
        {"MiscSettings/Hide Taskbar", "Cover the desktop and its panels during karaoke"},
        {"Playback/Remember Song Key And Tempo",
         "Start each song in the key and tempo chosen for it last time"},
    };
    for (const auto& [key, caption] : startChecks) {
        QCheckBox* check = prefs::Check(caption);
        Bind(key, check);
        start->addWidget(check);
    }
    start->addStretch();
    layout->addWidget(prefs::Group("Starting", start), 0, 1);

    auto* performance = new QFormLayout;
    QComboBox* depth = prefs::Choices({"Automatic", "Always 16-bit", "Always 24-bit", "Always 32-bit"});
    Bind("Playback/GraphicsMode", depth);
    performance->addRow("Colour depth:", depth);
    QCheckBox* frameRate = prefs::Check("Show the frame rate");
    Bind("Playback/Framerate", frameRate);
    performance->addRow(frameRate);
    QComboBox* onScreen =
        prefs::Choices({"Never", "When the controls window is hidden", "After every command"});
    onScreen->setToolTip("Shows pause, speed and time over the lyrics for two seconds after each command");
    Bind("Playback/OnScreenDisplay", onScreen);
    performance->addRow("On-screen messages:", onScreen);
    lowPriority_ = prefs::Check("Use less processor time");
    Bind("MiscSettings/Mode", lowPriority_);
    performance->addRow(lowPriority_);
    priority_ = new QSlider(Qt::Horizontal);
    priority_->setRange(2, 151);
    priority_->setToolTip("Further right leaves more processor time to other programs");
    Bind("MiscSettings/Priority", priority_);
    performance->addRow("Rest between frames:", priority_);
    connect(lowPriority_, &QCheckBox::toggled, priority_, &QWidget::setEnabled);
    layout->addWidget(prefs::Group("Performance", performance), 1, 0, 1, 2);
    layout->setRowStretch(2, 1);
}

// The rest between frames only matters while less processor time is used.
void TPrefsPlaybackPage::Load() { priority_->setEnabled(lowPriority_->isChecked()); }

TPrefsPlaybackPage::tMeasureOffset TPrefsPlaybackPage::StandardMeasureOffset() {
    return [](QWidget* parent) -> std::optional<int> {
        TCalibrationWindow window(parent);
        return window.exec() == QDialog::Accepted ? window.ChosenOffset() : std::nullopt;
    };
}

void TPrefsPlaybackPage::MeasureLyricsOffset() {
    if (const std::optional<int> offset = MeasureOffset(this))
        lyricsOffset_->setValue(*offset);
}

} // namespace lyrimo

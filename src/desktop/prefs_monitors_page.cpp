#include "desktop/prefs_pages.h"

#include "app/app_services.h"
#include "playback/monitor_map.h"
#include "playback/monitors.h"
#include "ui/picture_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>

namespace lyrimo {

TPrefsMonitorsPage::TPrefsMonitorsPage(tSettingsClass& edited, std::vector<tPrefBinding>& bindings)
    : TPrefsPage(edited, bindings) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new TMonitorMap);

    auto* roles = new QFormLayout;
    for (const auto& [key, caption] : {std::pair{"eMultiMon/PlayMon", "Show the lyrics on:"},
                                       std::pair{"eMultiMon/CtrlMon", "Show the playback controls on:"}}) {
        auto* combo = new QComboBox;
        for (int i = 0; i < MonitorCount(); ++i)
            combo->addItem(MonitorDisplayName(i), MonitorDisplayName(i));
        Bind(key, combo);
        roles->addRow(caption, combo);
    }
    QCheckBox* shrink = prefs::Check("Show the playback controls small");
    Bind("MiscSettings/ShrinkPlaybackControls", shrink);
    roles->addRow(shrink);
    layout->addWidget(prefs::Group("Monitors", roles));

    auto* background = new QFormLayout;
    QCheckBox* fullScreen = prefs::Check("Cover the screen behind the karaoke");
    Bind("eMultiMon/FullScreen", fullScreen);
    background->addRow(fullScreen);
    picture_ = new QLineEdit;
    Bind("MiscSettings/BgScreenFileName", picture_);
    auto* browse = new QPushButton("Browse...");
    connect(browse, &QPushButton::clicked, this, &TPrefsMonitorsPage::BrowseBackground);
    auto* pictureRow = new QHBoxLayout;
    pictureRow->addWidget(picture_, 1);
    pictureRow->addWidget(browse);
    background->addRow("Picture:", pictureRow);
    QComboBox* stretch = prefs::Choices({"Centred", "Tiled", "Stretched"});
    Bind("MiscSettings/ScreenStretchMode", stretch);
    background->addRow("Show the picture:", stretch);
    QCheckBox* aspect = prefs::Check("Keep the picture's proportions");
    Bind("MiscSettings/BgMaintainAspect", aspect);
    background->addRow(aspect);
    layout->addWidget(prefs::Group("Background screen", background));
}

void TPrefsMonitorsPage::BrowseBackground() {
    if (auto file = ChoosePictureFile(Translate("Background screen picture"), picture_->text(), window()))
        picture_->setText(*file);
}

} // namespace lyrimo

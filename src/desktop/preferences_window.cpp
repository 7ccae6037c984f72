#include "desktop/preferences_window.h"

#include "app/app_services.h"
#include "app/cd_drives.h"
#include "app/settings_table.h"
#include "app/start_program.h"
#include "app/translation.h"
#include "desktop/sound_effect_editor.h"
#include "media/player_catalog.h"
#include "playback/monitor_map.h"
#include "playback/monitors.h"
#include "ui/picture_dialogs.h"
#include "ui/translate_window.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

namespace lyrimo {
namespace {

const char* const kDefaultLanguage = "default";

const tSettingValue* FindSettingValue(const QString& key) {
    for (const tSettingValue& value : SettingValues())
        if (value.Key() == key)
            return &value;
    return nullptr;
}

// Text combo boxes keep each item's value as its data, so translating the shown texts
// never changes what is stored.
void SelectComboValue(QComboBox* combo, const QString& value) {
    if (value.isEmpty()) {
        combo->setCurrentIndex(-1);
        return;
    }
    int index = combo->findData(value);
    if (index < 0)
        index = combo->findData(value, Qt::UserRole, Qt::MatchFixedString);
    if (index < 0) {
        combo->addItem(value, value);
        index = combo->count() - 1;
    }
    combo->setCurrentIndex(index);
}

QString ComboValue(const QComboBox* combo) {
    const QVariant data = combo->currentData();
    return data.isValid() ? data.toString() : combo->currentText();
}

void ShowExtensions(QListWidget* list, const QString& text) {
    list->clear();
    for (const QString& extension : SplitExtensions(text)) {
        auto* item = new QListWidgetItem(extension, list);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
}

QString ExtensionsShown(const QListWidget* list) {
    QStringList extensions;
    for (int i = 0; i < list->count(); ++i)
        extensions << list->item(i)->text().trimmed();
    return JoinExtensions(extensions);
}

void LoadControl(const tSettingValue& value, const QVariant& stored, QWidget* widget) {
    if (auto* box = qobject_cast<QCheckBox*>(widget))
        box->setChecked(stored.toInt() != 0);
    else if (auto* spin = qobject_cast<QSpinBox*>(widget))
        spin->setValue(stored.toInt());
    else if (auto* slider = qobject_cast<QAbstractSlider*>(widget))
        slider->setValue(stored.toInt());
    else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        if (value.type == tSettingType::Text)
            SelectComboValue(combo, stored.toString());
        else {
            const int index = stored.toInt();
            combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
        }
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget))
        edit->setText(stored.toString());
    else if (auto* list = qobject_cast<QListWidget*>(widget))
        ShowExtensions(list, stored.toString());
}

// The control's value in the form the table's setter takes; nothing when it holds none.
std::optional<QVariant> ControlValue(const tSettingValue& value, const QWidget* widget) {
    auto typed = [&](int number) {
        return value.type == tSettingType::Bool ? QVariant(number != 0) : QVariant(number);
    };
    if (auto* box = qobject_cast<const QCheckBox*>(widget))
        return typed(box->isChecked() ? 1 : 0);
    if (auto* spin = qobject_cast<const QSpinBox*>(widget))
        return typed(spin->value());
    if (auto* slider = qobject_cast<const QAbstractSlider*>(widget))
        return typed(slider->value());
    if (auto* combo = qobject_cast<const QComboBox*>(widget)) {
        if (combo->currentIndex() < 0)
            return std::nullopt;
        return value.type == tSettingType::Text ? QVariant(ComboValue(combo)) : typed(combo->currentIndex());
    }
    if (auto* edit = qobject_cast<const QLineEdit*>(widget))
        return QVariant(edit->text());
    if (auto* list = qobject_cast<const QListWidget*>(widget))
        return QVariant(ExtensionsShown(list));
    return std::nullopt;
}

QString ThisProgram() {
    return QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
}

// The stored names of each player's settings.
struct tPlayerKeys {
    uint8_t id;
    const char* enabled;
    const char* playsCds; // nullptr: never plays CDs
    const char* extensions;
};
constexpr tPlayerKeys kPlayerKeys[] = {
    {player::External, "MiscSettings/Use Winamp", "MiscSettings/Winamp Play CDs",
     "MiscSettings/UseFileExtensions"},
    {player::QuickTime, "MiscSettings/Use Quicktime Player", nullptr, "MiscSettings/UseFileExtensionsQT"},
    {player::WindowsMediaPlayer, "MiscSettings/Use Windows Media Player", "MiscSettings/WMP Play CDs",
     "MiscSettings/UseFileExtensionsWMP"},
    {player::Mci, "MiscSettings/Use Media Player", "MiscSettings/MCI Play CDs",
     "MiscSettings/UseFileExtensionsMCI"},
    {player::DirectShow, "MiscSettings/DirectShow", nullptr, "MiscSettings/UseFileExtensionsDS"},
};

constexpr const char* kPorts[] = {"COM1", "COM2", "COM3", "COM4", "LPT1", "LPT2", "LPT3"};
constexpr const char* kEvents[] = {"Karaoke Screen Appears", "Karaoke Song Starts", "Karaoke Song Stops",
                                   "Karaoke Screen Disappears"};

QCheckBox* Check(const char* caption) { return new QCheckBox(caption); }

QSpinBox* Spin(int minimum, int maximum, const char* suffix = "") {
    auto* spin = new QSpinBox;
    spin->setRange(minimum, maximum);
    spin->setSuffix(suffix);
    return spin;
}

QComboBox* Choices(std::initializer_list<const char*> captions) {
    auto* combo = new QComboBox;
    for (const char* caption : captions)
        combo->addItem(caption);
    return combo;
}

QGroupBox* Group(const char* caption, QLayout* layout) {
    auto* group = new QGroupBox(caption);
    group->setLayout(layout);
    return group;
}

QColor DialogColour(int32_t colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

int32_t ProgramColour(const QColor& colour) {
    return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}

QString ColourSwatchStyle(int32_t colour) { return "background-color: " + DialogColour(colour).name() + ";"; }

} // namespace

void LoadPrefsControls(const tSettingsClass& settings, const std::vector<tPrefBinding>& bindings) {
    for (const tPrefBinding& binding : bindings)
        if (const tSettingValue* value = FindSettingValue(binding.key); value && binding.widget)
            LoadControl(*value, value->get(settings), binding.widget);
}

void StorePrefsControls(const std::vector<tPrefBinding>& bindings, tSettingsClass& settings) {
    for (const tPrefBinding& binding : bindings) {
        const tSettingValue* value = FindSettingValue(binding.key);
        if (!value || !binding.widget)
            continue;
        if (std::optional<QVariant> shown = ControlValue(*value, binding.widget))
            value->set(settings, *shown);
    }
}

tPrefsSteps StandardPrefsSteps() {
    tPrefsSteps steps;
    steps.save = [] { Settings().Save(*OpenSettingsStore()); };
    steps.reloadLanguage = [] { ProgramTranslator().Reload(); };
    steps.reset = [] {
        Settings().Reset(*OpenSettingsStore());
        SelectPlayMonitor(Settings().PlayMon);
        SelectControlMonitor(Settings().CtrlMon);
    };
    steps.restart = [] {
        StartProgram(ThisProgram(), {}, false, false);
        QCoreApplication::exit(0);
    };
    return steps;
}

tPrefsOutcome ConfirmPreferences(const tSettingsClass& edited, const QString& language,
                                 const tPrefsSteps& steps) {
    const QString languageInUse = Settings().Language;
    Settings() = edited;
    Settings().Language = languageInUse;
    if (language.compare(languageInUse, Qt::CaseInsensitive) != 0) {
        Settings().Language = language;
        steps.save();
        const QString question =
            Translate("Language has been changed. Please restart Lyrimo for changes to take effect") +
            "\n\n" + Translate("Would you like to restart Lyrimo now?");
        if (App().MessageBox(question, "Lyrimo", mb::OkCancel | mb::IconInformation) == mb::IdOk) {
            steps.restart();
            return tPrefsOutcome::Restarting;
        }
    }
    steps.save();
    steps.reloadLanguage();
    return tPrefsOutcome::Closed;
}

bool AskToResetPreferences(const tPrefsSteps& steps) {
    if (App().MessageBox(Translate("Reset preferences to defaults? Are you sure?"),
                         Translate("Reset to Defaults"), mb::OkCancel | mb::IconQuestion) != mb::IdOk)
        return false;
    steps.reset();
    return true;
}

std::vector<tLanguageChoice> LanguageChoices() {
    std::vector<tLanguageChoice> choices;
    bool hasDefault = false;
    for (const tLanguageEntry& entry : ProgramTranslator().ListLanguages()) {
        const QString name = QFileInfo(entry.FileName).completeBaseName();
        hasDefault = hasDefault || name.compare(kDefaultLanguage, Qt::CaseInsensitive) == 0;
        choices.push_back({entry.DisplayName + " (" + Translate("by") + " " + entry.Author + ")", name});
    }
    if (!hasDefault)
        choices.insert(choices.begin(), {"English (Default)", kDefaultLanguage});
    return choices;
}

int LanguageChoiceIndex(const std::vector<tLanguageChoice>& choices, const QString& current) {
    auto find = [&](const QString& name) {
        for (size_t i = 0; i < choices.size(); ++i)
            if (choices[i].name.compare(name, Qt::CaseInsensitive) == 0)
                return int(i);
        return -1;
    };
    if (int index = find(current); index >= 0)
        return index;
    return std::max(find(kDefaultLanguage), 0);
}

void CustomColoursToDialog(const QStringList& colours) {
    for (const QString& entry : colours) {
        // "ColorA=BBGGRR": the letter names the slot.
        const QStringList parts = entry.split('=');
        if (parts.size() != 2 || !parts[0].startsWith("Color", Qt::CaseInsensitive) || parts[0].size() != 6)
            continue;
        const int slot = parts[0].back().toUpper().unicode() - 'A';
        bool ok = false;
        const uint value = parts[1].trimmed().toUInt(&ok, 16);
        if (ok && slot >= 0 && slot < QColorDialog::customCount() && value <= 0xFFFFFF)
            QColorDialog::setCustomColor(slot, DialogColour(int32_t(value)));
    }
}

QStringList CustomColoursFromDialog() {
    QStringList colours;
    for (int slot = 0; slot < QColorDialog::customCount(); ++slot) {
        const int32_t value = ProgramColour(QColorDialog::customColor(slot));
        colours << QString("Color%1=%2").arg(QChar('A' + slot)).arg(value, 6, 16, QChar('0')).toUpper();
    }
    return colours;
}

TPrefsWnd::TPrefsWnd(QWidget* parent) : QDialog(parent), edited_(Settings()) {
    setWindowTitle("Lyrimo Preferences");
    RunSoundEffectEditor = [](TSoundEffectEditor& editor) { return editor.exec(); };
    EnumerateMonitors();

    tabs_ = new QTabWidget(this);
    tabs_->addTab(GeneralPage(), "General");
    tabs_->addTab(LyricsPage(), "Lyrics");
    tabs_->addTab(PlaybackPage(), "Playback");
    tabs_->addTab(MonitorsPage(), "Monitors");
    tabs_->addTab(PlayersPage(), "Players");
    tabs_->addTab(SoundEffectsPage(), "Sound Effects");
    tabs_->addTab(ExternalControlsPage(), "External Controls");

    auto* reset = new QPushButton("Reset to Defaults", this);
    auto* ok = new QPushButton("OK", this);
    auto* cancel = new QPushButton("Cancel", this);
    ok->setDefault(true);
    connect(reset, &QPushButton::clicked, this, &TPrefsWnd::ResetToDefaults);
    connect(ok, &QPushButton::clicked, this, &TPrefsWnd::accept);
    connect(cancel, &QPushButton::clicked, this, &TPrefsWnd::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(reset);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addLayout(buttons);

    // The program's own texts are translated before the settings fill in names, paths and
    // extensions, which are no phrases of the program's.
    TranslateWindow(this);
    LoadControls();
}

TPrefsWnd::~TPrefsWnd() = default;

void TPrefsWnd::Bind(const QString& key, QWidget* widget) { bindings_.push_back({key, widget}); }

QWidget* TPrefsWnd::Control(const QString& key) const {
    for (const tPrefBinding& binding : bindings_)
        if (binding.key == key)
            return binding.widget;
    return nullptr;
}

QWidget* TPrefsWnd::GeneralPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);

    language_ = new QComboBox;
    languages_ = LanguageChoices();
    for (const tLanguageChoice& choice : languages_)
        language_->addItem(choice.caption, choice.name);
    auto* languageForm = new QFormLayout;
    languageForm->addRow("Interface language:", language_);
    layout->addWidget(Group("Language", languageForm));

    auto* general = new QVBoxLayout;
    auto addCheck = [&](QVBoxLayout* box, const char* key, const char* caption) {
        QCheckBox* check = Check(caption);
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
    layout->addWidget(Group("General", general));

    auto* recorder = new QVBoxLayout;
    addCheck(recorder, "MiscSettings/AutoPause", "Pause the timing recorder automatically");
    timingFont_ = new QLabel;
    auto* font = new QPushButton("Font...");
    auto* untimed = new QPushButton("Colour of untimed text...");
    auto* timed = new QPushButton("Colour of timed text...");
    connect(font, &QPushButton::clicked, this, &TPrefsWnd::ChooseTimingFont);
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
    recorder->addLayout(colourRow);
    layout->addWidget(Group("Timing recorder", recorder));
    layout->addStretch();
    return page;
}

QWidget* TPrefsWnd::LyricsPage() {
    auto* page = new QWidget;
    auto* layout = new QGridLayout(page);

    auto* songs = new QVBoxLayout;
    auto addCheck = [&](QVBoxLayout* box, const char* key, const char* caption) {
        QCheckBox* check = Check(caption);
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
    layout->addWidget(Group("New songs", songs), 0, 0);

    auto* coming = new QVBoxLayout;
    QCheckBox* multiLine =
        addCheck(coming, "MiscSettings/Multi-Line Display", "Show the coming lines in advance");
    QCheckBox* oldPreview =
        addCheck(coming, "PreviewMode/Enabled", "Show a preview of the next line instead");
    addCheck(coming, "PreviewMode/HalfSize", "Preview at half size");
    addCheck(coming, "PreviewMode/BlendBG", "Blend the preview into the background");
    addCheck(coming, "PreviewMode/PrevDefPos", "Preview below the lyrics");
    QComboBox* align = Choices({"Left", "Centre", "Right"});
    Bind("PreviewMode/PrevAlign", align);
    auto* alignForm = new QFormLayout;
    alignForm->addRow("Preview alignment:", align);
    coming->addLayout(alignForm);
    connect(multiLine, &QCheckBox::toggled, oldPreview, &QWidget::setEnabled);
    layout->addWidget(Group("Coming lines", coming), 0, 1);

    auto* text = new QFormLayout;
    QCheckBox* wrap = Check("Smart word wrapping (IntelliWrap)");
    Bind("PreviewMode/NiceWordwrap", wrap);
    text->addRow(wrap);
    QSpinBox* addPixels = Spin(0, 31, " px");
    Bind("MiscSettings/AddPixels", addPixels);
    text->addRow("Extra space around highlighted lyrics:", addPixels);
    layout->addWidget(Group("Text", text), 1, 0);

    auto* ball = new QFormLayout;
    QSpinBox* bounce = Spin(1, 100);
    Bind("MiscSettings/Bounce", bounce);
    ball->addRow("Letters between ball bounces:", bounce);
    QSpinBox* height = Spin(1, 1000, " ‰");
    height->setToolTip("Tenths of a percent of the screen height");
    Bind("MiscSettings/BounceHeightinPercent", height);
    ball->addRow("Bounce height (of the screen height):", height);
    QCheckBox* trueBounce = Check("Realistic bounce");
    Bind("MiscSettings/TrueBounce", trueBounce);
    ball->addRow(trueBounce);
    const std::pair<const char*, const char*> animationTimes[] = {
        {"MiscSettings/LeadIN", "Delay before an instrumental animation:"},
        {"MiscSettings/LeadOut", "Animation gone before the next line by:"},
        {"MiscSettings/MinTimePlay", "Least time for an animation:"},
        {"MiscSettings/ScrollTime", "Time to scroll an animation on or off:"},
    };
    for (const auto& [key, caption] : animationTimes) {
        QSpinBox* spin = Spin(0, 600000, " ms");
        spin->setSingleStep(100);
        Bind(key, spin);
        ball->addRow(caption, spin);
    }
    layout->addWidget(Group("Ball and animations", ball), 1, 1);
    layout->setRowStretch(2, 1);
    return page;
}

QWidget* TPrefsWnd::PlaybackPage() {
    auto* page = new QWidget;
    auto* layout = new QGridLayout(page);

    auto* timing = new QFormLayout;
    QSpinBox* early = Spin(100, 60000, " ms");
    early->setSingleStep(50);
    Bind("MiscSettings/Early", early);
    timing->addRow("Show each line early by:", early);
    QSpinBox* cropMin = Spin(0, 1000, " ms");
    QSpinBox* cropMax = Spin(0, 1000, " ms");
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
        QCheckBox* check = Check(caption);
        Bind(key, check);
        timing->addRow(check);
    }
    layout->addWidget(Group("Lines", timing), 0, 0);

    auto* start = new QVBoxLayout;
    const std::pair<const char*, const char*> startChecks[] = {
        {"MiscSettings/DelayWait", "Wait for a mouse click before the karaoke starts"},
        {"Playback/TitleClickWait", "Wait for a mouse click after the title"},
        {"MiscSettings/Hide Taskbar", "Hide the desktop and task bar during karaoke"},
    };
    for (const auto& [key, caption] : startChecks) {
        QCheckBox* check = Check(caption);
        Bind(key, check);
        start->addWidget(check);
    }
    start->addStretch();
    layout->addWidget(Group("Starting", start), 0, 1);

    auto* performance = new QFormLayout;
    QComboBox* depth = Choices({"Automatic", "Always 16-bit", "Always 24-bit", "Always 32-bit"});
    Bind("Playback/GraphicsMode", depth);
    performance->addRow("Colour depth:", depth);
    QCheckBox* frameRate = Check("Show the frame rate");
    Bind("Playback/Framerate", frameRate);
    performance->addRow(frameRate);
    QCheckBox* lowPriority = Check("Use less processor time");
    Bind("MiscSettings/Mode", lowPriority);
    performance->addRow(lowPriority);
    auto* priority = new QSlider(Qt::Horizontal);
    priority->setRange(2, 151);
    priority->setToolTip("Further right leaves more processor time to other programs");
    Bind("MiscSettings/Priority", priority);
    performance->addRow("Rest between frames:", priority);
    connect(lowPriority, &QCheckBox::toggled, priority, &QWidget::setEnabled);
    layout->addWidget(Group("Performance", performance), 1, 0, 1, 2);
    layout->setRowStretch(2, 1);
    return page;
}

QWidget* TPrefsWnd::MonitorsPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
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
    QCheckBox* shrink = Check("Show the playback controls small");
    Bind("MiscSettings/ShrinkPlaybackControls", shrink);
    roles->addRow(shrink);
    layout->addWidget(Group("Monitors", roles));

    auto* background = new QFormLayout;
    QCheckBox* fullScreen = Check("Cover the screen behind the karaoke");
    Bind("eMultiMon/FullScreen", fullScreen);
    background->addRow(fullScreen);
    auto* picture = new QLineEdit;
    Bind("MiscSettings/BgScreenFileName", picture);
    auto* browse = new QPushButton("Browse...");
    connect(browse, &QPushButton::clicked, this, &TPrefsWnd::BrowseBackground);
    auto* pictureRow = new QHBoxLayout;
    pictureRow->addWidget(picture, 1);
    pictureRow->addWidget(browse);
    background->addRow("Picture:", pictureRow);
    QComboBox* stretch = Choices({"Centred", "Tiled", "Stretched"});
    Bind("MiscSettings/ScreenStretchMode", stretch);
    background->addRow("Show the picture:", stretch);
    QCheckBox* aspect = Check("Keep the picture's proportions");
    Bind("MiscSettings/BgMaintainAspect", aspect);
    background->addRow(aspect);
    layout->addWidget(Group("Background screen", background));
    return page;
}

QWidget* TPrefsWnd::PlayerDetails(uint8_t id) {
    auto* page = new QWidget;
    const tPlayerKeys* keys = nullptr;
    for (const tPlayerKeys& k : kPlayerKeys)
        if (k.id == id)
            keys = &k;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    if (!keys) {
        layout->addWidget(new QLabel("This place in the order names no player."));
        layout->addStretch();
        return page;
    }
    QCheckBox* enabled = Check("Use this player");
    Bind(keys->enabled, enabled);
    layout->addWidget(enabled);
    if (keys->playsCds) {
        QCheckBox* cds = Check("This player may play audio CDs");
        Bind(keys->playsCds, cds);
        layout->addWidget(cds);
    }
    if (id == player::External) {
        auto* program = new QLineEdit;
        Bind("MiscSettings/WinampEXE", program);
        auto* browse = new QPushButton("Browse...");
        connect(browse, &QPushButton::clicked, this, &TPrefsWnd::BrowseExternalPlayer);
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel("Program:"));
        row->addWidget(program, 1);
        row->addWidget(browse);
        layout->addLayout(row);
    }
    layout->addWidget(new QLabel("File types it plays (double-click to change):"));
    auto* extensions = new QListWidget;
    Bind(keys->extensions, extensions);
    layout->addWidget(extensions, 1);
    auto* add = new QPushButton("Add");
    auto* remove = new QPushButton("Remove");
    connect(add, &QPushButton::clicked, extensions, [extensions] {
        auto* item = new QListWidgetItem(".", extensions);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        extensions->setCurrentItem(item);
        extensions->editItem(item);
    });
    connect(remove, &QPushButton::clicked, extensions, [extensions] { delete extensions->currentItem(); });
    auto* row = new QHBoxLayout;
    row->addWidget(add);
    row->addWidget(remove);
    row->addStretch();
    layout->addLayout(row);
    return page;
}

QWidget* TPrefsWnd::PlayersPage() {
    auto* page = new QWidget;
    auto* layout = new QGridLayout(page);

    playerOrder_ = new QListWidget;
    auto* up = new QPushButton("Up");
    auto* down = new QPushButton("Down");
    connect(up, &QPushButton::clicked, this, [this] { MovePlayer(playerOrder_->currentRow(), -1); });
    connect(down, &QPushButton::clicked, this, [this] { MovePlayer(playerOrder_->currentRow(), +1); });
    auto* order = new QVBoxLayout;
    order->addWidget(new QLabel("Players are tried in this order:"));
    order->addWidget(playerOrder_, 1);
    auto* moves = new QHBoxLayout;
    moves->addWidget(up);
    moves->addWidget(down);
    order->addLayout(moves);
    layout->addLayout(order, 0, 0);

    playerPages_ = new QStackedWidget;
    for (uint8_t id = player::None; id <= player::DirectShow; ++id)
        playerPages_->addWidget(PlayerDetails(id));
    connect(playerOrder_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        playerPages_->setCurrentIndex(item ? item->data(Qt::UserRole).toInt() : 0);
    });
    layout->addWidget(playerPages_, 0, 1);
    layout->setColumnStretch(1, 1);

    auto* cd = new QFormLayout;
    QCheckBox* reject = Check("CD-Reject Technology Enabled (Recommended)");
    Bind("MiscSettings/CDReject", reject);
    cd->addRow(reject);
    auto* drive = new QComboBox;
    const QStringList devices = SettingsHooks().cdDevices ? SettingsHooks().cdDevices() : CdDevices();
    for (int i = 0; i < devices.size() && !CdDriveLetter(i).isEmpty(); ++i)
        drive->addItem(CdDriveLetter(i) + " (" + devices[i] + ")", CdDriveLetter(i));
    Bind("MiscSettings/DefaultCDROM", drive);
    cd->addRow("CD drive for audio CDs:", drive);
    layout->addWidget(Group("Audio CDs", cd), 1, 0, 1, 2);
    return page;
}

QWidget* TPrefsWnd::SoundEffectsPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel("Sounds played by a key during the karaoke:"));
    soundEffects_ = new QListWidget;
    layout->addWidget(soundEffects_, 1);
    auto* add = new QPushButton("Add...");
    auto* edit = new QPushButton("Edit...");
    auto* remove = new QPushButton("Remove");
    connect(add, &QPushButton::clicked, this, &TPrefsWnd::AddSoundEffect);
    connect(edit, &QPushButton::clicked, this, [this] { EditSoundEffect(soundEffects_->currentRow()); });
    connect(remove, &QPushButton::clicked, this, [this] { RemoveSoundEffect(soundEffects_->currentRow()); });
    connect(soundEffects_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { EditSoundEffect(soundEffects_->row(item)); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(edit);
    buttons->addWidget(remove);
    buttons->addStretch();
    layout->addLayout(buttons);
    return page;
}

QWidget* TPrefsWnd::ExternalControlsPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    QCheckBox* enable = Check("Send signals to an external device");
    Bind("ExternalControls/EnableControls", enable);
    layout->addWidget(enable);

    auto* portForm = new QFormLayout;
    auto* port = new QComboBox;
    for (const char* name : kPorts)
        port->addItem(name, name);
    Bind("ExternalControls/EnablePort", port);
    portForm->addRow("Port:", port);
    layout->addLayout(portForm);

    auto* events = new QGridLayout;
    events->addWidget(new QLabel("Event"), 0, 0);
    events->addWidget(new QLabel("Bytes to send (hexadecimal)"), 0, 1);
    const QRegularExpression hex("[0-9A-Fa-f]*");
    for (int n = 0; n < 4; ++n) {
        QCheckBox* on = Check(kEvents[n]);
        auto* data = new QLineEdit;
        data->setValidator(new QRegularExpressionValidator(hex, data));
        Bind("ExternalControls/Enable" + QString::number(n), on);
        Bind("ExternalControls/SendData" + QString::number(n), data);
        events->addWidget(on, n + 1, 0);
        events->addWidget(data, n + 1, 1);
    }
    layout->addWidget(Group("Events", events));
    layout->addStretch();
    return page;
}

void TPrefsWnd::LoadControls() {
    LoadPrefsControls(edited_, bindings_);
    language_->setCurrentIndex(LanguageChoiceIndex(languages_, edited_.Language));
    ShowPlayerOrder(edited_.Player2Order);
    ShowSoundEffects();
    ShowTimingFont();
    // Controls that only matter while another is on follow it.
    auto follow = [this](const char* key, const char* leaderKey) {
        if (auto* leader = qobject_cast<QCheckBox*>(Control(leaderKey)))
            Control(key)->setEnabled(leader->isChecked());
    };
    follow("PreviewMode/Enabled", "MiscSettings/Multi-Line Display");
    follow("MiscSettings/Priority", "MiscSettings/Mode");
}

void TPrefsWnd::StoreControls() {
    StorePrefsControls(bindings_, edited_);
    edited_.Player2Order = PlayerOrderShown();
}

void TPrefsWnd::ShowPlayerOrder(const tPlayerOrder& order) {
    playerOrder_->clear();
    for (uint8_t id : order) {
        const QString name = PlayerName(id);
        auto* item = new QListWidgetItem(name.isEmpty() ? Translate("(no player)") : name, playerOrder_);
        item->setData(Qt::UserRole, int(id));
    }
    playerOrder_->setCurrentRow(0);
}

tPlayerOrder TPrefsWnd::PlayerOrderShown() const {
    tPlayerOrder order{};
    for (int row = 0; row < playerOrder_->count() && row < int(order.size()); ++row)
        order[size_t(row)] = uint8_t(playerOrder_->item(row)->data(Qt::UserRole).toInt());
    return order;
}

void TPrefsWnd::MovePlayer(int row, int delta) {
    const int target = row + delta;
    if (row < 0 || row >= playerOrder_->count() || target < 0 || target >= playerOrder_->count())
        return;
    QListWidgetItem* item = playerOrder_->takeItem(row);
    playerOrder_->insertItem(target, item);
    playerOrder_->setCurrentRow(target);
}

void TPrefsWnd::ShowSoundEffects() {
    const int row = soundEffects_->currentRow();
    soundEffects_->clear();
    for (const tSoundEffect& effect : edited_.SoundEffects) {
        const QString shortcut = effect.Shortcut ? ShortcutText(effect.Shortcut) : Translate("no shortcut");
        soundEffects_->addItem(shortcut + "  —  " + effect.FileName);
    }
    soundEffects_->setCurrentRow(std::min(row, soundEffects_->count() - 1));
}

void TPrefsWnd::AddSoundEffect() {
    TSoundEffectEditor editor(edited_.SoundEffects, -1, this);
    if (RunSoundEffectEditor(editor) != QDialog::Accepted)
        return;
    edited_.SoundEffects.push_back(editor.Entry());
    ShowSoundEffects();
    soundEffects_->setCurrentRow(soundEffects_->count() - 1);
}

void TPrefsWnd::EditSoundEffect(int row) {
    if (row < 0 || row >= int(edited_.SoundEffects.size()))
        return;
    TSoundEffectEditor editor(edited_.SoundEffects, row, this);
    if (RunSoundEffectEditor(editor) != QDialog::Accepted)
        return;
    edited_.SoundEffects[size_t(row)] = editor.Entry();
    ShowSoundEffects();
}

void TPrefsWnd::RemoveSoundEffect(int row) {
    if (row < 0 || row >= int(edited_.SoundEffects.size()))
        return;
    edited_.SoundEffects.erase(edited_.SoundEffects.begin() + row);
    ShowSoundEffects();
}

void TPrefsWnd::ShowTimingFont() {
    const tFontSetting& font = edited_.TimingsEditorFont;
    timingFont_->setText(font.name + ", " + QString::number(font.size) + " pt");
    timingFont_->setStyleSheet(ColourSwatchStyle(edited_.AltColor) +
                               "color: " + DialogColour(font.colour).name() + ";");
}

void TPrefsWnd::ChooseTimingFont() {
    tFontSetting& setting = edited_.TimingsEditorFont;
    QFont font(setting.name, setting.size);
    font.setBold(setting.attributes & 1);
    font.setItalic(setting.attributes & 2);
    font.setUnderline(setting.attributes & 4);
    font.setStrikeOut(setting.attributes & 8);
    bool ok = false;
    font = QFontDialog::getFont(&ok, font, this, Translate("Timing recorder font"));
    if (!ok)
        return;
    setting.name = font.family().left(kFontNameMaxLength);
    setting.size = font.pointSize() > 0 ? font.pointSize() : setting.size;
    setting.attributes = (setting.attributes & ~0x0F) | (font.bold() ? 1 : 0) | (font.italic() ? 2 : 0) |
                         (font.underline() ? 4 : 0) | (font.strikeOut() ? 8 : 0);
    ShowTimingFont();
}

void TPrefsWnd::ChooseTimingColour(bool timed) {
    int32_t& colour = timed ? edited_.AltColor : edited_.TimingsEditorFont.colour;
    CustomColoursToDialog(edited_.CustomColours);
    const QColor chosen = QColorDialog::getColor(DialogColour(colour), this);
    edited_.CustomColours = CustomColoursFromDialog();
    if (!chosen.isValid())
        return;
    colour = ProgramColour(chosen);
    ShowTimingFont();
}

void TPrefsWnd::BrowseBackground() {
    auto* edit = qobject_cast<QLineEdit*>(Control("MiscSettings/BgScreenFileName"));
    if (auto file = ChoosePictureFile(Translate("Background screen picture"), edit->text(), this))
        edit->setText(*file);
}

void TPrefsWnd::BrowseExternalPlayer() {
    auto* edit = qobject_cast<QLineEdit*>(Control("MiscSettings/WinampEXE"));
    const QString file =
        QFileDialog::getOpenFileName(this, Translate("Select the player program..."), edit->text());
    if (!file.isEmpty())
        edit->setText(file);
}

void TPrefsWnd::ResetToDefaults() {
    if (!AskToResetPreferences(Steps))
        return;
    edited_ = Settings();
    LoadControls();
}

void TPrefsWnd::accept() {
    StoreControls();
    const int choice = language_->currentIndex();
    const QString language = choice >= 0 ? languages_[size_t(choice)].name : edited_.Language;
    const tPrefsOutcome outcome = ConfirmPreferences(edited_, language, Steps);
    SelectPlayMonitor(Settings().PlayMon);
    SelectControlMonitor(Settings().CtrlMon);
    (void)outcome;
    QDialog::accept();
}

} // namespace lyrimo

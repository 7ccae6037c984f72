#include "app/settings_table.h"
#include "app/translation.h"
#include "desktop/preferences_window.h"
#include "desktop/prefs_pages.h"
#include "desktop/sound_effect_editor.h"
#include "desktop_test_support.h"
#include "media/player_presence.h"
#include "playback/monitors.h"
#include "playback/playback_rules.h"
#include "ui/program_colours.h"
#include "ui/program_style.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSettings>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>

#include <set>

namespace lyrimo {
namespace {

const QString kReservedMessage = "Error: This shortcut is already used to control Lyrimo during playback";
const QString kInUseMessage = "Error: This keyboard shortcut is already in use";

void PressKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = {}) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, QString());
    QApplication::sendEvent(target, &press);
}

// Every test starts from the defaults, an empty store, two monitors, no CD drive and
// headless message boxes; the steps that reach beyond the window are recorded.
class Preferences : public ::testing::Test {
protected:
    void SetUp() override {
        ui_.printMessages = false;
        SetApp(&ui_);
        savedHooks_ = SettingsHooks();
        SettingsHooks().cdDevices = [] { return QStringList(); };
        SetMonitorsForTesting({{"\\\\.\\DISPLAY1", {0, 0, 1920, 1080}, {}, 0},
                               {"\\\\.\\DISPLAY2", {1920, 0, 3200, 1024}, "Projector", 0}});
        OpenSettingsStore()->clear();
        Settings() = tSettingsClass();
        Settings().PlayMon = Settings().CtrlMon = "DISPLAY1";
    }
    void TearDown() override {
        SetApp(nullptr);
        SettingsHooks() = savedHooks_;
        UseRealMonitors();
    }

    std::unique_ptr<TPrefsWnd> Window() {
        auto window = std::make_unique<TPrefsWnd>();
        window->Steps.restart = [this] { log_ << "restart"; };
        window->Steps.reloadLanguage = [this] { log_ << "reload language"; };
        return window;
    }
    template <class T>
    T* ControlOf(TPrefsWnd& window, const QString& key) {
        T* control = qobject_cast<T*>(window.Control(key));
        EXPECT_NE(control, nullptr) << key.toStdString();
        return control;
    }
    QVariant Stored(const QString& key) { return OpenSettingsStore()->value(key); }

    tHeadlessServices ui_;
    QStringList log_;
    tSettingsHooks savedHooks_;
};

TEST_F(Preferences, ControlsShowAndGiveBackTheirValues) {
    QCheckBox check;
    QSpinBox spin;
    spin.setRange(0, 100000);
    QSlider slider;
    slider.setRange(2, 151);
    QComboBox modes, ports;
    modes.addItems({"a", "b", "c", "d"});
    ports.addItem("COM1", "COM1");
    ports.addItem("LPT1", "LPT1");
    QLineEdit text;
    QListWidget extensions;
    const std::vector<tPrefBinding> bindings = {
        {"MiscSettings/Skip Blank Lines", &check},
        {"MiscSettings/Early", &spin},
        {"MiscSettings/Priority", &slider},
        {"Playback/GraphicsMode", &modes},
        {"ExternalControls/EnablePort", &ports},
        {"MiscSettings/BgScreenFileName", &text},
        {"MiscSettings/UseFileExtensionsDS", &extensions},
    };
    tSettingsClass settings;
    settings.SkipBlankLines = true;
    settings.Early = 1500;
    settings.Priority = 77;
    settings.GraphicsMode = 2;
    settings.EnablePort = "COM4"; // not among the items: added, so it survives
    settings.BgScreenFileName = "/pictures/stage.png";
    settings.UseFileExtensionsDS = ".avi|.mkv";
    LoadPrefsControls(settings, bindings);
    EXPECT_TRUE(check.isChecked());
    EXPECT_EQ(spin.value(), 1500);
    EXPECT_EQ(slider.value(), 77);
    EXPECT_EQ(modes.currentIndex(), 2);
    EXPECT_EQ(ports.currentData().toString(), "COM4");
    EXPECT_EQ(text.text(), "/pictures/stage.png");
    ASSERT_EQ(extensions.count(), 2);
    EXPECT_EQ(extensions.item(1)->text(), ".mkv");

    tSettingsClass stored;
    StorePrefsControls(bindings, stored);
    EXPECT_EQ(stored, settings);

    // Storing applies the store's read corrections, and a combo box that selects nothing
    // leaves its value alone.
    spin.setValue(50);
    modes.setCurrentIndex(-1);
    extensions.item(0)->setText(" .mpg ");
    StorePrefsControls(bindings, stored);
    EXPECT_EQ(stored.Early, 100);
    EXPECT_EQ(stored.GraphicsMode, 2);
    EXPECT_EQ(stored.UseFileExtensionsDS, ".mpg|.mkv");
}

// A key the settings table does not know would leave its control unloaded and unstored; a key
// bound twice would be stored from whichever control comes last.
TEST_F(Preferences, PagesBindEachStoredValueOnceByItsStoredName) {
    tSettingsClass edited;
    std::vector<tPrefBinding> bindings;
    const TPrefsSoundEffectsPage::tRunEditor runEditor;
    TPrefsGeneralPage general(edited, bindings);
    TPrefsLyricsPage lyrics(edited, bindings);
    TPrefsPlaybackPage playback(edited, bindings);
    TPrefsMonitorsPage monitors(edited, bindings);
    TPrefsPlayersPage players(edited, bindings);
    TPrefsSoundEffectsPage soundEffects(edited, bindings, runEditor);
    TPrefsExternalControlsPage externalControls(edited, bindings);

    std::set<QString> known;
    for (const tSettingValue& value : SettingValues())
        known.insert(value.Key());
    std::set<QString> bound;
    for (const tPrefBinding& binding : bindings) {
        EXPECT_TRUE(known.count(binding.key)) << binding.key.toStdString();
        EXPECT_TRUE(bound.insert(binding.key).second) << binding.key.toStdString();
        EXPECT_NE(binding.widget, nullptr) << binding.key.toStdString();
    }
    EXPECT_GT(bound.size(), 60u);

    auto window = Window();
    for (const QString& key : bound)
        EXPECT_NE(window->Control(key), nullptr) << key.toStdString();
    EXPECT_EQ(window->Control("MiscSettings/NoSuchValue"), nullptr);
}

TEST_F(Preferences, ControlsThatOnlyMatterWithAnotherFollowIt) {
    Settings().MultiLineDisplay = false;
    Settings().Mode = false;
    auto window = Window();
    QWidget* preview = window->Control("PreviewMode/Enabled");
    QWidget* priority = window->Control("MiscSettings/Priority");
    EXPECT_FALSE(preview->isEnabled());
    EXPECT_FALSE(priority->isEnabled());
    ControlOf<QCheckBox>(*window, "MiscSettings/Multi-Line Display")->setChecked(true);
    ControlOf<QCheckBox>(*window, "MiscSettings/Mode")->setChecked(true);
    EXPECT_TRUE(preview->isEnabled());
    EXPECT_TRUE(priority->isEnabled());

    // Each follows its own leader.
    Settings().MultiLineDisplay = true;
    window = Window();
    EXPECT_TRUE(window->Control("PreviewMode/Enabled")->isEnabled());
    EXPECT_FALSE(window->Control("MiscSettings/Priority")->isEnabled());
}

TEST_F(Preferences, TimingFontSampleShowsTheFontInBothColoursOnANewSongsBackground) {
    Settings().TimingsEditorFont.name = "DejaVu Sans";
    Settings().TimingsEditorFont.size = 12;
    Settings().TimingsEditorFont.attributes = 1 | 2; // bold, italic
    Settings().TimingsEditorFont.colour = 0x0000FF;  // red in the program's order
    Settings().AltColor = 0x00FF0000;                // blue
    // Under the program's style sheet, as the program shows it.
    struct tProgramStyleForTheTest {
        const QString styleName = QApplication::style()->name();
        tProgramStyleForTheTest() { ApplyProgramStyle(*qApp); }
        ~tProgramStyleForTheTest() {
            qApp->setStyleSheet({});
            QApplication::setPalette(QPalette());
            QApplication::setStyle(styleName);
        }
    } programStyle;
    auto window = Window();
    QLabel* name = nullptr;
    for (QLabel* label : window->findChildren<QLabel*>())
        if (label->text().endsWith(" pt"))
            name = label;
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), "DejaVu Sans, 12 pt");
    auto* sample = window->findChild<QLabel*>("TimingSample");
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->font().family(), "DejaVu Sans");
    EXPECT_EQ(sample->font().pointSize(), 12);
    EXPECT_TRUE(sample->font().bold());
    EXPECT_TRUE(sample->font().italic());
    EXPECT_FALSE(sample->font().underline());
    // The first word timed (blue), the rest not yet (red).
    EXPECT_EQ(sample->text(),
              "<span style=\"color:#0000ff\">Sample</span> <span style=\"color:#ff0000\">lyrics</span>");
    EXPECT_TRUE(sample->styleSheet().contains("background-color: #000000;"))
        << sample->styleSheet().toStdString();

    // The sample follows a reset at once: timed red, untimed yellow.
    ui_.scriptedAnswers = {mb::IdOk};
    window->ResetToDefaults();
    EXPECT_EQ(name->text(), "Arial, 19 pt");
    EXPECT_EQ(sample->text(),
              "<span style=\"color:#ff0000\">Sample</span> <span style=\"color:#ffff00\">lyrics</span>");
    EXPECT_FALSE(sample->font().bold());

    // What is drawn: both colours on the background, in the sample's own font.
    window->show();
    QApplication::processEvents();
    const QImage shot = sample->grab().toImage();
    int redRows = 0;
    bool yellow = false;
    for (int y = 0; y < shot.height(); ++y) {
        bool redInRow = false;
        for (int x = 0; x < shot.width(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            redInRow |= c.red() > 200 && c.green() < 60 && c.blue() < 60;
            yellow |= c.red() > 200 && c.green() > 200 && c.blue() < 60;
        }
        redRows += redInRow;
    }
    // Drawn in the chosen size, not the dialog's own: "Sample" stands at least a capital high.
    EXPECT_GE(redRows, QFontMetrics(TimingFontOf(Settings().TimingsEditorFont)).capHeight());
    EXPECT_TRUE(yellow);
    EXPECT_EQ(shot.pixelColor(3, shot.height() / 2), QColor(Qt::black));
}

TEST_F(Preferences, CustomColoursGoToTheirDialogSlotsAndBack) {
    CustomColoursToDialog(
        {"ColorA=0000FF", "colorc=00ff00", "ColorB", "ColorZ=123456", "ColorD=1000000", "Colour=FFFFFF"});
    EXPECT_EQ(QColorDialog::customColor(0), QColor(255, 0, 0));
    EXPECT_EQ(QColorDialog::customColor(2), QColor(0, 255, 0));
    const QColor untouched = QColorDialog::customColor(3);
    CustomColoursToDialog({"ColorD=GGGGGG"});
    EXPECT_EQ(QColorDialog::customColor(3), untouched);

    QColorDialog::setCustomColor(1, QColor(0x12, 0x34, 0x56));
    const QStringList colours = CustomColoursFromDialog();
    ASSERT_EQ(colours.size(), QColorDialog::customCount());
    EXPECT_EQ(colours[0], "COLORA=0000FF");
    EXPECT_EQ(colours[1], "COLORB=563412");
    EXPECT_EQ(colours[2], "COLORC=00FF00");
}

TEST_F(Preferences, OkWithoutChangesKeepsEveryValue) {
    tSettingsClass& s = Settings();
    s.Early = 1234;
    s.PrevAlign = 2;
    s.GraphicsMode = 3;
    s.ScreenStretchMode = 1;
    s.Priority = 100;
    s.Mode = false;
    s.MultiLineDisplay = false;
    s.Enabled = true;
    s.EnablePort = "COM3";
    s.SendData[2] = "A0B1";
    s.Enable = {false, true, true, false};
    s.PlayMon = "DISPLAY2 on Projector";
    s.CtrlMon = "HDMI-9"; // unplugged: kept as it is
    s.UseFileExtensionsQT = "|.mov";
    s.Player2Order = DecodePlayerOrder("x52");
    s.SoundEffects = {{"/sounds/a.wav", 'A'}, {"/sounds/b.wav", uint16_t('B' | kShortcutCtrl)}};
    s.BounceHeightinPercent = 125;
    s.WinampEXE = "/usr/bin/someplayer";
    const tSettingsClass before = s;

    auto window = Window();
    window->accept();
    EXPECT_EQ(Settings(), before);
    EXPECT_EQ(log_, QStringList{"reload language"});
    EXPECT_EQ(Stored("MiscSettings/Early").toInt(), 1234);
    EXPECT_EQ(Stored("MiscSettings/Player2Order").toString(), "05214");
    EXPECT_TRUE(ui_.shownMessages.isEmpty());
}

TEST_F(Preferences, EditedValuesAreStoredAndSavedOnOk) {
    auto window = Window();
    ControlOf<QCheckBox>(*window, "MiscSettings/Skip Blank Lines")->setChecked(true);
    ControlOf<QSpinBox>(*window, "MiscSettings/Early")->setValue(1500);
    ControlOf<QComboBox>(*window, "ExternalControls/EnablePort")->setCurrentIndex(1);
    ControlOf<QComboBox>(*window, "eMultiMon/PlayMon")->setCurrentIndex(1);
    ControlOf<QLineEdit>(*window, "ExternalControls/SendData1")->setText("7E");
    // The default order is external, GStreamer, mpv, built-in, VLC; the last moves to the top.
    window->MovePlayer(4, -1);
    window->MovePlayer(3, -1);
    window->MovePlayer(2, -1);
    window->MovePlayer(1, -1);
    window->MovePlayer(0, -1); // already at the top: nothing moves
    window->accept();

    EXPECT_TRUE(Settings().SkipBlankLines);
    EXPECT_EQ(Settings().Early, 1500);
    EXPECT_EQ(Settings().EnablePort, "COM2");
    EXPECT_EQ(Settings().PlayMon, "DISPLAY2 on Projector");
    EXPECT_EQ(PlayMonitorName(), "DISPLAY2 on Projector");
    EXPECT_EQ(Settings().SendData[1], "7E");
    EXPECT_EQ(EncodePlayerOrder(Settings().Player2Order), "41532");
    EXPECT_EQ(Stored("MiscSettings/Skip Blank Lines").toInt(), 1);
    EXPECT_EQ(Stored("MiscSettings/Early").toInt(), 1500);
    EXPECT_EQ(Stored("ExternalControls/EnablePort").toString(), "COM2");
    EXPECT_EQ(Stored("MiscSettings/Player2Order").toString(), "41532");
    EXPECT_EQ(window->result(), QDialog::Accepted);
}

TEST_F(Preferences, PortListShowsTheDeviceBesideEachPortAndStoresThePortName) {
    Settings().EnablePort = "LPT2";
    auto window = Window();
    auto* ports = ControlOf<QComboBox>(*window, "ExternalControls/EnablePort");
    ASSERT_NE(ports, nullptr);
    QStringList shown;
    for (int i = 0; i < ports->count(); ++i)
        shown << ports->itemText(i);
    EXPECT_EQ(shown,
              QStringList({"COM1 (/dev/ttyS0)", "COM2 (/dev/ttyS1)", "COM3 (/dev/ttyS2)", "COM4 (/dev/ttyS3)",
                           "LPT1 (/dev/lp0)", "LPT2 (/dev/lp1)", "LPT3 (/dev/lp2)"}));
    EXPECT_EQ(ports->currentText(), "LPT2 (/dev/lp1)");
    ports->setCurrentIndex(3);
    window->accept();
    EXPECT_EQ(Settings().EnablePort, "COM4");
    EXPECT_EQ(Stored("ExternalControls/EnablePort").toString(), "COM4");
}

TEST_F(Preferences, CancelChangesNothing) {
    const tSettingsClass before = Settings();
    auto window = Window();
    ControlOf<QCheckBox>(*window, "MiscSettings/Skip Blank Lines")->setChecked(true);
    ControlOf<QSpinBox>(*window, "MiscSettings/Early")->setValue(1500);
    window->MovePlayer(1, -1);
    window->RunSoundEffectEditor = [](TSoundEffectEditor& editor) {
        editor.FileNameEdit()->setText("/sounds/horn.wav");
        editor.accept();
        return editor.result();
    };
    window->AddSoundEffect();
    ASSERT_EQ(window->Edited().SoundEffects.size(), 1u);
    window->reject();

    EXPECT_EQ(Settings(), before);
    EXPECT_FALSE(Stored("MiscSettings/Early").isValid());
    EXPECT_TRUE(log_.isEmpty());
}

TEST_F(Preferences, ResetAsksFirstAndRestoresTheDefaults) {
    Settings().Early = 1234;
    Settings().SoundEffects = {{"/sounds/a.wav", 'A'}};
    Settings().Save(*OpenSettingsStore());
    auto window = Window();
    auto* early = ControlOf<QSpinBox>(*window, "MiscSettings/Early");

    ui_.scriptedAnswers = {mb::IdCancel};
    window->ResetToDefaults();
    EXPECT_EQ(ui_.shownMessages,
              QStringList{"Reset to Defaults: Reset preferences to defaults? Are you sure?"});
    EXPECT_EQ(early->value(), 1234);
    EXPECT_EQ(Stored("MiscSettings/Early").toInt(), 1234);

    ui_.scriptedAnswers = {mb::IdOk};
    window->ResetToDefaults();
    EXPECT_EQ(ui_.shownMessages.size(), 2);
    EXPECT_EQ(early->value(), 800);
    EXPECT_EQ(Settings().Early, 800);
    EXPECT_TRUE(Settings().SoundEffects.empty());
    EXPECT_EQ(window->SoundEffectList()->count(), 0);
    EXPECT_FALSE(Stored("MiscSettings/Early").isValid());
}

TEST_F(Preferences, PlayerOrderMovesWithinTheList) {
    auto window = Window();
    QListWidget* list = window->PlayerOrderList();
    ASSERT_EQ(list->count(), 5);
    const QString first = list->item(0)->text();
    window->MovePlayer(0, +1);
    EXPECT_EQ(list->item(1)->text(), first);
    EXPECT_EQ(list->currentRow(), 1);
    window->MovePlayer(4, +1); // no room below the last
    window->MovePlayer(-1, +1);
    window->accept();
    EXPECT_EQ(EncodePlayerOrder(Settings().Player2Order), "51324");
}

TEST_F(Preferences, ThePlayersPageSaysWhichEnginesAreHere) {
    OverridePlayerPresence([](uint8_t id) { return id != player::QuickTime && id != player::External; });
    tSettingsClass edited;
    std::vector<tPrefBinding> bindings;
    TPrefsPlayersPage page(edited, bindings);
    edited.Player2Order = DecodePlayerOrder("24");
    page.Load();
    QListWidget* list = page.PlayerOrderList();
    EXPECT_EQ(list->item(0)->text(), "Built-in player");
    EXPECT_EQ(list->item(1)->text(), "VLC (not found)");
    const QList<QLabel*> found = page.findChildren<QLabel*>("enginePresent");
    const QList<QLabel*> missing = page.findChildren<QLabel*>("engineMissing");
    EXPECT_EQ(found.size(), 3);
    ASSERT_EQ(missing.size(), 2);
    QStringList missingTexts = {missing[0]->text(), missing[1]->text()};
    missingTexts.sort();
    EXPECT_TRUE(missingTexts[0].contains("MPRIS")) << missingTexts[0].toStdString();
    EXPECT_EQ(missingTexts[1], "The VLC engine is not on this machine; this player is passed over.");
    OverridePlayerPresence({});
}

class SoundEffectEditor : public Preferences {
protected:
    // Types the key into the editor's shortcut box and presses OK; true when the editor closed.
    bool TryShortcut(TSoundEffectEditor& editor, int key, Qt::KeyboardModifiers modifiers = {}) {
        PressKey(editor.ShortcutEdit(), key, modifiers);
        editor.setResult(QDialog::Rejected);
        editor.accept();
        return editor.result() == QDialog::Accepted;
    }
};

TEST_F(SoundEffectEditor, RefusesThePlaybackKeysPressedAlone) {
    const std::vector<tSoundEffect> effects;
    TSoundEffectEditor editor(effects, -1);
    const int playbackKeys[] = {Qt::Key_Return, Qt::Key_Escape, Qt::Key_Space,
                                Qt::Key_Left,   Qt::Key_Up,     Qt::Key_Down};
    for (int key : playbackKeys) {
        ui_.shownMessages.clear();
        EXPECT_FALSE(TryShortcut(editor, key)) << key;
        EXPECT_EQ(ui_.shownMessages, QStringList{kReservedMessage}) << key;
        // With a modifier the same key is free.
        EXPECT_TRUE(TryShortcut(editor, key, Qt::ShiftModifier)) << key;
        EXPECT_TRUE(TryShortcut(editor, key, Qt::ControlModifier | Qt::AltModifier)) << key;
    }
    // Keys the playback does not use alone are fine.
    EXPECT_TRUE(TryShortcut(editor, Qt::Key_Right));
    EXPECT_TRUE(TryShortcut(editor, Qt::Key_F5));
    EXPECT_EQ(editor.Entry().Shortcut, 0x74);
}

TEST_F(SoundEffectEditor, RefusesTheShortcutOfAnotherEntry) {
    const std::vector<tSoundEffect> effects = {{"/s/a.wav", 'A'}, {"/s/b.wav", uint16_t('B' | kShortcutAlt)}};
    TSoundEffectEditor editing(effects, 0);
    EXPECT_EQ(editing.FileNameEdit()->text(), "/s/a.wav");
    EXPECT_EQ(editing.Entry().Shortcut, 'A');
    EXPECT_TRUE(TryShortcut(editing, Qt::Key_A)); // its own shortcut
    EXPECT_FALSE(TryShortcut(editing, Qt::Key_B, Qt::AltModifier));
    EXPECT_EQ(ui_.shownMessages, QStringList{kInUseMessage});
    EXPECT_TRUE(TryShortcut(editing, Qt::Key_B));

    TSoundEffectEditor adding(effects, -1);
    EXPECT_FALSE(TryShortcut(adding, Qt::Key_A));
    EXPECT_EQ(ui_.shownMessages.size(), 2);
    EXPECT_EQ(ui_.shownMessages.back(), kInUseMessage);
}

TEST_F(SoundEffectEditor, ShortcutBoxTakesKeysWithTheirModifiers) {
    TShortcutEdit edit;
    PressKey(&edit, Qt::Key_Control, Qt::ControlModifier); // a modifier alone changes nothing
    EXPECT_EQ(edit.Shortcut(), 0);
    PressKey(&edit, Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(edit.Shortcut(), 'G' | kShortcutCtrl | kShortcutShift);
    EXPECT_EQ(edit.text(), "Ctrl+Shift+G");
    PressKey(&edit, Qt::Key_Tab);
    EXPECT_EQ(edit.Shortcut(), 0x09);
    PressKey(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.Shortcut(), 0);
    EXPECT_EQ(ShortcutText('7' | kShortcutAlt), "Alt+7");
}

TEST_F(Preferences, SoundEffectsAreAddedEditedAndRemoved) {
    auto window = Window();
    QStringList files = {"/sounds/horn.wav", "/sounds/bell.wav", "/sounds/drum.wav"};
    int nextKey = Qt::Key_1;
    window->RunSoundEffectEditor = [&](TSoundEffectEditor& editor) {
        editor.FileNameEdit()->setText(files.takeFirst());
        PressKey(editor.ShortcutEdit(), nextKey++);
        editor.accept();
        return editor.result();
    };
    window->AddSoundEffect();
    window->AddSoundEffect();
    window->EditSoundEffect(0);
    EXPECT_EQ(window->SoundEffectList()->count(), 2);
    window->RemoveSoundEffect(1);
    window->RemoveSoundEffect(5);

    // An editor that is cancelled adds nothing.
    window->RunSoundEffectEditor = [](TSoundEffectEditor&) { return int(QDialog::Rejected); };
    window->AddSoundEffect();
    window->accept();
    ASSERT_EQ(Settings().SoundEffects.size(), 1u);
    EXPECT_EQ(Settings().SoundEffects[0], (tSoundEffect{"/sounds/drum.wav", '3'}));
    EXPECT_EQ(Stored("SoundEffects/Count").toInt(), 1);
    EXPECT_EQ(Stored("SoundEffects/Filename0").toString(), "/sounds/drum.wav");
}

class LanguageChange : public Preferences {
protected:
    void SetUp() override {
        Preferences::SetUp();
        const QString folder = ProgramTranslator().Folders().User;
        QDir().mkpath(folder);
        ASSERT_TRUE(test::WriteFile(folder + "/Deutsch.ini",
                                    "[Info]\nLanguage=Deutsch\nAuthor=Tester\n[translation]\nOK=Gut\n"));
    }
    void TearDown() override {
        QFile::remove(ProgramTranslator().Folders().User + "/Deutsch.ini");
        Preferences::TearDown();
    }
    void Choose(TPrefsWnd& window, const QString& name) {
        const int index = window.LanguageBox()->findData(name);
        ASSERT_GE(index, 0) << name.toStdString();
        window.LanguageBox()->setCurrentIndex(index);
    }
    const QString question_ = "Lyrimo: Language has been changed. Please restart Lyrimo for changes to take "
                              "effect\n\nWould you like to restart Lyrimo now?";
};

TEST_F(LanguageChange, ListOffersEnglishBesideTheFilesAndSelectsTheCurrentOne) {
    const std::vector<tLanguageChoice> choices = LanguageChoices();
    ASSERT_EQ(choices.size(), 2u);
    EXPECT_EQ(choices[0].name, "default");
    EXPECT_EQ(choices[1].name, "Deutsch");
    EXPECT_EQ(LanguageChoiceIndex(choices, "deutsch"), 1);
    EXPECT_EQ(LanguageChoiceIndex(choices, "Klingon"), 0);

    Settings().Language = "DEUTSCH";
    auto window = Window();
    EXPECT_EQ(window->LanguageBox()->currentData().toString(), "Deutsch");
    window->accept(); // the same language in other letters is no change
    EXPECT_TRUE(ui_.shownMessages.isEmpty());
    EXPECT_EQ(Settings().Language, "DEUTSCH");
}

TEST_F(LanguageChange, BoxSelectingNothingKeepsTheLanguageInUse) {
    Settings().Language = "Deutsch";
    auto window = Window();
    window->LanguageBox()->setCurrentIndex(-1);
    window->accept();
    EXPECT_TRUE(ui_.shownMessages.isEmpty());
    EXPECT_EQ(Settings().Language, "Deutsch");
    EXPECT_EQ(log_, QStringList{"reload language"});
}

TEST_F(LanguageChange, CancelledRestartKeepsRunningWithTheNewLanguageSaved) {
    auto window = Window();
    Choose(*window, "Deutsch");
    ControlOf<QSpinBox>(*window, "MiscSettings/Early")->setValue(900);
    ui_.scriptedAnswers = {mb::IdCancel};
    window->accept();
    EXPECT_EQ(ui_.shownMessages, QStringList{question_});
    EXPECT_EQ(log_, QStringList{"reload language"});
    EXPECT_EQ(Settings().Language, "Deutsch");
    EXPECT_EQ(Stored("MiscSettings/Language").toString(), "Deutsch");
    EXPECT_EQ(Stored("MiscSettings/Early").toInt(), 900);
}

TEST_F(LanguageChange, ConfirmedRestartStartsAgainAfterSaving) {
    auto window = Window();
    Choose(*window, "Deutsch");
    window->Steps.restart = [this] { log_ << "restart with " + Stored("MiscSettings/Language").toString(); };
    ui_.scriptedAnswers = {mb::IdOk};
    window->accept();
    EXPECT_EQ(ui_.shownMessages, QStringList{question_});
    EXPECT_EQ(log_, QStringList{"restart with Deutsch"});
}

} // namespace
} // namespace lyrimo

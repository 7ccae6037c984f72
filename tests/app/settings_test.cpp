#include "app/cd_drives.h"
#include "app/settings.h"
#include "app/settings_text.h"
#include "test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

#include <algorithm>

using namespace lyrimo;

// Failures show texts as text.
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace lyrimo {
// Failures show the records as their listing rather than as raw bytes.
void PrintTo(const tSettingsClass& settings, std::ostream* out) {
    for (const tSettingLine& line : SettingLines(settings))
        *out << "\n  " << line.key.toStdString() << '=' << line.value.toStdString();
}
} // namespace lyrimo

namespace {

// Each test starts from an empty store, no external player on PATH and no CD drive.
class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedHooks_ = SettingsHooks();
        SettingsHooks().cdDevices = [] { return QStringList(); };
        savedPath_ = qgetenv("PATH");
        binFolder_ = test::ScratchFolder() + "/bin";
        QDir(binFolder_).removeRecursively();
        QDir().mkpath(binFolder_);
        qputenv("PATH", QFile::encodeName(binFolder_));
        store_ = OpenSettingsStore();
        store_->clear();
        store_->sync();
    }
    void TearDown() override {
        SettingsHooks() = savedHooks_;
        qputenv("PATH", savedPath_);
    }

    tSettingsClass Loaded() {
        tSettingsClass s;
        s.Load(*store_);
        return s;
    }
    QString MakeFile(const QString& name) {
        const QString path = test::ScratchFolder() + "/" + name;
        test::WriteFile(path, "x");
        return path;
    }

    std::unique_ptr<QSettings> store_;
    QString binFolder_;

private:
    tSettingsHooks savedHooks_;
    QByteArray savedPath_;
};

TEST(PlayerOrder, DecodesByAppendingMissingDigitsAndTranslating) {
    using P = tPlayerOrder;
    EXPECT_EQ(DecodePlayerOrder("15324"), (P{1, 5, 3, 4, 2}));
    EXPECT_EQ(DecodePlayerOrder("3"), (P{3, 1, 2, 5, 4}));
    EXPECT_EQ(DecodePlayerOrder("52"), (P{5, 4, 1, 2, 3}));
    EXPECT_EQ(DecodePlayerOrder(""), (P{1, 2, 5, 3, 4}));
    EXPECT_EQ(DecodePlayerOrder("x9"), (P{0, 0, 1, 2, 5}));
    EXPECT_EQ(DecodePlayerOrder("11"), (P{1, 1, 2, 5, 3}));
    EXPECT_EQ(DecodePlayerOrder("5432154321"), (P{5, 2, 3, 4, 1}));
    // A digit present only after the fifth character is not appended again.
    EXPECT_EQ(DecodePlayerOrder("aaaa41"), (P{0, 0, 0, 0, 2}));
}

TEST(PlayerOrder, EncodingInvertsDecoding) {
    QString digits = "12345";
    do {
        EXPECT_EQ(EncodePlayerOrder(DecodePlayerOrder(digits)), digits);
    } while (std::next_permutation(digits.begin(), digits.end()));
    EXPECT_EQ(EncodePlayerOrder({0, 1, 0, 2, 4}), "01042");
}

TEST(ExtensionLists, SplitAndJoinAtBars) {
    EXPECT_EQ(SplitExtensions(".mp3|.ogg|.wav"), (QStringList{".mp3", ".ogg", ".wav"}));
    EXPECT_EQ(SplitExtensions(".mid"), QStringList{".mid"});
    EXPECT_TRUE(SplitExtensions("").isEmpty());
    EXPECT_EQ(JoinExtensions({".a", ".b"}), ".a|.b");
}

TEST(CdDrives, LettersNameDeviceIndexes) {
    EXPECT_EQ(CdDriveLetter(0), "A");
    EXPECT_EQ(CdDriveLetter(25), "Z");
    EXPECT_TRUE(CdDriveLetter(26).isEmpty());
    EXPECT_EQ(CdDriveIndex("d:\\"), 3);
    EXPECT_EQ(CdDriveIndex("1"), -1);
    EXPECT_EQ(CdDriveIndex(""), -1);
    EXPECT_TRUE(CdDeviceForLetter("").isEmpty());
}

TEST_F(SettingsStoreTest, FontSettingsUnderAnySection) {
    const tFontSetting defaults{"DejaVu Sans", 0xFFFFFF, 12, 1, 0};
    EXPECT_EQ(ReadFontSetting(*store_, "Lyrics Font", defaults), defaults);
    const tFontSetting font{QString(40, 'F'), 0x0000FF, 28, 3, 204};
    WriteFontSetting(*store_, "Lyrics Font", font);
    store_->setValue("Lyrics Font/Font Size", "big");
    const tFontSetting read = ReadFontSetting(*store_, "Lyrics Font", defaults);
    EXPECT_EQ(read.name, QString(31, 'F'));
    EXPECT_EQ(read.colour, font.colour);
    EXPECT_EQ(read.size, defaults.size);
    EXPECT_EQ(read.attributes, font.attributes);
    EXPECT_EQ(read.charset, font.charset);
}

TEST_F(SettingsStoreTest, FreshStoreYieldsDefaultsAndSavingThemChangesNothing) {
    const tSettingsClass fresh = Loaded();
    EXPECT_EQ(fresh, tSettingsClass::Defaults());
    fresh.Save(*store_);
    EXPECT_EQ(Loaded(), fresh);
}

TEST_F(SettingsStoreTest, EveryValueSurvivesSaveAndLoad) {
    tSettingsClass s = Loaded();
    const tSettingsClass defaults = s;
    s.CtrlMon = "HDMI-1", s.PlayMon = "DP-2", s.FullScreen = false;
    s.LyrimoDoesTimings = false, s.R2LReading = true, s.AltDrawingMode = true, s.UseMultibyte = false;
    s.UseFileExtensionsMCI = ".a", s.UseFileExtensions = ".b", s.UseFileExtensionsWMP = ".c|.d";
    s.UseFileExtensionsDS = ".e", s.UseFileExtensionsQT = ".f";
    s.WinampEXE = "/opt/player", s.UseWinamp = true, s.UseWindowsMediaPlayer = true, s.UseMediaPlayer = false;
    s.DirectShow = false, s.UseQuicktimePlayer = true, s.MCIPlayCDs = false, s.WMPPlayCDs = false;
    s.WinampPlayCDs = false, s.CDReject = false, s.WMPForce = 9, s.Player2Order = {2, 4, 1, 5, 3};
    s.DefaultCDROM = "C", s.ShrinkPlaybackControls = true, s.HideTaskbar = false, s.UseWinFS = true;
    s.Language = "Deutsch", s.LastStartTime = 123456, s.Early = 450, s.LeadIN = 1, s.LeadOut = 2;
    s.MinTimePlay = 3, s.ScrollTime = 4, s.EndEarlyMin = 5, s.EndEarlyMax = 6, s.DelayWait = true;
    s.Bounce = 7, s.BounceHeightinPercent = 120, s.TrueBounce = false, s.SkipBlankLines = true;
    s.ShowFirstLine = true, s.RemoveLyricsAtSongEnd = false, s.MultiLineDisplay = false;
    s.FadeinPreview = false, s.FLTL = false, s.Mode = false, s.Priority = 151, s.AutoPause = true;
    s.BgScreenFileName = "/pics/stage, night.jpg", s.ScreenStretchMode = 2, s.BgMaintainAspect = false;
    s.AddPixels = 31, s.ShowKARImportResult = false, s.ShowLRCImportResult = false;
    s.ShowKOKImportResult = false;
    s.TimingsEditorFont = {"DejaVu Sans", 0x123456, 24, 5, 238}, s.AltColor = 0xABCDEF;
    s.SortMethod = false, s.FileSelPath = "/songs";
    s.Enabled = true, s.HalfSize = false, s.BlendBG = true, s.PrevAlign = 2, s.PrevDefPos = false;
    s.NiceWordwrap = false, s.Framerate = true, s.GraphicsMode = 3, s.TitleClickWait = true;
    s.OnScreenDisplay = 2;
    s.TipsEnabled = false, s.TipsIndex = 12;
    s.EnableControls = true, s.EnablePort = "COM2", s.Enable = {false, true, true, false};
    s.SendData = {"01", "02 03", "A0", "FFFF"}, s.RemoteEnabled = true;
    s.SongName = false, s.Artists = true, s.Album = true, s.Lyrics = true, s.FileNameS = true, s.FindMode = 3;
    s.ReducePos = 55, s.ReverbLevel = 0, s.ReverbDelay = 9, s.BassBoostLevel = 5, s.RecursiveReverb = false;
    s.CustomColours = {"ColorA=FFFFFF", "", "ColorC=00FF00"};
    s.SoundEffects = {{"/fx/applause.wav", 0x2041}, {"/fx/horn.wav", 0xE07A}};
    s.RecentFiles = {MakeFile("b.lym"), MakeFile("a.lym")};
    ASSERT_NE(s, defaults);

    s.Save(*store_);
    EXPECT_EQ(Loaded(), s);
    EXPECT_EQ(store_->value("ExternalControls/LyrimoEXE").toString(),
              QCoreApplication::applicationFilePath());
}

TEST_F(SettingsStoreTest, ReadCorrectionsAndUnreadableValues) {
    store_->setValue("MiscSettings/Early", "50");
    store_->setValue("MiscSettings/BounceHeightinPercent", "0");
    store_->setValue("MiscSettings/LeadIN", "12abc");
    store_->setValue("MiscSettings/LeadOut", "99999999999");
    store_->setValue("MiscSettings/TrueBounce", "yes");
    store_->setValue("MiscSettings/DelayWait", "2");
    store_->setValue("MiscSettings/DefaultCDROM", "E:\\");
    store_->setValue("Timings Editor Font/Font Name", QString(40, 'N'));
    store_->setValue("Playback/OnScreenDisplay", 7);
    tSettingsClass s = Loaded();
    EXPECT_EQ(s.OnScreenDisplay, 1) << "an unknown choice falls back to the default";
    EXPECT_EQ(s.Early, 100);
    EXPECT_EQ(s.BounceHeightinPercent, 80);
    EXPECT_EQ(s.LeadIN, 500);
    EXPECT_EQ(s.LeadOut, 500);
    EXPECT_TRUE(s.TrueBounce);
    EXPECT_TRUE(s.DelayWait);
    EXPECT_EQ(s.DefaultCDROM, "E");
    EXPECT_EQ(s.TimingsEditorFont.name, QString(31, 'N'));

    store_->setValue("MiscSettings/Early", 100);
    store_->setValue("MiscSettings/BounceHeightinPercent", -5);
    store_->setValue("MiscSettings/Player2Order", "3");
    s = Loaded();
    EXPECT_EQ(s.Early, 100);
    EXPECT_EQ(s.BounceHeightinPercent, 80);
    EXPECT_EQ(s.Player2Order, (tPlayerOrder{3, 1, 2, 5, 4}));
    s.Save(*store_);
    EXPECT_EQ(store_->value("MiscSettings/Player2Order").toString(), "31452");
}

TEST_F(SettingsStoreTest, ComputedDefaultsFollowTheMachine) {
    EXPECT_TRUE(Loaded().WinampEXE.isEmpty());
    EXPECT_FALSE(Loaded().UseWinamp);
    EXPECT_TRUE(Loaded().DefaultCDROM.isEmpty());

    const QString player = binFolder_ + "/audacious";
    test::WriteFile(player, "#!/bin/sh\n");
    QFile::setPermissions(player, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    SettingsHooks().cdDevices = [] { return QStringList{"/dev/sr0", "/dev/sr1"}; };
    SettingsHooks().engineAvailable = [](uint8_t id) { return id == player::QuickTime; };
    SettingsHooks().firstMonitorName = [] { return QString("eDP-1"); };
    tSettingsClass s = Loaded();
    EXPECT_EQ(s.WinampEXE, player);
    EXPECT_TRUE(s.UseWinamp);
    EXPECT_EQ(s.DefaultCDROM, "A");
    EXPECT_TRUE(s.UseQuicktimePlayer);
    EXPECT_FALSE(s.UseWindowsMediaPlayer);
    EXPECT_EQ(s.CtrlMon, "eDP-1");
    EXPECT_EQ(s.PlayMon, "eDP-1");

    // A stored program that is gone turns the player off unless the choice itself is stored.
    store_->setValue("MiscSettings/WinampEXE", "/nowhere/audacious");
    EXPECT_FALSE(Loaded().UseWinamp);
    store_->setValue("MiscSettings/Use Winamp", 1);
    EXPECT_TRUE(Loaded().UseWinamp);
    store_->setValue("MiscSettings/WinampEXE", player);
    store_->setValue("MiscSettings/Use Winamp", 0);
    EXPECT_FALSE(Loaded().UseWinamp);
}

TEST_F(SettingsStoreTest, RecentFilesSkipMissingStopAtEmptyAndEndWithEmptyEntry) {
    const QString a = MakeFile("a.lym"), b = MakeFile("b.lym"), c = MakeFile("c.lym");
    store_->setValue("Recent Loaded Files/File 1", a);
    store_->setValue("Recent Loaded Files/File 2", "/gone/song.lym");
    store_->setValue("Recent Loaded Files/File 3", b);
    store_->setValue("Recent Loaded Files/File 4", "");
    store_->setValue("Recent Loaded Files/File 5", c);
    tSettingsClass s = Loaded();
    EXPECT_EQ(s.RecentFiles, (QStringList{a, b}));

    s.RecentFiles = {c};
    s.Save(*store_);
    EXPECT_EQ(store_->value("Recent Loaded Files/File 1").toString(), c);
    EXPECT_TRUE(store_->contains("Recent Loaded Files/File 2"));
    EXPECT_EQ(store_->value("Recent Loaded Files/File 2").toString(), "");
    EXPECT_EQ(Loaded().RecentFiles, QStringList{c});
}

TEST_F(SettingsStoreTest, AddingAndRenamingRecentFiles) {
    tSettingsClass s;
    QStringList made;
    for (int n = 1; n <= 17; ++n) {
        made << MakeFile(QString("song%1.lym").arg(n));
        s.AddRecentFile(made.last());
    }
    ASSERT_EQ(s.RecentFiles.size(), kMaxRecentFiles);
    EXPECT_EQ(s.RecentFiles.first(), made[16]);
    EXPECT_EQ(s.RecentFiles.last(), made[1]); // the oldest fell off

    s.AddRecentFile(made[5]);
    EXPECT_EQ(s.RecentFiles.first(), made[5]);
    EXPECT_EQ(s.RecentFiles.count(made[5]), 1);
    EXPECT_EQ(s.RecentFiles.size(), kMaxRecentFiles);

    s.AddRecentFile("/gone/song.lym");
    EXPECT_EQ(s.RecentFiles.first(), made[5]);

    const QString renamed = MakeFile("renamed.lym");
    s.RenameRecentFile(made[10], renamed);
    EXPECT_EQ(s.RecentFiles.first(), renamed);
    EXPECT_FALSE(s.RecentFiles.contains(made[10]));
    EXPECT_EQ(s.RecentFiles.size(), kMaxRecentFiles);
}

TEST_F(SettingsStoreTest, CountedListsAreErasedBeforeTheyAreWritten) {
    for (int n = 0; n < 5; ++n) {
        store_->setValue("customcolours/col" + QString::number(n), "old");
        store_->setValue("SoundEffects/Filename" + QString::number(n), "old.wav");
    }
    store_->setValue("customcolours/count", 5);
    store_->setValue("SoundEffects/Count", 5);
    tSettingsClass s = Loaded();
    EXPECT_EQ(s.CustomColours.size(), 5);
    EXPECT_EQ(s.SoundEffects.size(), 5u);

    s.CustomColours = {"ColorA=000080"};
    s.SoundEffects = {{"/fx/a.wav", 0x4041}};
    s.Save(*store_);
    store_->beginGroup("customcolours");
    EXPECT_EQ(store_->childKeys(), (QStringList{"col0", "count"}));
    store_->endGroup();
    store_->beginGroup("SoundEffects");
    EXPECT_EQ(store_->childKeys(), (QStringList{"Count", "Filename0", "Shortkey0"}));
    store_->endGroup();
    EXPECT_EQ(Loaded().SoundEffects, s.SoundEffects);
}

TEST_F(SettingsStoreTest, DamagedCountsAndShortcutsStayInBounds) {
    store_->setValue("customcolours/count", 2000000000);
    store_->setValue("SoundEffects/Count", -3);
    EXPECT_EQ(Loaded().CustomColours.size(), kMaxListEntries);
    EXPECT_TRUE(Loaded().SoundEffects.empty());

    store_->setValue("SoundEffects/Count", 2);
    store_->setValue("SoundEffects/Shortkey0", 70000);
    store_->setValue("SoundEffects/Shortkey1", 0xE041);
    const tSettingsClass s = Loaded();
    EXPECT_EQ(s.SoundEffects[0].Shortcut, 0);
    EXPECT_EQ(s.SoundEffects[1].Shortcut, 0xE041);
}

TEST_F(SettingsStoreTest, ResetErasesThePreferenceSectionsOnly) {
    tSettingsClass s = Loaded();
    s.Early = 300, s.FindMode = 2, s.ReverbLevel = 1, s.CustomColours = {"x"}, s.TipsIndex = 4;
    s.Save(*store_);
    store_->setValue("Exceptions/Count", 3);
    store_->setValue("Templates/Karaoke", QByteArray("\x01\x02", 2));
    s.Reset(*store_);
    EXPECT_EQ(s, tSettingsClass::Defaults());
    EXPECT_FALSE(store_->contains("Exceptions/Count"));
    EXPECT_FALSE(store_->contains("MiscSettings/Early"));
    EXPECT_EQ(store_->value("Templates/Karaoke").toByteArray(), QByteArray("\x01\x02", 2));
}

// The INI file escapes blanks in names and quotes texts; a second reader of the same file must
// see exactly what was written.
TEST_F(SettingsStoreTest, NamesWithBlanksAndAwkwardTextsSurviveTheFile) {
    tSettingsClass s = Loaded();
    s.SkipBlankLines = true;
    s.HideTaskbar = false;
    s.BgScreenFileName = " @stage, \"night\"; = [1].jpg ";
    s.Language = QString::fromUtf8("Français/日本語");
    s.TimingsEditorFont.name = "Liberation Sans";
    s.Save(*store_);
    store_->sync();

    const QString copy = test::ScratchFolder() + "/copy.conf";
    QFile::remove(copy);
    ASSERT_TRUE(QFile::copy(store_->fileName(), copy));
    QSettings reader(copy, QSettings::IniFormat);
    EXPECT_FALSE(reader.childGroups().contains("General"));
    for (const QString& section : ResettableSections()) {
        if (section == "Exceptions")
            continue;
        EXPECT_TRUE(reader.childGroups().contains(section)) << section.toStdString();
    }
    EXPECT_EQ(reader.value("MiscSettings/Skip Blank Lines").toString(), "1");
    EXPECT_EQ(reader.value("MiscSettings/Hide Taskbar").toString(), "0");
    EXPECT_EQ(reader.value("Timings Editor Font/Font Name").toString(), "Liberation Sans");

    tSettingsClass fromCopy;
    fromCopy.Load(reader);
    EXPECT_EQ(fromCopy, s);
}

TEST_F(SettingsStoreTest, HandEditedTextWithCommasIsOneValue) {
    store_.reset();
    const QString path = OpenSettingsStore()->fileName();
    QDir().mkpath(QFileInfo(path).path());
    ASSERT_TRUE(test::WriteFile(path, "[MiscSettings]\nBgScreenFileName=/pics/a,b.jpg\nEarly= 900 \n"));
    store_ = OpenSettingsStore();
    const tSettingsClass s = Loaded();
    EXPECT_EQ(s.BgScreenFileName, "/pics/a,b.jpg");
    EXPECT_EQ(s.Early, 900);
}

} // namespace

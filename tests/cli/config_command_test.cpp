#include "app/settings.h"
#include "cli/config_command.h"
#include "test_support.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

using namespace lyrimo;

// Failures show texts as text.
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
using testing::internal::CaptureStderr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStderr;
using testing::internal::GetCapturedStdout;

namespace {

struct tRun {
    int code;
    QString out;
    QString err;
};

// Runs `lyrimo-cli config ARGS` against an empty store with no external player and no CD drive.
class ConfigCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedHooks_ = SettingsHooks();
        SettingsHooks().cdDevices = [] { return QStringList(); };
        savedPath_ = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(test::ScratchFolder() + "/no-programs"));
        auto store = OpenSettingsStore();
        store->clear();
        store->sync();
    }
    void TearDown() override {
        SettingsHooks() = savedHooks_;
        qputenv("PATH", savedPath_);
    }

    static tRun Config(const QStringList& args) {
        CaptureStdout();
        CaptureStderr();
        const int code = RunConfigCommand(args);
        const QString out = QString::fromStdString(GetCapturedStdout());
        return {code, out, QString::fromStdString(GetCapturedStderr())};
    }

private:
    tSettingsHooks savedHooks_;
    QByteArray savedPath_;
};

const char* const kEmptyStoreListing = R"(customcolours/count=0
eMultiMon/CtrlMon=
eMultiMon/PlayMon=
eMultiMon/FullScreen=1
MiscSettings/LyrimoDoesTimings=1
MiscSettings/R2LReading=0
MiscSettings/AltDrawingMode=0
MiscSettings/UseMultibyte=1
MiscSettings/UseFileExtensionsMCI=.mid|.rmi|.mov|.mpg|.mpeg|.enc|.mpe|.m1v|.avi|.wav|.snd|.aif|.aiff|.aifc|.mp3|.kar|.midi|.ogg|.opus|.flac|.m4a|.aac|.au|.mp4|.mkv|.webm|.m4v|.wma
MiscSettings/UseFileExtensions=.mp3|.mp2|.mp1|.mpu|.wav|.pls|.mod|.mid|.rmi|.midi|.miz|.mdz|.stm|.stz|.s3m|.s3z|.it|.itz|.xm|.xmz|.mtm|.ult|.669|.ogg|.voc|.au|.snd|.aif|.aiff|.wma
MiscSettings/UseFileExtensionsWMP=.wav|.snd|.au|.aif|.aifc|.atff|.wma|.mid|.rmi|.wmv|.wm|.midi|.mp3|.m3u|.m1v|.mp2|.mpa|.mp3|.mpeg|.mpg|.mov|.qt|.ra|.rm|.ram|.rmm|.avi|.asf|.asx|.wax|.wvx|.wmx|.mov|.ogg|.ogm
MiscSettings/UseFileExtensionsDS=.wmv|.mpeg|.mpg|.mov|.qt|.avi
MiscSettings/UseFileExtensionsQT=.qt|.mov|.flc|.fla|.mp3|.mpg|.dv|.movie|.avi|.au|.aiff|.wav
MiscSettings/WinampEXE=
MiscSettings/Use Winamp=0
MiscSettings/Use Windows Media Player=0
MiscSettings/Use Media Player=1
MiscSettings/DirectShow=1
MiscSettings/Use Quicktime Player=0
MiscSettings/MCI Play CDs=1
MiscSettings/WMP Play CDs=1
MiscSettings/Winamp Play CDs=1
MiscSettings/CDReject=1
MiscSettings/WMPForce=0
MiscSettings/Player2Order=15324
MiscSettings/DefaultCDROM=
MiscSettings/ShrinkPlaybackControls=0
MiscSettings/Hide Taskbar=1
MiscSettings/UseWinFS=0
MiscSettings/Language=default
MiscSettings/LastStartTime=0
MiscSettings/Early=800
MiscSettings/LeadIN=500
MiscSettings/LeadOut=500
MiscSettings/MinTimePlay=2000
MiscSettings/ScrollTime=2000
MiscSettings/EndEarlyMin=30
MiscSettings/EndEarlyMax=50
MiscSettings/DelayWait=0
MiscSettings/Bounce=8
MiscSettings/BounceHeightinPercent=80
MiscSettings/TrueBounce=1
MiscSettings/Skip Blank Lines=0
MiscSettings/Show First Line=0
MiscSettings/Remove Lyrics At Song End=1
MiscSettings/Multi-Line Display=1
MiscSettings/FadeinPreview=1
MiscSettings/FLTL=1
MiscSettings/Mode=1
MiscSettings/Priority=3
MiscSettings/AutoPause=0
MiscSettings/BgScreenFileName=
MiscSettings/ScreenStretchMode=0
MiscSettings/BgMaintainAspect=1
MiscSettings/AddPixels=0
MiscSettings/ShowKARImportResult=1
MiscSettings/ShowLRCImportResult=1
MiscSettings/ShowKOKImportResult=1
Timings Editor Font/Font Name=Arial
Timings Editor Font/Font Colour=65535
Timings Editor Font/Font Size=19
Timings Editor Font/Font Attributes=0
Timings Editor Font/Font Charset=0
Timings Editor Font/AltColor=255
FileSelector/SortMethod=1
FileSelector/FileSelPath=%PROGRAMFOLDER%
PreviewMode/Enabled=0
PreviewMode/HalfSize=1
PreviewMode/BlendBG=0
PreviewMode/PrevAlign=1
PreviewMode/PrevDefPos=1
PreviewMode/NiceWordwrap=1
Playback/Framerate=0
Playback/GraphicsMode=0
Playback/TitleClickWait=0
Playback/OnScreenDisplay=1
Playback/Lyrics offset (ms)=0
Playback/Remember Song Key And Tempo=1
Tips/Tips Enabled=1
Tips/Tips Index=0
SoundEffects/Count=0
ExternalControls/EnableControls=0
ExternalControls/EnablePort=LPT1
ExternalControls/Enable0=1
ExternalControls/SendData0=0F
ExternalControls/Enable1=0
ExternalControls/SendData1=FF
ExternalControls/Enable2=0
ExternalControls/SendData2=0F
ExternalControls/Enable3=1
ExternalControls/SendData3=00
ExternalControls/RemoteEnabled=0
FindSongReq/SongName=1
FindSongReq/Artists=0
FindSongReq/Album=0
FindSongReq/Lyrics=0
FindSongReq/FileNameS=0
FindSongReq/FindMode=0
VoiceRem/ReducePos=90
VoiceRem/ReverbLevel=5
VoiceRem/ReverbDelay=4
VoiceRem/BassBoostLevel=1
VoiceRem/RecursiveReverb=1
)";

TEST_F(ConfigCommandTest, ListOnAnEmptyStorePrintsEveryDefaultInOrder) {
    const tRun run = Config({"list"});
    EXPECT_EQ(run.code, 0);
    const QString expected =
        QString(kEmptyStoreListing).replace("%PROGRAMFOLDER%", QCoreApplication::applicationDirPath());
    EXPECT_EQ(run.out.toStdString(), expected.toStdString());
    EXPECT_TRUE(run.err.isEmpty());
}

TEST_F(ConfigCommandTest, SetValuesAreWhatGetAndListShow) {
    EXPECT_EQ(Config({"set", "MiscSettings/Early", "1234"}).code, 0);
    EXPECT_EQ(Config({"set", "MiscSettings/Skip Blank Lines", "1"}).code, 0);
    EXPECT_EQ(Config({"set", "MiscSettings/BgScreenFileName", "/party pics/stage, 1.jpg"}).code, 0);
    EXPECT_EQ(Config({"set", "Tips/Tips Index", "-2"}).code, 0);
    EXPECT_EQ(Config({"get", "MiscSettings/Early"}).out, "1234\n");
    EXPECT_EQ(Config({"get", "MiscSettings/Skip Blank Lines"}).out, "1\n");
    EXPECT_EQ(Config({"get", "MiscSettings/BgScreenFileName"}).out, "/party pics/stage, 1.jpg\n");
    EXPECT_EQ(Config({"get", "Tips/Tips Index"}).out, "-2\n");
    EXPECT_TRUE(Config({"list"}).out.contains("\nMiscSettings/Skip Blank Lines=1\n"));

    // get shows the value as the program uses it.
    Config({"set", "MiscSettings/Player2Order", "3"});
    EXPECT_EQ(Config({"get", "MiscSettings/Player2Order"}).out, "31452\n");
    Config({"set", "MiscSettings/Early", "20"});
    EXPECT_EQ(Config({"get", "MiscSettings/Early"}).out, "100\n");

    // The program itself reads what the command wrote.
    tSettingsClass s;
    s.Load(*OpenSettingsStore());
    EXPECT_TRUE(s.SkipBlankLines);
    EXPECT_EQ(s.TipsIndex, -2);
}

TEST_F(ConfigCommandTest, ListEntriesAreReachedByTheirStoredNames) {
    EXPECT_EQ(Config({"set", "customcolours/count", "2"}).code, 0);
    EXPECT_EQ(Config({"set", "customcolours/col1", "ColorB=FF00FF"}).code, 0);
    EXPECT_EQ(Config({"set", "SoundEffects/Count", "1"}).code, 0);
    EXPECT_EQ(Config({"set", "SoundEffects/Shortkey0", "57409"}).code, 0);
    const QString list = Config({"list"}).out;
    EXPECT_TRUE(
        list.startsWith("customcolours/count=2\ncustomcolours/col0=\ncustomcolours/col1=ColorB=FF00FF\n"));
    EXPECT_TRUE(
        list.contains("\nSoundEffects/Count=1\nSoundEffects/Filename0=\nSoundEffects/Shortkey0=57409\n"));
    EXPECT_EQ(Config({"get", "SoundEffects/Shortkey0"}).out, "57409\n");
    // An entry beyond the end of its list reads as its default.
    EXPECT_EQ(Config({"get", "SoundEffects/Shortkey7"}).out, "0\n");
    EXPECT_EQ(Config({"get", "Recent Loaded Files/File 1"}).out, "\n");
}

TEST_F(ConfigCommandTest, BadKeysAndValuesAreRefusedAndChangeNothing) {
    struct tCase {
        QStringList args;
        const char* why;
    };
    const tCase refused[] = {
        {{"get", "MiscSettings/NoSuchThing"}, "NoSuchThing"},
        {{"get", "miscsettings/early"}, "miscsettings/early"},
        {{"set", "Early", "900"}, "Early"},
        {{"set", "MiscSettings/Early", "12x"}, "whole number"},
        {{"set", "MiscSettings/Early", "99999999999"}, "whole number"},
        {{"set", "MiscSettings/Early", ""}, "whole number"},
        {{"set", "MiscSettings/Hide Taskbar", "yes"}, "0 for off"},
        {{"set", "MiscSettings/Hide Taskbar", "2"}, "0 for off"},
        {{"set", "SoundEffects/Shortkey0", "70000"}, "0 to 65535"},
        {{"set", "customcolours/count", "-1"}, "0 to 1024"},
        {{"set", "customcolours/col01", "x"}, "col01"},
        {{"set", "Recent Loaded Files/File 17", "/a.lym"}, "File 17"},
        {{"set", "ExternalControls/LyrimoEXE", "/usr/bin/x"}, "not a preference"},
    };
    for (const tCase& c : refused) {
        const tRun run = Config(c.args);
        EXPECT_EQ(run.code, 1) << c.args.join(' ').toStdString();
        EXPECT_TRUE(run.err.contains(c.why)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
    EXPECT_TRUE(OpenSettingsStore()->allKeys().isEmpty());

    for (const QStringList& args :
         {QStringList{}, {"list", "x"}, {"get"}, {"set", "MiscSettings/Early"}, {"drop"}})
        EXPECT_EQ(Config(args).code, 2) << args.join(' ').toStdString();
}

} // namespace

#include "app/command_line.h"
#include "desktop/startup.h"
#include "desktop_test_support.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

namespace lyrimo {
namespace {

class Shell : public test::tShellTest {};

TEST(Drop, OnlyTheFirstFileCountsAndItsExtensionIgnoresCase) {
    tDrop drop = ClassifyDrop({"/m/a.LyM", "/m/b.lpl", "/m/c.txt"});
    EXPECT_EQ(drop.kind, tDropKind::Song);
    EXPECT_EQ(drop.file, "/m/a.LyM");

    EXPECT_EQ(ClassifyDrop({"/m/party.LPL", "/m/a.lym"}).kind, tDropKind::Playlist);
    EXPECT_EQ(ClassifyDrop({"/m/notes.txt", "/m/a.lym"}).kind, tDropKind::Unknown);
    EXPECT_EQ(ClassifyDrop({"/m/no extension"}).kind, tDropKind::Unknown);
    EXPECT_EQ(ClassifyDrop({"/m/song.lym.bak"}).kind, tDropKind::Unknown);
    EXPECT_EQ(ClassifyDrop({"/m.lym/song"}).kind, tDropKind::Unknown);
    EXPECT_EQ(ClassifyDrop({}).kind, tDropKind::Nothing);
}

TEST(MenuTexts, WelcomeAndVersionTranslateTheirWordsButNotTheName) {
    struct : tHeadlessServices {
        QString Translate(const QString& text) override { return "<" + text + ">"; }
    } marking;
    SetApp(&marking);
    const tProgramVersion version = ProgramVersion();
    EXPECT_EQ(WelcomeText(), "<Welcome to> Lyrimo\n<Karaoke for Linux Made Easy>");
    EXPECT_EQ(VersionLine(), "<Version> " + VersionNumberText(version.major, version.minor));
    SetApp(nullptr);
}

TEST(HelpFile, BesideTheProgramFirstThenTheInstalledManual) {
    const QString folder = test::ScratchFolder() + "/help";
    QDir().mkpath(folder + "/bin");
    const QString manual = folder + "/manual.html";
    EXPECT_EQ(FindHelpFile(folder + "/bin/lyrimo", manual), "");
    ASSERT_TRUE(test::WriteFile(manual, "<html></html>"));
    EXPECT_EQ(FindHelpFile(folder + "/bin/lyrimo", manual), manual);
    ASSERT_TRUE(test::WriteFile(folder + "/bin/lyrimo.html", "<html></html>"));
    EXPECT_EQ(FindHelpFile(folder + "/bin/lyrimo", manual), folder + "/bin/lyrimo.html");
    // A folder of that name is no help file.
    QDir().mkpath(folder + "/other/lyrimo.html");
    EXPECT_EQ(FindHelpFile(folder + "/other/lyrimo", ""), "");
}

TEST_F(Shell, LoadFailuresTellWhyInTheWordsOfEachCaller) {
    tLyrimoData song;
    const QString missing = Missing("gone.lym");
    const QString text = TextFile("text.lym");

    EXPECT_FALSE(LoadSongForPlay(song, missing, tLoadFailureStyle::CommandLine));
    EXPECT_FALSE(LoadSongForPlay(song, text, tLoadFailureStyle::CommandLine));
    EXPECT_FALSE(LoadSongForPlay(song, missing, tLoadFailureStyle::Menu));
    EXPECT_FALSE(LoadSongForPlay(song, text, tLoadFailureStyle::Menu));
    EXPECT_EQ(ui_.shownMessages, QStringList({"Error: Error loading the specified file:\n" +
                                                  QString::fromLocal8Bit(std::strerror(ENOENT)),
                                              "Error: This is not a valid Lyrimo file...",
                                              "Error: Error loading specified file.",
                                              "Please Note...: This is not a valid Lyrimo file..."}));

    ui_.shownMessages.clear();
    EXPECT_TRUE(LoadSongForPlay(song, SongFile("good.lym", "Good"), tLoadFailureStyle::Menu));
    EXPECT_EQ(song.SongName(), "Good");
    EXPECT_TRUE(ui_.shownMessages.isEmpty());

    // A file cut short still plays what it holds, after saying what was lost.
    const QString cut = SongFile("cut.lym", "Cut");
    QFile(cut).resize(QFileInfo(cut).size() - 10);
    EXPECT_TRUE(LoadSongForPlay(song, cut, tLoadFailureStyle::CommandLine));
    EXPECT_EQ(song.SongName(), "Cut");
    ASSERT_EQ(ui_.shownMessages.size(), 1);
    EXPECT_TRUE(
        ui_.shownMessages[0].startsWith("Warning: The file is damaged: it ends before these could be read: "))
        << ui_.shownMessages[0].toStdString();
}

TEST_F(Shell, CommandLinePlayCoversTheDesktopAndPutsEverythingBack) {
    PlaySongFromCommandLine(SongFile("a.lym", "A"), log_.Steps());
    EXPECT_EQ(log_.events,
              QStringList({"open background", "hide desktop", "play A", "show desktop", "close background"}));
    EXPECT_FALSE(Status().Playing);

    log_.events.clear();
    Settings().FullScreen = false;
    PlaySongFromCommandLine(SongFile("b.lym", "B"), log_.Steps());
    EXPECT_EQ(log_.events, QStringList({"hide desktop", "play B", "show desktop", "close background"}));
    EXPECT_TRUE(ui_.shownMessages.isEmpty());
}

TEST_F(Shell, CommandLinePlayOfABadFileOnlyTellsTheUser) {
    PlaySongFromCommandLine(TextFile("bad.lym"), log_.Steps());
    EXPECT_TRUE(log_.events.isEmpty());
    EXPECT_EQ(ui_.shownMessages, QStringList({"Error: This is not a valid Lyrimo file..."}));
}

TEST_F(Shell, AFailingPerformanceIsSwallowedAfterEverythingIsPutBack) {
    log_.throwInPerform = true;
    EXPECT_NO_THROW(PlaySongFromCommandLine(SongFile("a.lym", "A"), log_.Steps()));
    EXPECT_EQ(log_.events.mid(2), QStringList({"play A", "show desktop", "close background"}));
    EXPECT_FALSE(Status().Playing);

    log_.events.clear();
    EXPECT_NO_THROW(PlayDroppedSong(SongFile("b.lym", "B"), log_.Steps()));
    EXPECT_EQ(log_.events.last(), "show desktop");
    EXPECT_FALSE(Status().Playing);
}

TEST_F(Shell, DroppedSongHidesTheDesktopBeforeLoading) {
    PlayDroppedSong(SongFile("a.lym", "A"), log_.Steps());
    EXPECT_EQ(log_.events,
              QStringList({"hide desktop", "open background", "play A", "close background", "show desktop"}));

    log_.events.clear();
    PlayDroppedSong(Missing("gone.lym"), log_.Steps());
    EXPECT_EQ(log_.events, QStringList({"hide desktop", "show desktop"}));
    EXPECT_EQ(ui_.shownMessages, QStringList({"Error: Error loading specified file."}));
}

TEST_F(Shell, PlayLoopPlaysEveryGoodFileUntilTheChoiceIsCancelled) {
    log_.files = {SongFile("1.lym", "One"), Missing("gone.lym"), TextFile("text.lym"),
                  SongFile("2.LYM", "Two")};
    PlayLoop(log_.Steps());
    EXPECT_EQ(log_.events,
              QStringList({"hide desktop", "open background", "choose", "play One", "choose", "choose",
                           "choose", "play Two", "choose", "close background", "show desktop"}));
    EXPECT_EQ(ui_.shownMessages, QStringList({"Error: Error loading specified file.",
                                              "Please Note...: This is not a valid Lyrimo file..."}));
    EXPECT_FALSE(Status().Playing);
}

TEST_F(Shell, PlayLoopCancelledAtOnceLoadsNothing) {
    Settings().FullScreen = false;
    PlayLoop(log_.Steps());
    EXPECT_EQ(log_.events, QStringList({"hide desktop", "choose", "close background", "show desktop"}));
    EXPECT_TRUE(ui_.shownMessages.isEmpty());
}

TEST_F(Shell, EachEntryModeRunsItsStepAndSaysWhetherTheMenuFollows) {
    const QString list = PlaylistFile("list.lpl", {"/songs/a.lym", "/songs/b.lym"});
    Settings().FullScreen = false;
    struct {
        QStringList arguments;
        bool menuFollows;
        QStringList events = {};
    } cases[] = {
        {{}, true},
        {{"song.lym"}, true},
        {{list, "/show"}, false, {"hide desktop", "play list of 2", "close background", "show desktop"}},
        {{list, "/BATCH"},
         true,
         {"hide desktop", "set up 2 songs from \"" + list + "\" (not marked)", "show desktop",
          "close background"}},
        {{"song.lym", "/EDIT"}, true, {"edit song.lym"}},
        {{"tune.kar", "/IMPORT"}, true, {"edit tune.kar"}},
        {{"/FIND"}, false, {"find"}},
        {{"/find"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(" ").toStdString());
        EXPECT_EQ(RunEntryMode(ParseCommandLine(c.arguments), log_.Steps()), c.menuFollows);
        EXPECT_EQ(log_.events, c.events);
        log_.events.clear();
    }
    EXPECT_TRUE(ui_.shownMessages.isEmpty());
}

TEST_F(Shell, PlaylistsThatDoNotLoadAreReportedInTheWordsOfEachCaller) {
    const QString broken = TextFile("broken.lpl");
    PlayPlaylistFromCommandLine(broken, log_.Steps());
    SetUpBatchFromCommandLine(Missing("gone.lpl"), log_.Steps());
    SetUpDroppedPlaylist(broken, log_.Steps());
    EXPECT_EQ(
        ui_.shownMessages,
        QStringList({"Batch Play Mode: Unable to play the specified play list, there was an error loading "
                     "the playlist file",
                     "Batch Play Mode: Error loading the specified playlist file",
                     "Please Note...: This is not a valid Lyrimo playlist file..."}));
    // Nothing was set up or played; the command line's setup still covered and uncovered the desktop.
    EXPECT_TRUE(log_.events.filter(QRegularExpression("^(play|set up)")).isEmpty());
    EXPECT_FALSE(Status().Playing);
}

TEST_F(Shell, BatchSetupWindowsRunWhilePlayingIsMarkedAndEverythingIsPutBack) {
    Settings().FullScreen = true;
    SetUpNewBatch(log_.Steps());
    EXPECT_EQ(log_.events, QStringList({"hide desktop", "open background", "set up 0 songs from \"\"",
                                        "close background", "show desktop"}));
    log_.events.clear();
    const QString list = PlaylistFile("party.lpl", {"/songs/a.lym"});
    SetUpDroppedPlaylist(list, log_.Steps());
    EXPECT_EQ(log_.events,
              QStringList({"open background", "set up 1 songs from \"" + list + "\"", "close background"}));
    EXPECT_FALSE(Status().Playing);

    // A performance that throws still puts the desktop back and clears the mark.
    log_.events.clear();
    log_.throwInPerform = true;
    PlayPlaylistFromCommandLine(list, log_.Steps());
    EXPECT_EQ(log_.events, QStringList({"hide desktop", "open background", "play list of 1",
                                        "close background", "show desktop"}));
    EXPECT_FALSE(Status().Playing);
}

TEST_F(Shell, PlaySwitchPlaysTheSongAndEnds) {
    const QString file = SongFile("My Song.lym", "Mine");
    EXPECT_FALSE(RunEntryMode(ParseCommandLine({"  " + file + " ", "/play"}), log_.Steps()));
    EXPECT_EQ(log_.Plays(), QStringList({"play Mine"}));
}

} // namespace
} // namespace lyrimo

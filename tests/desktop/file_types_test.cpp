// Registering the file types into a temporary XDG data home: the files written and accepted by
// the desktop's own tools, failing steps that do not stop the others, the version flag, and a
// user's own default program kept.
#include "desktop/file_types.h"

#include "desktop_test_support.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>

namespace lyrimo {
namespace {

class FileTypes : public test::tShellTest {
protected:
    void SetUp() override {
        tShellTest::SetUp();
        places_.dataHome = folder_ + "/data";
        places_.configHome = folder_ + "/config";
        places_.program = folder_ + "/bin dir/lyrimo";
        places_.thumbnailer = folder_ + "/bin dir/lyrimo-thumbnailer";
    }

    QString Data(const QString& path) const {
        return QString::fromUtf8(test::ReadFile(places_.dataHome + "/" + path));
    }

    tToolRunner Recording(QStringList& ran, const QString& failing = {}) {
        return [&ran, failing](const QString& program, const QStringList& arguments) {
            ran << program + " " + arguments.join(" ");
            return program != failing;
        };
    }

    tRegistrationPlaces places_;
};

TEST_F(FileTypes, WritesEveryFileAndTheDesktopToolsAcceptThem) {
    ASSERT_TRUE(RegisterFileTypes(places_).isEmpty());
    // The MIME database built from the package knows songs by name and by their header.
    EXPECT_TRUE(Data("mime/globs2").contains("application/x-lyrimo-song:*.lym"));
    EXPECT_TRUE(Data("mime/globs2").contains("application/x-lyrimo-playlist:*.lpl"));
    EXPECT_TRUE(Data("mime/globs2").contains("application/x-kok:*.kok"));
    EXPECT_TRUE(test::ReadFile(places_.dataHome + "/mime/magic").contains("lYMI"));
    // Each command of the file types, starting the program by its quoted path.
    const QString exec = "Exec=\"" + places_.program + "\" %f ";
    EXPECT_TRUE(Data("applications/lyrimo.desktop").contains(exec + "/PLAY"));
    EXPECT_TRUE(Data("applications/lyrimo.editor.desktop").contains(exec + "/EDIT"));
    EXPECT_TRUE(Data("applications/lyrimo-batch-play.desktop").contains(exec + "/SHOW"));
    EXPECT_TRUE(Data("applications/lyrimo-batch-setup.desktop").contains(exec + "/BATCH"));
    EXPECT_TRUE(Data("applications/lyrimo-import.desktop").contains(exec + "/IMPORT"));
    EXPECT_TRUE(Data("applications/lyrimo-import.desktop").contains("MimeType=audio/midi;"));
    EXPECT_TRUE(Data("applications/mimeinfo.cache").contains("lyrimo-batch-play.desktop"));
    EXPECT_TRUE(Data("thumbnailers/lyrimo.thumbnailer")
                    .contains("Exec=\"" + places_.thumbnailer + "\" %i %o --size %s"));
    EXPECT_TRUE(Data("applications/lyrimo.desktop").contains("TryExec=" + places_.program + "\n"));
    EXPECT_TRUE(QFile::exists(places_.dataHome + "/icons/hicolor/scalable/apps/lyrimo.svg"));
    const QString defaults = QString::fromUtf8(test::ReadFile(places_.configHome + "/mimeapps.list"));
    EXPECT_TRUE(defaults.contains("application/x-lyrimo-song=lyrimo.desktop"));
    EXPECT_TRUE(defaults.contains("application/x-lyrimo-playlist=lyrimo-batch-play.desktop"));
    EXPECT_FALSE(defaults.contains("audio/midi"));
}

TEST_F(FileTypes, AFailingStepDoesNotStopTheOthersAndLeavesTheFlagUnset) {
    QStringList ran;
    QSettings store(folder_ + "/store.ini", QSettings::IniFormat);
    EXPECT_TRUE(RegisterFileTypesOnFirstStart(store, places_, Recording(ran, "update-mime-database")));
    EXPECT_EQ(ran.size(), 2);
    EXPECT_TRUE(QFile::exists(places_.dataHome + "/applications/lyrimo.desktop"));
    EXPECT_TRUE(QFile::exists(places_.dataHome + "/thumbnailers/lyrimo.thumbnailer"));
    EXPECT_FALSE(store.value(TypesRegisteredKey()).toBool());

    // Tried again at the next start, and once everything succeeds, not again.
    ran.clear();
    EXPECT_TRUE(RegisterFileTypesOnFirstStart(store, places_, Recording(ran)));
    EXPECT_TRUE(store.value(TypesRegisteredKey()).toBool());
    EXPECT_FALSE(RegisterFileTypesOnFirstStart(store, places_, Recording(ran)));
    EXPECT_EQ(ran.size(), 2);
}

TEST_F(FileTypes, AnInstalledProgramOnlySetsTheDefaults) {
    places_.installed = true;
    QStringList ran;
    EXPECT_TRUE(RegisterFileTypes(places_, Recording(ran)).isEmpty());
    EXPECT_TRUE(ran.isEmpty());
    EXPECT_FALSE(QFile::exists(places_.dataHome + "/applications/lyrimo.desktop"));
    EXPECT_TRUE(QFile::exists(places_.configHome + "/mimeapps.list"));
}

TEST_F(FileTypes, AUsersOwnDefaultsAreKept) {
    const QString own = "[Added Associations]\naudio/midi=timidity.desktop;\n\n[Default Applications]\n"
                        "audio/midi=timidity.desktop\napplication/x-lyrimo-song=other-player.desktop\n\n"
                        "[Removed Associations]\n";
    const QString updated =
        WithDefaultApplication(own, "application/x-lyrimo-playlist", "lyrimo-batch-play.desktop");
    EXPECT_EQ(updated, "[Added Associations]\naudio/midi=timidity.desktop;\n\n[Default Applications]\n"
                       "audio/midi=timidity.desktop\napplication/x-lyrimo-song=other-player.desktop\n"
                       "application/x-lyrimo-playlist=lyrimo-batch-play.desktop\n\n[Removed Associations]\n");
    EXPECT_EQ(WithDefaultApplication(updated, "application/x-lyrimo-song", "lyrimo.desktop"), updated);
    EXPECT_EQ(WithDefaultApplication("", "application/x-lyrimo-song", "lyrimo.desktop"),
              "[Default Applications]\napplication/x-lyrimo-song=lyrimo.desktop\n");

    ASSERT_TRUE(QDir().mkpath(places_.configHome));
    ASSERT_TRUE(test::WriteFile(places_.configHome + "/mimeapps.list", own.toUtf8()));
    QStringList ran;
    RegisterFileTypes(places_, Recording(ran));
    EXPECT_TRUE(test::ReadFile(places_.configHome + "/mimeapps.list")
                    .contains("application/x-lyrimo-song=other-player.desktop\n"));
}

TEST_F(FileTypes, ProgramPathsAreQuotedAsDesktopEntriesNeed) {
    places_.program = folder_ + "/odd $dir \"100%\"/lyrimo";
    QStringList ran;
    RegisterFileTypes(places_, Recording(ran));
    EXPECT_TRUE(Data("applications/lyrimo.desktop")
                    .contains("Exec=\"" + folder_ + "/odd \\\\$dir \\\\\"100%%\\\\\"/lyrimo\" %f /PLAY"));
}

} // namespace
} // namespace lyrimo

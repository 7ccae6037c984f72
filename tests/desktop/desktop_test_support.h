// Shared pieces of the desktop program's tests: recorded shell steps, song files on disk and
// headless message boxes.
#pragma once

#include "app/app_services.h"
#include "desktop/shell_actions.h"
#include "document/song.h"
#include "drop_files.h"
#include "playlist/playlist_file.h"
#include "test_support.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QRegularExpression>
#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <gtest/gtest.h>

#include <deque>
#include <ostream>
#include <stdexcept>

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace lyrimo::test {

// What the shell asked of its surroundings, in order. A performance is logged as
// "play <song name>" and notes whether the playing mark was set during it.
struct tShellLog {
    QStringList events;
    std::deque<QString> files; // answers of the file dialog; "" when empty
    bool throwInPerform = false;

    tShellSteps Steps() {
        tShellSteps steps;
        steps.perform = [this](tLyrimoData& song) {
            events << "play " + QString::fromLatin1(song.SongName()) +
                          (Status().Playing ? "" : " (not marked)");
            if (throwInPerform)
                throw std::runtime_error("broken player");
            return 0;
        };
        steps.showDesktop = [this](bool visible) { events << (visible ? "show desktop" : "hide desktop"); };
        steps.openBackground = [this] { events << "open background"; };
        steps.closeBackground = [this] { events << "close background"; };
        steps.chooseSongFile = [this] {
            events << "choose";
            if (files.empty())
                return QString();
            QString file = files.front();
            files.pop_front();
            return file;
        };
        steps.showBusy = [](bool) {};
        steps.editSong = [this](const QString& file) { events << "edit " + file; };
        steps.setUpBatch = [this](tBatchKaraokeFile& playlist, const QString& fileName) {
            events << QString("set up %1 songs from \"%2\"").arg(playlist.Count()).arg(fileName) +
                          (Status().Playing ? "" : " (not marked)");
        };
        steps.playPlaylist = [this](const tBatchKaraokeFile& playlist) {
            events << QString("play list of %1").arg(playlist.Count()) +
                          (Status().Playing ? "" : " (not marked)");
            if (throwInPerform)
                throw std::runtime_error("broken player");
            return true;
        };
        steps.findSongs = [this] { events << "find"; };
        return steps;
    }

    QStringList Plays() const { return events.filter(QRegularExpression("^play ")); }
};

// Headless services whose messages are recorded, installed for the fixture's life.
class tShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui_.printMessages = false;
        SetApp(&ui_);
        Settings().TipsEnabled = false;
        static int counter = 0;
        folder_ = ScratchFolder() + QString("/shell-%1").arg(++counter);
        QDir().mkpath(folder_);
    }
    void TearDown() override { SetApp(nullptr); }

    // A song file whose song name is name.
    QString SongFile(const QString& fileName, const QByteArray& name) {
        tLyrimoData song;
        song.SetSongName(name);
        const QString path = folder_ + "/" + fileName;
        EXPECT_EQ(song.SaveToFile(path), 0);
        return path;
    }
    QString TextFile(const QString& fileName) {
        const QString path = folder_ + "/" + fileName;
        EXPECT_TRUE(WriteFile(path, "this is not a song at all, just some text\n"));
        return path;
    }
    QString Missing(const QString& fileName) { return folder_ + "/" + fileName; }
    // A playlist of the given song files.
    QString PlaylistFile(const QString& fileName, const QStringList& songs) {
        tBatchKaraokeFile playlist;
        for (const QString& song : songs)
            playlist.Entries << PlaylistEntry(song);
        const QString path = folder_ + "/" + fileName;
        EXPECT_TRUE(SavePlaylist(playlist, path));
        return path;
    }

    tHeadlessServices ui_;
    QString folder_;
    tShellLog log_;
};

} // namespace lyrimo::test

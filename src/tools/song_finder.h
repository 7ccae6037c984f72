// The song finder's search: a folder and all its subfolders are walked for song files whose
// song name, artist, album, lyrics or file name match a text. The walk runs step by step, one
// directory entry per step, so a window can let its events run in between and stop it.
#pragma once

#include "document/song.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace lyrimo {

namespace find_mode {
constexpr int Contain = 0, StartWith = 1, EndWith = 2, DontContain = 3;
} // namespace find_mode

struct tFindRequest {
    int mode = find_mode::Contain;
    QString text;
    QString folder; // empty: the current folder
    bool albumNames = false;
    bool songNames = true;
    bool artists = false;
    bool lyrics = false;
    bool fileName = false;
};

struct tFoundSong {
    QString file;   // the file name
    QString folder; // its folder, ending with "/"
    QString album, songName, artist;

    QString Path() const { return folder + file; }
};

// Texts are compared as 8-bit text in the system code page with the letters a to z upper-cased;
// other letters keep their case.
QByteArray FoldedSearchText(const QString& text);
void FoldLetters(QByteArray& text);
// Whether the folded text matches the folded search key in the given mode. An empty key is
// never contained, so it matches every text with "Start with", "End with" and "Don't Contain".
bool TextMatches(const QByteArray& text, const QByteArray& key, int mode);

// Whether a song's lyrics match: with "Don't Contain" when no line contains the key, in the
// other modes when one line matches.
bool LyricsMatch(const tLyrimoData& song, const QByteArray& key, int mode);

class tSongFinder {
public:
    explicit tSongFinder(const tFindRequest& request);
    ~tSongFinder();
    tSongFinder(const tSongFinder&) = delete;
    tSongFinder& operator=(const tSongFinder&) = delete;

    // Examines the next directory entry; false once the search is over (finished or aborted).
    bool Step();
    // Runs to the end.
    void Run();
    void Abort() { aborted_ = true; }
    bool Aborted() const { return aborted_; }
    bool Finished() const;

    int FoldersLookedAt() const { return folders_; }
    int SongsLookedAt() const { return songs_; }
    // The folder being scanned, ending with "/".
    const QString& CurrentFolder() const { return currentFolder_; }
    // In the order they were found.
    const std::vector<tFoundSong>& Hits() const { return hits_; }

private:
    struct tOpenFolder;

    bool OpenFolder(const QByteArray& path);
    void EnterNextFolder();
    void Examine(tOpenFolder& folder, const char* name, unsigned char type);
    void TestFile(const QByteArray& path, const char* name);
    bool NamesMatch(const tSongSettings& settings, const QString& file) const;
    bool SettingsTextMatches(const tSongSettings& settings, const QByteArray& low,
                             const QByteArray& high) const;

    tFindRequest request_;
    QByteArray key_;
    bool aborted_ = false;
    int folders_ = 0;
    int songs_ = 0;
    QString currentFolder_;
    std::vector<tFoundSong> hits_;
    std::unique_ptr<tOpenFolder> open_;
    // Folders found but not yet entered, the next one last.
    std::vector<QByteArray> pending_;
    // Folders already entered, by device and inode, so that a link back up the tree is not
    // followed round and round.
    std::set<std::pair<uint64_t, uint64_t>> visited_;
    std::unique_ptr<tLyrimoData> song_; // the working song of lyrics searches
    mutable QByteArray scratch_;
};

} // namespace lyrimo

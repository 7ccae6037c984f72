// The file sorter and list generator: song files of a folder renamed to numbered standard names
// (prefix, zero-padded number, suffix, ".lym"), and a comma-separated list of the new names with
// each song's name, artist and media source. Planned first, so the user sees every rename before
// anything changes; a rename never replaces an existing file.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace lyrimo {

struct tSortRequest {
    QString Folder;
    bool Subfolders = false;
    QString Prefix;
    int StartNumber = 1; // 0..32767
    QString Suffix = "LYM";
};

struct tPlannedRename {
    QString From;       // the song file as found
    QString To;         // its new path, in the same folder
    QByteArray Row;     // its line of the list, without the line end
    QString Title;      // the song's name, for people
    bool Clash = false; // another file already has the new name: it will keep its own
};

// Song files (".lym" in any letter case, hidden ones too) in name order; a subfolder's songs
// come where the subfolder stands when subfolders are searched.
QStringList FindSongFiles(const QString& folder, bool subfolders);

// The renames and rows for the found files. Files that are not songs are left out and use no
// number. The numbers have one digit more than the count of found files has.
std::vector<tPlannedRename> PlanSort(const tSortRequest& request, const QStringList& found);

struct tSortOutcome {
    QStringList Renamed;    // "old → new" of every file that took its new name
    QStringList NotRenamed; // each file that kept its name, with the reason
};

// Renames as planned, in two rounds (first to temporary names, then to the new ones) so that
// names swapped between files of the list cannot clash; a file that cannot take its new name
// keeps its old one. progress(done, total) after each file. The plan's rows are updated to name
// each file as it is after the run.
tSortOutcome ApplySort(std::vector<tPlannedRename>& plan, const std::function<void(int, int)>& progress = {});

// The rows, each ending CR LF, written in one go; false when writing failed.
bool WriteSortList(const QString& file, const std::vector<tPlannedRename>& plan);

// Quoted list fields: a double quote inside a text is doubled, so the list stays readable.
QByteArray QuotedField(const QByteArray& text);

} // namespace lyrimo

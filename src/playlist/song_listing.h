// The entries the file selector lists: the parent folder, folders, song files with their title and
// artist read from the file, and the mounted volumes a person keeps songs on, and how they sort.
#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace lyrimo {

class tSongSettings;

// The path that stands for the list of volumes.
inline constexpr const char* kDrivesView = ".";

// One entry of the list.
struct TFile {
    QString Path;          // song file, folder or volume root; folders end with "/"
    QString Artist;        // empty for folders
    QString Title;         // song name, folder or volume name, or "<parent directory>"
    bool IsFolder = false; // folders, volumes and the parent entry
    bool IsParent = false;
    uint8_t RightToLeft = 0;
    QString Info; // the status-line text
};

using tFileList = std::vector<TFile>;

// Called after each entry read; returning false stops the reading.
using tListingProgress = std::function<bool()>;

// The folder with exactly one "/" at its end, absolute and without "." or ".." steps.
QString FolderPath(const QString& path);
// "/" leads to the volumes, "/home/" to "/", "/home/me/" to "/home/".
QString ParentFolder(const QString& folder);

TFile ParentEntry(const QString& folder);
TFile FolderEntry(const QString& folder, const QString& name);
// Reads the song's settings record only; a file whose record cannot be read is listed under
// its file name.
TFile SongEntry(const QString& path);
// Where the song's music comes from, as the status line tells it.
QString MediaDescription(const tSongSettings& settings);
// True for file names ending in ".lym" in any letter case.
bool IsSongFileName(const QString& name);

// Replaces the list with the parent entry, the folder's subfolders and its songs, unsorted.
// Hidden entries are left out; a folder that cannot be listed gives only the parent entry.
// False when afterEntry stopped the reading.
bool ReadFolder(const QString& folder, tFileList& list, const tListingProgress& afterEntry = {});

// A mounted file system as the platform reports it.
struct tMount {
    QString Root;
    QString Label; // empty when the volume has none
    QString FileSystemType;
    bool Ready = true;
};
struct tVolume {
    QString Name;
    QString Root; // ends with "/"
};
// The volumes a person keeps songs on: the root file system, the home folder, and what is
// mounted under /media, /run/media and /mnt; pseudo and system file systems are left out.
std::vector<tVolume> PersonalVolumes(const std::vector<tMount>& mounts, const QString& homeFolder);
std::vector<tMount> MountedFileSystems();
// Replaces the list with one entry per volume, in the given order.
void ListDrives(tFileList& list, const std::vector<tVolume>& volumes);

// The parent entry first, then folders by title, then songs by artist (byArtist) or by title,
// then by the other of the two and by file; case is ignored and equal entries keep their order.
void SortFileList(tFileList& list, bool byArtist);

} // namespace lyrimo

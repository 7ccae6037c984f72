#include "playlist/song_listing.h"

#include "app/app_services.h"
#include "app/text_codec.h"
#include "document/binary_file.h"
#include "document/song.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace lyrimo {
namespace {

QString Quoted(const QString& text) { return '"' + text + '"'; }

// A stored text of the song, decoded as the song's title font says.
QString SongText(const tSongSettings& s, const QByteArray& low, const QByteArray& high) {
    if (s.UnicodeText())
        return JoinWideText(low, high);
    // Character set 1 is the "default" set: the system code page.
    const int charset = s.TitleFontCharset();
    return DecodeText(low, charset == 1 ? SystemCodePage() : CodePageForCharset(charset));
}

// Stored media names may come from a system that separates folders with "\".
QString StoredFileName(const QString& path) {
    const qsizetype slash = std::max(path.lastIndexOf('/'), path.lastIndexOf('\\'));
    return path.mid(slash + 1);
}

QString ExtensionWithoutDot(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf('.');
    return dot < 0 ? QString() : fileName.mid(dot + 1);
}

bool IsUnder(const QString& root, const QString& folder) { return root.startsWith(folder); }

int Rank(const TFile& entry) { return entry.IsParent ? 0 : entry.IsFolder ? 1 : 2; }

int CompareText(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive); }

} // namespace

QString FolderPath(const QString& path) {
    QString folder = QDir::cleanPath(QDir(path).absolutePath());
    if (!folder.endsWith('/'))
        folder += '/';
    return folder;
}

QString ParentFolder(const QString& folder) {
    const QString withoutEnd = folder.left(folder.size() - 1);
    const qsizetype slash = withoutEnd.lastIndexOf('/');
    if (withoutEnd.isEmpty() || slash < 0)
        return kDrivesView;
    return withoutEnd.left(slash + 1);
}

TFile ParentEntry(const QString& folder) {
    TFile entry;
    entry.Path = ParentFolder(folder);
    entry.Title = Translate("<parent directory>");
    entry.IsFolder = true;
    entry.IsParent = true;
    entry.Info = Translate("Goto back to the parent folder");
    return entry;
}

TFile FolderEntry(const QString& folder, const QString& name) {
    TFile entry;
    entry.Path = folder + name + '/';
    entry.Title = name;
    entry.IsFolder = true;
    entry.Info = Translate("Go into the folder called") + " " + name;
    return entry;
}

QString MediaDescription(const tSongSettings& s) {
    switch (s.UseMediaFile()) {
    case 0:
        return Translate("CD") + " " + Quoted(SongText(s, s.AlbumName(), s.AlbumNameHigh())) + " " +
               Translate("Track") + " " + QString::number(s.CdTrack());
    case 1: {
        const QString mediaName = StoredFileName(PathFromField(s.MediaFileName()));
        const QString source =
            s.EmbedMedia() ? Translate("embedded media file") : Translate("file") + " " + Quoted(mediaName);
        return source + " " + Translate("of type") + " " + Quoted(ExtensionWithoutDot(mediaName).toUpper());
    }
    default: return Translate("unknown media source");
    }
}

bool IsSongFileName(const QString& name) {
    return name.size() > 4 && name.endsWith(".lym", Qt::CaseInsensitive);
}

TFile SongEntry(const QString& path) {
    TFile entry;
    entry.Path = path;
    const QString fileName = QFileInfo(path).fileName();
    const QString bareName = fileName.left(fileName.size() - 4);
    tSongSettings settings;
    if (!ReadSettingsRecord(path, settings)) {
        entry.Title = bareName;
        entry.Info = Translate("File") + ": " + Quoted(fileName) + " " +
                     Translate("(its song details cannot be read)");
        return entry;
    }
    entry.Title = SongText(settings, settings.SongName(), settings.SongNameHigh());
    if (entry.Title.isEmpty()) // an untitled song still needs a row one can read
        entry.Title = bareName;
    entry.Artist = SongText(settings, settings.ArtistName(), settings.ArtistNameHigh());
    entry.RightToLeft = settings.RightToLeft();
    entry.Info = Translate("File") + ": " + Quoted(fileName) + " " + Translate("using") + " " +
                 MediaDescription(settings);
    return entry;
}

bool ReadFolder(const QString& folder, tFileList& list, const tListingProgress& afterEntry) {
    list.clear();
    list.push_back(ParentEntry(folder));
    // Without QDir::Hidden, names starting with "." are left out.
    QDirIterator it(folder, QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        if (info.isDir())
            list.push_back(FolderEntry(folder, info.fileName()));
        else if (IsSongFileName(info.fileName()))
            list.push_back(SongEntry(info.filePath()));
        else
            continue;
        if (afterEntry && !afterEntry())
            return false;
    }
    return true;
}

std::vector<tVolume> PersonalVolumes(const std::vector<tMount>& mounts, const QString& homeFolder) {
    static const QStringList kSystemTypes = {
        "proc",        "sysfs",   "devtmpfs", "devpts",   "tmpfs",    "cgroup", "cgroup2",   "securityfs",
        "pstore",      "debugfs", "tracefs",  "configfs", "fusectl",  "mqueue", "hugetlbfs", "autofs",
        "binfmt_misc", "bpf",     "efivarfs", "ramfs",    "squashfs", "nsfs",   "rpc_pipefs"};
    std::vector<tVolume> volumes;
    const QString home = FolderPath(homeFolder);
    auto listed = [&volumes](const QString& root) {
        return std::any_of(volumes.begin(), volumes.end(),
                           [&root](const tVolume& v) { return v.Root == root; });
    };
    for (const tMount& mount : mounts) {
        const QString root = FolderPath(mount.Root);
        if (!mount.Ready || kSystemTypes.contains(mount.FileSystemType) || listed(root))
            continue;
        const bool mountedMedia =
            IsUnder(root, "/media/") || IsUnder(root, "/run/media/") || IsUnder(root, "/mnt/");
        if (root == "/")
            volumes.insert(volumes.begin(),
                           {mount.Label.isEmpty() ? Translate("File System") : mount.Label, root});
        else if (mountedMedia && root != home)
            volumes.push_back({mount.Label.isEmpty() ? QDir(root).dirName() : mount.Label, root});
    }
    // The home folder is where most people keep their songs, whether or not it is a volume of its own.
    if (!listed(home)) {
        const bool rootFirst = !volumes.empty() && volumes.front().Root == "/";
        volumes.insert(volumes.begin() + (rootFirst ? 1 : 0), {Translate("Home"), home});
    }
    return volumes;
}

std::vector<tMount> MountedFileSystems() {
    std::vector<tMount> mounts;
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes())
        mounts.push_back({storage.rootPath(), storage.name(), QString::fromLatin1(storage.fileSystemType()),
                          storage.isValid() && storage.isReady()});
    return mounts;
}

void ListDrives(tFileList& list, const std::vector<tVolume>& volumes) {
    list.clear();
    for (const tVolume& volume : volumes) {
        TFile entry;
        entry.Path = volume.Root;
        entry.Title = volume.Name + "  (" + volume.Root + ")";
        entry.IsFolder = true;
        entry.Info = Translate("Go into the drive called") + " " + volume.Root;
        list.push_back(entry);
    }
}

void SortFileList(tFileList& list, bool byArtist) {
    std::stable_sort(list.begin(), list.end(), [byArtist](const TFile& a, const TFile& b) {
        if (Rank(a) != Rank(b))
            return Rank(a) < Rank(b);
        if (a.IsFolder)
            return CompareText(a.Title, b.Title) < 0;
        const int first = byArtist ? CompareText(a.Artist, b.Artist) : CompareText(a.Title, b.Title);
        if (first != 0)
            return first < 0;
        // One artist's songs by title, songs of one name by artist, and then by file.
        const int second = byArtist ? CompareText(a.Title, b.Title) : CompareText(a.Artist, b.Artist);
        return second != 0 ? second < 0 : CompareText(a.Path, b.Path) < 0;
    });
}

} // namespace lyrimo

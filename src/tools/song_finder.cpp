#include "tools/song_finder.h"

#include "app/text_codec.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstring>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace lyrimo {

namespace {

std::string_view View(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<size_t>(bytes.size())};
}

bool Contains(const QByteArray& text, const QByteArray& key) {
    return !key.isEmpty() && View(text).find(View(key)) != std::string_view::npos;
}

// Names starting with a dot are hidden on Linux; this also passes over "." and "..".
bool Hidden(const char* name) { return name[0] == '.'; }

bool HasSongExtension(const char* name) {
    const size_t length = std::strlen(name);
    return length >= 4 && strncasecmp(name + length - 4, ".lym", 4) == 0;
}

} // namespace

QByteArray FoldedSearchText(const QString& text) {
    QByteArray folded = ToSystemCodePage(text);
    FoldLetters(folded);
    return folded;
}

void FoldLetters(QByteArray& text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
}

bool TextMatches(const QByteArray& text, const QByteArray& key, int mode) {
    const auto n = static_cast<size_t>(key.size());
    switch (mode) {
    case find_mode::StartWith: return View(text).substr(0, n) == View(key);
    case find_mode::EndWith:
        return text.size() >= key.size() && View(text).substr(text.size() - n) == View(key);
    case find_mode::DontContain: return !Contains(text, key);
    default: return Contains(text, key);
    }
}

bool LyricsMatch(const tLyrimoData& song, const QByteArray& key, int mode) {
    const bool wide = song.SongSettings.UnicodeText();
    QByteArray line;
    for (int p = 0; p < song.PartCount(); ++p) {
        const tLyricsData* part = song.GetPart(p);
        for (int l = 0; l < part->LineCount(); ++l) {
            const tTimingsLineType* lyricsLine = part->GetLine(l);
            line = wide ? ToSystemCodePage(lyricsLine->WideText()) : lyricsLine->Text();
            FoldLetters(line);
            if (mode == find_mode::DontContain) {
                if (Contains(line, key))
                    return false;
            } else if (TextMatches(line, key, mode)) {
                return true;
            }
        }
    }
    return mode == find_mode::DontContain;
}

// A folder being read: its path (ending with "/") as the system names it, and the
// subfolders met so far, entered once the folder's own songs have been looked at.
struct tSongFinder::tOpenFolder {
    QByteArray path;
    DIR* dir = nullptr;
    std::vector<QByteArray> subfolders;

    ~tOpenFolder() {
        if (dir)
            closedir(dir);
    }
};

tSongFinder::tSongFinder(const tFindRequest& request) : request_(request) {
    key_ = FoldedSearchText(request.text);
    QString start = request.folder.isEmpty() ? QDir::currentPath() : request.folder;
    if (!start.endsWith('/'))
        start += '/';
    pending_.push_back(QFile::encodeName(start));
}

tSongFinder::~tSongFinder() = default;

bool tSongFinder::Finished() const { return aborted_ || (!open_ && pending_.empty()); }

void tSongFinder::Run() {
    while (Step()) {
    }
}

bool tSongFinder::Step() {
    if (aborted_) {
        open_.reset();
        pending_.clear();
        return false;
    }
    if (!open_)
        EnterNextFolder();
    if (!open_)
        return false;
    errno = 0;
    if (const dirent* entry = readdir(open_->dir)) {
        Examine(*open_, entry->d_name, entry->d_type);
        return !Finished();
    }
    // Subfolders are entered in name order, the first one next.
    std::vector<QByteArray>& subfolders = open_->subfolders;
    std::sort(subfolders.begin(), subfolders.end(), std::greater<>());
    pending_.insert(pending_.end(), subfolders.begin(), subfolders.end());
    open_.reset();
    return !Finished();
}

void tSongFinder::EnterNextFolder() {
    while (!open_ && !pending_.empty()) {
        const QByteArray path = pending_.back();
        pending_.pop_back();
        OpenFolder(path);
    }
}

bool tSongFinder::OpenFolder(const QByteArray& path) {
    DIR* dir = opendir(path.constData());
    if (!dir)
        return false; // a folder that cannot be read holds nothing to find
    struct stat st {};
    if (fstat(dirfd(dir), &st) != 0 ||
        !visited_.emplace(static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)).second) {
        closedir(dir);
        return false;
    }
    open_ = std::make_unique<tOpenFolder>();
    open_->path = path;
    open_->dir = dir;
    ++folders_;
    currentFolder_ = QFile::decodeName(path);
    return true;
}

void tSongFinder::Examine(tOpenFolder& folder, const char* name, unsigned char type) {
    if (Hidden(name))
        return;
    bool isFolder = type == DT_DIR;
    bool isFile = type == DT_REG;
    if (type == DT_LNK || type == DT_UNKNOWN) {
        struct stat st {};
        if (fstatat(dirfd(folder.dir), name, &st, 0) != 0)
            return; // a dangling link
        isFolder = S_ISDIR(st.st_mode);
        isFile = S_ISREG(st.st_mode);
    }
    if (isFolder)
        folder.subfolders.push_back(folder.path + name + '/');
    else if (isFile && HasSongExtension(name))
        TestFile(folder.path + name, name);
}

void tSongFinder::TestFile(const QByteArray& path, const char* name) {
    ++songs_;
    const QString file = QFile::decodeName(name);
    const QString fullPath = QFile::decodeName(path);
    tSongSettings settings;
    bool matched = false;
    if (request_.lyrics) {
        if (!song_)
            song_ = std::make_unique<tLyrimoData>();
        if (song_->LoadFromFile(fullPath, false) != 0)
            return;
        settings = song_->SongSettings;
        matched = LyricsMatch(*song_, key_, request_.mode);
        song_->Clear();
    } else if (!ReadSettingsRecord(fullPath, settings)) {
        return;
    }
    if (!matched && !NamesMatch(settings, file))
        return;
    tFoundSong hit;
    hit.file = file;
    hit.folder = currentFolder_;
    hit.album = ShownText(settings, settings.AlbumName(), settings.AlbumNameHigh());
    hit.songName = ShownText(settings, settings.SongName(), settings.SongNameHigh());
    hit.artist = ShownText(settings, settings.ArtistName(), settings.ArtistNameHigh());
    hits_.push_back(std::move(hit));
}

// The file name first, then the album, song name and artist, each only while nothing matched.
bool tSongFinder::NamesMatch(const tSongSettings& settings, const QString& file) const {
    if (request_.fileName && TextMatches(FoldedSearchText(file), key_, request_.mode))
        return true;
    if (request_.albumNames && SettingsTextMatches(settings, settings.AlbumName(), settings.AlbumNameHigh()))
        return true;
    if (request_.songNames && SettingsTextMatches(settings, settings.SongName(), settings.SongNameHigh()))
        return true;
    return request_.artists &&
           SettingsTextMatches(settings, settings.ArtistName(), settings.ArtistNameHigh());
}

bool tSongFinder::SettingsTextMatches(const tSongSettings& settings, const QByteArray& low,
                                      const QByteArray& high) const {
    scratch_ = settings.UnicodeText() ? ToSystemCodePage(JoinWideText(low, high)) : low;
    FoldLetters(scratch_);
    return TextMatches(scratch_, key_, request_.mode);
}

} // namespace lyrimo

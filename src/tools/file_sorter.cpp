#include "tools/file_sorter.h"

#include "app/app_services.h"
#include "app/atomic_file.h"
#include "app/text_codec.h"
#include "document/song.h"
#include "document/song_loading.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <set>

namespace lyrimo {
namespace {

void Scan(const QString& folder, bool subfolders, QStringList& found) {
    const QFileInfoList entries = QDir(folder).entryInfoList(
        QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir()) {
            if (subfolders && !entry.isSymLink())
                Scan(entry.absoluteFilePath(), subfolders, found);
        } else if (entry.suffix().compare("lym", Qt::CaseInsensitive) == 0) {
            found << entry.absoluteFilePath();
        }
    }
}

int Digits(qsizetype count) { return static_cast<int>(QString::number(count).size()); }

QByteArray EightBit(const QByteArray& low, const QByteArray& high, bool unicode) {
    return unicode ? ToSystemCodePage(JoinWideText(low, high)) : low;
}

QByteArray MediaText(const tSongSettings& settings, const QByteArray& album) {
    if (settings.UseMediaFile() != 0)
        return ToSystemCodePage(Translate("MEDIA File") + ": " +
                                StoredPathExtension(settings.MediaFileName()));
    return "CD: " + album + " " + QByteArray::number(settings.CdTrack());
}

QByteArray RowFor(const QString& baseName, const tSongSettings& settings) {
    const bool unicode = settings.UnicodeText() != 0;
    const QByteArray album = EightBit(settings.AlbumName(), settings.AlbumNameHigh(), unicode);
    return QuotedField(ToSystemCodePage(baseName)) + "," +
           QuotedField(EightBit(settings.SongName(), settings.SongNameHigh(), unicode)) + "," +
           QuotedField(EightBit(settings.ArtistName(), settings.ArtistNameHigh(), unicode)) + "," +
           QuotedField(MediaText(settings, album));
}

// Replaces the row's first field with the file's base name as it now is.
void RenameRow(tPlannedRename& rename, const QString& path) {
    const qsizetype comma = rename.Row.indexOf("\",\"");
    if (comma < 0)
        return;
    rename.Row =
        QuotedField(ToSystemCodePage(QFileInfo(path).completeBaseName())) + rename.Row.mid(comma + 1);
}

QString TemporaryName(const QString& path, int index) {
    const QFileInfo info(path);
    for (int attempt = 0;; ++attempt) {
        const QString candidate =
            info.absolutePath() + QString("/.lyrimo-sorting-%1-%2.tmp").arg(index).arg(attempt);
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

} // namespace

QByteArray QuotedField(const QByteArray& text) {
    QByteArray quoted = text;
    quoted.replace('"', "\"\"");
    return '"' + quoted + '"';
}

QStringList FindSongFiles(const QString& folder, bool subfolders) {
    QStringList found;
    Scan(folder.isEmpty() ? QDir::currentPath() : folder, subfolders, found);
    return found;
}

std::vector<tPlannedRename> PlanSort(const tSortRequest& request, const QStringList& found) {
    const int width = Digits(found.size()) + 1;
    int number = request.StartNumber;
    std::vector<tPlannedRename> plan;
    for (const QString& file : found) {
        tSongSettings settings;
        if (!ReadSettingsRecord(file, settings))
            continue;
        const QString baseName =
            request.Prefix + QString("%1").arg(number, width, 10, QChar('0')) + request.Suffix;
        tPlannedRename rename;
        rename.From = file;
        rename.To = QFileInfo(file).absolutePath() + "/" + baseName + ".lym";
        rename.Row = RowFor(baseName, settings);
        rename.Title = ShownText(settings, settings.SongName(), settings.SongNameHigh());
        plan.push_back(rename);
        ++number;
    }
    // A file in the way that is not itself moving away keeps the song from its new name.
    std::set<QString> sources;
    for (const tPlannedRename& rename : plan)
        sources.insert(rename.From);
    for (tPlannedRename& rename : plan)
        rename.Clash = rename.To != rename.From && QFileInfo::exists(rename.To) && !sources.count(rename.To);
    return plan;
}

tSortOutcome ApplySort(std::vector<tPlannedRename>& plan, const std::function<void(int, int)>& progress) {
    tSortOutcome outcome;
    const int total = static_cast<int>(plan.size());
    std::vector<QString> moved(plan.size());
    for (size_t i = 0; i < plan.size(); ++i) {
        tPlannedRename& rename = plan[i];
        if (rename.Clash) {
            outcome.NotRenamed << rename.From + ": " + Translate("another file already has the name") + " " +
                                      QFileInfo(rename.To).fileName();
            RenameRow(rename, rename.From);
        } else if (rename.From != rename.To) {
            const QString temporary = TemporaryName(rename.From, static_cast<int>(i));
            if (QFile::rename(rename.From, temporary))
                moved[i] = temporary;
            else {
                outcome.NotRenamed << rename.From + ": " + Translate("the file could not be renamed");
                RenameRow(rename, rename.From);
            }
        }
    }
    for (size_t i = 0; i < plan.size(); ++i) {
        tPlannedRename& rename = plan[i];
        if (!moved[i].isEmpty()) {
            if (!QFileInfo::exists(rename.To) && QFile::rename(moved[i], rename.To)) {
                outcome.Renamed << rename.From + " → " + rename.To;
            } else {
                const bool back = !QFileInfo::exists(rename.From) && QFile::rename(moved[i], rename.From);
                const QString now = back ? rename.From : moved[i];
                outcome.NotRenamed << rename.From + ": " + Translate("the file could not be renamed") +
                                          (back ? QString()
                                                : " (" + Translate("it is now called") + " " + now + ")");
                RenameRow(rename, now);
            }
        } else if (rename.From == rename.To) {
            outcome.Renamed << rename.From + " → " + rename.To;
        }
        if (progress)
            progress(static_cast<int>(i) + 1, total);
    }
    return outcome;
}

bool WriteSortList(const QString& file, const std::vector<tPlannedRename>& plan) {
    QByteArray bytes;
    for (const tPlannedRename& rename : plan)
        bytes += rename.Row + "\r\n";
    return WriteFileAtomically(file, bytes);
}

} // namespace lyrimo

#include "importexport/lrc_import.h"

#include "app/app_services.h"
#include "importexport/text_detect.h"

#include <QFileInfo>

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace lyrimo {
namespace {

// One time tag of a lyric line: its time key ("mmss", each part at least two characters)
// followed by the line's text. Entries sort as the text of key and lyric joined; the joined
// texts of all entries lie one after another in one buffer, so that sorting compares them
// in place instead of joining or walking two pieces at every comparison.
struct tEntry {
    size_t sortStart;
    size_t sortLength;
    int text; // index of the lyric text
    int time; // ms
};

QByteArray PadTwo(const QByteArray& text) {
    return text.size() >= 2 ? text : QByteArray(2 - text.size(), '0') + text;
}

class tLrcImport {
public:
    tLrcImport(const QString& path, tLyrimoData& song, const tImportProgress& progress, QObject* owner)
        : path_(path), song_(song), progress_(progress), owner_(owner) {}

    bool Run();

private:
    void ReadLine(const QByteArray& line);
    void CollectTimeTags(const QByteArray& line);
    void BuildLines();

    const QString& path_;
    tLyrimoData& song_;
    const tImportProgress& progress_;
    QObject* owner_;
    tImportedText text_;
    QList<QByteArray> lyrics_;
    std::vector<tEntry> entries_;
    std::string sortTexts_; // every entry's key and lyric, joined
};

bool tLrcImport::Run() {
    song_.Clear();
    if (QFileInfo(path_).size() > kMaxLyricsTextFileSize) {
        if (progress_) {
            App().MessageBox(Translate("This file is too large to import") + ". " +
                                 Translate("The largest file that can be imported is") + " " +
                                 QString::number(kMaxLyricsTextFileSize >> 20) + " MiB.",
                             "Lyrimo - " + Translate("Error Importing File") + "...",
                             mb::Ok | mb::IconWarning);
        }
        return false;
    }
    QByteArray bytes;
    if (!ReadLyricsTextFile(path_, bytes))
        return false;
    const bool markedUtf8 = TakeByteOrderMark(bytes);
    tEncodingDetector detector;
    detector.Add(bytes);
    text_ = markedUtf8 && detector.NonAscii() ? TextFormForEncoding("UTF-8") : detector.Result();

    const QList<QByteArray> lines = SplitTextLines(bytes);
    bytes.clear();
    for (int i = 0; i < lines.size(); ++i) {
        ReportProgress(progress_, owner_, song_, 1, static_cast<int>(lines.size()) - 1, i, import_kind::Lrc);
        ReadLine(TrimLyricText(lines[i]));
    }
    BuildLines();
    text_.ApplyTo(song_);
    ReportProgress(progress_, owner_, song_, 3, static_cast<int>(lines.size()) - 1,
                   static_cast<int>(lines.size()) - 1, import_kind::Lrc);
    ShowImportResultIfWanted(
        Settings().ShowLRCImportResult,
        Translate("Import of the LRC file") + " " + path_ + " " +
            Translate("was sucessful. Please Note: The timings in this type of file are not "
                      "very accurate.  For best results we strogly advise you re-record "
                      "them") +
            ".");
    return true;
}

void tLrcImport::ReadLine(const QByteArray& line) {
    if (!line.startsWith('['))
        return;
    const QByteArray rest = line.mid(1);
    if (rest.size() <= 3)
        return;
    const QByteArray head = rest.left(3).toUpper();
    const qsizetype colon = rest.indexOf(':');
    const qsizetype close = rest.indexOf(']', colon + 1);
    const QByteArray value =
        colon < 0 ? QByteArray() : rest.mid(colon + 1, close < 0 ? -1 : close - colon - 1);
    if (head == "TI:")
        text_.SetSongName(song_, text_.Units(value));
    else if (head == "AR:")
        text_.SetArtistName(song_, text_.Units(value));
    else if (head == "LA:" || head == "BY:")
        return;
    else if (std::isdigit(static_cast<unsigned char>(rest[0])))
        CollectTimeTags(line);
}

// Every bracketed group of the line is a time tag; the lyric is what follows the last one.
void tLrcImport::CollectTimeTags(const QByteArray& line) {
    std::vector<QByteArray> groups;
    qsizetype lastClose = -1;
    for (qsizetype open = line.indexOf('['); open >= 0; open = line.indexOf('[', lastClose + 1)) {
        const qsizetype close = line.indexOf(']', open + 1);
        if (close < 0)
            break;
        groups.push_back(line.mid(open + 1, close - open - 1));
        lastClose = close;
    }
    const int lyric = static_cast<int>(lyrics_.size());
    lyrics_ << line.mid(lastClose + 1);
    for (const QByteArray& group : groups) {
        const qsizetype colon = group.indexOf(':');
        const QByteArray key = PadTwo(colon < 0 ? group : group.left(colon)) +
                               PadTwo(colon < 0 ? QByteArray() : group.mid(colon + 1));
        // The minutes are the key's first two characters and the seconds the next two; a
        // fraction of a second is ignored.
        int minutes = 0, seconds = 0;
        if (!ParseWholeNumber(key.left(2), minutes) || !ParseWholeNumber(key.mid(2, 2), seconds))
            continue;
        const QByteArray& text = lyrics_.constLast();
        entries_.push_back(
            {sortTexts_.size(), size_t(key.size() + text.size()), lyric, (minutes * 60 + seconds) * 1000});
        sortTexts_.append(key.constData(), size_t(key.size()));
        sortTexts_.append(text.constData(), size_t(text.size()));
    }
}

void tLrcImport::BuildLines() {
    const std::string_view texts(sortTexts_);
    std::sort(entries_.begin(), entries_.end(), [texts](const tEntry& a, const tEntry& b) {
        return texts.substr(a.sortStart, a.sortLength) < texts.substr(b.sortStart, b.sortLength);
    });
    tLyricsData& part = *song_.GetPart(0);
    part.PartRecord.setTimingsRecorded(1);
    part.PartRecord.setPartName("Imported .LRC Lyrics");

    int lastUsedTime = -1;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const tEntry& entry = entries_[i];
        const int time = entry.time;
        const int next = i + 1 < entries_.size() ? entries_[i + 1].time : time + 2000;
        if (time <= lastUsedTime || lyrics_[entry.text].isEmpty())
            continue;
        lastUsedTime = time;
        tTimingsLineType& line = *AddImportedLine(part);
        const QString units = text_.Cut(text_.Units(lyrics_[entry.text]), kMaxLineLength);
        text_.SetLineText(line, units);
        line.LineRecord.setLineStart(time);
        const bool sameTime = next == time;
        line.AddTiming(MakeTiming(0, static_cast<uint16_t>(sameTime ? 0 : next - time - 3)));
        line.AddTiming(MakeTiming(static_cast<uint8_t>(units.size() + 1),
                                  static_cast<uint16_t>(sameTime ? 0 : next - time - 1)));
    }
}

} // namespace

bool ImportLrc(const QString& path, tLyrimoData& song, const tImportProgress& progress, QObject* owner) {
    if (!tLrcImport(path, song, progress, owner).Run())
        return false;
    UseMediaBesideImport(path, song);
    return true;
}

} // namespace lyrimo

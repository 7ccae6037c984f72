#include "importexport/lrc_import.h"

#include "app/app_services.h"
#include "importexport/text_detect.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

namespace lyrimo {
namespace {

// One time tag of a lyric line: its time key ("mmss", each part at least two characters)
// followed by the line's text. Entries sort as the text of key and lyric joined.
struct tEntry {
    QByteArray key;
    int text; // index of the lyric text
    int time; // ms
};

QByteArray PadTwo(const QByteArray& text) {
    return text.size() >= 2 ? text : QByteArray(2 - text.size(), '0') + text;
}

// Compares a1 + a2 with b1 + b2 as text, without joining them.
bool JoinedLess(std::string_view a1, std::string_view a2, std::string_view b1, std::string_view b2) {
    const std::string_view a[] = {a1, a2}, b[] = {b1, b2};
    int ai = 0, bi = 0;
    size_t ao = 0, bo = 0;
    for (;;) {
        for (; ai < 2 && ao == a[ai].size(); ++ai)
            ao = 0;
        for (; bi < 2 && bo == b[bi].size(); ++bi)
            bo = 0;
        if (ai == 2 || bi == 2)
            return ai == 2 && bi != 2;
        const size_t n = std::min(a[ai].size() - ao, b[bi].size() - bo);
        if (const int order = std::memcmp(a[ai].data() + ao, b[bi].data() + bo, n))
            return order < 0;
        ao += n;
        bo += n;
    }
}

std::string_view View(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<size_t>(bytes.size())};
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
};

bool tLrcImport::Run() {
    song_.Clear();
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
        entries_.push_back({key, lyric, (minutes * 60 + seconds) * 1000});
    }
}

void tLrcImport::BuildLines() {
    std::sort(entries_.begin(), entries_.end(), [this](const tEntry& a, const tEntry& b) {
        return JoinedLess(View(a.key), View(lyrics_.at(a.text)), View(b.key), View(lyrics_.at(b.text)));
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

#include "importexport/kok_import.h"

#include "app/app_services.h"
#include "importexport/text_detect.h"

#include <QFile>
#include <QFileInfo>

namespace lyrimo {
namespace {

// A time field is whole seconds, a comma and ten-thousandths of a second; parts that are
// not numbers count as 0.
int64_t KokTime(const QByteArray& field) {
    const qsizetype comma = field.indexOf(',');
    int seconds = 0, fraction = 0;
    if (!ParseWholeNumber(TrimLyricText(comma < 0 ? field : field.left(comma)), seconds))
        seconds = 0;
    if (comma < 0 || !ParseWholeNumber(TrimLyricText(field.mid(comma + 1)), fraction))
        fraction = 0;
    return int64_t(seconds) * 1000 + fraction / 10;
}

QString WithExtensionMp3(const QString& path) {
    const qsizetype dot = path.lastIndexOf('.');
    const qsizetype slash = path.lastIndexOf('/');
    return (dot > slash ? path.left(dot) : path) + ".mp3";
}

// Reads one file line's words and times into a new line of the part.
void ReadKokLine(const QByteArray& input, tLyricsData& part, const tImportedText& text) {
    tTimingsLineType& line = *AddImportedLine(part);
    QString units;
    int64_t start = -1;
    QByteArray rest = input;
    while (!rest.isEmpty()) {
        const qsizetype wordEnd = rest.indexOf(';');
        const QString word = text.Units(wordEnd < 0 ? rest : rest.left(wordEnd));
        rest = wordEnd < 0 ? QByteArray() : rest.mid(wordEnd + 1);
        const qsizetype timeEnd = rest.indexOf(';');
        const int64_t time = KokTime(timeEnd < 0 ? rest : rest.left(timeEnd));
        rest = timeEnd < 0 ? QByteArray() : rest.mid(timeEnd + 1);

        if (!units.isEmpty() && !units.endsWith(' ') && !word.startsWith(' '))
            units += ' ';
        units = text.Cut(units + word, kMaxLineLength);
        uint16_t delta = 0;
        if (start < 0)
            start = time;
        else
            delta = static_cast<uint16_t>(time - start);
        line.AddTiming(MakeTiming(static_cast<uint8_t>(units.size()), delta));
    }
    text.SetLineText(line, units);
    line.LineRecord.setLineStart(static_cast<int32_t>(start));
}

// Starts a line a second before its first word, but after the previous line has ended;
// its timings keep their times.
void MoveLineStart(tTimingsLineType& line, const tTimingsLineType* previous) {
    const int64_t oldStart = line.LineRecord.LineStart();
    int64_t start = oldStart - 1000;
    if (previous) {
        int64_t previousEnd = int64_t(previous->LineRecord.LineStart()) + 1;
        if (previous->TimingCount() > 0)
            previousEnd += previous->GetTiming(previous->TimingCount() - 1).Delta();
        if (start < previousEnd)
            start = previousEnd + 1;
    }
    start = std::max<int64_t>(start, 0);
    for (int t = 0; t < line.TimingCount(); ++t) {
        const tTimingRecord timing = line.GetTiming(t);
        line.SetTiming(
            t, MakeTiming(timing.Position(), static_cast<uint16_t>(oldStart + timing.Delta() - start)));
    }
    line.LineRecord.setLineStart(static_cast<int32_t>(start));
}

} // namespace

bool ImportKok(const QString& path, tLyrimoData& song, const tImportProgress& progress, QObject* owner) {
    ReportProgress(progress, owner, song, 0, 10, 0, import_kind::Kok);
    const bool exists = QFileInfo(path).isFile();
    song.Clear();
    QByteArray bytes;
    if (!exists || !ReadLyricsTextFile(path, bytes))
        return false;
    const bool markedUtf8 = TakeByteOrderMark(bytes);
    tEncodingDetector detector;
    detector.Add(bytes);
    const tImportedText text =
        markedUtf8 && detector.NonAscii() ? TextFormForEncoding("UTF-8") : detector.Result();

    tLyricsData& part = *song.GetPart(0);
    part.PartRecord.setTimingsRecorded(1);
    part.PartRecord.setPartName("Imported .KOK Lyrics");
    song.SongSettings.setUseMediaFile(1);
    song.SongSettings.setMediaFileName(QFile::encodeName(WithExtensionMp3(path)));
    UseMediaBesideImport(path, song);
    song.SongSettings.setExtraBreakChar('-');
    song.SongSettings.setExtraBreakCharHigh(0);

    const QList<QByteArray> lines = SplitTextLines(bytes);
    bytes.clear();
    for (int i = 0; i < lines.size() && part.LineCount() < kMaxLinesPerPart; ++i) {
        const QByteArray input = TrimLyricText(lines[i]);
        if (input.isEmpty())
            continue;
        ReadKokLine(input, part, text);
        MoveLineStart(*part.GetLine(part.LineCount() - 1), part.GetLine(part.LineCount() - 2));
        ReportProgress(progress, owner, song, 1, static_cast<int>(lines.size()) - 1, i, import_kind::Kok);
    }
    text.ApplyTo(song);
    ReportProgress(progress, owner, song, 2, 10, 10, import_kind::Kok);
    ShowImportResultIfWanted(
        Settings().ShowKOKImportResult,
        Translate("Import of the KOK file") + " " + path + " " +
            Translate("was sucessful. Please Note: The timings will only be accurate for MP3 "
                      "files") +
            "...");
    return true;
}

} // namespace lyrimo

#include "importexport/import_common.h"

#include "app/app_services.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace lyrimo {

tTimingsLineType* AddImportedLine(tLyricsData& part) {
    tTimingsLineType* line = part.AddLine();
    line->LineRecord.setNormalColour(kImportNormalColour);
    line->LineRecord.setHighlightColour(kImportHighlightColour);
    line->LineRecord.setHighlightBackground(kImportHighlightBackground);
    return line;
}

void AddMergedTiming(tTimingsLineType& line, uint8_t position, uint16_t delta) {
    const int count = line.TimingCount();
    if (count > 0) {
        const tTimingRecord last = line.GetTiming(count - 1);
        if (last.Delta() == delta) {
            line.SetTiming(count - 1, MakeTiming(position, delta));
            return;
        }
        if (last.Position() == position)
            return;
    }
    line.AddTiming(MakeTiming(position, delta));
}

int64_t LineEndDelta(int64_t sinceStart, int64_t lastDelta) {
    for (int before : {1900, 1700, 1500, 1300, 1100, 900, 700, 500, 300, 100}) {
        if (sinceStart - before > lastDelta)
            return sinceStart - before;
    }
    return lastDelta + 1;
}

template <class Text, class IsBlank>
static Text Trimmed(const Text& text, IsBlank isBlank) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin);
}

QByteArray TrimLyricText(const QByteArray& text) { return Trimmed(text, IsBlankByte); }
QString TrimLyricText(const QString& text) { return Trimmed(text, IsBlankUnit); }

static char16_t AsciiLower(QChar c) {
    char16_t u = c.unicode();
    return u >= 'A' && u <= 'Z' ? static_cast<char16_t>(u + 32) : u;
}

bool SameTextIgnoringAsciiCase(const QString& a, const QString& b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return true;
}

bool ParseWholeNumber(QByteArrayView text, int& value) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    if (i == text.size())
        return false;
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > int64_t(INT32_MAX) + 1)
            return false;
    }
    const int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue > INT32_MAX)
        return false;
    value = static_cast<int>(signedValue);
    return true;
}

void ShowImportResultIfWanted(bool& showSetting, const QString& text) {
    if (!showSetting)
        return;
    const bool doNotShow = App().ShowImportResult(text, !showSetting);
    showSetting = !doNotShow;
}

QList<QByteArray> SplitTextLines(const QByteArray& bytes) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n' && bytes[i] != '\r')
            continue;
        lines << bytes.mid(start, i - start);
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines << bytes.mid(start);
    return lines;
}

bool ReadLyricsTextFile(const QString& path, QByteArray& bytes) {
    bytes.clear();
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly) || file.size() > kMaxLyricsTextFileSize)
        return false;
    bytes = file.read(file.size());
    return bytes.size() == file.size();
}

bool UseMediaBesideImport(const QString& importedPath, tLyrimoData& song) {
    struct tMediaKind {
        const char* extension;
        bool video;
    };
    static constexpr tMediaKind kKinds[] = {{"mp3", false},  {"ogg", false}, {"opus", false},
                                            {"flac", false}, {"m4a", false}, {"wav", false},
                                            {"mp4", true},   {"mkv", true},  {"webm", true}};
    const QFileInfo imported(importedPath);
    const QString base = imported.completeBaseName();
    const QFileInfoList beside = imported.dir().entryInfoList(QDir::Files | QDir::Readable);
    for (const tMediaKind& kind : kKinds) {
        const QString wanted = base + "." + kind.extension;
        for (const QFileInfo& file : beside) {
            if (file.fileName().compare(wanted, Qt::CaseInsensitive) != 0)
                continue;
            tSongSettings& s = song.SongSettings;
            s.setUseMediaFile(1);
            s.setEmbedMedia(0);
            s.setMediaFileName(QFile::encodeName(file.absoluteFilePath()));
            if (kind.video)
                s.setHasVideo(1);
            return true;
        }
    }
    return false;
}

} // namespace lyrimo

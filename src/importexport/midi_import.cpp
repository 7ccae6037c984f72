#include "importexport/midi_import.h"

#include "app/app_services.h"
#include "app/temp_files.h"
#include "document/song_loading.h"
#include "importexport/midi_cleanup.h"
#include "importexport/midi_file.h"
#include "importexport/text_detect.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <array>
#include <cctype>
#include <unistd.h>

namespace lyrimo {
namespace {

// Every event kept becomes one text line: the tick, zero-padded to nine digits, an order
// digit, a blank and the text. Sorting the lines as text orders the events by tick, then by
// their order within a tick. Lines that describe the track start with "*" and carry no tick.
const QByteArray kLineBreakRun(136, 'z'); // stands for a carriage return or line feed
const QByteArray kTempoPrefix = QByteArray(24, 'z') + "SET TEMPO [";
const QByteArray kCopyrightPrefix = "*MIDI COPYRIGHT: ";
const QByteArray kSequenceNamePrefix = "*SEQUENCE. NAME: ";
const QByteArray kSmpteOffsetPrefix = "*.SMPTE. OFFSET: ";
const QByteArray kTickZeroOrderZero = "0000000000";
constexpr char kPartMarker = '\xF9';

constexpr int kMaxLyricParts = 99;
constexpr int kPartSlots = 100;
constexpr uint32_t kStartTempo = 400000; // microseconds per quarter note
// Memory the event lines of one file may take; only absurd files come near it.
constexpr int64_t kEventLineBudget = 32 << 20;
constexpr int kLineOverhead = 32;

// The tick, zero-padded to nine digits, and room for `more` bytes after it.
QByteArray TickText(uint64_t tick, qsizetype more = 0) {
    const QByteArray digits = QByteArray::number(static_cast<qulonglong>(tick));
    QByteArray text;
    text.reserve(std::max<qsizetype>(digits.size(), 9) + more);
    if (digits.size() < 9)
        text.fill('0', 9 - digits.size());
    return text += digits;
}

QByteArrayView TextAfterFirstBlank(QByteArrayView line) {
    const qsizetype blank = line.indexOf(' ');
    return blank < 0 ? QByteArrayView() : line.sliced(blank + 1);
}

bool IsTempoLine(QByteArrayView line) {
    const qsizetype blank = line.indexOf(' ');
    return blank >= 0 && line.sliced(blank + 1).startsWith(kTempoPrefix);
}

bool IsInformationTag(QByteArrayView text) {
    if (text.size() < 2 || text[0] != '@')
        return false;
    const char kind = static_cast<char>(std::toupper(static_cast<unsigned char>(text[1])));
    return QByteArray("KVLWTI").contains(kind);
}

class tTrackReader {
public:
    explicit tTrackReader(const QByteArray& track) : data_(track) {}

    qsizetype Remaining() const { return data_.size() - pos_; }
    uint8_t Byte() { return Remaining() > 0 ? static_cast<uint8_t>(data_[pos_++]) : 0; }
    void StepBack() { --pos_; }
    void Skip(int64_t count) { pos_ += static_cast<qsizetype>(std::clamp<int64_t>(count, 0, Remaining())); }

    // Seven bits a byte, most significant first, up to a byte with its top bit clear or
    // the end of the track.
    uint32_t VariableLength() {
        uint32_t value = 0;
        while (Remaining() > 0) {
            const uint8_t b = Byte();
            value = value << 7 | (b & 0x7F);
            if (!(b & 0x80))
                break;
        }
        return value;
    }

    QByteArray Bytes(int64_t count) {
        const auto n = static_cast<qsizetype>(std::clamp<int64_t>(count, 0, Remaining()));
        QByteArray bytes = data_.mid(pos_, n);
        pos_ += n;
        return bytes;
    }

private:
    const QByteArray& data_;
    qsizetype pos_ = 0;
};

QByteArray WithLineBreakRuns(const QByteArray& data) {
    if (!data.contains('\r') && !data.contains('\n'))
        return data;
    QByteArray text;
    for (char c : data) {
        if (c == '\r' || c == '\n')
            text += kLineBreakRun;
        else
            text += c;
    }
    return text;
}

int64_t LineBreakGrowth(const QByteArray& data) {
    return (data.count('\r') + data.count('\n')) * (kLineBreakRun.size() - 1);
}

// The event lines of one track. False when the file's lines would exceed the budget.
bool CollectTrackEvents(const QByteArray& track, QList<QByteArray>& lines, tEncodingDetector& detector,
                        int64_t& budget) {
    tTrackReader reader(track);
    uint64_t tick = 0;
    uint8_t runningStatus = 0;
    int64_t lastTextTick = -1;
    unsigned order = 0;
    auto keep = [&](QByteArray line) {
        budget -= line.size() + kLineOverhead;
        lines << std::move(line);
        return budget >= 0;
    };

    while (reader.Remaining() >= 2) {
        tick += reader.VariableLength();
        if (reader.Remaining() == 0)
            break;
        uint8_t status = reader.Byte();
        if (status < 0x80) {
            status = runningStatus;
            reader.StepBack();
        } else {
            runningStatus = status;
        }
        switch (status) {
        case 0xF6:
        case 0xF8:
        case 0xFA:
        case 0xFB:
        case 0xFC:
        case 0xFE: continue;
        case 0xF3: reader.Skip(1); continue;
        case 0xF0:
        case 0xF7: reader.Skip(reader.VariableLength()); continue;
        case 0xFF: break;
        default: reader.Skip(status >= 0xC0 && status <= 0xDF ? 1 : 2); continue;
        }

        const uint8_t type = reader.Byte();
        const uint32_t length = reader.VariableLength();
        QByteArray data = reader.Bytes(length);
        if (type == 0x2F)
            break;
        if (type == 0x51) {
            uint32_t tempo = 0;
            for (qsizetype i = 0; i < std::min<qsizetype>(data.size(), 4); ++i)
                tempo = tempo << 8 | static_cast<uint8_t>(data[i]);
            QByteArray line = TickText(tick, 2 + kTempoPrefix.size() + 9);
            line += "0 " + kTempoPrefix + QByteArray::number(tempo, 16).toUpper() + ']';
            if (!keep(std::move(line)))
                return false;
            continue;
        }
        if (type != 0x01 && type != 0x05 && type != 0x02 && type != 0x03 && type != 0x54)
            continue;
        const bool atStart = tick == 0;
        if (!atStart && type != 0x01 && type != 0x05)
            continue;
        if (type != 0x54) {
            if (type != 0x02) // the copyright notice never reaches the song
                detector.Add(data);
            budget -= LineBreakGrowth(data);
            if (budget < 0)
                return false;
            data = WithLineBreakRuns(data);
        }
        QByteArray line;
        if (type == 0x01 || type == 0x05) {
            order = static_cast<int64_t>(tick) == lastTextTick ? order + 1 : 0;
            lastTextTick = static_cast<int64_t>(tick);
            // Room for the part marker the line may get when the tracks are merged.
            line = TickText(tick, 2 + data.size() + 4);
            line += char('0' + order % 10);
            line += ' ';
            line += data;
        } else {
            line = (type == 0x02   ? kCopyrightPrefix
                    : type == 0x03 ? kSequenceNamePrefix
                                   : kSmpteOffsetPrefix) +
                   data;
        }
        if (!keep(std::move(line)))
            return false;
    }
    return true;
}

// A lyric track has a line that is neither a description, an event at tick 0 with order 0,
// an information tag nor a tempo change.
bool IsLyricTrack(const QList<QByteArray>& lines) {
    for (const QByteArray& line : lines) {
        if (line.startsWith('*'))
            continue;
        const qsizetype blank = line.indexOf(' ');
        if (line.left(blank) == kTickZeroOrderZero || IsInformationTag(TextAfterFirstBlank(line)) ||
            IsTempoLine(line))
            continue;
        return true;
    }
    return false;
}

struct tPartSlot {
    bool newLinePending = true;
    tTimingsLineType* line = nullptr;
    QString units; // the current line's text
    int64_t lineStart = 0;
    QString name;
};

struct tMidiImport {
    tMidiImport(const QString& path, tLyrimoData& song, const tImportProgress& progress, QObject* owner)
        : path(path), song(song), progress(progress), owner(owner), interactive(bool(progress)) {}

    const QString& path;
    tLyrimoData& song;
    const tImportProgress& progress;
    QObject* owner;
    bool interactive;

    MidiType midi;
    std::vector<QList<QByteArray>> trackLines;
    tImportedText text;
    QList<QByteArray> merged;
    QList<QByteArray> information;
    std::vector<int> partTracks; // the track each part was read from
    std::vector<tMergedParts> mergedParts;
    std::array<tPartSlot, kPartSlots> partSlots;
    bool zeroTempoSeen = false;

    void Report(int stage, int maximum, int position) {
        ReportProgress(progress, owner, song, stage, maximum, position, import_kind::Midi);
    }

    bool Fail(const QString& message, const QString& title) {
        if (interactive)
            App().MessageBox(message, title, mb::Ok | mb::IconWarning);
        song.Clear();
        return false;
    }

    bool FailWithError(const QString& message) { return Fail(message, Translate("Error")); }

    bool Run();
    QString ZeroTempoNote() const;
    bool ReadFile();
    bool CollectEvents();
    bool Merge();
    void BuildLines();
    void EndLine(tPartSlot& slot, int64_t time);
    bool Clean();
    bool StoreMedia();
    void ApplySettings();
};

bool tMidiImport::ReadFile() {
    Report(0, 1, 0);
    midi = ReadMidiFile(path);
    if (midi.Error == midi_error::None)
        return true;
    static const char* const kErrorTexts[] = {
        nullptr,
        "File was not found or could not be opened",
        "File is corrupt or incomplete",
        "This file is NOT a MIDI file",
        "Part of this file is missing",
        "This file is too large to import",
    };
    static const char* const kEndings[] = {nullptr, ".", ".", "...", "...", "."};
    const int code = std::clamp(midi.Error, 1, 5);
    return Fail(Translate(kErrorTexts[code]) + kEndings[code],
                "Lyrimo - " + Translate("Error Importing File") + "...");
}

bool tMidiImport::CollectEvents() {
    if (IsSmpteDivision(midi.Division) && interactive) {
        App().MessageBox(
            Translate("This file uses a form of timing that is not completly supported by") + " Lyrimo.\n" +
                Translate("This means timings may be poor, or possibly even completly incorrect"),
            Translate("NOTE") + ":", mb::Ok | mb::IconInformation);
    }
    tEncodingDetector detector;
    int64_t budget = kEventLineBudget;
    const int trackCount = static_cast<int>(midi.Tracks.size());
    for (int t = 0; t < trackCount; ++t) {
        Report(1, trackCount - 1, t);
        trackLines.emplace_back();
        if (!CollectTrackEvents(midi.Tracks[t], trackLines.back(), detector, budget)) {
            return Fail(Translate("This file is too large to import") + ".",
                        "Lyrimo - " + Translate("Error Importing File") + "...");
        }
    }
    midi.Tracks.clear();
    text = detector.Result();
    return true;
}

bool tMidiImport::Merge() {
    std::vector<int> lyricTracks, otherTracks;
    for (int t = 0; t < static_cast<int>(trackLines.size()); ++t)
        (IsLyricTrack(trackLines[t]) ? lyricTracks : otherTracks).push_back(t);
    if (lyricTracks.empty())
        return FailWithError(Translate("This file doesn't contain any karaoke or lyrics information") + ".");
    if (lyricTracks.size() > kMaxLyricParts)
        lyricTracks.resize(kMaxLyricParts);
    partTracks = lyricTracks;

    song.Clear();
    for (int k = 0; k < kPartSlots; ++k)
        partSlots[k].name = "Unnamed " + QString::number(k + 1);
    while (song.PartCount() < static_cast<int>(lyricTracks.size()))
        song.AddPart(std::make_unique<tLyricsData>());

    for (int k = 0; k < static_cast<int>(lyricTracks.size()); ++k) {
        const QByteArray marker = kPartMarker + QByteArray::number(k);
        for (QByteArray& line : trackLines[lyricTracks[k]]) {
            if (line.startsWith(kSequenceNamePrefix)) {
                const QByteArray name = TrimLyricText(line.mid(kSequenceNamePrefix.size() - 1));
                partSlots[k].name = text.Cut(text.Units(name), kMaxPartNameLength);
            } else if (line.startsWith('*') || IsInformationTag(TextAfterFirstBlank(line))) {
                information << TextAfterFirstBlank(line).toByteArray();
            } else {
                line += marker;
                merged << std::move(line);
            }
        }
    }
    for (int t : otherTracks) {
        for (QByteArray& line : trackLines[t]) {
            if (IsTempoLine(line))
                merged << std::move(line);
            else if (line.startsWith(kSequenceNamePrefix))
                continue;
            else if (!line.isEmpty() && std::isdigit(static_cast<unsigned char>(line[0])) &&
                     line.size() > 10 && line[10] == ' ')
                information << line.mid(11);
            else
                information << line;
        }
    }
    trackLines.clear();
    std::sort(merged.begin(), merged.end());
    return true;
}

void tMidiImport::EndLine(tPartSlot& slot, int64_t time) {
    tTimingsLineType& line = *slot.line;
    const int64_t lastDelta = line.TimingCount() > 0 ? line.GetTiming(line.TimingCount() - 1).Delta() : 0;
    const int64_t end = LineEndDelta(time - slot.lineStart, lastDelta);
    AddMergedTiming(line, static_cast<uint8_t>(slot.units.size()), static_cast<uint16_t>(end));
}

void tMidiImport::BuildLines() {
    static const QByteArray kLineBreakMarkers[] = {kLineBreakRun, "\\", "/"};
    uint64_t previousTick = 0;
    int64_t time = 0;
    uint32_t tempo = kStartTempo;
    const int count = static_cast<int>(merged.size());
    for (int i = 0; i < count; ++i) {
        if (i % 256 == 0)
            Report(2, count - 1, i);
        QByteArray line = std::move(merged[i]);
        int part = 0;
        const qsizetype marker = line.lastIndexOf(kPartMarker);
        if (marker >= 0) {
            int number = 0;
            if (ParseWholeNumber(QByteArrayView(line).sliced(marker + 1), number) && number >= 0 &&
                number < song.PartCount())
                part = number;
            line.truncate(marker);
        }
        const qsizetype blank = line.indexOf(' ');
        const uint64_t tick = QByteArrayView(line).first(std::max<qsizetype>(blank - 1, 0)).toULongLong();
        time +=
            MidiTime(static_cast<int64_t>(tick) - static_cast<int64_t>(previousTick), tempo, midi.Division);
        previousTick = tick;

        if (IsTempoLine(line)) {
            const qsizetype open = blank + 1 + kTempoPrefix.size();
            tempo = line.mid(open, line.indexOf(']', open) - open).toUInt(nullptr, 16);
            if (tempo == 0) {
                // No time would pass at all: every lyric would land at the tempo's tick.
                tempo = kStartTempo;
                zeroTempoSeen = true;
            }
            continue;
        }

        QByteArray lyric = line.mid(blank + 1);
        tPartSlot& slot = partSlots[part];
        for (const QByteArray& breakMarker : kLineBreakMarkers) {
            if (text.RemoveMarker(lyric, breakMarker))
                slot.newLinePending = true;
        }
        if (slot.newLinePending && slot.line && slot.units.isEmpty())
            slot.newLinePending = false;
        if (lyric.isEmpty())
            continue;
        tLyricsData& target = *song.GetPart(part);
        if (slot.newLinePending && target.LineCount() < kMaxLinesPerPart) {
            if (slot.line)
                EndLine(slot, time);
            slot.line = AddImportedLine(target);
            slot.units.clear();
            slot.newLinePending = false;
        }
        if (slot.units.isEmpty()) {
            slot.lineStart = time;
            slot.line->LineRecord.setLineStart(static_cast<int32_t>(time));
        }
        const auto before = static_cast<uint8_t>(slot.units.size());
        slot.units = text.Cut(slot.units + text.Units(lyric), kMaxLineLength);
        text.SetLineText(*slot.line, slot.units);
        const auto delta = static_cast<uint16_t>(time - slot.lineStart);
        if (delta != 0)
            AddMergedTiming(*slot.line, before, delta);
    }
    merged.clear();

    for (int k = 0; k < song.PartCount(); ++k) {
        tPartSlot& slot = partSlots[k];
        if (slot.line) {
            AddMergedTiming(*slot.line, static_cast<uint8_t>(slot.units.size()),
                            static_cast<uint16_t>(time - slot.lineStart + 500));
        }
        song.GetPart(k)->PartRecord.setPartName(text.PartName(slot.name));
    }
}

bool tMidiImport::Clean() {
    for (int p = song.PartCount() - 1; p >= 0; --p) {
        const tLyricsData& part = *song.GetPart(p);
        int linesWithText = 0;
        for (int l = 0; l < part.LineCount() && linesWithText < 2; ++l) {
            if (!TrimLyricText(text.LineUnits(*part.GetLine(l))).isEmpty())
                ++linesWithText;
        }
        if (linesWithText < 2) {
            song.DeletePart(p);
            partTracks.erase(partTracks.begin() + p);
        }
    }
    if (song.PartCount() == 0)
        return FailWithError(Translate("Error cleaning up file, probably has no usable lyrics") + ".");

    const tLyricsData& first = *song.GetPart(0);
    for (int p = song.PartCount() - 1; p >= 1; --p) {
        const tLyricsData& part = *song.GetPart(p);
        if (part.LineCount() != first.LineCount())
            continue;
        bool same = true;
        for (int l = 0; l < part.LineCount() && same; ++l)
            same = text.SameIgnoringCase(text.LineUnits(*part.GetLine(l)), text.LineUnits(*first.GetLine(l)));
        if (same) {
            song.DeletePart(p);
            partTracks.erase(partTracks.begin() + p);
        }
    }
    return true;
}

// The MIDI file becomes the song's media, in a temporary file that goes with the song.
bool tMidiImport::StoreMedia() {
    const QString cannotCreate = Translate("Unable to create output media file") + "...";
    int fd = -1;
    const QString copy = CreateTempMediaFile(QDir::tempPath(), ".mid", &fd);
    if (fd < 0)
        return FailWithError(cannotCreate);
    const QByteArray& bytes = midi.FileBytes;
    constexpr qsizetype kPiece = 64 * 1024;
    const int kilobytes = static_cast<int>(bytes.size() / 1024);
    bool written = true;
    for (qsizetype done = 0; done < bytes.size() && written; done += kPiece) {
        Report(3, kilobytes, static_cast<int>(done / 1024));
        const qsizetype piece = std::min(kPiece, bytes.size() - done);
        written = ::write(fd, bytes.constData() + done, static_cast<size_t>(piece)) == piece;
    }
    written = ::close(fd) == 0 && written;
    const QByteArray storedPath = QFile::encodeName(copy);
    if (!written || storedPath.size() > 255) {
        QFile::remove(copy);
        ForgetTempFile(copy);
        return FailWithError(cannotCreate);
    }
    song.SetTempMediaPath(copy);
    song.SongSettings.setEmbedMedia(1);
    song.SongSettings.setMediaFileName(storedPath);
    return true;
}

void tMidiImport::ApplySettings() {
    tSongSettings& s = song.SongSettings;
    s.setUseMediaFile(1);
    s.setPreferredPlayer(player::WindowsMediaPlayer);
    s.setAdjustWinampTimingsForWmp(0);
    for (int p = 0; p < song.PartCount(); ++p) {
        tLyricsData& part = *song.GetPart(p);
        part.PartRecord.setTimingsRecorded(1);
        part.PartExtras.setTextMode(6);
        part.PartExtras.setUnderline(0);
        part.PartExtras.setBallStyle(0);
    }
    text.ApplyTo(song);
    for (const QByteArray& entry : information) {
        if (entry.size() < 2 || entry[0] != '@' || entry[1] != 'T')
            continue;
        const QString value = text.Cut(text.Units(entry.mid(2)), kMaxNameLength);
        if (text.SongNameUnits(song).isEmpty())
            text.SetSongName(song, value);
        else if (text.ArtistNameUnits(song).isEmpty())
            text.SetArtistName(song, value);
    }
}

QString tMidiImport::ZeroTempoNote() const {
    if (!zeroTempoSeen)
        return {};
    return ". " + Translate("This file sets a tempo of 0, which cannot be played; the default tempo was used "
                            "instead");
}

bool tMidiImport::Run() {
    song.Clear();
    if (!ReadFile() || !CollectEvents() || !Merge())
        return false;
    BuildLines();
    if (!Clean() || !StoreMedia())
        return false;
    ApplySettings();
    mergedParts = CleanUpMidiLyrics(song, partTracks, ParseMidiBytes(midi.FileBytes), text);
    Report(4, 1, 1);
    ShowImportResultIfWanted(
        Settings().ShowKARImportResult,
        Translate("Import of the Midi karaoke file") + " " + path + " " +
            Translate("was sucessful. Please Note: You may need to adjust the \"Start Time "
                      "Offset\" for this song") +
            ZeroTempoNote() + MergedPartsNote(mergedParts));
    return true;
}

} // namespace

bool ImportMidi(const QString& path, tLyrimoData& song, const tImportProgress& progress, QObject* owner) {
    return tMidiImport(path, song, progress, owner).Run();
}

} // namespace lyrimo

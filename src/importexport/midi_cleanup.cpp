#include "importexport/midi_cleanup.h"

#include "app/app_services.h"
#include "app/text_codec.h"
#include "importexport/import_common.h"

#include <algorithm>
#include <memory>
#include <numeric>
#include <optional>

namespace lyrimo {
namespace {

constexpr uint32_t kStartTempo = 400000; // the import's tempo before the file sets one
constexpr int64_t kOnNoteSlack = 15;     // ms between a syllable and the note it is sung on
constexpr int64_t kRoundingSlack = 50;   // ms by which our times and the import's may differ
constexpr int64_t kSameWordSlack = 100;  // ms by which two parts may differ singing one word
constexpr int kSameWordsPercent = 80;    // of the words of each of two parts that sing the same
constexpr int kWordSearchSteps = 256;    // words of the other part looked at for one word
constexpr int kDrumChannel = 9;

// ---- When the file's events happen, which of them carry words and which are notes

class tTempoMap {
public:
    explicit tTempoMap(const MidiType& midi) : division_(midi.Division) {
        std::vector<std::pair<uint64_t, uint32_t>> tempos;
        for (const QByteArray& track : midi.Tracks) {
            ForEachMidiEvent(track, [&](const tMidiEvent& event) {
                if (event.Status != 0xFF || event.MetaType != 0x51)
                    return;
                uint32_t tempo = 0;
                for (qsizetype i = 0; i < std::min<qsizetype>(event.Data.size(), 4); ++i)
                    tempo = tempo << 8 | static_cast<uint8_t>(event.Data[i]);
                tempos.emplace_back(event.Tick, tempo == 0 ? kStartTempo : tempo);
            });
        }
        std::stable_sort(tempos.begin(), tempos.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        changes_.push_back({0, 0, kStartTempo});
        for (const auto& [tick, tempo] : tempos)
            changes_.push_back({tick, Milliseconds(tick), tempo});
    }

    int64_t Milliseconds(uint64_t tick) const {
        const auto after =
            std::upper_bound(changes_.begin(), changes_.end(), tick,
                             [](uint64_t t, const tChange& change) { return t < change.tick; });
        const tChange& change = *std::prev(after);
        return change.ms + MidiTime(static_cast<int64_t>(tick - change.tick), change.tempo, division_);
    }

private:
    struct tChange {
        uint64_t tick;
        int64_t ms;
        uint32_t tempo;
    };
    std::vector<tChange> changes_;
    int16_t division_;
};

struct tTrackFacts {
    int textEvents = 0;
    int lyricEvents = 0;
    std::vector<int64_t> syllableTimes; // of its text and lyric events other than tags, in order
    std::vector<int64_t> noteTimes;     // of its note-ons outside the drum channel, in order
};

std::vector<tTrackFacts> ReadTrackFacts(const MidiType& midi, const tTempoMap& tempo) {
    std::vector<tTrackFacts> facts(midi.Tracks.size());
    for (size_t t = 0; t < midi.Tracks.size(); ++t) {
        tTrackFacts& track = facts[t];
        ForEachMidiEvent(midi.Tracks[t], [&](const tMidiEvent& event) {
            if (IsNoteOn(event) && (event.Status & 0x0F) != kDrumChannel) {
                const int64_t time = tempo.Milliseconds(event.Tick);
                if (track.noteTimes.empty() || track.noteTimes.back() != time)
                    track.noteTimes.push_back(time);
            } else if (event.Status == 0xFF && (event.MetaType == 0x01 || event.MetaType == 0x05) &&
                       !event.Data.isEmpty() && event.Data[0] != '@') {
                ++(event.MetaType == 0x01 ? track.textEvents : track.lyricEvents);
                track.syllableTimes.push_back(tempo.Milliseconds(event.Tick));
            }
        });
    }
    return facts;
}

bool OnNote(int64_t time, const std::vector<int64_t>& notes) {
    const auto near = std::lower_bound(notes.begin(), notes.end(), time - kOnNoteSlack);
    return near != notes.end() && *near <= time + kOnNoteSlack;
}

int CountOnNotes(const std::vector<int64_t>& times, const std::vector<int64_t>& notes) {
    int count = 0;
    size_t n = 0;
    for (int64_t time : times) {
        while (n < notes.size() && notes[n] < time - kOnNoteSlack)
            ++n;
        if (n < notes.size() && notes[n] <= time + kOnNoteSlack)
            ++count;
    }
    return count;
}

// When the track's first syllable sung on a note comes. The melody is the track whose notes
// fall on most of its syllables: its own notes in a lyric track, another track's for the text
// events of a track that has no notes.
std::optional<int64_t> FirstSungTime(const std::vector<tTrackFacts>& facts, int track) {
    const std::vector<int64_t>& syllables = facts[track].syllableTimes;
    int melody = -1;
    int mostOnNotes = 0;
    auto consider = [&](int candidate) {
        if (facts[candidate].noteTimes.empty())
            return;
        const int onNotes = CountOnNotes(syllables, facts[candidate].noteTimes);
        if (onNotes > mostOnNotes) {
            mostOnNotes = onNotes;
            melody = candidate;
        }
    };
    consider(track);
    for (int t = 0; t < static_cast<int>(facts.size()); ++t) {
        if (t != track)
            consider(t);
    }
    if (melody < 0)
        return std::nullopt;
    for (int64_t time : syllables) {
        if (OnNote(time, facts[melody].noteTimes))
            return time;
    }
    return std::nullopt;
}

// ---- Lines as the syllables they were built from

struct tSyllable {
    QString units;
    int64_t time; // ms of media time at which the wipe reaches the syllable
};

// Each timing inside a line's text starts a syllable; those at its end end the line.
struct tSungLine {
    int64_t start = 0;
    std::vector<tSyllable> syllables;
    std::vector<int64_t> endTimes;
};

tSungLine ReadSungLine(const tTimingsLineType& line, const tImportedText& text) {
    tSungLine sung;
    sung.start = line.LineRecord.LineStart();
    const QString units = text.LineUnits(line);
    sung.syllables.push_back({{}, sung.start});
    qsizetype begin = 0;
    int64_t previous = 0, wrapped = 0; // the import lets deltas wrap at 16 bits
    for (const tTimingRecord& timing : line.Timings()) {
        int64_t delta = timing.Delta() + wrapped;
        if (delta < previous) {
            wrapped += 65536;
            delta += 65536;
        }
        previous = delta;
        const int64_t time = sung.start + delta;
        const qsizetype position = timing.Position();
        if (position >= units.size()) {
            sung.endTimes.push_back(time);
        } else if (position <= begin) {
            sung.syllables.back().time = time;
        } else {
            sung.syllables.back().units = units.mid(begin, position - begin);
            sung.syllables.push_back({{}, time});
            begin = position;
        }
    }
    sung.syllables.back().units = units.mid(begin);
    return sung;
}

// Of timings that meet at one position the last is kept: the text after it waits for it.
void WriteSungLine(const tSungLine& sung, tTimingsLineType& line, const tImportedText& text) {
    QString units;
    std::vector<std::pair<qsizetype, int64_t>> timings;
    for (size_t i = 0; i < sung.syllables.size(); ++i) {
        const tSyllable& syllable = sung.syllables[i];
        if (i > 0 || syllable.time != sung.start)
            timings.emplace_back(units.size(), syllable.time);
        units += syllable.units;
    }
    for (int64_t end : sung.endTimes)
        timings.emplace_back(units.size(), end);

    text.SetLineText(line, units);
    line.LineRecord.setLineStart(static_cast<int32_t>(sung.start));
    line.ClearTimings();
    for (size_t k = 0; k < timings.size(); ++k) {
        if (k + 1 < timings.size() && timings[k + 1].first == timings[k].first)
            continue;
        line.AddTiming(MakeTiming(static_cast<uint8_t>(timings[k].first),
                                  static_cast<uint16_t>(timings[k].second - sung.start)));
    }
}

// ---- Credits before the first sung syllable

bool HasText(const std::vector<tSyllable>& syllables) {
    return std::any_of(syllables.begin(), syllables.end(),
                       [](const tSyllable& s) { return !TrimLyricText(s.units).isEmpty(); });
}

// The syllables of the first line that come before the first one sung become a line of their
// own, so that the song's first words are never wiped together with them.
void SetCreditsApart(tLyricsData& part, const std::vector<tTrackFacts>& facts, int track,
                     const tImportedText& text) {
    tTimingsLineType* first = part.GetLine(0);
    if (!first || part.LineCount() >= kMaxLinesPerPart)
        return;
    tSungLine sung = ReadSungLine(*first, text);
    if (sung.syllables.size() < 2)
        return;
    const std::optional<int64_t> firstSung = FirstSungTime(facts, track);
    if (!firstSung)
        return;
    const auto sungFrom = std::find_if(sung.syllables.begin(), sung.syllables.end(), [&](const tSyllable& s) {
        return s.time >= *firstSung - kRoundingSlack;
    });
    if (sungFrom == sung.syllables.begin() || sungFrom == sung.syllables.end())
        return;

    tSungLine credits, lyrics;
    credits.start = sung.start;
    credits.syllables.assign(sung.syllables.begin(), sungFrom);
    lyrics.syllables.assign(sungFrom, sung.syllables.end());
    lyrics.start = lyrics.syllables.front().time;
    lyrics.endTimes = sung.endTimes;
    if (!HasText(credits.syllables) || !HasText(lyrics.syllables))
        return;
    const tSyllable& lastCredit = credits.syllables.back();
    const int64_t lastDelta = credits.syllables.size() > 1 || lastCredit.time != credits.start
                                  ? lastCredit.time - credits.start
                                  : 0;
    credits.endTimes = {credits.start + LineEndDelta(lyrics.start - credits.start, lastDelta)};

    auto creditLine = std::make_unique<tTimingsLineType>(*first);
    WriteSungLine(credits, *creditLine, text);
    WriteSungLine(lyrics, *first, text);
    part.InsertLine(0, std::move(creditLine));
}

// ---- Syllable marks

bool BlankUnderscores(QString& units, const tImportedText& text) {
    bool changed = false;
    for (qsizetype i = 0; i < units.size(); ++i) {
        if (text.IsLeadUnit(units[i])) {
            ++i; // the trail byte of a double-byte character
        } else if (units[i] == u'_') {
            units[i] = u' ';
            changed = true;
        }
    }
    return changed;
}

enum class tSyllableMark { None, Joins, EndsWord };

// Takes a trailing "-" and the blanks before it off the syllable. A doubled dash is drawn.
tSyllableMark TakeSyllableMark(QString& units) {
    if (!units.endsWith(u'-') || units.endsWith(u"--"))
        return tSyllableMark::None;
    units.chop(1);
    qsizetype blanks = 0;
    while (!units.isEmpty() && IsBlankUnit(units.back())) {
        units.chop(1);
        ++blanks;
    }
    return blanks > 0 ? tSyllableMark::EndsWord : tSyllableMark::Joins;
}

bool MendSyllables(tSungLine& sung, const tImportedText& text) {
    bool changed = false;
    bool wordEnded = false;  // a syllable since the last text ended its word with " -"
    bool blankBefore = true; // the text so far ends with a blank (or there is none)
    for (size_t i = 0; i < sung.syllables.size(); ++i) {
        QString& units = sung.syllables[i].units;
        changed |= BlankUnderscores(units, text);
        const tSyllableMark mark = TakeSyllableMark(units);
        changed |= mark != tSyllableMark::None;
        if (wordEnded && !units.isEmpty()) {
            if (!blankBefore && !IsBlankUnit(units.front()))
                sung.syllables[i - 1].units += u' ';
            wordEnded = false;
        }
        if (!units.isEmpty())
            blankBefore = IsBlankUnit(units.back());
        wordEnded |= mark == tSyllableMark::EndsWord;
    }
    return changed;
}

void MendSyllables(tLyricsData& part, const tImportedText& text) {
    for (int l = 0; l < part.LineCount(); ++l) {
        tTimingsLineType& line = *part.GetLine(l);
        tSungLine sung = ReadSungLine(line, text);
        if (MendSyllables(sung, text))
            WriteSungLine(sung, line, text);
    }
}

// ---- Parts that sing the same words

struct tWord {
    QString letters;          // case-folded letters and digits
    int64_t earliest, latest; // when the wipe may reach its first letter
};

// Scripts written without blanks between words: each character counts as a word.
bool IsWordOfItsOwn(QChar c) {
    switch (c.script()) {
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Thai:
    case QChar::Script_Lao:
    case QChar::Script_Khmer:
    case QChar::Script_Myanmar: return true;
    default: return false;
    }
}

// A part's words in order; punctuation is left out, blanks and line ends part words.
std::vector<tWord> WordsOf(const tLyricsData& part, const tImportedText& text) {
    std::vector<tWord> words;
    for (int l = 0; l < part.LineCount(); ++l) {
        const tSungLine sung = ReadSungLine(*part.GetLine(l), text);
        bool inWord = false;
        for (size_t i = 0; i < sung.syllables.size(); ++i) {
            const tSyllable& syllable = sung.syllables[i];
            const int64_t next = i + 1 < sung.syllables.size() ? sung.syllables[i + 1].time
                                 : sung.endTimes.empty()       ? syllable.time
                                                               : sung.endTimes.front();
            bool letterSeen = false;
            for (QChar c : text.Readable(syllable.units)) {
                if (!c.isLetterOrNumber()) {
                    inWord = inWord && !(c.isSpace() || IsBlankUnit(c));
                    continue;
                }
                if (!inWord || IsWordOfItsOwn(c)) {
                    const int64_t latest = letterSeen ? std::max(next, syllable.time) : syllable.time;
                    words.push_back({{}, syllable.time, latest});
                }
                words.back().letters += c.toCaseFolded();
                inWord = !IsWordOfItsOwn(c);
                letterSeen = true;
            }
        }
    }
    return words;
}

bool SameWord(const tWord& a, const tWord& b) {
    return a.letters == b.letters && a.earliest <= b.latest + kSameWordSlack &&
           b.earliest <= a.latest + kSameWordSlack;
}

// How many words of `a` the other part sings too, in order and at about the same time.
int WordsSungByBoth(const std::vector<tWord>& a, const std::vector<tWord>& b) {
    int both = 0;
    size_t from = 0;
    for (const tWord& word : a) {
        while (from < b.size() && b[from].latest + kSameWordSlack < word.earliest)
            ++from;
        for (size_t k = from;
             k < b.size() && k - from < kWordSearchSteps && b[k].earliest <= word.latest + kSameWordSlack;
             ++k) {
            if (SameWord(word, b[k])) {
                ++both;
                from = k + 1;
                break;
            }
        }
    }
    return both;
}

bool SingTheSameWords(const std::vector<tWord>& a, const std::vector<tWord>& b) {
    if (a.empty() || b.empty())
        return false;
    const int64_t both = WordsSungByBoth(a, b);
    return both * 100 >= kSameWordsPercent * static_cast<int64_t>(a.size()) &&
           both * 100 >= kSameWordsPercent * static_cast<int64_t>(b.size());
}

int TimingCount(const tLyricsData& part) {
    int count = 0;
    for (int l = 0; l < part.LineCount(); ++l)
        count += part.GetLine(l)->TimingCount();
    return count;
}

QString PartName(const tLyricsData& part) { return FromSystemCodePage(part.PartRecord.PartName()); }

std::vector<tMergedParts> MergeSameParts(tLyrimoData& song, const std::vector<int>& partTracks,
                                         const std::vector<tTrackFacts>& facts, const tImportedText& text) {
    const int count = song.PartCount();
    std::vector<std::vector<tWord>> words;
    for (int p = 0; p < count; ++p)
        words.push_back(WordsOf(*song.GetPart(p), text));
    std::vector<int> group(count);
    std::iota(group.begin(), group.end(), 0);
    for (int p = 0; p < count; ++p) {
        for (int q = 0; q < p && group[p] == p; ++q) {
            if (SingTheSameWords(words[q], words[p]))
                group[p] = group[q];
        }
    }

    // Syllable-level timings beat word-level ones; between equals a text-event track wins.
    auto rank = [&](int p) {
        const size_t track = static_cast<size_t>(partTracks[p]);
        const bool textTrack = track < facts.size() && facts[track].textEvents > facts[track].lyricEvents;
        return std::make_pair(TimingCount(*song.GetPart(p)), textTrack);
    };
    std::vector<tMergedParts> merged;
    std::vector<int> dropped;
    for (int leader = 0; leader < count; ++leader) {
        std::vector<int> members;
        for (int p = 0; p < count; ++p) {
            if (group[p] == leader)
                members.push_back(p);
        }
        if (members.size() < 2)
            continue;
        const int kept = *std::max_element(members.begin(), members.end(),
                                           [&](int a, int b) { return rank(a) < rank(b); });
        tMergedParts result{PartName(*song.GetPart(kept)), {}};
        for (int p : members) {
            if (p != kept) {
                result.dropped << PartName(*song.GetPart(p));
                dropped.push_back(p);
            }
        }
        merged.push_back(result);
    }
    std::sort(dropped.rbegin(), dropped.rend());
    for (int p : dropped)
        song.DeletePart(p);
    return merged;
}

} // namespace

std::vector<tMergedParts> CleanUpMidiLyrics(tLyrimoData& song, std::vector<int> partTracks,
                                            const MidiType& midi, const tImportedText& text) {
    if (static_cast<int>(partTracks.size()) != song.PartCount())
        return {};
    const std::vector<tTrackFacts> facts = ReadTrackFacts(midi, tTempoMap(midi));
    for (int p = 0; p < song.PartCount(); ++p) {
        const int track = partTracks[p];
        if (track >= 0 && track < static_cast<int>(facts.size()))
            SetCreditsApart(*song.GetPart(p), facts, track, text);
        MendSyllables(*song.GetPart(p), text);
    }
    return MergeSameParts(song, partTracks, facts, text);
}

QString MergedPartsNote(const std::vector<tMergedParts>& merged) {
    if (merged.empty())
        return {};
    auto quoted = [](const QString& name) { return "\"" + name + "\""; };
    QStringList groups;
    for (const tMergedParts& m : merged) {
        QStringList dropped;
        for (const QString& name : m.dropped)
            dropped << quoted(name);
        groups << dropped.join(", ") + " " + Translate("into") + " " + quoted(m.kept);
    }
    return ". " + Translate("Parts that sang the same words were merged") + ": " + groups.join("; ");
}

} // namespace lyrimo

// Karaoke MIDI files made the way files found in the wild are: lyrics repeated in a text
// track and two lyric tracks, syllables marked with hyphens, credits before the first sung
// note. At 96 ticks a quarter and 960000 microseconds a quarter, a tick is 10 ms.
#pragma once

#include "smf_builder.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace lyrimo::test {

// Events at absolute ticks, written as one track in tick order.
class tTimeline {
public:
    using tSyllables = std::vector<std::pair<uint32_t, QByteArray>>;

    tTimeline& Name(const QByteArray& name) { return Meta(0, 0x03, name); }
    tTimeline& Tempo(uint32_t tick, uint32_t microsecondsPerQuarter) {
        return Meta(tick, 0x51, BigEndian(microsecondsPerQuarter, 3));
    }
    tTimeline& Lyric(uint32_t tick, const QByteArray& text) { return Meta(tick, 0x05, text); }
    tTimeline& Text(uint32_t tick, const QByteArray& text) { return Meta(tick, 0x01, text); }
    tTimeline& Note(uint32_t tick, int key, int channel = 0) {
        events_.push_back({tick, -1, {}, {0x90 | channel, key, 100}});
        events_.push_back({tick + 15, -1, {}, {0x80 | channel, key, 0}});
        return *this;
    }
    // Lyric events, each sung on a note of its own when `withNotes`.
    tTimeline& Sing(const tSyllables& syllables, bool withNotes = true) {
        int key = 0;
        for (const auto& [tick, text] : syllables) {
            Lyric(tick, text);
            if (withNotes)
                Note(tick, 60 + key++ % 12);
        }
        return *this;
    }
    tTimeline& Write(const tSyllables& syllables) {
        for (const auto& [tick, text] : syllables)
            Text(tick, text);
        return *this;
    }

    tSmfTrack Track() const {
        std::vector<tEvent> events = events_;
        std::stable_sort(events.begin(), events.end(),
                         [](const tEvent& a, const tEvent& b) { return a.tick < b.tick; });
        tSmfTrack track;
        uint32_t at = 0;
        for (const tEvent& e : events) {
            if (e.metaType < 0)
                track.Raw(e.tick - at, {e.channelBytes[0], e.channelBytes[1], e.channelBytes[2]});
            else
                track.Meta(e.tick - at, e.metaType, e.bytes);
            at = e.tick;
        }
        track.End();
        return track;
    }

private:
    struct tEvent {
        uint32_t tick;
        int metaType; // -1 for a channel event
        QByteArray bytes;
        std::array<int, 3> channelBytes;
    };
    tTimeline& Meta(uint32_t tick, int type, const QByteArray& data) {
        events_.push_back({tick, type, data, {}});
        return *this;
    }
    std::vector<tEvent> events_;
};

inline tSmfTrack Conductor() { return tTimeline().Name("Morning Light").Tempo(0, 960000).Track(); }

// Chords from the first tick, on the beats, as an accompaniment plays them; drums on every
// syllable's tick.
inline tSmfTrack Accompaniment() {
    tTimeline piano;
    piano.Name("Piano");
    for (uint32_t tick = 0; tick <= 800; tick += 96)
        piano.Note(tick, 48, 1).Note(tick, 52, 1).Note(tick, 55, 1);
    for (uint32_t tick = 0; tick <= 800; tick += 20)
        piano.Note(tick, 36, 9);
    return piano.Track();
}

inline QByteArray KaraokeFile(QList<tSmfTrack> tracks) {
    tracks.prepend(Conductor());
    tracks << Accompaniment();
    return Smf(tracks, 96);
}

// "Look at the morning light / Showing us the way" three times: word by word in a text
// track, syllable by syllable in a lyric track, and word by word in upper case with the
// line broken elsewhere in another lyric track.
inline QByteArray RepeatedLyrics() {
    tTimeline words, melody, lyrics;
    words.Name("Words").Text(0, "@KMIDI KARAOKE FILE").Text(0, "@TMorning Light");
    words.Write({{200, "\\Look"},
                 {220, " at"},
                 {240, " the"},
                 {260, " morning"},
                 {300, " light"},
                 {400, "/Showing"},
                 {440, " us"},
                 {460, " the"},
                 {480, " way"}});
    melody.Name("Melody").Sing({{200, "Look "},
                                {220, "at "},
                                {240, "the "},
                                {260, "mor"},
                                {280, "ning "},
                                {300, "light."},
                                {400, "/Show"},
                                {420, "ing "},
                                {440, "us "},
                                {460, "the "},
                                {480, "way!"}});
    lyrics.Name("Lyrics").Sing({{200, "LOOK "},
                                {220, "AT "},
                                {240, "THE "},
                                {260, "MORNING"},
                                {300, "\rLIGHT, "},
                                {400, "SHOWING "},
                                {440, "US "},
                                {460, "THE "},
                                {480, "WAY"}},
                               false);
    return KaraokeFile({words.Track(), melody.Track(), lyrics.Track()});
}

// The same words word by word in a lyric track and then a text track: as many timings each.
inline QByteArray EvenlyTimedRepeat() {
    tTimeline vocal, words;
    vocal.Name("Vocal").Sing({{200, "Look "},
                              {220, "at "},
                              {240, "the "},
                              {260, "morning "},
                              {300, "light"},
                              {400, "/Showing "},
                              {440, "us "},
                              {460, "the "},
                              {480, "way"}});
    words.Name("Words").Write({{200, "Look"},
                               {220, " at,"},
                               {240, " the"},
                               {260, " morning"},
                               {300, " light"},
                               {400, "/Showing"},
                               {440, " us"},
                               {460, " the"},
                               {480, " way."}});
    return KaraokeFile({vocal.Track(), words.Track()});
}

// Two singers: with `echo` the second sings the first one's words a second later and adds
// "Oh yeah", else other words at the same times.
inline QByteArray Duet(bool echo) {
    tTimeline him, her;
    const tTimeline::tSyllables first = {{200, "Look "},    {220, "at "},   {240, "the "},
                                         {260, "morning "}, {300, "light"}, {400, "/Showing "},
                                         {440, "us "},      {460, "the "},  {480, "way"}};
    tTimeline::tSyllables second = {{200, "Hear "}, {220, "the "},  {240, "birds "},
                                    {260, "in "},   {300, "trees"}, {400, "/Singing "},
                                    {440, "a "},    {460, "new "},  {480, "day"}};
    if (echo) {
        second = first;
        for (auto& [tick, text] : second)
            tick += 100;
        second.insert(second.end(), {{700, "/Oh "}, {720, "yeah"}});
    }
    him.Name("Him").Sing(first);
    her.Name("Her").Sing(second);
    return KaraokeFile({him.Track(), her.Track()});
}

// Syllables that mark a word going on, or ending, with a trailing hyphen, and words tied on
// one note with "_".
inline QByteArray HyphenatedSyllables() {
    tTimeline melody;
    melody.Name("Melody").Sing({{200, "Look -"},
                                {220, "at -"},
                                {240, "the -"},
                                {260, "mor-"},
                                {280, "ning -"},
                                {300, "light"},
                                {400, "/Show-"},
                                {420, "ing"},
                                {440, " the"},
                                {460, " e-mail"},
                                {480, " in"},
                                {500, " my"},
                                {520, " face-"},
                                {600, "/Tu "},
                                {620, "dia"},
                                {640, "rio_en "},
                                {660, "la "},
                                {680, "ma-"},
                                {700, "no"}});
    return KaraokeFile({melody.Track()});
}

// A credit at the first tick, before the first sung note and without a line break after it:
// in the lyric track that holds the notes, or (Soft Karaoke style) in a text track whose
// melody plays in a track of its own.
inline QByteArray CreditsBeforeTheFirstNote(bool textTrack) {
    const QByteArray credit = "Secuenciado por L. Autor";
    const tTimeline::tSyllables song = {{200, "Te "}, {220, "re"},  {240, "ga"}, {260, "lo "}, {280, "mi "},
                                        {300, "cin"}, {320, "tu"},  {340, "ra"}, {400, "/Y "}, {420, "no "},
                                        {440, "me "}, {460, "lo "}, {480, "di"}, {500, "ces"}};
    tTimeline lyrics, melody;
    if (!textTrack) {
        lyrics.Name("Melody").Lyric(0, credit).Sing(song);
        return KaraokeFile({lyrics.Track()});
    }
    lyrics.Name("Words").Text(0, "@KMIDI KARAOKE FILE").Text(0, "@TTe regalo").Text(0, credit).Write(song);
    melody.Name("Melody");
    for (const auto& [tick, text] : song)
        melody.Note(tick, 64);
    return KaraokeFile({lyrics.Track(), melody.Track()});
}

} // namespace lyrimo::test

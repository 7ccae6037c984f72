// The singer queue of a karaoke party: guests join by name and request songs, and the songs are
// taken in rotation, one per singer in turn, so that nobody sings twice before everyone who is
// waiting has sung once.
//
// The singers are kept in the order of their coming turns: the first is the next to sing (if
// they have a song and are not paused), and after a song is taken the singer who sang moves to
// the end. A new singer therefore joins at the end of the round, just before the singer who sang
// last comes round again.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace lyrimo {

inline constexpr int kMaxSingerNameLength = 40;
inline constexpr int kMinKeyShift = -6;
inline constexpr int kMaxKeyShift = 6;

// One requested song. The id is what remote clients name the entry by; the path never leaves
// the program.
struct tQueueEntry {
    QString id;           // 16 hex digits from the system's random source
    QString songFile;     // absolute path of the song file
    int keyShift = 0;     // semitones, kMinKeyShift..kMaxKeyShift
    int64_t lengthMs = 0; // the song's length, 0 when not known
};

struct tSinger {
    QString name; // trimmed, as first given
    bool paused = false;
    std::vector<tQueueEntry> entries; // in the order the singer will sing them
};

// The song "next" took, with the name of its singer.
struct tTakenEntry {
    QString singer;
    tQueueEntry entry;
};

// How long a singer waits: the songs that play before their next one. waitMs counts only the
// known lengths; complete is false when some of those songs have no known length.
struct tSingerWait {
    QString singer;
    int songsBefore = 0;
    int64_t waitMs = 0;
    bool complete = true;
};

// Why a name cannot be a singer's (after trimming: empty, longer than kMaxSingerNameLength
// characters, or holding control characters); empty when it can.
QString SingerNameProblem(const QString& name);

class tSingerQueue {
public:
    // The singers in the order of their coming turns.
    const std::vector<tSinger>& Singers() const { return singers_; }
    const tSinger* FindSinger(const QString& name) const;
    const tQueueEntry* FindEntry(const QString& id) const;
    bool Empty() const { return singers_.empty(); }

    // Adds a song for the singer, who joins the queue if new. The entry's id, or empty with
    // *why set when the name or key is not acceptable.
    QString AddEntry(const QString& singer, const QString& songFile, int keyShift, int64_t lengthMs,
                     QString* why = nullptr);
    // Takes the next song: the first song of the first singer in turn who has one and is not
    // paused. That singer then goes to the end of the turns; the singers passed over keep their
    // places ahead of them.
    std::optional<tTakenEntry> TakeNext();
    // What TakeNext would take, leaving the queue as it is.
    std::optional<tTakenEntry> PeekNext() const;

    // The host's changes; each is false when the singer or entry is not there.
    bool MoveSinger(const QString& name, int position); // 0 is the next turn
    bool MoveEntry(const QString& id, int position);    // within its singer's list
    bool RemoveEntry(const QString& id);
    bool RemoveSinger(const QString& name);
    bool SetPaused(const QString& name, bool paused);
    bool SetKeyShift(const QString& id, int keyShift);
    // Passes over the song that would be taken next: it moves to the end of its singer's list
    // and the turn goes on to the next singer, as if that singer had sung. Their song stays
    // requested for their next turn. False when nobody has a song.
    bool SkipNext();

    // The wait of every singer who has a next song (not paused, with entries), in turn order.
    std::vector<tSingerWait> Waits() const;

    // The plain JSON form of the file, and reading it back. Reading keeps what it can of a
    // damaged text and notes in *problems what it left out; it never fails outright.
    QByteArray ToJson() const;
    static tSingerQueue FromJson(const QByteArray& bytes, QStringList* problems = nullptr);

private:
    int IndexOfSinger(const QString& name) const;
    int FirstSingerInTurn() const;
    void EndTurnOf(int index);
    QString NewEntryId() const;
    tQueueEntry* EntryById(const QString& id, tSinger** owner = nullptr);

    std::vector<tSinger> singers_;
    // The singer who sang last, who stays at the end of the turns until others join before them.
    QString lastSinger_;
};

// Where the program keeps its singer queue: "singer-queue.json" in the program's data folder.
QString SingerQueueFile();
// Reads the queue file. A file that is missing gives an empty queue; a damaged one gives what
// could be read, with the reasons in *problems.
tSingerQueue LoadSingerQueue(const QString& file, QStringList* problems = nullptr);
// Writes the whole file at once, so that a save cut short leaves the previous file whole.
bool SaveSingerQueue(const tSingerQueue& queue, const QString& file, QString* error = nullptr);

} // namespace lyrimo

#include "playlist/singer_queue.h"

#include "app/atomic_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>

namespace lyrimo {
namespace {

constexpr const char* kFormatName = "lyrimo-singer-queue";
constexpr int kFormatVersion = 1;

bool SameName(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

bool IsEntryId(const QString& id) {
    static const QRegularExpression pattern("^[0-9a-f]{16}$");
    return pattern.match(id).hasMatch();
}

bool KeyShiftFits(int keyShift) { return keyShift >= kMinKeyShift && keyShift <= kMaxKeyShift; }

bool CanSing(const tSinger& singer) { return !singer.paused && !singer.entries.empty(); }

QJsonObject EntryToJson(const tQueueEntry& entry) {
    return {{"id", entry.id},
            {"song", entry.songFile},
            {"key", entry.keyShift},
            {"lengthMs", static_cast<double>(entry.lengthMs)}};
}

QJsonObject SingerToJson(const tSinger& singer) {
    QJsonArray entries;
    for (const tQueueEntry& entry : singer.entries)
        entries.append(EntryToJson(entry));
    return {{"name", singer.name}, {"paused", singer.paused}, {"entries", entries}};
}

} // namespace

QString SingerNameProblem(const QString& name) {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return "a singer's name cannot be empty";
    if (trimmed.toUcs4().size() > kMaxSingerNameLength)
        return QString("a singer's name can have at most %1 characters").arg(kMaxSingerNameLength);
    for (const QChar c : trimmed)
        if (c.category() == QChar::Other_Control)
            return "a singer's name cannot hold control characters";
    return {};
}

int tSingerQueue::IndexOfSinger(const QString& name) const {
    const QString trimmed = name.trimmed();
    for (size_t i = 0; i < singers_.size(); ++i)
        if (SameName(singers_[i].name, trimmed))
            return static_cast<int>(i);
    return -1;
}

const tSinger* tSingerQueue::FindSinger(const QString& name) const {
    const int index = IndexOfSinger(name);
    return index < 0 ? nullptr : &singers_[index];
}

tQueueEntry* tSingerQueue::EntryById(const QString& id, tSinger** owner) {
    for (tSinger& singer : singers_)
        for (tQueueEntry& entry : singer.entries)
            if (entry.id == id) {
                if (owner)
                    *owner = &singer;
                return &entry;
            }
    return nullptr;
}

const tQueueEntry* tSingerQueue::FindEntry(const QString& id) const {
    return const_cast<tSingerQueue*>(this)->EntryById(id);
}

QString tSingerQueue::NewEntryId() const {
    for (;;) {
        const quint64 bits = QRandomGenerator::system()->generate64();
        const QString id = QString("%1").arg(bits, 16, 16, QChar('0'));
        if (!FindEntry(id))
            return id;
    }
}

QString tSingerQueue::AddEntry(const QString& singer, const QString& songFile, int keyShift, int64_t lengthMs,
                               QString* why) {
    QString problem = SingerNameProblem(singer);
    if (problem.isEmpty() && !KeyShiftFits(keyShift))
        problem =
            QString("the key change must be within %1 and +%2 semitones").arg(kMinKeyShift).arg(kMaxKeyShift);
    if (!problem.isEmpty()) {
        if (why)
            *why = problem;
        return {};
    }
    int index = IndexOfSinger(singer);
    if (index < 0) {
        // The singer who sang last stays last, so the newcomer sings before them.
        const bool lastIsLastSinger = !singers_.empty() && SameName(singers_.back().name, lastSinger_);
        index = static_cast<int>(singers_.size()) - (lastIsLastSinger ? 1 : 0);
        singers_.insert(singers_.begin() + index, tSinger{singer.trimmed(), false, {}});
    }
    tQueueEntry entry{NewEntryId(), songFile, keyShift, std::max<int64_t>(lengthMs, 0)};
    singers_[index].entries.push_back(entry);
    return entry.id;
}

int tSingerQueue::FirstSingerInTurn() const {
    for (size_t i = 0; i < singers_.size(); ++i)
        if (CanSing(singers_[i]))
            return static_cast<int>(i);
    return -1;
}

// The singer at index had their turn: the turns go on with the singer after them, and the
// singers passed over before them wait behind them as before, the order being a circle.
void tSingerQueue::EndTurnOf(int index) {
    std::rotate(singers_.begin(), singers_.begin() + index + 1, singers_.end());
    lastSinger_ = singers_.back().name;
}

std::optional<tTakenEntry> tSingerQueue::PeekNext() const {
    const int index = FirstSingerInTurn();
    if (index < 0)
        return std::nullopt;
    return tTakenEntry{singers_[index].name, singers_[index].entries.front()};
}

std::optional<tTakenEntry> tSingerQueue::TakeNext() {
    const int index = FirstSingerInTurn();
    if (index < 0)
        return std::nullopt;
    tSinger& singer = singers_[index];
    tTakenEntry taken{singer.name, singer.entries.front()};
    singer.entries.erase(singer.entries.begin());
    EndTurnOf(index);
    return taken;
}

bool tSingerQueue::SkipNext() {
    const int index = FirstSingerInTurn();
    if (index < 0)
        return false;
    auto& entries = singers_[index].entries;
    std::rotate(entries.begin(), entries.begin() + 1, entries.end());
    EndTurnOf(index);
    return true;
}

bool tSingerQueue::MoveSinger(const QString& name, int position) {
    const int from = IndexOfSinger(name);
    if (from < 0)
        return false;
    tSinger singer = std::move(singers_[from]);
    singers_.erase(singers_.begin() + from);
    position = std::clamp(position, 0, static_cast<int>(singers_.size()));
    singers_.insert(singers_.begin() + position, std::move(singer));
    return true;
}

bool tSingerQueue::MoveEntry(const QString& id, int position) {
    tSinger* owner = nullptr;
    const tQueueEntry* found = EntryById(id, &owner);
    if (!found)
        return false;
    auto& entries = owner->entries;
    const auto from = entries.begin() + (found - entries.data());
    tQueueEntry entry = *from;
    entries.erase(from);
    position = std::clamp(position, 0, static_cast<int>(entries.size()));
    entries.insert(entries.begin() + position, entry);
    return true;
}

bool tSingerQueue::RemoveEntry(const QString& id) {
    tSinger* owner = nullptr;
    const tQueueEntry* found = EntryById(id, &owner);
    if (!found)
        return false;
    owner->entries.erase(owner->entries.begin() + (found - owner->entries.data()));
    return true;
}

// The others keep their order, so the turns go on with the singer after the one removed; a
// singer who joins afterwards joins at the end.
bool tSingerQueue::RemoveSinger(const QString& name) {
    const int index = IndexOfSinger(name);
    if (index < 0)
        return false;
    if (SameName(singers_[index].name, lastSinger_))
        lastSinger_.clear();
    singers_.erase(singers_.begin() + index);
    return true;
}

bool tSingerQueue::SetPaused(const QString& name, bool paused) {
    const int index = IndexOfSinger(name);
    if (index < 0)
        return false;
    singers_[index].paused = paused;
    return true;
}

bool tSingerQueue::SetKeyShift(const QString& id, int keyShift) {
    tQueueEntry* entry = EntryById(id);
    if (!entry || !KeyShiftFits(keyShift))
        return false;
    entry->keyShift = keyShift;
    return true;
}

std::vector<tSingerWait> tSingerQueue::Waits() const {
    std::vector<tSingerWait> waits;
    tSingerWait running;
    for (const tSinger& singer : singers_) {
        if (!CanSing(singer))
            continue;
        running.singer = singer.name;
        waits.push_back(running);
        const int64_t length = singer.entries.front().lengthMs;
        ++running.songsBefore;
        running.waitMs += length;
        running.complete = running.complete && length > 0;
    }
    return waits;
}

QByteArray tSingerQueue::ToJson() const {
    QJsonArray singers;
    for (const tSinger& singer : singers_)
        singers.append(SingerToJson(singer));
    const QJsonObject root{{"format", kFormatName},
                           {"version", kFormatVersion},
                           {"lastSinger", lastSinger_},
                           {"singers", singers}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

namespace {

// One entry of the file; nullopt, with the reason, when it cannot be used.
std::optional<tQueueEntry> EntryFromJson(const QJsonValue& value, const tSingerQueue& queue, QString& why) {
    const QJsonObject object = value.toObject();
    tQueueEntry entry{object["id"].toString(), object["song"].toString(), object["key"].toInt(0),
                      static_cast<int64_t>(object["lengthMs"].toDouble(0))};
    if (!IsEntryId(entry.id) || queue.FindEntry(entry.id))
        why = "an entry with a missing, malformed or repeated id";
    else if (entry.songFile.isEmpty())
        why = "an entry without a song file";
    else if (!object["key"].isDouble() || !KeyShiftFits(entry.keyShift))
        why = "an entry with a key change outside " + QString::number(kMinKeyShift) + "..+" +
              QString::number(kMaxKeyShift);
    if (!why.isEmpty())
        return std::nullopt;
    entry.lengthMs = std::max<int64_t>(entry.lengthMs, 0);
    return entry;
}

} // namespace

tSingerQueue tSingerQueue::FromJson(const QByteArray& bytes, QStringList* problems) {
    tSingerQueue queue;
    const auto note = [&](const QString& problem) {
        if (problems)
            *problems << problem;
    };
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    const QJsonObject root = document.object();
    if (error.error != QJsonParseError::NoError) {
        note("the queue file is damaged (" + error.errorString() + " at byte " +
             QString::number(error.offset) + "); starting with an empty queue");
        return queue;
    }
    if (root["format"].toString() != kFormatName || root["version"].toInt() != kFormatVersion) {
        note("the file is not a singer queue of a version this program reads; starting with an empty queue");
        return queue;
    }
    for (const QJsonValue& value : root["singers"].toArray()) {
        const QJsonObject object = value.toObject();
        const QString name = object["name"].toString();
        if (const QString problem = SingerNameProblem(name); !problem.isEmpty()) {
            note("left out a singer: " + problem);
            continue;
        }
        if (queue.IndexOfSinger(name) >= 0) {
            note("left out a second singer named " + name.trimmed());
            continue;
        }
        tSinger singer{name.trimmed(), object["paused"].toBool(), {}};
        queue.singers_.push_back(singer);
        for (const QJsonValue& entryValue : object["entries"].toArray()) {
            QString why;
            if (auto entry = EntryFromJson(entryValue, queue, why))
                queue.singers_.back().entries.push_back(*entry);
            else
                note("left out " + why + " of " + singer.name);
        }
    }
    queue.lastSinger_ = root["lastSinger"].toString();
    return queue;
}

QString SingerQueueFile() {
    // The same folder whether the desktop program or lyrimo-cli asks, whatever each calls itself.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return data + "/Pellix Software/Lyrimo/singer-queue.json";
}

tSingerQueue LoadSingerQueue(const QString& file, QStringList* problems) {
    QFile input(file);
    if (!input.exists())
        return {};
    if (!input.open(QIODevice::ReadOnly)) {
        if (problems)
            *problems << "cannot read " + file + ": " + input.errorString() +
                             "; starting with an empty queue";
        return {};
    }
    return tSingerQueue::FromJson(input.readAll(), problems);
}

bool SaveSingerQueue(const tSingerQueue& queue, const QString& file, QString* error) {
    const QString folder = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = "cannot make the folder " + folder;
        return false;
    }
    return WriteFileAtomically(file, queue.ToJson(), error);
}

} // namespace lyrimo

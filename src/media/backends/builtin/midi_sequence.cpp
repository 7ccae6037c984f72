#include "media/backends/builtin/midi_sequence.h"

#include "app/app_services.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace lyrimo {
namespace {

uint32_t Be32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}
uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[1]) << 8 | p[0];
}
uint16_t Be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// An event before its time is known: ticks, and the tempo for tempo changes.
struct tTickEvent {
    int64_t tick;
    int order;      // keeps events of the same tick in file order
    uint32_t tempo; // microseconds per quarter note; 0 for anything but a tempo change
    tMidiEvent event;
};

// The bytes of the standard MIDI file inside a RIFF "RMID" wrapper, or the bytes themselves.
QByteArray Unwrap(const QByteArray& bytes) {
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "RMID")
        return bytes;
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    int64_t pos = 12;
    while (pos + 8 <= bytes.size()) {
        const int64_t size = Le32(data + pos + 4);
        if (bytes.mid(pos, 4) == "data")
            return bytes.mid(pos + 8,
                             static_cast<qsizetype>(std::min<int64_t>(size, bytes.size() - pos - 8)));
        pos += 8 + size + (size & 1);
    }
    return {};
}

class tTrackReader {
public:
    tTrackReader(const uint8_t* data, int64_t size, std::vector<tTickEvent>& out, int& order)
        : p_(data), end_(data + size), out_(out), order_(order) {}

    // Reads events until the end of the track, or until the track breaks off.
    void Read() {
        uint8_t running = 0;
        while (p_ < end_ && out_.size() < kMaxMidiEvents) {
            uint32_t delta;
            if (!VarLen(delta))
                return;
            tick_ += delta;
            lastTick_ = tick_;
            uint8_t status = *p_;
            if (status & 0x80)
                ++p_;
            else if (running)
                status = running;
            else
                return; // data without a status
            if (status < 0xF0) {
                running = status;
                if (!ChannelMessage(status))
                    return;
            } else if (status == 0xFF) {
                running = 0;
                if (!Meta())
                    return;
            } else if (status == 0xF0 || status == 0xF7) {
                running = 0;
                if (!SystemExclusive(status))
                    return;
            } else {
                return; // not allowed in a file
            }
        }
    }

    int64_t LastTick() const { return lastTick_; }
    bool Ended() const { return ended_; }

private:
    bool VarLen(uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            if (p_ >= end_)
                return false;
            const uint8_t byte = *p_++;
            value = value << 7 | (byte & 0x7F);
            if (!(byte & 0x80))
                return true;
        }
        return false;
    }

    void Add(uint8_t status, uint8_t d1, uint8_t d2, uint32_t tempo = 0, std::vector<uint8_t> sysex = {}) {
        tTickEvent e{tick_, order_++, tempo, {}};
        e.event.status = status;
        e.event.data1 = d1;
        e.event.data2 = d2;
        e.event.sysex = std::move(sysex);
        out_.push_back(std::move(e));
    }

    bool ChannelMessage(uint8_t status) {
        const int length = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
        if (end_ - p_ < length)
            return false;
        const uint8_t d1 = p_[0] & 0x7F;
        const uint8_t d2 = length == 2 ? p_[1] & 0x7F : 0;
        p_ += length;
        Add(status, d1, d2);
        return true;
    }

    bool Meta() {
        if (p_ >= end_)
            return false;
        const uint8_t type = *p_++;
        uint32_t length;
        if (!VarLen(length) || length > static_cast<uint64_t>(end_ - p_))
            return false;
        if (type == 0x51 && length == 3) {
            const uint32_t tempo =
                static_cast<uint32_t>(p_[0]) << 16 | static_cast<uint32_t>(p_[1]) << 8 | p_[2];
            if (tempo > 0)
                Add(0xFF, 0, 0, tempo);
        }
        p_ += length;
        if (type == 0x2F) {
            ended_ = true;
            p_ = end_;
        }
        return true;
    }

    bool SystemExclusive(uint8_t status) {
        uint32_t length;
        if (!VarLen(length) || length > static_cast<uint64_t>(end_ - p_))
            return false;
        // A 0xF7 packet continues or escapes a message; only whole messages go to the synthesizer.
        if (status == 0xF0) {
            std::vector<uint8_t> data(p_, p_ + length);
            if (!data.empty() && data.back() == 0xF7)
                data.pop_back();
            Add(0xF0, 0, 0, 0, std::move(data));
        }
        p_ += length;
        return true;
    }

    const uint8_t* p_;
    const uint8_t* end_;
    std::vector<tTickEvent>& out_;
    int& order_;
    int64_t tick_ = 0;
    int64_t lastTick_ = 0;
    bool ended_ = false;
};

} // namespace

bool LooksLikeMidi(const QByteArray& head) {
    return head.startsWith("MThd") || (head.startsWith("RIFF") && head.mid(8, 4) == "RMID");
}

bool IsMidiFile(const QString& fileName) {
    static const QStringList kMidiSuffixes = {"mid", "midi", "rmi", "kar", "smf"};
    if (kMidiSuffixes.contains(QFileInfo(fileName).suffix(), Qt::CaseInsensitive))
        return true;
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) && LooksLikeMidi(file.read(12));
}

bool ReadMidiSequence(const QByteArray& fileBytes, tMidiSequence& sequence, QString& reason) {
    sequence = {};
    const QByteArray bytes = Unwrap(fileBytes);
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    const int64_t size = bytes.size();
    if (size < 14 || !bytes.startsWith("MThd") || Be32(data + 4) < 6) {
        reason = Translate("the file is not a MIDI file");
        return false;
    }
    const uint16_t division = Be16(data + 12);
    if (division == 0) {
        reason = Translate("the file is damaged");
        return false;
    }
    std::vector<tTickEvent> events;
    int order = 0;
    int64_t lastTick = 0;
    int tracksRead = 0;
    int64_t pos = 8 + static_cast<int64_t>(Be32(data + 4));
    // Every track chunk counts, whatever the header's count says.
    while (pos + 8 <= size) {
        const int64_t length = std::min<int64_t>(Be32(data + pos + 4), size - pos - 8);
        if (bytes.mid(pos, 4) == "MTrk") {
            tTrackReader track(data + pos + 8, length, events, order);
            track.Read();
            lastTick = std::max(lastTick, track.LastTick());
            ++tracksRead;
        }
        pos += 8 + length;
    }
    if (tracksRead == 0) {
        reason = Translate("the file holds no MIDI tracks");
        return false;
    }
    std::stable_sort(events.begin(), events.end(), [](const tTickEvent& a, const tTickEvent& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });

    // Ticks to seconds: SMPTE timing has fixed ticks per second; otherwise the tempo (120 beats a
    // minute until the first tempo change) sets the length of a quarter note's ticks.
    const bool smpte = division & 0x8000;
    const double smpteTicksPerSecond =
        smpte ? -static_cast<int8_t>(division >> 8) * double(division & 0xFF) : 0;
    if (smpte && smpteTicksPerSecond <= 0) {
        reason = Translate("the file is damaged");
        return false;
    }
    double secondsPerTick = smpte ? 1.0 / smpteTicksPerSecond : 0.5 / division;
    double seconds = 0;
    int64_t tick = 0;
    sequence.events.reserve(events.size());
    for (tTickEvent& e : events) {
        seconds += static_cast<double>(e.tick - tick) * secondsPerTick;
        tick = e.tick;
        if (e.tempo) {
            if (!smpte)
                secondsPerTick = e.tempo / 1e6 / division;
            continue;
        }
        e.event.seconds = seconds;
        sequence.events.push_back(std::move(e.event));
    }
    sequence.lengthSeconds = seconds + static_cast<double>(lastTick - tick) * secondsPerTick;
    return true;
}

bool tMidiTransposer::Apply(tMidiEvent& event) {
    const int channel = event.status & 0x0F;
    if (!event.IsNote() || channel == kPercussionChannel)
        return true;
    int16_t& struck = struck_[static_cast<size_t>(channel * 128 + (event.data1 & 0x7F))];
    const bool strikes = (event.status & 0xF0) == 0x90 && event.data2 > 0;
    const int key = strikes || struck == kNotStruck ? event.data1 + key_ : struck;
    if (key < 0 || key > 127) {
        if (strikes)
            struck = kNotStruck;
        return false;
    }
    const bool releases =
        (event.status & 0xF0) == 0x80 || ((event.status & 0xF0) == 0x90 && event.data2 == 0);
    struck = strikes ? static_cast<int16_t>(key) : releases ? kNotStruck : struck;
    event.data1 = static_cast<uint8_t>(key);
    return true;
}

} // namespace lyrimo

#include "media/backends/builtin/midi_source.h"

#include "app/app_services.h"

#include <QFile>
#include <QFileInfo>

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

namespace lyrimo {
namespace {

// After the last event the sound goes on while voices decay, then for the reverb's tail, and
// never longer than the cap.
constexpr double kReverbTailSeconds = 0.3;
constexpr double kMaxTailSeconds = 3.0;
constexpr double kGain = 0.5;

void QuietenSynthesizer() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, nullptr, nullptr);
    });
}

// Back to a synthesizer just started: no voice sounding, no reverb or chorus ringing, every
// channel reset. The synthesizer carries these out when it next renders, so it renders a block
// after stopping the voices (stopping them is only effective after a reset), then clears the
// effects and renders until what is left has died away; that sound is thrown away.
void Silence(fluid_synth_t* synth) {
    constexpr int kMaxBlocks = 32;
    constexpr float kSilent = 1e-6f;
    std::array<float, 64 * 2> scratch{};
    auto renderBlock = [&] {
        fluid_synth_write_float(synth, 64, scratch.data(), 0, 2, scratch.data(), 1, 2);
        float peak = 0;
        for (float v : scratch)
            peak = std::max(peak, std::fabs(v));
        return peak;
    };
    fluid_synth_system_reset(synth);
    for (int channel = 0; channel < fluid_synth_count_midi_channels(synth); ++channel)
        fluid_synth_all_sounds_off(synth, channel);
    renderBlock();
    fluid_synth_system_reset(synth);
    for (int i = 0; i < kMaxBlocks && renderBlock() > kSilent; ++i) {
    }
}

struct tSynth {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    int rate = 0;

    ~tSynth() {
        if (synth)
            delete_fluid_synth(synth);
        if (settings)
            delete_fluid_settings(settings);
    }
};

std::unique_ptr<tSynth> MakeSynth(int rate, QString& reason) {
    const QString soundFont = GeneralMidiSoundFont();
    if (soundFont.isEmpty()) {
        reason = Translate("no General MIDI SoundFont is installed (the package timgm6mb-soundfont has one)");
        return nullptr;
    }
    auto s = std::make_unique<tSynth>();
    s->rate = rate;
    s->settings = new_fluid_settings();
    if (!s->settings) {
        reason = Translate("not enough memory");
        return nullptr;
    }
    fluid_settings_setnum(s->settings, "synth.sample-rate", rate);
    fluid_settings_setnum(s->settings, "synth.gain", kGain);
    fluid_settings_setint(s->settings, "synth.cpu-cores", 1);
    s->synth = new_fluid_synth(s->settings);
    if (!s->synth) {
        reason = Translate("the MIDI synthesizer could not be started");
        return nullptr;
    }
    if (fluid_synth_sfload(s->synth, QFile::encodeName(soundFont).constData(), 1) == FLUID_FAILED) {
        reason = Translate("the SoundFont %1 could not be loaded").arg(soundFont);
        return nullptr;
    }
    return s;
}

// Synthesizers kept between opens, each with its SoundFont loaded.
class tSynthPool {
public:
    std::unique_ptr<tSynth> Take(int rate, QString& reason) {
        {
            std::lock_guard lock(mutex_);
            for (auto it = idle_.begin(); it != idle_.end(); ++it) {
                if ((*it)->rate == rate) {
                    std::unique_ptr<tSynth> synth = std::move(*it);
                    idle_.erase(it);
                    return synth;
                }
            }
        }
        return MakeSynth(rate, reason);
    }

    void Give(std::unique_ptr<tSynth> synth) {
        Silence(synth->synth);
        std::lock_guard lock(mutex_);
        idle_.push_back(std::move(synth));
    }

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<tSynth>> idle_;
};

tSynthPool& SynthPool() {
    static tSynthPool pool;
    return pool;
}

bool ReadMidiFile(const QString& fileName, QByteArray& bytes, QString& reason) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        reason = file.exists() ? Translate("the file cannot be read") : Translate("the file does not exist");
        return false;
    }
    if (file.size() > kMaxMidiFileBytes) {
        reason = Translate("the file is too large for a MIDI file");
        return false;
    }
    bytes = file.readAll();
    return true;
}

} // namespace

class tSynthLease {
public:
    explicit tSynthLease(std::unique_ptr<tSynth> synth) : synth_(std::move(synth)) {}
    ~tSynthLease() { SynthPool().Give(std::move(synth_)); }
    fluid_synth_t* get() const { return synth_->synth; }

private:
    std::unique_ptr<tSynth> synth_;
};

QString GeneralMidiSoundFont() {
    const QString chosen = qEnvironmentVariable("LYRIMO_SOUNDFONT");
    if (!chosen.isEmpty() && QFileInfo(chosen).isFile())
        return chosen;
    for (const char* path : {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf3/default-GM.sf3",
                             "/usr/share/sounds/sf2/TimGM6mb.sf2"})
        if (QFileInfo(path).isFile())
            return path;
    return {};
}

std::unique_ptr<tMidiSource> tMidiSource::Open(const QString& fileName, int outputRate, QString& reason) {
    QuietenSynthesizer();
    QByteArray bytes;
    tMidiSequence sequence;
    if (!ReadMidiFile(fileName, bytes, reason) || !ReadMidiSequence(bytes, sequence, reason))
        return nullptr;
    std::unique_ptr<tSynth> synth = SynthPool().Take(outputRate, reason);
    if (!synth)
        return nullptr;
    return std::unique_ptr<tMidiSource>(
        new tMidiSource(std::make_unique<tSynthLease>(std::move(synth)), std::move(sequence), outputRate));
}

tMidiSource::tMidiSource(std::unique_ptr<tSynthLease> synth, tMidiSequence sequence, int outputRate)
    : synth_(std::move(synth)), sequence_(std::move(sequence)), outputRate_(outputRate),
      length_(static_cast<int64_t>(sequence_.lengthSeconds * outputRate)) {}

tMidiSource::~tMidiSource() = default;

void tMidiSource::Send(tMidiEvent event) {
    if (!transposer_.Apply(event))
        return;
    if (observer_)
        observer_(event);
    Synthesize(event);
}

void tMidiSource::Synthesize(const tMidiEvent& e) {
    fluid_synth_t* synth = synth_->get();
    const int channel = e.status & 0x0F;
    switch (e.status & 0xF0) {
    case 0x80: fluid_synth_noteoff(synth, channel, e.data1); break;
    case 0x90:
        if (e.data2 == 0)
            fluid_synth_noteoff(synth, channel, e.data1);
        else
            fluid_synth_noteon(synth, channel, e.data1, e.data2);
        break;
    case 0xA0: fluid_synth_key_pressure(synth, channel, e.data1, e.data2); break;
    case 0xB0: fluid_synth_cc(synth, channel, e.data1, e.data2); break;
    case 0xC0: fluid_synth_program_change(synth, channel, e.data1); break;
    case 0xD0: fluid_synth_channel_pressure(synth, channel, e.data1); break;
    case 0xE0: fluid_synth_pitch_bend(synth, channel, e.data2 << 7 | e.data1); break;
    case 0xF0:
        if (!e.sysex.empty())
            fluid_synth_sysex(synth, reinterpret_cast<const char*>(e.sysex.data()),
                              static_cast<int>(e.sysex.size()), nullptr, nullptr, nullptr, 0);
        break;
    default: break;
    }
}

bool tMidiSource::Seek(int64_t frame) {
    // Back to the state at the target: a silent synthesizer given every setting made before it
    // (programs, controllers, bends), without the notes.
    Silence(synth_->get());
    transposer_.Reset();
    const double target = static_cast<double>(frame);
    next_ = 0;
    for (; next_ < sequence_.events.size() && EventFrame(next_) < target; ++next_)
        if (!sequence_.events[next_].IsNote())
            Send(sequence_.events[next_]);
    blockRead_ = kBlock;
    nextBlockMedia_ = target;
    tailFrames_ = silentFrames_ = 0;
    ended_ = false;
    return true;
}

void tMidiSource::RenderBlock() {
    const double start = nextBlockMedia_;
    // An event is sent before the block whose start is nearest to its time.
    const double sendBefore = start + kBlock * tempo_ / 2;
    for (; next_ < sequence_.events.size() && EventFrame(next_) < sendBefore; ++next_)
        Send(sequence_.events[next_]);
    fluid_synth_write_float(synth_->get(), kBlock, block_.data(), 0, 2, block_.data(), 1, 2);
    blockMedia_ = start;
    blockTempo_ = tempo_;
    blockRead_ = 0;
    nextBlockMedia_ = start + kBlock * tempo_;
    if (next_ < sequence_.events.size() || start < static_cast<double>(length_))
        return;
    tailFrames_ += kBlock;
    silentFrames_ = fluid_synth_get_active_voice_count(synth_->get()) > 0 ? 0 : silentFrames_ + kBlock;
    if (silentFrames_ >= kReverbTailSeconds * outputRate_ || tailFrames_ >= kMaxTailSeconds * outputRate_)
        ended_ = true;
}

int tMidiSource::Read(float* out, int frames) {
    int made = 0;
    while (made < frames) {
        if (blockRead_ >= kBlock) {
            if (ended_)
                break;
            RenderBlock();
        }
        const int take = std::min(frames - made, kBlock - blockRead_);
        std::memcpy(out + made * 2, block_.data() + blockRead_ * 2,
                    static_cast<size_t>(take) * 2 * sizeof(float));
        made += take;
        blockRead_ += take;
    }
    return made;
}

} // namespace lyrimo

// How far behind a sound server plays this process's stream: the server's buffer for the stream
// plus its sink's own latency. Where SDL plays through PulseAudio, or PipeWire's Pulse service,
// the frames leave SDL's buffer for the server's, and the listener hears them only after that.
//
// The figure is asked for with libpulse on a thread of its own, at once and then every so often
// (it changes when the stream moves to another sink), and kept in an atomic: reading it never
// waits. Every wait on the server is bounded, and stopping interrupts it. Without a server, or
// when it does not answer, the figure is 0.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

struct pa_mainloop;

namespace lyrimo {

// Whether SDL's audio driver of that name plays through a server that answers libpulse.
bool DriverUsesSoundServer(std::string_view sdlDriver);

// One playback stream of the server, as far as finding ours needs.
struct tSinkInput {
    uint32_t index = 0;
    std::string processId; // the stream's "application.process.id"; empty when it has none
    uint64_t bufferUsec = 0;
    uint64_t sinkUsec = 0;
};

// This process's stream among the server's: the one chosen before while it is still there,
// else the newest of the process's (the device opened last). Null when the process has none.
const tSinkInput* ChooseOwnSinkInput(const std::vector<tSinkInput>& inputs, std::string_view processId,
                                     std::optional<uint32_t> chosenBefore);

// The stream's latency (its buffer plus its sink's) in frames at the sample rate, to the nearest
// frame; 0 for a figure the server does not know or that is past belief.
int SinkInputLatencyFrames(const tSinkInput& input, int sampleRate);

class tServerLatency {
public:
    // Starts asking for the latency of this process's newest stream right away.
    explicit tServerLatency(int sampleRate);
    ~tServerLatency();
    tServerLatency(const tServerLatency&) = delete;
    tServerLatency& operator=(const tServerLatency&) = delete;

    // The server's latency for the stream, as last found; 0 until found and without a server.
    int Frames() const { return frames_.load(std::memory_order_relaxed); }

private:
    class tConnection;

    void Run();
    void WaitForNextRefresh();

    const int sampleRate_;
    pa_mainloop* loop_;
    std::atomic<int> frames_{0};
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::condition_variable stopped_;
    std::thread thread_;
};

} // namespace lyrimo

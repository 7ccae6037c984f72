#include "media/backends/builtin/server_latency.h"

#include <pulse/pulseaudio.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <functional>

namespace lyrimo {
namespace {

using tClock = std::chrono::steady_clock;

constexpr auto kRefreshEvery = std::chrono::milliseconds(1500);
// The longest any one step (connecting, listing the streams) may wait for the server.
constexpr auto kAnswerWithin = std::chrono::milliseconds(200);
// Past this a figure is no latency a stream really has.
constexpr uint64_t kMaxBelievableUsec = 5'000'000;

struct tListing {
    std::vector<tSinkInput> inputs;
    bool done = false;
    bool failed = false;
};

void OnSinkInput(pa_context*, const pa_sink_input_info* info, int eol, void* listing) {
    auto* into = static_cast<tListing*>(listing);
    if (eol != 0) {
        into->done = true;
        into->failed = eol < 0;
        return;
    }
    const char* processId = pa_proplist_gets(info->proplist, PA_PROP_APPLICATION_PROCESS_ID);
    into->inputs.push_back({info->index, processId ? processId : "", info->buffer_usec, info->sink_usec});
}

} // namespace

bool DriverUsesSoundServer(std::string_view sdlDriver) {
    return sdlDriver == "pulseaudio" || sdlDriver == "pipewire";
}

const tSinkInput* ChooseOwnSinkInput(const std::vector<tSinkInput>& inputs, std::string_view processId,
                                     std::optional<uint32_t> chosenBefore) {
    const tSinkInput* newest = nullptr;
    for (const tSinkInput& input : inputs) {
        if (input.processId != processId)
            continue;
        if (chosenBefore && input.index == *chosenBefore)
            return &input;
        if (!newest || input.index > newest->index)
            newest = &input;
    }
    return newest;
}

int SinkInputLatencyFrames(const tSinkInput& input, int sampleRate) {
    if (input.bufferUsec > kMaxBelievableUsec || input.sinkUsec > kMaxBelievableUsec)
        return 0;
    const double usec = static_cast<double>(input.bufferUsec + input.sinkUsec);
    return static_cast<int>(std::lround(usec * sampleRate / 1e6));
}

// One connection to the server, used on the asking thread only. It stays open between
// refreshes and is made anew when it broke.
class tServerLatency::tConnection {
public:
    tConnection(pa_mainloop* loop, const std::atomic<bool>& stopping) : loop_(loop), stopping_(stopping) {}
    ~tConnection() { Drop(); }
    tConnection(const tConnection&) = delete;
    tConnection& operator=(const tConnection&) = delete;

    // Connected, connecting first when need be; false when the server cannot be reached in time.
    bool Ready() {
        if (context_ && pa_context_get_state(context_) == PA_CONTEXT_READY)
            return true;
        Drop();
        context_ = pa_context_new(pa_mainloop_get_api(loop_), "Lyrimo");
        // Never starts a server of its own: without one there is no latency to add.
        if (!context_ || pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
            Drop();
            return false;
        }
        const bool settled = IterateUntil([this] {
            const pa_context_state_t state = pa_context_get_state(context_);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        });
        if (settled && pa_context_get_state(context_) == PA_CONTEXT_READY)
            return true;
        Drop();
        return false;
    }

    // The server's playback streams; nothing when it did not answer in time.
    std::optional<std::vector<tSinkInput>> SinkInputs() {
        tListing listing;
        pa_operation* operation = pa_context_get_sink_input_info_list(context_, &OnSinkInput, &listing);
        if (!operation)
            return std::nullopt;
        const bool answered = IterateUntil([&listing] { return listing.done; });
        if (!answered)
            pa_operation_cancel(operation); // the listing is not written to after this
        pa_operation_unref(operation);
        if (!answered) {
            Drop(); // a server this slow is asked again on a new connection
            return std::nullopt;
        }
        if (listing.failed)
            return std::nullopt;
        return std::move(listing.inputs);
    }

private:
    // Runs the loop until `done`; false when that takes longer than a step may, on stopping,
    // and when the loop fails.
    bool IterateUntil(const std::function<bool()>& done) {
        const tClock::time_point deadline = tClock::now() + kAnswerWithin;
        while (!done()) {
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - tClock::now());
            if (stopping_ || left.count() <= 0)
                return false;
            if (pa_mainloop_prepare(loop_, static_cast<int>(left.count())) < 0 ||
                pa_mainloop_poll(loop_) < 0 || pa_mainloop_dispatch(loop_) < 0)
                return false;
        }
        return true;
    }

    void Drop() {
        if (!context_)
            return;
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }

    pa_mainloop* loop_;
    const std::atomic<bool>& stopping_;
    pa_context* context_ = nullptr;
};

tServerLatency::tServerLatency(int sampleRate) : sampleRate_(sampleRate), loop_(pa_mainloop_new()) {
    if (loop_)
        thread_ = std::thread([this] { Run(); });
}

tServerLatency::~tServerLatency() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    stopped_.notify_all();
    if (loop_)
        pa_mainloop_wakeup(loop_); // a wait on the server ends at once
    if (thread_.joinable())
        thread_.join();
    if (loop_)
        pa_mainloop_free(loop_);
}

void tServerLatency::Run() {
    tConnection connection(loop_, stopping_);
    const std::string processId = std::to_string(::getpid());
    std::optional<uint32_t> chosen;
    while (!stopping_) {
        int frames = 0;
        if (connection.Ready()) {
            const std::optional<std::vector<tSinkInput>> inputs = connection.SinkInputs();
            const tSinkInput* own = inputs ? ChooseOwnSinkInput(*inputs, processId, chosen) : nullptr;
            if (own) {
                chosen = own->index;
                frames = SinkInputLatencyFrames(*own, sampleRate_);
            }
        }
        frames_ = frames;
        WaitForNextRefresh();
    }
}

void tServerLatency::WaitForNextRefresh() {
    std::unique_lock lock(mutex_);
    stopped_.wait_for(lock, kRefreshEvery, [this] { return stopping_.load(); });
}

} // namespace lyrimo

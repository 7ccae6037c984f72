#include "media/backends/gstreamer_player.h"

#include "app/app_services.h"
#include "media/engine_output.h"
#include "media/player_catalog.h"
#include "media/video_window.h"

#include <QFile>
#include <QFileInfo>

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <utility>

namespace lyrimo {
namespace {

const char* const kEngineName = "GStreamer";

// Bits of playbin's "flags" property (the playback plugin's GstPlayFlags).
constexpr guint kPlayVideo = 1u << 0;
constexpr guint kPlayAudio = 1u << 1;
constexpr guint kPlayText = 1u << 2;

// Opening waits this long at most for the file to be read up to its first sound and picture.
constexpr int kOpenTimeoutMs = 5000;
// A seek, a change of rate or a pause waits this long at most for the pipeline to settle.
constexpr int kSettleTimeoutMs = 3000;
// Smaller display rectangles only park the display out of sight; pictures keep their size.
constexpr int kSmallestTarget = 16;

struct tEngineState {
    bool works = false;
    QString reason; // why not
};

// GStreamer is started once for the whole program; it works when the elements every pipeline of
// this player needs are there.
const tEngineState& Engine() {
    static const tEngineState state = [] {
        tEngineState result;
        GError* error = nullptr;
        if (!gst_init_check(nullptr, nullptr, &error)) {
            result.reason = error ? QString::fromUtf8(error->message) : Translate("it could not be started");
            g_clear_error(&error);
            return result;
        }
        const char* audioSink = NullAudioOutputRequested() ? "fakesink" : "autoaudiosink";
        for (const char* name :
             {"playbin", "appsink", "scaletempo", "videoconvert", "videoscale", "capsfilter", audioSink}) {
            GstElementFactory* factory = gst_element_factory_find(name);
            if (!factory) {
                result.reason = Translate("its element %1 is not installed").arg(QString::fromLatin1(name));
                return result;
            }
            gst_object_unref(factory);
        }
        result.works = true;
        return result;
    }();
    return state;
}

// The key is moved by the soundtouch plugin's pitch element; without it the key stays.
bool PitchElementInstalled() {
    static const bool installed = [] {
        GstElementFactory* factory = gst_element_factory_find("pitch");
        if (factory)
            gst_object_unref(factory);
        return factory != nullptr;
    }();
    return installed;
}

// To the nearest ms: the pitch element passes times on in single precision, so a time it passed
// on may be a fraction of a microsecond short of the whole ms it was.
int NsToMs(int64_t ns) {
    return static_cast<int>(std::clamp<int64_t>((ns + GST_MSECOND / 2) / GST_MSECOND, INT_MIN, INT_MAX));
}

// Square pixels of packed Y'CbCr (the converter's own RGB output is a few levels off in places,
// so the pictures are turned into RGB here, exactly); a size when one is given.
GstCaps* PictureCaps(int width = 0, int height = 0) {
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "AYUV", "pixel-aspect-ratio",
                                        GST_TYPE_FRACTION, 1, 1, nullptr);
    if (width > 0 && height > 0)
        gst_caps_set_simple(caps, "width", G_TYPE_INT, width, "height", G_TYPE_INT, height, nullptr);
    return caps;
}

// The media time of a picture in ms, or -1 when it has none.
int64_t PictureTimeMs(GstSample* sample) {
    const GstBuffer* buffer = gst_sample_get_buffer(sample);
    const GstSegment* segment = gst_sample_get_segment(sample);
    if (!buffer || !segment || !GST_BUFFER_PTS_IS_VALID(buffer))
        return -1;
    const guint64 time = gst_segment_to_stream_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
    return GST_CLOCK_TIME_IS_VALID(time) ? static_cast<int64_t>(time / GST_MSECOND) : -1;
}

// Y'CbCr to 0x00RRGGBB by the picture's own matrix and range, rounded to the nearest level:
// each table holds one term of a channel in units of 1/65536 of a level.
class tRgbConverter {
public:
    explicit tRgbConverter(const GstVideoColorimetry& colorimetry) {
        gdouble kr = 0.299, kb = 0.114; // BT.601 when the picture does not say
        gst_video_color_matrix_get_Kr_Kb(colorimetry.matrix, &kr, &kb);
        const bool full = colorimetry.range == GST_VIDEO_COLOR_RANGE_0_255;
        const double lumaScale = full ? 1.0 : 255.0 / 219.0;
        const double chromaScale = full ? 1.0 : 255.0 / 224.0;
        const double kg = 1.0 - kr - kb;
        for (int v = 0; v < 256; ++v) {
            const double luma = (v - (full ? 0 : 16)) * lumaScale;
            const double chroma = (v - 128) * chromaScale;
            luma_[v] = Fixed(luma);
            redFromCr_[v] = Fixed(2 * (1 - kr) * chroma);
            greenFromCb_[v] = Fixed(-2 * kb * (1 - kb) / kg * chroma);
            greenFromCr_[v] = Fixed(-2 * kr * (1 - kr) / kg * chroma);
            blueFromCb_[v] = Fixed(2 * (1 - kb) * chroma);
        }
    }

    // A row of AYUV pixels (alpha, luma, Cb, Cr bytes).
    void Row(const uint8_t* from, uint32_t* to, int width) const {
        for (int x = 0; x < width; ++x, from += 4) {
            const int32_t y = luma_[from[1]];
            const uint32_t red = Level(y + redFromCr_[from[3]]);
            const uint32_t green = Level(y + greenFromCb_[from[2]] + greenFromCr_[from[3]]);
            const uint32_t blue = Level(y + blueFromCb_[from[2]]);
            to[x] = red << 16 | green << 8 | blue;
        }
    }

private:
    static int32_t Fixed(double value) { return static_cast<int32_t>(std::lround(value * 65536.0)); }
    static uint32_t Level(int32_t fixed) {
        return static_cast<uint32_t>(std::clamp((fixed + 32768) >> 16, 0, 255));
    }

    int32_t luma_[256];
    int32_t redFromCr_[256];
    int32_t greenFromCb_[256];
    int32_t greenFromCr_[256];
    int32_t blueFromCb_[256];
};

// Converts a picture into a 32-bit bitmap (reused when it has the size already).
bool CopyPicture(GstSample* sample, Bitmap& picture) {
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    GstVideoInfo info;
    if (!caps || !buffer || !gst_video_info_from_caps(&info, caps) ||
        GST_VIDEO_INFO_FORMAT(&info) != GST_VIDEO_FORMAT_AYUV)
        return false;
    GstVideoFrame frame;
    if (!gst_video_frame_map(&frame, &info, buffer, GST_MAP_READ))
        return false;
    const int width = GST_VIDEO_FRAME_WIDTH(&frame);
    const int height = GST_VIDEO_FRAME_HEIGHT(&frame);
    if (picture.Width() != width || picture.Height() != height || picture.Format() != tPixelFormat::Bits32)
        picture = Bitmap(width, height, tPixelFormat::Bits32);
    const bool copied = !picture.IsEmpty();
    if (copied) {
        const tRgbConverter converter(GST_VIDEO_INFO_COLORIMETRY(&info));
        const auto* rows = static_cast<const uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0));
        const int stride = GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0);
        for (int y = 0; y < height; ++y)
            converter.Row(rows + static_cast<ptrdiff_t>(y) * stride, picture.Row32(y), width);
    }
    gst_video_frame_unmap(&frame);
    return copied;
}

// What the first frame of an MP3 file tells of the sound its encoder put before the music.
struct tMp3Lead {
    int64_t leadNs = 0;      // the encoder's delay and the decoder's own (529 samples)
    int64_t trailNs = 0;     // the encoder's padding after the music, beyond the decoder's delay
    int64_t untrimmedNs = 0; // the length of all its frames, the delay included; 0 when not told
};

uint8_t ByteAt(const QByteArray& bytes, qsizetype at) { return static_cast<uint8_t>(bytes[at]); }

// Reads the Xing or Info frame an encoder writes first, with the encoder's delay in its LAME
// extension; nothing for other files.
tMp3Lead ReadMp3Lead(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray tagHeader = file.read(10);
    qint64 start = 0;
    if (tagHeader.size() == 10 && tagHeader.startsWith("ID3")) {
        start = 10 + ((ByteAt(tagHeader, 6) & 0x7F) << 21 | (ByteAt(tagHeader, 7) & 0x7F) << 14 |
                      (ByteAt(tagHeader, 8) & 0x7F) << 7 | (ByteAt(tagHeader, 9) & 0x7F));
        if (ByteAt(tagHeader, 5) & 0x10)
            start += 10; // a footer follows the tag
    }
    if (!file.seek(start))
        return {};
    const QByteArray frame = file.read(200);
    if (frame.size() < 4 || ByteAt(frame, 0) != 0xFF || (ByteAt(frame, 1) & 0xE0) != 0xE0)
        return {};
    const int version = (ByteAt(frame, 1) >> 3) & 3; // 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const int layer = (ByteAt(frame, 1) >> 1) & 3;   // 1: layer III
    const int rateIndex = (ByteAt(frame, 2) >> 2) & 3;
    if (layer != 1 || version == 1 || rateIndex == 3)
        return {};
    static const int kRates[3] = {44100, 48000, 32000};
    const int rate = kRates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    const int samplesPerFrame = version == 3 ? 1152 : 576;
    const bool mono = ((ByteAt(frame, 3) >> 6) & 3) == 3;
    const qsizetype tag = 4 + (version == 3 ? (mono ? 17 : 32) : (mono ? 9 : 17));
    if (frame.size() < tag + 8 || (frame.mid(tag, 4) != "Xing" && frame.mid(tag, 4) != "Info"))
        return {};
    const uint8_t fields = ByteAt(frame, tag + 7);
    tMp3Lead lead;
    qsizetype at = tag + 8;
    if (fields & 1) {
        const int64_t frames = int64_t{ByteAt(frame, at)} << 24 | ByteAt(frame, at + 1) << 16 |
                               ByteAt(frame, at + 2) << 8 | ByteAt(frame, at + 3);
        lead.untrimmedNs = frames * samplesPerFrame * GST_SECOND / rate;
        at += 4;
    }
    at += (fields & 2 ? 4 : 0) + (fields & 4 ? 100 : 0) + (fields & 8 ? 4 : 0);
    // The LAME extension: the encoder's name, then the delay and the padding in 12 bits each,
    // 21 bytes on.
    if (frame.size() < at + 24)
        return {};
    for (qsizetype i = at; i < at + 4; ++i)
        if (!std::isalnum(ByteAt(frame, i)) && frame[i] != '.')
            return {};
    const int delay = ByteAt(frame, at + 21) << 4 | ByteAt(frame, at + 22) >> 4;
    const int padding = (ByteAt(frame, at + 22) & 0x0F) << 8 | ByteAt(frame, at + 23);
    constexpr int kDecoderDelay = 529;
    lead.leadNs = (delay + kDecoderDelay) * GST_SECOND / rate;
    lead.trailNs = std::max(padding - kDecoderDelay, 0) * GST_SECOND / rate;
    return lead;
}

} // namespace

// Where the appsink's streaming thread leaves the newest picture for the driving thread.
class tGstreamerPlayer::tFrameShelf {
public:
    ~tFrameShelf() {
        if (newest_)
            gst_sample_unref(newest_);
    }

    void Put(GstSample* sample) {
        std::lock_guard lock(mutex_);
        if (newest_) {
            gst_sample_unref(newest_);
            ++passedOver_;
        }
        newest_ = sample;
        ++made_;
    }

    // The newest picture not taken yet when its time has come by nowMs (the caller's to unref),
    // and how many were made and passed over since the last take.
    GstSample* TakeDue(int64_t nowMs, int64_t& made, int64_t& passedOver) {
        std::lock_guard lock(mutex_);
        made = std::exchange(made_, 0);
        passedOver = std::exchange(passedOver_, 0);
        if (newest_ && PictureTimeMs(newest_) > nowMs)
            return nullptr;
        return std::exchange(newest_, nullptr);
    }

    static GstFlowReturn OnPreroll(GstAppSink* sink, gpointer shelf) {
        if (GstSample* sample = gst_app_sink_pull_preroll(sink))
            Of(shelf).Put(sample);
        return GST_FLOW_OK;
    }
    static GstFlowReturn OnSample(GstAppSink* sink, gpointer shelf) {
        if (GstSample* sample = gst_app_sink_pull_sample(sink))
            Of(shelf).Put(sample);
        return GST_FLOW_OK;
    }
    // The appsink holds a share of the shelf for as long as it may call back.
    static void Release(gpointer shelf) { delete static_cast<std::shared_ptr<tFrameShelf>*>(shelf); }

private:
    static tFrameShelf& Of(gpointer shelf) { return **static_cast<std::shared_ptr<tFrameShelf>*>(shelf); }

    std::mutex mutex_;
    GstSample* newest_ = nullptr;
    int64_t made_ = 0;
    int64_t passedOver_ = 0;
};

// The pitch element reworks its processing when its pitch is set, unguarded against its
// streaming thread, so the pitch wanted is left here and set on that thread just before the next
// sound goes in.
struct tGstreamerPlayer::tPitchHandOver {
    std::atomic<float> wanted{1.0f};
    float applied = 1.0f; // touched by the streaming thread alone

    static GstPadProbeReturn BeforeSound(GstPad* pad, GstPadProbeInfo*, gpointer data) {
        tPitchHandOver& self = **static_cast<std::shared_ptr<tPitchHandOver>*>(data);
        const float wanted = self.wanted.load();
        if (wanted != self.applied) {
            GstObject* pitch = gst_pad_get_parent(pad);
            g_object_set(pitch, "pitch", wanted, nullptr);
            gst_object_unref(pitch);
            self.applied = wanted;
        }
        return GST_PAD_PROBE_OK;
    }
    static void Release(gpointer data) { delete static_cast<std::shared_ptr<tPitchHandOver>*>(data); }
};

tGstreamerPlayer::tGstreamerPlayer() { SetExtensions(BackendExtensions(Settings().UseFileExtensionsDS)); }

tGstreamerPlayer::~tGstreamerPlayer() { Close(); }

uint8_t tGstreamerPlayer::PlayerID() { return player::DirectShow; }

bool tGstreamerPlayer::IsAvailable() { return Engine().works; }

bool tGstreamerPlayer::CanChangeRate() { return IsAvailable(); }

bool tGstreamerPlayer::CanChangeKey() { return IsAvailable() && PitchElementInstalled(); }

bool tGstreamerPlayer::OpenFile(const QString& fileName, tVideoWindow* window, int32_t) {
    Close();
    QString reason;
    if (!IsAvailable())
        reason = Engine().reason;
    else if (!QFileInfo(fileName).isFile())
        reason = Translate("the file does not exist");
    else if (OpenPipeline(fileName, window, reason)) {
        SetLastError({});
        SkipMp3Lead(fileName);
        if (window_) {
            window_->Clear();
            ReadVideoSize();
            ShowNewestPicture();
        }
        return true;
    }
    Close();
    SetLastError(Translate("Error opening file") + ": " + kEngineName + ": " + reason);
    return false;
}

GstElement* tGstreamerPlayer::MakeVideoSink() {
    GstElement* bin = gst_bin_new(nullptr);
    GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
    GstElement* scale = gst_element_factory_make("videoscale", nullptr);
    GstElement* caps = gst_element_factory_make("capsfilter", nullptr);
    GstElement* sink = gst_element_factory_make("appsink", nullptr);
    for (GstElement* element : {convert, scale, caps, sink})
        if (element)
            gst_bin_add(GST_BIN(bin), element);
    if (!convert || !scale || !caps || !sink || !gst_element_link_many(convert, scale, caps, sink, nullptr)) {
        gst_object_unref(gst_object_ref_sink(bin));
        return nullptr;
    }
    GstCaps* pictureCaps = PictureCaps();
    g_object_set(caps, "caps", pictureCaps, nullptr);
    gst_caps_unref(pictureCaps);
    // Pictures are handed over when they are due; a late driving thread gets only the newest.
    g_object_set(sink, "sync", TRUE, "max-buffers", 2u, "drop", TRUE, "enable-last-sample", FALSE, nullptr);
    GstAppSinkCallbacks callbacks{};
    callbacks.new_preroll = &tFrameShelf::OnPreroll;
    callbacks.new_sample = &tFrameShelf::OnSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, new std::shared_ptr<tFrameShelf>(shelf_),
                               &tFrameShelf::Release);
    GstPad* input = gst_element_get_static_pad(convert, "sink");
    gst_element_add_pad(bin, gst_ghost_pad_new("sink", input));
    gst_object_unref(input);
    videoCaps_ = caps;
    return bin;
}

// Rates go through scaletempo, which keeps the pitch and times its sound as the media's; the pitch
// element behind it only moves the key: its own tempo and rate stay 1, so it neither stretches
// the sound nor changes its times, and the clock stays the media's.
GstElement* tGstreamerPlayer::MakeAudioFilter() {
    GstElement* tempo = gst_element_factory_make("scaletempo", nullptr);
    GstElement* pitch =
        tempo && PitchElementInstalled() ? gst_element_factory_make("pitch", nullptr) : nullptr;
    if (!pitch)
        return tempo;
    GstElement* bin = gst_bin_new(nullptr);
    gst_bin_add_many(GST_BIN(bin), tempo, pitch, nullptr);
    if (!gst_element_link(tempo, pitch)) {
        gst_object_unref(gst_object_ref_sink(bin));
        return gst_element_factory_make("scaletempo", nullptr);
    }
    for (auto [element, name] : {std::pair{tempo, "sink"}, std::pair{pitch, "src"}}) {
        GstPad* pad = gst_element_get_static_pad(element, name);
        gst_element_add_pad(bin, gst_ghost_pad_new(name, pad));
        gst_object_unref(pad);
    }
    pitch_ = std::make_shared<tPitchHandOver>();
    GstPad* input = gst_element_get_static_pad(pitch, "sink");
    gst_pad_add_probe(
        input, static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
        &tPitchHandOver::BeforeSound, new std::shared_ptr<tPitchHandOver>(pitch_), &tPitchHandOver::Release);
    gst_object_unref(input);
    return bin;
}

bool tGstreamerPlayer::OpenPipeline(const QString& fileName, tVideoWindow* window, QString& reason) {
    if (!Build(fileName, window, window != nullptr, reason) || !Preroll(reason))
        return false;
    gint soundStreams = 0;
    g_object_get(pipeline_, "n-audio", &soundStreams, nullptr);
    if (window || soundStreams > 0)
        return true;
    // A video without sound runs on the clock of its pictures, decoded for nothing.
    Close();
    return Build(fileName, nullptr, true, reason) && Preroll(reason);
}

bool tGstreamerPlayer::Build(const QString& fileName, tVideoWindow* window, bool decodeVideo,
                             QString& reason) {
    GError* error = nullptr;
    gchar* uri =
        gst_filename_to_uri(QFile::encodeName(QFileInfo(fileName).absoluteFilePath()).constData(), &error);
    if (!uri) {
        reason = error ? QString::fromUtf8(error->message) : Translate("the file name is not valid");
        g_clear_error(&error);
        return false;
    }
    pipeline_ = gst_element_factory_make("playbin", nullptr);
    if (pipeline_)
        gst_object_ref_sink(pipeline_);
    GstElement* audioSink = NullAudioOutputRequested() ? gst_element_factory_make("fakesink", nullptr)
                                                       : gst_element_factory_make("autoaudiosink", nullptr);
    GstElement* audioFilter = MakeAudioFilter();
    if (window) {
        shelf_ = std::make_shared<tFrameShelf>();
        window_ = window;
    }
    // Without a window the pictures go nowhere; a sink of its own keeps playbin from making one
    // that shows them.
    GstElement* videoSink = window ? MakeVideoSink() : gst_element_factory_make("fakesink", nullptr);
    if (!pipeline_ || !audioSink || !audioFilter || !videoSink) {
        for (GstElement* element : {audioSink, audioFilter, videoSink})
            if (element)
                gst_object_unref(gst_object_ref_sink(element));
        g_free(uri);
        reason = Translate("its playing pipeline could not be made");
        return false;
    }
    if (NullAudioOutputRequested())
        g_object_set(audioSink, "sync", TRUE, nullptr);
    if (!window)
        g_object_set(videoSink, "sync", TRUE, nullptr);
    guint flags = 0;
    g_object_get(pipeline_, "flags", &flags, nullptr);
    flags = (flags | kPlayAudio) & ~(kPlayText | kPlayVideo);
    if (decodeVideo)
        flags |= kPlayVideo;
    g_object_set(pipeline_, "uri", uri, "flags", flags, "audio-sink", audioSink, "audio-filter", audioFilter,
                 "video-sink", videoSink, nullptr);
    g_free(uri);
    bus_ = gst_element_get_bus(pipeline_);
    return true;
}

// The decoders of this GStreamer keep the delay an MP3 encoder put before the music, so the sound
// comes late by it; it is taken off every position and added to every seek, and the length is
// that of the music alone. A pipeline whose length shows the delay already cut off is left as it
// is.
void tGstreamerPlayer::SkipMp3Lead(const QString& fileName) {
    const tMp3Lead lead = ReadMp3Lead(fileName);
    gint64 ns = 0;
    if (lead.leadNs <= 0 || lead.untrimmedNs <= 0 ||
        !gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &ns))
        return;
    if (std::abs(ns - lead.untrimmedNs) < lead.leadNs / 2) {
        leadNs_ = lead.leadNs;
        trailNs_ = lead.trailNs;
        lengthMs_ = -1;
        SeekTo(0);
    }
}

bool tGstreamerPlayer::Preroll(QString& reason) {
    const GstStateChangeReturn result = gst_element_set_state(pipeline_, GST_STATE_PAUSED);
    if (result == GST_STATE_CHANGE_SUCCESS || result == GST_STATE_CHANGE_NO_PREROLL)
        return true;
    return WaitUntilSettled(kOpenTimeoutMs, &reason);
}

void tGstreamerPlayer::Close() {
    if (pipeline_) {
        gst_element_set_state(pipeline_, GST_STATE_NULL);
        gst_object_unref(pipeline_);
        pipeline_ = nullptr;
    }
    if (bus_) {
        gst_object_unref(bus_);
        bus_ = nullptr;
    }
    videoCaps_ = nullptr;
    shelf_.reset();
    pitch_.reset();
    if (window_)
        window_->Clear();
    window_ = nullptr;
    started_ = paused_ = ended_ = false;
    rate_ = 1.0;
    key_ = 0;
    lastPositionNs_ = 0;
    leadNs_ = trailNs_ = 0;
    lengthMs_ = -1;
    videoWidth_ = videoHeight_ = 0;
    targetWidth_ = targetHeight_ = 0;
}

void tGstreamerPlayer::DrainBus() {
    if (!bus_)
        return;
    while (GstMessage* message = gst_bus_pop(bus_)) {
        Handle(message);
        gst_message_unref(message);
    }
}

void tGstreamerPlayer::Handle(GstMessage* message) {
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_EOS:
        if (started_)
            ended_ = true;
        break;
    case GST_MESSAGE_ERROR: {
        GError* error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        failure_ = error ? QString::fromUtf8(error->message) : Translate("an unknown error");
        g_clear_error(&error);
        // The pipeline goes no further: a medium that was playing has come to its end.
        if (started_)
            ended_ = true;
        break;
    }
    case GST_MESSAGE_DURATION_CHANGED: lengthMs_ = -1; break;
    case GST_MESSAGE_LATENCY: gst_bin_recalculate_latency(GST_BIN(pipeline_)); break;
    case GST_MESSAGE_CLOCK_LOST:
        // The sink that gave the clock went away; running again selects a new one.
        if (started_ && !paused_ && !ended_) {
            gst_element_set_state(pipeline_, GST_STATE_PAUSED);
            gst_element_set_state(pipeline_, GST_STATE_PLAYING);
        }
        break;
    default: break;
    }
}

bool tGstreamerPlayer::WaitUntilSettled(int timeoutMs, QString* reason) {
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(timeoutMs);
    failure_.clear();
    while (true) {
        const auto left = duration_cast<nanoseconds>(deadline - steady_clock::now()).count();
        if (left <= 0) {
            if (reason)
                *reason = Translate("it did not answer in time");
            return false;
        }
        GstMessage* message = gst_bus_timed_pop(bus_, static_cast<GstClockTime>(left));
        if (!message)
            continue;
        const GstMessageType type = GST_MESSAGE_TYPE(message);
        Handle(message);
        gst_message_unref(message);
        if (type == GST_MESSAGE_ASYNC_DONE)
            return true;
        if (type == GST_MESSAGE_ERROR) {
            if (reason)
                *reason = failure_;
            return false;
        }
    }
}

void tGstreamerPlayer::HoldStill() {
    DrainBus();
    // Pausing a running pipeline completes when its sinks hold a buffer again; waiting for that
    // here keeps its completion from being taken for that of a later seek.
    if (gst_element_set_state(pipeline_, GST_STATE_PAUSED) == GST_STATE_CHANGE_ASYNC)
        WaitUntilSettled(kSettleTimeoutMs);
}

bool tGstreamerPlayer::SeekTo(int64_t ns) {
    DrainBus();
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    if (!gst_element_seek(pipeline_, rate_, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, ns + leadNs_,
                          GST_SEEK_TYPE_NONE, static_cast<gint64>(GST_CLOCK_TIME_NONE)))
        return false;
    lastPositionNs_ = ns;
    return WaitUntilSettled(kSettleTimeoutMs);
}

int64_t tGstreamerPlayer::RawPositionNs() {
    gint64 ns = 0;
    if (gst_element_query_position(pipeline_, GST_FORMAT_TIME, &ns) && ns >= 0)
        lastPositionNs_ = std::max<int64_t>(ns - leadNs_, 0);
    return lastPositionNs_;
}

int tGstreamerPlayer::RawLengthMs() {
    gint64 ns = 0;
    if (lengthMs_ < 0 && gst_element_query_duration(pipeline_, GST_FORMAT_TIME, &ns) && ns >= 0)
        lengthMs_ = NsToMs(std::max<int64_t>(ns - leadNs_ - trailNs_, 0));
    return std::max(lengthMs_, 0);
}

int tGstreamerPlayer::TrackCount() { return pipeline_ ? 1 : 0; }

int tGstreamerPlayer::GetPosition() {
    if (!pipeline_)
        return 0;
    DrainBus();
    const int length = RawLengthMs();
    int ms = ended_ && length > 0 ? length : NsToMs(RawPositionNs());
    if (length > 0)
        ms = std::min(ms, length);
    return TimingCorrection().CorrectedTime(ms);
}

int tGstreamerPlayer::GetLength() {
    if (!pipeline_)
        return 0;
    DrainBus();
    return TimingCorrection().CorrectedTime(RawLengthMs());
}

void tGstreamerPlayer::SetPosition(int ms) {
    if (!pipeline_)
        return;
    HoldStill();
    int target = std::max(TimingCorrection().CorrectedSeekTarget(ms), 0);
    if (const int length = RawLengthMs(); length > 0)
        target = std::min(target, length);
    if (ended_) {
        // A medium that had ended is not started again by a seek.
        started_ = paused_ = ended_ = false;
    } else if (started_) {
        paused_ = true;
    }
    SeekTo(static_cast<int64_t>(target) * GST_MSECOND);
    ShowNewestPicture();
}

void tGstreamerPlayer::Play() {
    if (!pipeline_)
        return;
    DrainBus();
    started_ = true;
    paused_ = false;
    // Playing on from the end ends at once: the pipeline stays at its end.
    if (!ended_ && gst_element_set_state(pipeline_, GST_STATE_PLAYING) == GST_STATE_CHANGE_ASYNC)
        WaitUntilSettled(kSettleTimeoutMs);
}

void tGstreamerPlayer::PauseResume() {
    if (!pipeline_)
        return;
    if (paused_) {
        Play();
        return;
    }
    HoldStill();
    started_ = true;
    paused_ = true;
}

void tGstreamerPlayer::Stop() {
    if (!pipeline_)
        return;
    HoldStill();
    started_ = paused_ = ended_ = false;
    SeekTo(0);
    ShowNewestPicture();
}

bool tGstreamerPlayer::IsPlaying() {
    if (!pipeline_)
        return false;
    DrainBus();
    return started_ && !ended_;
}

bool tGstreamerPlayer::IsPaused() {
    if (!pipeline_)
        return false;
    DrainBus();
    return paused_ && !ended_;
}

void tGstreamerPlayer::SetRate(double rate) {
    if (!pipeline_ || !std::isfinite(rate) || rate <= 0)
        return;
    rate_ = std::clamp(rate, kMinRate, kMaxRate);
    DrainBus();
    // At the end there is nothing to play faster; the rate goes with the next seek.
    if (!ended_)
        SeekTo(RawPositionNs());
}

double tGstreamerPlayer::GetRate() { return pipeline_ ? rate_ : 1.0; }

void tGstreamerPlayer::SetKey(int semitones) {
    const int key = std::clamp(semitones, kLowestKey, kHighestKey);
    if (!pitch_ || key == key_)
        return;
    key_ = key;
    pitch_->wanted = static_cast<float>(std::exp2(key_ / 12.0));
    // playbin queues a second of sound behind its filters, made in the old key; as for a change of
    // rate, the sound is made afresh from where the medium is.
    DrainBus();
    if (!ended_)
        SeekTo(RawPositionNs());
}

int tGstreamerPlayer::GetKey() { return pitch_ ? key_ : 0; }

void tGstreamerPlayer::ReadVideoSize() {
    GstPad* pad = videoCaps_ ? gst_element_get_static_pad(videoCaps_, "src") : nullptr;
    GstCaps* caps = pad ? gst_pad_get_current_caps(pad) : nullptr;
    if (caps) {
        const GstStructure* picture = gst_caps_get_structure(caps, 0);
        gst_structure_get_int(picture, "width", &videoWidth_);
        gst_structure_get_int(picture, "height", &videoHeight_);
        gst_caps_unref(caps);
    }
    if (pad)
        gst_object_unref(pad);
}

void tGstreamerPlayer::SetDisplayRect(const tDisplayRect& rect) {
    if (!videoCaps_ || videoWidth_ <= 0 || videoHeight_ <= 0)
        return;
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (width < kSmallestTarget || height < kSmallestTarget)
        return;
    FitInto(videoWidth_, videoHeight_, width, height);
    if (width == targetWidth_ && height == targetHeight_)
        return;
    targetWidth_ = width;
    targetHeight_ = height;
    // The scaler takes the new size with the next picture it makes.
    GstCaps* caps = PictureCaps(width, height);
    g_object_set(videoCaps_, "caps", caps, nullptr);
    gst_caps_unref(caps);
}

void tGstreamerPlayer::RefreshDisplay() {
    // Pausing fills the sinks with the picture after the one shown; it waits until it is due.
    if (pipeline_ && window_)
        ShowNewestPicture(NsToMs(RawPositionNs()));
}

void tGstreamerPlayer::ShowNewestPicture(int64_t dueBy) {
    if (!window_ || !shelf_)
        return;
    int64_t made = 0;
    int64_t passedOver = 0;
    GstSample* sample = shelf_->TakeDue(dueBy, made, passedOver);
    window_->CountDecoded(made);
    window_->CountDropped(passedOver);
    if (!sample)
        return;
    Bitmap picture = std::move(spare_);
    if (CopyPicture(sample, picture))
        spare_ = window_->Show(std::move(picture), std::max<int64_t>(PictureTimeMs(sample), 0));
    else
        spare_ = std::move(picture);
    gst_sample_unref(sample);
}

int tGstreamerPlayer::VideoWidth() { return pipeline_ ? videoWidth_ : 0; }
int tGstreamerPlayer::VideoHeight() { return pipeline_ ? videoHeight_ : 0; }

} // namespace lyrimo

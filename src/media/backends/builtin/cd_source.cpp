#include "media/backends/builtin/cd_source.h"

#include "app/app_services.h"

#include <QFile>

#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <chrono>
#include <cstring>

namespace lyrimo {
namespace {

constexpr int kCdRate = 44100;
constexpr int kFramesPerSector = CDIO_CD_FRAMESIZE_RAW / 4; // 588 stereo 16-bit frames
constexpr double kReadAheadSeconds = 2.0;

} // namespace

struct tCdSource::tDrive {
    cdrom_drive_t* drive = nullptr;
    cdrom_paranoia_t* paranoia = nullptr;
    SwrContext* resampler = nullptr;
    lsn_t first = 0;
    lsn_t last = 0;

    ~tDrive() {
        swr_free(&resampler);
        if (paranoia)
            cdio_paranoia_free(paranoia);
        if (drive)
            cdio_cddap_close(drive);
    }
};

std::unique_ptr<tCdSource> tCdSource::Open(const QString& device, int track, int outputRate,
                                           tOpenResult& result, QString& reason) {
    result = tOpenResult::NoDisc;
    auto drive = std::make_unique<tDrive>();
    drive->drive = cdio_cddap_identify(QFile::encodeName(device).constData(), CDDA_MESSAGE_FORGETIT, nullptr);
    if (!drive->drive || cdio_cddap_open(drive->drive) != 0) {
        reason = Translate("there is no audio CD in the drive");
        return nullptr;
    }
    const int tracks = cdio_cddap_tracks(drive->drive);
    if (track < 1 || track > tracks || !cdio_cddap_track_audiop(drive->drive, static_cast<track_t>(track))) {
        result = tOpenResult::NoSuchTrack;
        return nullptr;
    }
    drive->first = cdio_cddap_track_firstsector(drive->drive, static_cast<track_t>(track));
    drive->last = cdio_cddap_track_lastsector(drive->drive, static_cast<track_t>(track));
    drive->paranoia = cdio_paranoia_init(drive->drive);
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    if (drive->last < drive->first || !drive->paranoia ||
        swr_alloc_set_opts2(&drive->resampler, &stereo, AV_SAMPLE_FMT_FLT, outputRate, &stereo,
                            AV_SAMPLE_FMT_S16, kCdRate, 0, nullptr) < 0 ||
        swr_init(drive->resampler) < 0) {
        reason = Translate("the CD cannot be read");
        return nullptr;
    }
    cdio_paranoia_modeset(drive->paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    std::unique_ptr<tCdSource> source(new tCdSource(std::move(drive), outputRate));
    source->trackCount_ = tracks;
    source->StartReading(0);
    result = tOpenResult::Opened;
    return source;
}

tCdSource::tCdSource(std::unique_ptr<tDrive> drive, int outputRate)
    : drive_(std::move(drive)), outputRate_(outputRate) {
    const int64_t cdFrames = static_cast<int64_t>(drive_->last - drive_->first + 1) * kFramesPerSector;
    length_ = cdFrames * outputRate / kCdRate;
}

tCdSource::~tCdSource() { StopReading(); }

void tCdSource::StopReading() {
    stop_ = true;
    if (reader_.joinable())
        reader_.join();
    stop_ = false;
}

void tCdSource::StartReading(int64_t cdFrame) {
    {
        std::lock_guard lock(mutex_);
        buffer_.clear();
        bufferRead_ = 0;
        trackEnded_ = false;
    }
    swr_close(drive_->resampler);
    swr_init(drive_->resampler);
    reader_ = std::thread([this, cdFrame] { ReadAhead(cdFrame); });
}

void tCdSource::ReadAhead(int64_t cdFrame) {
    lsn_t sector = drive_->first + static_cast<lsn_t>(cdFrame / kFramesPerSector);
    int skip = static_cast<int>(cdFrame % kFramesPerSector);
    cdio_paranoia_seek(drive_->paranoia, sector, SEEK_SET);
    const size_t ahead = static_cast<size_t>(kReadAheadSeconds * outputRate_) * 2;
    std::vector<float> converted;
    // Converts CD frames (none: what the resampler still holds) onto the buffer.
    auto append = [&](const uint8_t* in, int frames) {
        const int capacity = swr_get_out_samples(drive_->resampler, frames);
        converted.resize(static_cast<size_t>(std::max(capacity, 0)) * 2);
        auto* out = reinterpret_cast<uint8_t*>(converted.data());
        const int made = swr_convert(drive_->resampler, &out, capacity, in ? &in : nullptr, frames);
        std::lock_guard lock(mutex_);
        buffer_.insert(buffer_.end(), converted.begin(), converted.begin() + std::max(made, 0) * 2);
    };
    auto bufferFull = [&] {
        std::lock_guard lock(mutex_);
        return buffer_.size() - bufferRead_ > ahead;
    };
    while (!stop_ && sector <= drive_->last) {
        if (bufferFull()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        const int16_t* samples = cdio_paranoia_read(drive_->paranoia, nullptr);
        ++sector;
        if (!samples)
            break;
        append(reinterpret_cast<const uint8_t*>(samples + skip * 2), kFramesPerSector - skip);
        skip = 0;
    }
    if (stop_)
        return;
    append(nullptr, 0);
    std::lock_guard lock(mutex_);
    trackEnded_ = true;
}

bool tCdSource::Seek(int64_t frame) {
    StopReading();
    const int64_t cdFrame =
        std::clamp<int64_t>(frame * kCdRate / outputRate_, 0,
                            static_cast<int64_t>(drive_->last - drive_->first + 1) * kFramesPerSector);
    StartReading(cdFrame);
    return true;
}

int tCdSource::Read(float* out, int frames) {
    std::lock_guard lock(mutex_);
    const size_t available = (buffer_.size() - bufferRead_) / 2;
    const size_t take = std::min(available, static_cast<size_t>(frames));
    std::memcpy(out, buffer_.data() + bufferRead_, take * 2 * sizeof(float));
    bufferRead_ += take * 2;
    if (bufferRead_ > buffer_.size() / 2) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(bufferRead_));
        bufferRead_ = 0;
    }
    return static_cast<int>(take);
}

bool tCdSource::Ended() const {
    std::lock_guard lock(mutex_);
    return trackEnded_ && bufferRead_ == buffer_.size();
}

} // namespace lyrimo

#include "media/backends/builtin/ffmpeg_support.h"

#include "app/app_services.h"

#include <QFile>

extern "C" {
#include <libavformat/avformat.h>
}

#include <mutex>

namespace lyrimo {
namespace {

// Only containers that carry sound or video: a playlist or a stream description disguised as a
// media file must not make the demuxer open other files or addresses.
constexpr const char* kFormatWhitelist =
    "wav,w64,mp3,ogg,flac,mov,mp4,m4a,3gp,aiff,au,matroska,webm,asf,avi,mpeg,mpegts,aac,ac3,eac3,caf,"
    "wv,ape,tta,voc,amr,mpc,mpc8,dts,truehd,mlp,dsf,sox,s16le,mpegvideo,m4v,h264,hevc,flv";

void QuietenLibraries() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

} // namespace

QString OpenFailureText(int error) {
    if (error == AVERROR(ENOENT))
        return Translate("the file does not exist");
    if (error == AVERROR(EACCES))
        return Translate("the file cannot be read");
    if (error == AVERROR_INVALIDDATA || error == AVERROR_DEMUXER_NOT_FOUND || error == AVERROR(EPERM))
        return Translate("the file is not in a format this player can read");
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return QString::fromUtf8(text);
}

bool OpenMediaContainer(const QString& fileName, AVFormatContext** format, QString& reason) {
    QuietenLibraries();
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    av_dict_set(&options, "format_whitelist", kFormatWhitelist, 0);
    const QByteArray url = "file:" + QFile::encodeName(fileName);
    const int error = avformat_open_input(format, url.constData(), nullptr, &options);
    av_dict_free(&options);
    if (error < 0) {
        reason = OpenFailureText(error);
        return false;
    }
    if (avformat_find_stream_info(*format, nullptr) < 0) {
        avformat_close_input(format);
        reason = Translate("the file is damaged");
        return false;
    }
    return true;
}

} // namespace lyrimo

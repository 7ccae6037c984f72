#include "document/song_loading.h"

#include "app/temp_files.h"
#include "document/song.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace lyrimo {

QString TimeStampText() { return QDateTime::currentDateTime().toString("HHmmssddMMyy"); }

int64_t TickCount() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QString StoredPathExtension(const QByteArray& path) {
    qsizetype dot = path.lastIndexOf('.');
    qsizetype separator = std::max({path.lastIndexOf('/'), path.lastIndexOf('\\'), path.lastIndexOf(':')});
    if (dot < 0 || dot < separator)
        return {};
    QString extension;
    for (char c : path.mid(dot)) {
        if (static_cast<unsigned char>(c) >= 0x20) // no control bytes in file names we make
            extension += QChar(static_cast<unsigned char>(c));
    }
    return extension;
}

QString CreateTempMediaFile(const QString& folder, const QString& extension, int* fdOut) {
    QString base = folder;
    if (!base.endsWith('/'))
        base += '/';
    base += '~' + TimeStampText() + QString::number(TickCount());
    for (int n = 0; n < 100000; ++n) {
        QString candidate = base + QString::number(n) + extension;
        int fd =
            ::open(QFile::encodeName(candidate).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            *fdOut = fd;
            TrackTempFile(candidate);
            return candidate;
        }
        if (errno != EEXIST)
            return {};
    }
    return {};
}

QString ExtractEmbeddedMedia(const tFileReader& song, int64_t offset, int64_t count,
                             const QByteArray& sourceMediaPath, const tCopyProgress& progress) {
    int fd = -1;
    QString path = CreateTempMediaFile(QDir::tempPath(), StoredPathExtension(sourceMediaPath), &fd);
    if (fd >= 0) {
        CopyBlockToFd(song, offset, count, fd, progress);
        ::close(fd);
    }
    return path;
}

QString ErrorText(int code) {
    if (code < 0)
        return Translate("Unknown Error") + " (" + QString::number(code) + ")";
    return QString::fromLocal8Bit(std::strerror(code));
}

void ShowNewerVersionWarning(const tLyrimoData& song) {
    if (!song.NewerVersion)
        return;
    const QString text =
        Translate("This file was created with a newer version of") + " Lyrimo, " +
        Translate("Whilst you can still use the file, some of the options/features") + " " +
        Translate("used in this file will be ignored by this version of") + " Lyrimo " +
        Translate("and will not be saved if you edit this file, and they will not be played if "
                  "you play this file") +
        "... " + Translate("It is recommended that you upgrade to the latest version of") + " " +
        Translate("Lyrimo ") + Translate("which can be downloaded from the") + " Lyrimo " +
        Translate("website") + "...";
    App().MessageBox(text, Translate("Warning"), mb::Ok | mb::IconInformation);
}

tEmbeddedProgress::~tEmbeddedProgress() {
    if (shown_)
        App().ProgressFinished(kind_);
}

tCopyProgress tEmbeddedProgress::Callback() {
    return [this](int64_t done, int64_t total) {
        if (Status().Quiet)
            return;
        shown_ = true;
        App().Progress(kind_, done, total, fileName_);
    };
}

} // namespace lyrimo

#include "document/binary_file.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lyrimo {

tFileReader::~tFileReader() { Close(); }

namespace {

// Only plain files hold songs: a FIFO or device named as one would block a reader, or
// never end.
int ErrorUnlessRegular(const struct stat& st) {
    if (S_ISREG(st.st_mode))
        return 0;
    return S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
}

} // namespace

int tFileReader::Open(const QString& path) {
    Close();
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        return errno;
    if (const int error = ErrorUnlessRegular(st))
        return error;
    // The file may be swapped for a FIFO after the check: opening never waits for a writer,
    // and the file is checked again once it is open.
    fd_ = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0)
        return errno;
    const int error = ::fstat(fd_, &st) != 0 ? errno : ErrorUnlessRegular(st);
    const int flags = ::fcntl(fd_, F_GETFL);
    if (error != 0 || flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int failure = error != 0 ? error : errno;
        Close();
        return failure;
    }
    size_ = st.st_size;
    return 0;
}

void tFileReader::Close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    size_ = 0;
    window_.clear();
    windowStart_ = 0;
}

int64_t tFileReader::ReadAt(int64_t pos, void* dst, int64_t count) const {
    constexpr int64_t kWindowSize = 64 * 1024;
    count = std::min(count, Available(pos));
    if (count <= 0)
        return 0;
    auto* out = static_cast<char*>(dst);
    if (count >= kWindowSize)
        return ReadDirect(pos, out, count);
    if (pos < windowStart_ || pos + count > windowStart_ + window_.size()) {
        window_.resize(std::min(kWindowSize, Available(pos)));
        windowStart_ = pos;
        window_.resize(ReadDirect(pos, window_.data(), window_.size()));
    }
    const int64_t got = std::clamp<int64_t>(windowStart_ + window_.size() - pos, 0, count);
    std::memcpy(out, window_.constData() + (pos - windowStart_), static_cast<size_t>(got));
    return got;
}

int64_t tFileReader::ReadDirect(int64_t pos, char* out, int64_t count) const {
    int64_t done = 0;
    while (done < count) {
        ssize_t n = ::pread(fd_, out + done, static_cast<size_t>(count - done), pos + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

bool tFileWriter::WriteOut(const char* src, int64_t count) {
    while (count > 0 && !failed_) {
        ssize_t n = ::write(fd_, src, static_cast<size_t>(count));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            failed_ = true;
        else {
            src += n;
            count -= n;
        }
    }
    return !failed_;
}

bool tFileWriter::Write(const void* src, int64_t count) {
    if (failed_)
        return false;
    constexpr qsizetype kBufferSize = 1 << 20;
    const auto* bytes = static_cast<const char*>(src);
    if (buffer_.size() + count > kBufferSize) {
        Flush();
        if (count >= kBufferSize) {
            pos_ += count;
            return WriteOut(bytes, count);
        }
    }
    buffer_.append(bytes, count);
    pos_ += count;
    return !failed_;
}

bool tFileWriter::Flush() {
    if (!buffer_.isEmpty()) {
        WriteOut(buffer_.constData(), buffer_.size());
        buffer_.clear();
    }
    return !failed_;
}

bool tFileWriter::Seek(int64_t pos) {
    if (!Flush())
        return false;
    if (::lseek(fd_, pos, SEEK_SET) != pos)
        failed_ = true;
    pos_ = pos;
    return !failed_;
}

void ReadBlock(const tFileReader& file, int64_t pos, int64_t count, QByteArray& out,
               const tCopyProgress& progress) {
    out.clear();
    // Never trust a stored size further than the file reaches.
    count = std::min(std::max<int64_t>(count, 0), file.Available(pos));
    out.resize(count);
    int64_t done = 0;
    while (done < count) {
        int64_t step = std::min(kCopyStep, count - done);
        int64_t got = file.ReadAt(pos + done, out.data() + done, step);
        done += got;
        if (progress)
            progress(done, count);
        if (got < step)
            break;
    }
    out.resize(done);
}

bool CopyBlockToFd(const tFileReader& file, int64_t pos, int64_t count, int fd,
                   const tCopyProgress& progress) {
    tFileWriter writer(fd);
    QByteArray chunk;
    count = std::max<int64_t>(count, 0);
    for (int64_t done = 0; done < count;) {
        int64_t step = std::min(kCopyStep, count - done);
        chunk.resize(step);
        int64_t got = file.ReadAt(pos + done, chunk.data(), step);
        if (!writer.Write(chunk.constData(), got))
            return false;
        done += got;
        if (progress)
            progress(done, count);
        if (got < step)
            break;
    }
    return writer.Flush();
}

bool ReadWholeFile(const QString& path, QByteArray& out, int64_t maxBytes) {
    out.clear();
    QFileInfo info(path);
    if (path.isEmpty() || !info.isFile() || info.size() > maxBytes)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    out = file.readAll();
    return out.size() <= maxBytes;
}

} // namespace lyrimo

namespace lyrimo {
namespace {

mode_t NewFileMode() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

int tAtomicFile::Create() {
    QFileInfo info(target_);
    if (info.isSymLink() && info.exists())
        target_ = info.canonicalFilePath(); // replace the file the link points to, not the link
    info = QFileInfo(target_);
    if (info.isDir())
        return EISDIR;
    QByteArray pattern = QFile::encodeName(info.absolutePath() + "/." + info.fileName() + ".XXXXXX");
    fd_ = ::mkstemp(pattern.data());
    if (fd_ < 0)
        return errno;
    tempPath_ = pattern;
    ::fcntl(fd_, F_SETFD, FD_CLOEXEC);
    struct stat st {};
    const QByteArray target = QFile::encodeName(target_);
    mode_t mode = ::stat(target.constData(), &st) == 0 ? (st.st_mode & 07777) : NewFileMode();
    ::fchmod(fd_, mode);
    return 0;
}

bool tAtomicFile::Commit() {
    if (fd_ < 0)
        return false;
    bool ok = ::fsync(fd_) == 0;
    ok = ::close(fd_) == 0 && ok;
    fd_ = -1;
    ok = ok && ::rename(tempPath_.constData(), QFile::encodeName(target_).constData()) == 0;
    if (!ok)
        ::unlink(tempPath_.constData());
    tempPath_.clear();
    return ok;
}

void tAtomicFile::Discard() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!tempPath_.isEmpty())
        ::unlink(tempPath_.constData());
    tempPath_.clear();
}

} // namespace lyrimo

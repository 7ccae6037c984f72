// Plain binary file access for the song file reader and writer: positional reads
// that report short reads, and a buffered, seekable writer whose first failure sticks.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

namespace lyrimo {

class tFileReader {
public:
    tFileReader() = default;
    ~tFileReader();
    tFileReader(const tFileReader&) = delete;
    tFileReader& operator=(const tFileReader&) = delete;

    // 0, or the errno of the failed open.
    int Open(const QString& path);
    void Close();
    int64_t Size() const { return size_; }

    // Reads up to count bytes at pos; returns how many arrived (fewer at the end of the file).
    int64_t ReadAt(int64_t pos, void* dst, int64_t count) const;
    // Bytes from pos to the end of the file, 0 when pos lies outside it.
    int64_t Available(int64_t pos) const { return pos >= 0 && pos < size_ ? size_ - pos : 0; }

private:
    int64_t ReadDirect(int64_t pos, char* dst, int64_t count) const;

    int fd_ = -1;
    int64_t size_ = 0;
    // Small reads are served from one window of the file, so that reading a song's
    // many small records costs few system calls.
    mutable QByteArray window_;
    mutable int64_t windowStart_ = 0;
};

class tFileWriter {
public:
    explicit tFileWriter(int fd) : fd_(fd) {}
    tFileWriter(const tFileWriter&) = delete;
    tFileWriter& operator=(const tFileWriter&) = delete;

    bool Write(const void* src, int64_t count);
    bool Write(const QByteArray& bytes) { return Write(bytes.constData(), bytes.size()); }
    bool Seek(int64_t pos);
    bool Flush();
    int64_t Pos() const { return pos_; }
    bool Failed() const { return failed_; }

private:
    bool WriteOut(const char* src, int64_t count);

    int fd_;
    int64_t pos_ = 0;
    bool failed_ = false;
    QByteArray buffer_;
};

// Called with bytes done and total while embedded objects are copied.
using tCopyProgress = std::function<void(int64_t done, int64_t total)>;

// Bytes moved per step when embedded objects are copied.
constexpr int64_t kCopyStep = 256 * 1024;

// Reads count bytes at pos into out, stopping at the end of the file; out holds what arrived.
void ReadBlock(const tFileReader& file, int64_t pos, int64_t count, QByteArray& out,
               const tCopyProgress& progress = {});

// Copies count bytes at pos of the song file into the file descriptor; false when a write fails.
bool CopyBlockToFd(const tFileReader& file, int64_t pos, int64_t count, int fd,
                   const tCopyProgress& progress = {});

// Reads a whole regular file of at most maxBytes; false (and out empty) otherwise.
bool ReadWholeFile(const QString& path, QByteArray& out, int64_t maxBytes);

// The file named by a stored file name field; empty when the field cannot name a file.
inline QString PathFromField(const QByteArray& field) {
    return field.isEmpty() || field.contains('\0') ? QString() : QString::fromLocal8Bit(field);
}

} // namespace lyrimo

namespace lyrimo {

// A file that replaces its target only when completely written: the new content
// goes to a temporary file beside the target, which is renamed over it on Commit.
class tAtomicFile {
public:
    explicit tAtomicFile(const QString& target) : target_(target) {}
    ~tAtomicFile() { Discard(); }
    tAtomicFile(const tAtomicFile&) = delete;
    tAtomicFile& operator=(const tAtomicFile&) = delete;

    // 0, or the errno of creating the temporary file.
    int Create();
    int Fd() const { return fd_; }
    // Flushes to disk and renames over the target; false (and nothing replaced) on failure.
    bool Commit();
    // Removes the temporary file; the target is untouched.
    void Discard();

private:
    QString target_;
    QByteArray tempPath_;
    int fd_ = -1;
};

} // namespace lyrimo

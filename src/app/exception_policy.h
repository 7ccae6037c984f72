// The decisions of the application's error handler: what an error is called, which
// errors the user silenced for good, when repeated errors are shown, and the texts
// of the handler's questions.
#pragma once

#include <QString>

#include <cstdint>
#include <typeinfo>

class QSettings;

namespace lyrimo {

struct tErrorInfo {
    QString className; // the type's own name, without namespaces
    QString message;
};

// The class name of a type as written in the source, without its namespaces.
QString ClassNameOf(const std::type_info& type);

// Describes the exception the caller's catch block is handling.
tErrorInfo DescribeCurrentException();

// "SongError: message" for a tSongError; the key under which the error is silenced.
QString ErrorKey(const tErrorInfo& error);

class tExceptionPolicy {
public:
    static constexpr int64_t BurstMs = 500;

    // store holds the silenced errors; without one the user's settings store is opened on
    // every use, so that a silenced error stays silenced across runs.
    explicit tExceptionPolicy(QSettings* store = nullptr) : store_(store) {}

    bool IsSilenced(const QString& key) const;
    // Never show this error again. A store that cannot be written is ignored.
    void Silence(const QString& key) noexcept;

    // Whether an error arriving at nowMs is shown: errors the user silenced never are, and
    // errors within BurstMs of the last report are not (a burst of errors shows once).
    bool ShouldReport(const QString& key, int64_t nowMs) const;
    void RecordReported(int64_t nowMs);

private:
    bool WithinBurst(int64_t nowMs) const;

    QSettings* store_;
    bool reportedOnce_ = false;
    int64_t lastReportMs_ = 0;
};

// The settings store's name for an error key: the store treats '/' and '\' as group
// separators, so they are escaped (as is the escape character '%').
QString StoredNameOfKey(const QString& key);

// Texts of the error report and the questions that follow it, translated.
QString ProblemReportTitle();
QString ProblemReportText(const QString& key);
QString QuitQuestionTitle();
QString QuitQuestionText();
QString ReportQuestionTitle();
QString ReportQuestionText();

} // namespace lyrimo

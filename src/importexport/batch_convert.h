// Batch conversion: a queue of karaoke files imported one at a time, each stamped with one of
// the chosen import templates (picked at random) and saved as a song beside the others in an
// output folder. One file per Step, so a window can run it from a timer and stay responsive.
#pragma once

#include "importexport/import_common.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <random>
#include <vector>

class QSettings;

namespace lyrimo {

// Whether a file's extension is one batch conversion takes.
bool IsConvertibleFile(const QString& path);

// The folder with a path separator at its end ("" stays the current folder).
QString OutputFolderWithSeparator(const QString& folder);

// folder + the input's base name + ".lym", or with 1, 2, 3 ... after the base name while that
// file exists. folder ends with a separator.
QString UniqueOutputName(const QString& folder, const QString& inputPath);

struct tConversionResult {
    QString input;
    QString output;       // the song written; empty when nothing was
    QString templateName; // the template stamped on it
    bool converted = false;
    QString reason; // why it failed
};

struct tChosenTemplate {
    QString name;
    QByteArray value; // empty for the default template, which changes nothing
};

// The chosen templates with their stored values, read once for a whole run. A name whose
// value is missing stays chosen and applies as the default does.
std::vector<tChosenTemplate> ReadChosenTemplates(QSettings& store, const QStringList& names);

class tBatchConverter {
public:
    // With no template chosen, every file keeps the importer's own settings.
    tBatchConverter(QStringList files, std::vector<tChosenTemplate> templates, QString outputFolder,
                    uint32_t seed = std::random_device{}());

    bool Finished() const { return queue_.isEmpty(); }
    // Converts the first file of the queue; false when the queue was empty. progress is
    // handed to the importer.
    bool Step(const tImportProgress& progress = {});

    // Which file and template the next Step takes; empty when finished.
    QString NextFile() const { return queue_.isEmpty() ? QString() : queue_.first(); }
    // Picks the template of the next file, so that it can be shown before the import starts.
    const QString& NextTemplate();

    const QStringList& Queue() const { return queue_; }
    int Total() const { return total_; }
    int Done() const { return static_cast<int>(results_.size()); }
    const std::vector<tConversionResult>& Results() const { return results_; }
    int ConvertedCount() const;
    int FailedCount() const { return Done() - ConvertedCount(); }

    // "12 converted, 1 failed: song.kar (why)", for the end of a run.
    QString Summary() const;

private:
    tConversionResult Convert(const QString& file, const tChosenTemplate& chosen,
                              const tImportProgress& progress);

    QStringList queue_;
    std::vector<tChosenTemplate> templates_;
    QString folder_;
    std::mt19937 random_;
    int total_;
    int nextTemplate_ = -1; // picked for the first file of the queue, -1 before the pick
    QString nextTemplateName_;
    std::vector<tConversionResult> results_;
};

} // namespace lyrimo

#include "importexport/batch_convert.h"

#include "app/app_services.h"
#include "document/import_template.h"
#include "document/song_loading.h"
#include "importexport/import_dispatch.h"

#include <QFileInfo>

namespace lyrimo {
namespace {

// Sets the quiet flag for one conversion and puts back what it was.
class tQuietConversion {
public:
    tQuietConversion() : previous_(Status().Quiet) { Status().Quiet = true; }
    ~tQuietConversion() { Status().Quiet = previous_; }
    tQuietConversion(const tQuietConversion&) = delete;
    tQuietConversion& operator=(const tQuietConversion&) = delete;

private:
    bool previous_;
};

QString FirstGathered(const tGatheredMessages& gathered) {
    return gathered.Messages().isEmpty() ? QString() : gathered.Messages().first();
}

} // namespace

bool IsConvertibleFile(const QString& path) {
    return ImportableExtensions().contains(QFileInfo(path).suffix().toUpper());
}

QString OutputFolderWithSeparator(const QString& folder) {
    return folder.isEmpty() || folder.endsWith('/') ? folder : folder + '/';
}

QString UniqueOutputName(const QString& folder, const QString& inputPath) {
    const QString base = folder + QFileInfo(inputPath).completeBaseName();
    QString name = base + ".lym";
    for (int n = 1; QFileInfo::exists(name); ++n)
        name = base + QString::number(n) + ".lym";
    return name;
}

std::vector<tChosenTemplate> ReadChosenTemplates(QSettings& store, const QStringList& names) {
    std::vector<tChosenTemplate> chosen;
    for (const QString& name : names)
        chosen.push_back({name, TemplateValue(store, name)});
    return chosen;
}

tBatchConverter::tBatchConverter(QStringList files, std::vector<tChosenTemplate> templates,
                                 QString outputFolder, uint32_t seed)
    : queue_(std::move(files)), templates_(std::move(templates)),
      folder_(OutputFolderWithSeparator(outputFolder)), random_(seed),
      total_(static_cast<int>(queue_.size())) {
    if (templates_.empty())
        templates_.push_back({kDefaultTemplateName, {}});
}

const QString& tBatchConverter::NextTemplate() {
    if (nextTemplate_ < 0 && !queue_.isEmpty()) {
        std::uniform_int_distribution<int> pick(0, static_cast<int>(templates_.size()) - 1);
        nextTemplate_ = pick(random_);
    }
    static const QString none;
    return nextTemplate_ < 0 ? none : templates_[nextTemplate_].name;
}

bool tBatchConverter::Step(const tImportProgress& progress) {
    if (queue_.isEmpty())
        return false;
    NextTemplate();
    const tChosenTemplate& chosen = templates_[nextTemplate_];
    const QString file = queue_.takeFirst();
    nextTemplate_ = -1;
    results_.push_back(Convert(file, chosen, progress));
    return true;
}

tConversionResult tBatchConverter::Convert(const QString& file, const tChosenTemplate& chosen,
                                           const tImportProgress& progress) {
    tConversionResult result{file, {}, chosen.name, false, {}};
    tQuietConversion quiet;
    tGatheredMessages gathered;
    tLyrimoData song;
    // The importers say why they fail only when they have a progress callback to report to.
    const tImportProgress reporting = progress ? progress : [](QObject*, tLyrimoData&, int, int, int, int) {};
    if (!ImportByExtension(file, song, reporting)) {
        const QString said = FirstGathered(gathered);
        result.reason = said.isEmpty() ? ImportFailureText(file) : said;
        return result;
    }
    ApplyTemplateValue(chosen.value, song);
    // Looked for again just before writing, so that a file that appeared meanwhile is kept.
    const QString output = UniqueOutputName(folder_, file);
    if (const int saved = song.SaveToFile(output); saved != 0) {
        const QString why =
            saved == -1 ? Translate("writing failed, nothing was replaced") : ErrorText(saved);
        result.reason = Translate("could not save") + " " + output + ": " + why;
        return result;
    }
    result.output = output;
    result.converted = true;
    return result;
}

int tBatchConverter::ConvertedCount() const {
    int converted = 0;
    for (const tConversionResult& r : results_)
        converted += r.converted ? 1 : 0;
    return converted;
}

QString tBatchConverter::Summary() const {
    QString text = QString::number(ConvertedCount()) + " " + Translate("converted") + ", " +
                   QString::number(FailedCount()) + " " + Translate("failed");
    QStringList failures;
    for (const tConversionResult& r : results_)
        if (!r.converted)
            failures << QFileInfo(r.input).fileName() + " (" + r.reason + ")";
    if (!failures.isEmpty())
        text += ": " + failures.join("; ");
    return text;
}

} // namespace lyrimo

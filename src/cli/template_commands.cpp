#include "cli/template_commands.h"

#include "cli/cli_support.h"

#include "app/app_services.h"
#include "app/settings.h"
#include "document/import_template.h"
#include "document/song.h"
#include "importexport/batch_convert.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <cstdio>

namespace lyrimo {
namespace {

constexpr const char* kTemplateUsage =
    "template list | save NAME SONG.lym | apply NAME SONG.lym | delete NAME";
constexpr const char* kBatchUsage = "batch-convert [--template NAME]... [--out DIR] FILE|FOLDER...";

int ListCommand(QSettings& store) {
    for (const QString& name : ListTemplates(store, true))
        std::printf("%s\n", qUtf8Printable(name));
    return 0;
}

int SaveCommand(QSettings& store, const QString& name, const QString& songPath) {
    if (name == kDefaultTemplateName) {
        PrintError("\"" + name + "\" stands for no template and cannot be saved over");
        return 1;
    }
    tLyrimoData song;
    if (const int result = song.LoadFromFile(songPath, false)) {
        PrintError("cannot load " + songPath + ": " + LoadResultText(result));
        return 1;
    }
    if (!SaveTemplate(store, name, song)) {
        PrintError("cannot store the template in " + store.fileName());
        return 1;
    }
    return 0;
}

int ApplyCommand(QSettings& store, const QString& name, const QString& songPath) {
    if (name == kDefaultTemplateName) {
        PrintError("\"" + name + "\" changes nothing; " + songPath + " is left as it was");
        return 1;
    }
    const QByteArray value = TemplateValue(store, name);
    if (value.size() <= 1) {
        PrintError("there is no template named \"" + name + "\"");
        return 1;
    }
    tLyrimoData song;
    if (const int result = song.LoadFromFile(songPath, true)) {
        PrintError("cannot load " + songPath + ": " + LoadResultText(result));
        return 1;
    }
    ApplyTemplateValue(value, song);
    if (const int result = song.SaveToFile(songPath)) {
        PrintError("cannot save " + songPath + ": " + SaveResultText(result));
        return 1;
    }
    return 0;
}

int DeleteCommand(QSettings& store, const QString& name) {
    if (!TemplateExists(store, name)) {
        PrintError("there is no template named \"" + name + "\"");
        return 1;
    }
    DeleteTemplate(store, name);
    return 0;
}

// A folder stands for the files in it that can be converted, in name order.
QStringList ExpandInputs(const QStringList& inputs) {
    QStringList files;
    for (const QString& input : inputs) {
        if (!QFileInfo(input).isDir()) {
            files << input;
            continue;
        }
        const QDir folder(input);
        for (const QString& name : folder.entryList(QDir::Files, QDir::Name))
            if (IsConvertibleFile(name))
                files << folder.filePath(name);
    }
    return files;
}

void PrintResult(const tConversionResult& r) {
    if (r.converted)
        std::printf("converted %s -> %s (%s)\n", qUtf8Printable(r.input), qUtf8Printable(r.output),
                    qUtf8Printable(r.templateName));
    else
        std::printf("FAILED %s: %s\n", qUtf8Printable(r.input), qUtf8Printable(r.reason));
    std::fflush(stdout);
}

} // namespace

int RunTemplateCommand(const QStringList& args) {
    const QString action = args.value(0);
    const std::unique_ptr<QSettings> store = OpenSettingsStore();
    if (action == "list" && args.size() == 1)
        return ListCommand(*store);
    if (action == "save" && args.size() == 3)
        return SaveCommand(*store, args[1], args[2]);
    if (action == "apply" && args.size() == 3)
        return ApplyCommand(*store, args[1], args[2]);
    if (action == "delete" && args.size() == 2)
        return DeleteCommand(*store, args[1]);
    return UsageError(action.isEmpty() ? QString("template needs an action") : "cannot " + args.join(' '),
                      kTemplateUsage);
}

int RunBatchConvertCommand(const QStringList& args) {
    QStringList templates, inputs;
    QString folder = QDir::currentPath();
    for (int i = 0; i < args.size(); ++i) {
        if ((args[i] == "--template" || args[i] == "--out") && i + 1 >= args.size())
            return UsageError(args[i] + " needs a value", kBatchUsage);
        if (args[i] == "--template")
            templates << args[++i];
        else if (args[i] == "--out")
            folder = args[++i];
        else if (args[i].startsWith("--"))
            return UsageError("unknown option " + args[i], kBatchUsage);
        else
            inputs << args[i];
    }
    const QStringList files = ExpandInputs(inputs);
    if (files.isEmpty())
        return UsageError("batch-convert needs files or folders to convert", kBatchUsage);
    if (!QFileInfo(folder).isDir()) {
        PrintError("the output folder " + folder + " does not exist");
        return 1;
    }
    const std::unique_ptr<QSettings> store = OpenSettingsStore();
    for (const QString& name : templates)
        if (name != kDefaultTemplateName && !TemplateExists(*store, name)) {
            PrintError("there is no template named \"" + name + "\"");
            return 1;
        }

    tBatchConverter converter(files, ReadChosenTemplates(*store, templates), folder);
    while (!converter.Finished()) {
        std::fprintf(stderr, "[%d/%d] %s\n", converter.Done() + 1, converter.Total(),
                     qUtf8Printable(converter.NextFile()));
        converter.Step();
        PrintResult(converter.Results().back());
    }
    std::fprintf(stderr, "%s\n", qUtf8Printable(converter.Summary()));
    return converter.FailedCount() == 0 ? 0 : 1;
}

} // namespace lyrimo

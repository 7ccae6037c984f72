#include "desktop/file_types.h"

#include "app/atomic_file.h"
#include "app/command_line.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

// The desktop files are compiled into the program's static library; nothing else refers to them,
// so they are registered by name before they are read.
static void InitDesktopResources() { Q_INIT_RESOURCE(desktop_files); }

namespace lyrimo {
namespace {

constexpr const char* kDesktopEntries[] = {"lyrimo.desktop", "lyrimo.editor.desktop",
                                           "lyrimo-batch-play.desktop", "lyrimo-batch-setup.desktop",
                                           "lyrimo-import.desktop"};
constexpr const char* kOwnTypes[][2] = {{"application/x-lyrimo-song", "lyrimo.desktop"},
                                        {"application/x-lyrimo-playlist", "lyrimo-batch-play.desktop"}};

QByteArray Resource(const QString& name) {
    static const bool initialised = (InitDesktopResources(), true);
    Q_UNUSED(initialised);
    QFile file(":/desktop/" + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A text as a desktop entry's string values take it.
QByteArray StringEscaped(const QString& text) { return text.toUtf8().replace("\\", "\\\\"); }

// A path as a desktop entry's Exec key takes it: quoted, with the characters that need it escaped.
QByteArray ExecQuoted(const QString& path) {
    QString quoted = path;
    quoted.replace("%", "%%");
    for (const char* special : {"\\", "\"", "`", "$"})
        quoted.replace(special, QString("\\") + special);
    return StringEscaped("\"" + quoted + "\"");
}

bool WriteWhole(const QString& path, const QByteArray& bytes) {
    if (bytes.isEmpty() || !QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    return WriteFileAtomically(path, bytes);
}

QByteArray Filled(const QString& resource, const tRegistrationPlaces& places) {
    QByteArray text = Resource(resource);
    text.replace("@PROGRAM@", ExecQuoted(places.program));
    text.replace("@PROGRAM_FILE@", StringEscaped(places.program));
    text.replace("@THUMBNAILER@", ExecQuoted(places.thumbnailer));
    text.replace("@THUMBNAILER_FILE@", StringEscaped(places.thumbnailer));
    return text;
}

bool WriteMimePackage(const tRegistrationPlaces& places, const tToolRunner& runTool) {
    const QString mime = places.dataHome + "/mime";
    return WriteWhole(mime + "/packages/lyrimo.xml", Resource("lyrimo.xml")) &&
           runTool("update-mime-database", {mime});
}

bool WriteDesktopEntries(const tRegistrationPlaces& places, const tToolRunner& runTool) {
    const QString folder = places.dataHome + "/applications";
    bool written = true;
    for (const char* entry : kDesktopEntries)
        written = WriteWhole(folder + "/" + entry, Filled(entry, places)) && written;
    return written && runTool("update-desktop-database", {folder});
}

bool WriteIcon(const tRegistrationPlaces& places) {
    const QString icons = places.dataHome + "/icons/hicolor/scalable";
    const QByteArray icon = Resource("lyrimo.svg");
    return WriteWhole(icons + "/apps/lyrimo.svg", icon) &&
           WriteWhole(icons + "/mimetypes/application-x-lyrimo-song.svg", icon) &&
           WriteWhole(icons + "/mimetypes/application-x-lyrimo-playlist.svg", icon);
}

bool WriteThumbnailer(const tRegistrationPlaces& places) {
    return WriteWhole(places.dataHome + "/thumbnailers/lyrimo.thumbnailer",
                      Filled("lyrimo.thumbnailer", places));
}

bool SetDefaults(const tRegistrationPlaces& places) {
    const QString path = places.configHome + "/mimeapps.list";
    QFile existing(path);
    QString text;
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            return false;
        text = QString::fromUtf8(existing.readAll());
    }
    QString updated = text;
    for (const auto& [type, entry] : kOwnTypes)
        updated = WithDefaultApplication(updated, type, entry);
    return updated == text || WriteWhole(path, updated.toUtf8());
}

} // namespace

tRegistrationPlaces StandardRegistrationPlaces() {
    tRegistrationPlaces places;
    places.dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    places.configHome = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    places.program = QCoreApplication::applicationFilePath();
    places.thumbnailer = QFileInfo(places.program).absolutePath() + "/lyrimo-thumbnailer";
    if (!QFileInfo(places.thumbnailer).isExecutable()) // the build tree keeps it in a folder of its own
        places.thumbnailer = QFileInfo(places.program).absolutePath() + "/../cli/lyrimo-thumbnailer";
    places.thumbnailer = QFileInfo(places.thumbnailer).absoluteFilePath();
    places.installed = places.program.startsWith("/usr/");
    return places;
}

bool RunDesktopTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

QStringList RegisterFileTypes(const tRegistrationPlaces& places, const tToolRunner& runTool) {
    QStringList failed;
    auto step = [&failed](const char* name, bool succeeded) {
        if (!succeeded)
            failed << name;
    };
    if (!places.installed) {
        step("file types", WriteMimePackage(places, runTool));
        step("desktop entries", WriteDesktopEntries(places, runTool));
        step("icons", WriteIcon(places));
        step("thumbnailer", WriteThumbnailer(places));
    }
    step("default programs", SetDefaults(places));
    return failed;
}

QString TypesRegisteredKey() {
    const tProgramVersion version = ProgramVersion();
    return "TypesRegistered/" + VersionNumberText(version.major, version.minor);
}

bool RegisterFileTypesOnFirstStart(QSettings& store, const tRegistrationPlaces& places,
                                   const tToolRunner& runTool) {
    if (store.value(TypesRegisteredKey()).toBool())
        return false;
    if (RegisterFileTypes(places, runTool).isEmpty())
        store.setValue(TypesRegisteredKey(), true);
    return true;
}

QString WithDefaultApplication(const QString& mimeApps, const QString& type, const QString& entry) {
    QStringList lines = mimeApps.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    const qsizetype section = lines.indexOf("[Default Applications]");
    if (section < 0) {
        if (!lines.isEmpty())
            lines << QString();
        lines << "[Default Applications]" << type + "=" + entry;
        return lines.join('\n') + "\n";
    }
    qsizetype end = section + 1;
    for (; end < lines.size() && !lines[end].startsWith('['); ++end) {
        if (lines[end].section('=', 0, 0).trimmed() == type)
            return mimeApps;
    }
    while (end > section + 1 && lines[end - 1].trimmed().isEmpty())
        --end;
    lines.insert(end, type + "=" + entry);
    return lines.join('\n') + "\n";
}

} // namespace lyrimo

#include "cli/config_command.h"

#include "app/settings.h"
#include "app/settings_text.h"

#include <QSettings>

#include <cstdio>

namespace lyrimo {
namespace {

constexpr const char* kConfigUsage =
    "Usage:\n"
    "  lyrimo-cli config list              every preference as Section/Name=value\n"
    "  lyrimo-cli config get KEY           one preference; KEY is Section/Name\n"
    "  lyrimo-cli config set KEY VALUE     change one preference\n";

void PrintLine(const QString& text) {
    const QByteArray bytes = text.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
}

int Fail(const QString& message) {
    std::fprintf(stderr, "lyrimo-cli: %s\n", qUtf8Printable(message));
    return 1;
}

tSettingsClass LoadedSettings() {
    tSettingsClass settings;
    settings.Load(*OpenSettingsStore());
    return settings;
}

int List() {
    for (const tSettingLine& line : SettingLines(LoadedSettings()))
        PrintLine(line.key + '=' + line.value);
    return 0;
}

int Get(const QString& key) {
    const std::optional<QString> value = SettingText(LoadedSettings(), key);
    if (!value)
        return Fail(UnknownSettingMessage(key));
    PrintLine(*value);
    return 0;
}

int Set(const QString& key, const QString& value) {
    const QString problem = StoreSettingText(*OpenSettingsStore(), key, value);
    return problem.isEmpty() ? 0 : Fail(problem);
}

} // namespace

int RunConfigCommand(const QStringList& args) {
    const QString action = args.value(0);
    if (action == "list" && args.size() == 1)
        return List();
    if (action == "get" && args.size() == 2)
        return Get(args[1]);
    if (action == "set" && args.size() == 3)
        return Set(args[1], args[2]);
    std::fputs(kConfigUsage, stderr);
    return 2;
}

} // namespace lyrimo

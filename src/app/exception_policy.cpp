#include "app/exception_policy.h"

#include "app/app_services.h"
#include "app/settings.h"

#include <QSettings>

#include <cstdlib>
#include <cxxabi.h>
#include <exception>
#include <memory>

namespace lyrimo {
namespace {

const char* const kSection = "Exceptions";

QString Demangled(const char* mangled) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(mangled, nullptr, nullptr, &status),
                                                std::free);
    return QString::fromUtf8(status == 0 && name ? name.get() : mangled);
}

// Drops "ns::" qualifiers, leaving those inside template arguments alone.
QString WithoutNamespaces(const QString& name) {
    int depth = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i + 1 < name.size(); ++i) {
        const QChar c = name[i];
        if (c == '<' || c == '(')
            ++depth;
        else if (c == '>' || c == ')')
            --depth;
        else if (depth == 0 && c == ':' && name[i + 1] == ':')
            start = i + 2;
    }
    return name.mid(start);
}

// Our classes carry a "t" (windows a "T") before their capitalised name; the error's key
// leaves it out. Names that merely begin with the letter, such as "type_error", keep it.
QString WithoutClassPrefix(const QString& name) {
    if (name.size() >= 2 && (name[0] == 'T' || name[0] == 't') && name[1].isUpper())
        return name.mid(1);
    return name;
}

bool ReadsAsTrue(const QVariant& value) {
    bool isNumber = false;
    const int number = value.toInt(&isNumber);
    if (isNumber)
        return number != 0;
    return value.toString().compare("true", Qt::CaseInsensitive) == 0;
}

template <typename Use>
auto WithStore(QSettings* injected, Use use) {
    if (injected)
        return use(*injected);
    const std::unique_ptr<QSettings> store = OpenSettingsStore();
    return use(*store);
}

} // namespace

QString ClassNameOf(const std::type_info& type) { return WithoutNamespaces(Demangled(type.name())); }

tErrorInfo DescribeCurrentException() {
    tErrorInfo info{"Exception", "Unknown Error"};
    if (!std::current_exception())
        return info;
    if (const std::type_info* type = abi::__cxa_current_exception_type())
        info.className = ClassNameOf(*type);
    try {
        throw;
    } catch (const std::exception& e) {
        info.message = QString::fromUtf8(e.what());
    } catch (...) {
    }
    return info;
}

QString ErrorKey(const tErrorInfo& error) {
    return WithoutClassPrefix(error.className) + ": " + error.message;
}

QString StoredNameOfKey(const QString& key) {
    QString name = key;
    name.replace('%', "%25").replace('/', "%2F").replace('\\', "%5C");
    return name;
}

bool tExceptionPolicy::IsSilenced(const QString& key) const {
    return WithStore(store_, [&](QSettings& store) {
        store.beginGroup(kSection);
        const bool silenced = ReadsAsTrue(store.value(StoredNameOfKey(key)));
        store.endGroup();
        return silenced;
    });
}

void tExceptionPolicy::Silence(const QString& key) noexcept {
    try {
        WithStore(store_, [&](QSettings& store) {
            store.beginGroup(kSection);
            store.setValue(StoredNameOfKey(key), 1);
            store.endGroup();
            store.sync();
            return 0;
        });
    } catch (...) {
        // Silencing is a convenience; the error simply shows again next time.
    }
}

bool tExceptionPolicy::WithinBurst(int64_t nowMs) const {
    return reportedOnce_ && nowMs - lastReportMs_ < BurstMs;
}

bool tExceptionPolicy::ShouldReport(const QString& key, int64_t nowMs) const {
    return !WithinBurst(nowMs) && !IsSilenced(key);
}

void tExceptionPolicy::RecordReported(int64_t nowMs) {
    lastReportMs_ = nowMs;
    reportedOnce_ = true;
}

QString ProblemReportTitle() { return "Lyrimo " + Translate("has encountered a problem"); }

QString ProblemReportText(const QString& key) {
    return key + "\n\n" + Translate("Press Abort to Quit") + " Lyrimo (" +
           Translate("unsaved work will be lost") + ")\n" + Translate("Retry to try to continue, or") + "\n" +
           Translate("Ignore to attempt to never show this error again");
}

QString QuitQuestionTitle() { return Translate("Warning"); }

QString QuitQuestionText() {
    return Translate("Are you sure you want to quit?") + " " + Translate("unsaved work will be lost") + "?";
}

QString ReportQuestionTitle() { return Translate("Report Problem?"); }

QString ReportQuestionText() {
    return Translate("Would you like to report this problem to the creators of Lyrimo?");
}

} // namespace lyrimo

#include "ui/exception_handler.h"

#include "app/app_services.h"
#include "app/start_program.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace lyrimo {
namespace {

std::unique_ptr<tExHandler> g_handler;

int64_t SteadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

[[noreturn]] void EndAtOnce(int exitCode) {
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

bool StartAndWait(const QString& program, const QStringList& arguments) {
    return StartProgram(program, arguments, true, true);
}

// Restores a flag when the scope ends, however it ends.
class tFlagGuard {
public:
    explicit tFlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~tFlagGuard() { flag_ = false; }
    tFlagGuard(const tFlagGuard&) = delete;
    tFlagGuard& operator=(const tFlagGuard&) = delete;

private:
    bool& flag_;
};

} // namespace

tExHandler::tExHandler(QSettings* store)
    : reportBox(PlatformReportBox), endApplication(EndAtOnce), clockMs(SteadyMs),
      reportProgram(DefaultReportProgram()), startReporter(StartAndWait), policy_(store) {}

void tExHandler::HandleCurrentException() noexcept {
    try {
        Handle(DescribeCurrentException());
    } catch (...) {
        // A failure while reporting a failure has nowhere left to go.
    }
}

void tExHandler::Handle(const tErrorInfo& error) {
    // Errors raised while the report is open (a timer that keeps failing, say) would
    // otherwise pile up boxes on top of it.
    if (reporting_)
        return;
    const QString key = ErrorKey(error);
    if (!policy_.ShouldReport(key, clockMs()))
        return;
    tFlagGuard guard(reporting_);

    bool endProgram = false;
    switch (reportBox(ProblemReportTitle(), ProblemReportText(key))) {
    case mb::IdAbort:
        if (App().MessageBox(QuitQuestionText(), QuitQuestionTitle(), mb::OkCancel | mb::IconWarning) !=
            mb::IdOk) {
            policy_.RecordReported(clockMs());
            return;
        }
        endProgram = true;
        break;
    case mb::IdIgnore: policy_.Silence(key); break;
    default: break;
    }
    OfferProblemReport(error);
    if (endProgram) {
        endApplication(1);
        return;
    }
    policy_.RecordReported(clockMs());
}

void tExHandler::OfferProblemReport(const tErrorInfo& error) {
    const QFileInfo program(reportProgram);
    if (reportProgram.isEmpty() || !program.isFile() || !program.isExecutable())
        return;
    if (App().MessageBox(ReportQuestionText(), ReportQuestionTitle(), mb::OkCancel | mb::IconQuestion) !=
        mb::IdOk)
        return;
    startReporter(program.absoluteFilePath(), {"--class", error.className, "--message", error.message,
                                               "--version", QCoreApplication::applicationVersion(), "--pid",
                                               QString::number(QCoreApplication::applicationPid())});
}

int PlatformReportBox(const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::Question, title, text,
                    QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore);
    // Enter and Escape carry on rather than lead towards quitting.
    box.setDefaultButton(QMessageBox::Retry);
    box.setEscapeButton(QMessageBox::Retry);
    switch (box.exec()) {
    case QMessageBox::Abort: return mb::IdAbort;
    case QMessageBox::Ignore: return mb::IdIgnore;
    default: return mb::IdRetry;
    }
}

QString DefaultReportProgram() {
    if (!QCoreApplication::instance())
        return {};
    return QCoreApplication::applicationDirPath() + "/lyrimo-bugreport";
}

bool DeliverGuarded(const std::function<bool()>& deliver) {
    try {
        return deliver();
    } catch (...) {
        tExHandler* handler = InstalledExceptionHandler();
        if (!handler)
            throw;
        handler->HandleCurrentException();
        return false;
    }
}

bool tExHandlerApplication::notify(QObject* receiver, QEvent* event) {
    return DeliverGuarded([&] { return QApplication::notify(receiver, event); });
}

void InstallExceptionHandler(std::unique_ptr<tExHandler> handler) {
    g_handler = handler ? std::move(handler) : std::make_unique<tExHandler>();
}

void RemoveExceptionHandler() { g_handler.reset(); }

tExHandler* InstalledExceptionHandler() { return g_handler.get(); }

} // namespace lyrimo

// The application's handler for errors that escape the handling of a user-interface
// event: it reports the error and lets the user quit, continue, or never see that
// error again, and offers to send a problem report.
//
// Unlike some toolkits, Qt's masked line edits never raise on input that does not fit
// their mask, so the handler needs no special case for them.
#pragma once

#include "app/exception_policy.h"

#include <QApplication>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

class QSettings;

namespace lyrimo {

class tExHandler {
public:
    // The platform's Abort/Retry/Ignore box; answers mb::IdAbort, mb::IdRetry or mb::IdIgnore.
    using tReportBox = std::function<int(const QString& title, const QString& text)>;
    using tStarter = std::function<bool(const QString& program, const QStringList& arguments)>;

    // store holds the silenced errors; nullptr means the user's settings store.
    explicit tExHandler(QSettings* store = nullptr);

    // Handles the exception the caller's catch block is handling. Never throws.
    void HandleCurrentException() noexcept;
    void Handle(const tErrorInfo& error);

    // Replaceable steps, so the flow can run without a user or ending the program.
    tReportBox reportBox;
    std::function<void(int exitCode)> endApplication; // ends at once, without cleaning up
    std::function<int64_t()> clockMs;                 // a steady millisecond clock
    QString reportProgram;                            // the problem reporter; not offered when missing
    tStarter startReporter;                           // runs it and waits, keeping the interface responsive

private:
    void OfferProblemReport(const tErrorInfo& error);

    tExceptionPolicy policy_;
    bool reporting_ = false;
};

// The platform's own Abort/Retry/Ignore box with the question icon.
int PlatformReportBox(const QString& title, const QString& text);

// The problem reporter beside the program: "lyrimo-bugreport" in the program's folder.
QString DefaultReportProgram();

// Runs deliver; an exception escaping it goes to the installed handler and gives false.
// Without an installed handler the exception passes on.
bool DeliverGuarded(const std::function<bool()>& deliver);

// The desktop program's application object: exceptions escaping event handlers reach
// the installed handler instead of ending the program.
class tExHandlerApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};

// Installs handler (a default one when nullptr) as the application's handler.
void InstallExceptionHandler(std::unique_ptr<tExHandler> handler = nullptr);
void RemoveExceptionHandler();
tExHandler* InstalledExceptionHandler();

} // namespace lyrimo

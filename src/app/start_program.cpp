#include "app/start_program.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace lyrimo {
namespace {

constexpr int kCheckIntervalMs = 3;

QString ResolveProgram(const QString& programPath) {
    if (programPath.contains('/'))
        return QFileInfo(programPath).absoluteFilePath();
    return QStandardPaths::findExecutable(programPath);
}

void WaitProcessingEvents(QProcess& process) {
    while (process.state() != QProcess::NotRunning) {
        QCoreApplication::processEvents();
        process.waitForFinished(kCheckIntervalMs);
    }
}

} // namespace

bool StartProgram(const QString& programPath, const QStringList& arguments, bool wait, bool keepResponsive) {
    const QString program = ResolveProgram(programPath);
    if (program.isEmpty())
        return false;
    const QString folder = QFileInfo(program).absolutePath();
    if (!wait)
        return QProcess::startDetached(program, arguments, folder);

    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(folder);
    // The program talks to the user itself; nothing of its output is collected here.
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(-1))
        return false;
    if (keepResponsive && QCoreApplication::instance())
        WaitProcessingEvents(process);
    else
        process.waitForFinished(-1);
    return true;
}

} // namespace lyrimo

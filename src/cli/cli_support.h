// What lyrimo-cli's commands share: reading option values and naming load failures.
#pragma once

#include <QString>
#include <QStringList>

#include <initializer_list>

namespace lyrimo {

// "lyrimo-cli: text" on standard error.
void PrintError(const QString& text);
// The problem and the command's usage line ("Usage: lyrimo-cli " + usage) on standard error; 2.
int UsageError(const QString& problem, const char* usage);

// One action of a command made of actions ("playlist show ..."), run with the arguments after
// its name.
struct tCliAction {
    const char* name;
    int (*run)(const QStringList& args);
};
// Runs the action args[0] names; a usage error when there is none or it is unknown.
int RunAction(const QStringList& args, const char* command, std::initializer_list<tCliAction> actions,
              const char* usage);

// "WxH" (1 to 99999 each) as the lyrics display size of new songs; false for anything else.
bool ParseDisplaySize(const QString& text);

// Takes the argument after args[i] as an integer within low..high; i moves past it.
bool ReadIntArgument(const QStringList& args, int& i, int low, int high, int& value);

// Takes the argument after args[i] as a size "WxH" with both sides within 16..8192.
bool ReadSizeArgument(const QStringList& args, int& i, int& width, int& height);

// Why loading a song failed: -1 not a song file, else the system's text for the error code.
QString LoadResultText(int result);
class tLyrimoData;
// Says on standard error what a song file that ended early lost; true when it did.
bool ReportDamage(const QString& file, const tLyrimoData& song);

// What a song holds, for people: "18 lines, 1 part, 126 timings, media: embedded MIDI (5,171 bytes)".
QString SongSummary(const tLyrimoData& song);

// Why saving a song failed: -1 writing failed (the old file is untouched), else the system's text.
QString SaveResultText(int result);

} // namespace lyrimo

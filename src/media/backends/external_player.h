// The external player (identifier 1): a desktop player program running beside this one, driven
// over its MPRIS2 D-Bus interface (org.mpris.MediaPlayer2.Player on the session bus). The
// setting "WinampEXE" names the program that is started when no player is on the bus; Audacious
// when it names none.
//
// The player's Position property is coarse and every reading is a round trip to another
// program, so it is read a few times a second only. Each reading whose value changed tells that
// the player's clock stepped between the previous request and this reply; those windows,
// gathered over the last seconds, pin down where the player's clock stands, and the position in
// between runs on the steady clock (tInterpolatedClock). The Seeked signal re-anchors it.
//
// Every call to the player has a short timeout, so a player that hangs costs at most a moment;
// one that left the bus counts as no longer playing, its position standing where it was.
#pragma once

#include "media/interpolated_clock.h"
#include "media/player.h"

#include <QString>
#include <QVariantMap>

#include <chrono>
#include <deque>
#include <memory>
#include <optional>

class QDBusMessage;
class QDBusConnection;

namespace lyrimo {

// Where the running clock of another program stands, from readings bracketed by the times of
// their request and reply. A clock that moves on in steps reports the position it had at its
// last step, so a reading that changed says the step came after the previous request and
// before this reply; a fine clock's reading is the position at some moment between request and
// reply. Times are steady-clock milliseconds, positions media milliseconds.
class tSteppedClockFit {
public:
    // Forgets every reading (after a seek, a pause, a rate change).
    void Reset(double rate);
    // The clock stood at `ms` at a moment between `earliest` and `latest` (it was started or
    // moved there).
    void Seed(double ms, double earliest, double latest);
    // A reading of `ms` asked for at `sent` and answered at `received`.
    void Observe(double ms, double sent, double received);
    // The position at time `now` the readings agree on; none until they bound it both ways.
    std::optional<double> PositionAt(double now) const;
    // Whether the clock was taken for a fine one (a new value at every reading).
    bool Fine() const { return !stepping_; }

    // Readings older than this are let go, so that a clock running a little fast or slow is
    // followed.
    static constexpr double kMemoryMs = 6000.0;
    // A clock that moved on by the time between readings, within the tolerance, this many
    // readings in a row is taken for a fine one.
    static constexpr int kFineAfter = 6;
    static constexpr double kFineToleranceMs = 5.0;

private:
    // The player's position minus rate × steady time lies in [low, high].
    struct tWindow {
        double low;
        double high;
        double received;
    };
    void Keep(tWindow window);

    std::deque<tWindow> windows_;
    double rate_ = 1.0;
    // Whether the clock may stand between readings: then a reading may be older than its
    // request, and only a change brackets the moment of the step. Until the clock shows
    // otherwise it is taken to step.
    bool stepping_ = true;
    int changesInARow_ = 0;
    bool hasPrevious_ = false;
    double previousMs_ = 0;
    double previousSent_ = 0;
};

class tExternalPlayer : public tPlayer {
public:
    tExternalPlayer();
    ~tExternalPlayer() override;

    uint8_t PlayerID() override;
    bool IsAvailable() override;
    // A player on the bus, or its program installed: looked for without starting anything.
    bool IsPresent() override;
    int TrackCount() override { return 99; }
    int GetPosition() override;
    int GetLength() override;
    void SetPosition(int ms) override;
    bool CanChangeRate() override;
    void Play() override;
    void PauseResume() override;
    void Stop() override;
    bool IsPlaying() override;
    bool IsPaused() override;
    bool OpenFile(const QString& fileName, tVideoWindow* parent, int32_t colour) override;
    bool OpenCDTrack(int track, QChar drive, int32_t colour, tVideoWindow* parent) override;
    void Close() override;
    void SetRate(double rate) override;
    double GetRate() override;

    static constexpr double kMinRate = 0.4;
    static constexpr double kMaxRate = 4.5;
    // Longest wait for one answer of the player.
    static constexpr int kCallTimeoutMs = 800;
    // Longest wait for the player to appear after starting it, and to take a file.
    static constexpr int kStartTimeoutMs = 20000;
    static constexpr int kLoadTimeoutMs = 5000;

    // The program started when no player is on the bus.
    static QString Program();
    // The bus name of the player driven, once one was found.
    const QString& Service() const { return service_; }

    // Called by the D-Bus signal receiver.
    void OnSeeked(qlonglong positionUs);
    void OnPropertiesChanged(const QString& interface, const QVariantMap& changed);

private:
    using tClock = std::chrono::steady_clock;
    enum class tStatus { Stopped, Playing, Paused };
    struct tLink;

    bool FindService();
    bool StartProgram();
    bool OpenUri(const QString& uri, const QString& errorStart);
    // Gives the player the address to play; false with the reason when it would not take it.
    bool HandOver(const QString& uri, QString& reason);
    bool WaitForTrack(QString& reason);
    void ParkAtStart();
    void Connect();
    void Disconnect();

    // A call of a Player method; false (and the player marked gone or hung) when it failed.
    bool CallPlayer(const QString& method, const QVariantList& arguments = {});
    QDBusMessage Call(const QString& interface, const QString& method, const QVariantList& arguments,
                      tClock::time_point* sent = nullptr);
    void SetPlayerProperty(const QString& name, const QVariant& value);
    bool Failed(const QDBusMessage& reply);
    // Reads the player's state when the last reading is old enough.
    void Refresh();
    bool Poll();
    void TakeState(const QVariantMap& properties);
    void TakeMetadata(const QVariantMap& metadata);
    void SeekPlayer(int targetMs);

    // How well the clock knows where the player starts from.
    enum class tStart { Exact, Estimated, Unknown };
    // Runs the clock from where it stands, the player having started between the two times.
    void StartClock(tClock::time_point sent, tClock::time_point received, tStart start);
    double RawPosition();

    QDBusConnection& Bus();

    std::unique_ptr<tLink> link_;
    QString service_;
    QString startFailedFor_;

    bool open_ = false;
    QString uri_;
    QString trackId_;
    int lengthMs_ = 0;
    bool started_ = false;
    bool paused_ = false;
    bool ended_ = false;
    bool gone_ = false;
    bool sawPlaying_ = false;
    tClock::time_point playCalled_{};
    tStatus status_ = tStatus::Stopped;
    int seekOffset_ = 0;
    // Whether the clock stands exactly where the player does (after an open, a seek, a stop).
    bool exactStart_ = true;
    // Whether the clock runs on a guess until the player's readings first pin it down.
    bool fitPending_ = false;
    double rate_ = 1.0;
    double minimumRate_ = 1.0;
    double maximumRate_ = 1.0;
    std::optional<double> volume_;
    std::deque<qlonglong> ownSeeksUs_;
    tClock::time_point seekSettles_{};

    tInterpolatedClock clock_;
    tSteppedClockFit fit_;
    tClock::time_point nextPoll_{};
    int polls_ = 0;
};

} // namespace lyrimo

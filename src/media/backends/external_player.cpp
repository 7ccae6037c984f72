#include "media/backends/external_player.h"

#include "app/app_services.h"
#include "media/player_catalog.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QFileInfo>
#include <QObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

namespace lyrimo {
namespace {

const QString kServicePrefix = "org.mpris.MediaPlayer2.";
const QString kObjectPath = "/org/mpris/MediaPlayer2";
const QString kPlayerInterface = "org.mpris.MediaPlayer2.Player";
const QString kPropertiesInterface = "org.freedesktop.DBus.Properties";
const char* const kDefaultProgram = "audacious";
// After a call that timed out the player is left alone this long, so a hung player costs one
// timeout now and then rather than one at every reading.
constexpr auto kHungPause = std::chrono::milliseconds(2000);
// A player may take this long to show that it started; until it does, a stopped or paused state
// is taken for its not having started yet.
constexpr auto kStartGrace = std::chrono::milliseconds(1000);
// How long after a seek of ours the player's position readings are not believed, unless its
// Seeked signal came first.
constexpr auto kSeekSettleTime = std::chrono::milliseconds(1000);
// Seeks of ours whose Seeked signal is still awaited.
constexpr size_t kOwnSeeksKept = 16;
// How far a position held at a pause may be from where the player really stopped.
constexpr double kResumeSlackMs = 30.0;

using tClock = std::chrono::steady_clock;

double SteadyMs(tClock::time_point at) {
    return std::chrono::duration<double, std::milli>(at.time_since_epoch()).count();
}

tClock::time_point Midpoint(tClock::time_point a, tClock::time_point b) { return a + (b - a) / 2; }

int ClampMs(double ms) {
    return static_cast<int>(
        std::clamp(std::trunc(ms), static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

// A value of a D-Bus a{sv}: nested dictionaries arrive still marshalled.
QVariantMap ToMap(const QVariant& value) {
    if (value.canConvert<QDBusArgument>())
        return qdbus_cast<QVariantMap>(value.value<QDBusArgument>());
    return value.toMap();
}

QString PathText(const QVariant& value) {
    if (value.canConvert<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

bool SameUri(const QString& reported, const QString& wanted) {
    const QUrl a(reported), b(wanted);
    if (a.isLocalFile() && b.isLocalFile())
        return QFileInfo(a.toLocalFile()).absoluteFilePath() == QFileInfo(b.toLocalFile()).absoluteFilePath();
    return a == b;
}

// The program's own name: "audacious" for /usr/bin/audacious, "vlc" for vlc.exe.
QString BaseName(const QString& program) { return QFileInfo(program).completeBaseName().toLower(); }

// The part of a player's bus name after the prefix, up to an instance suffix.
QString PlayerPart(const QString& service) {
    return service.mid(kServicePrefix.size()).section('.', 0, 0).toLower();
}

bool LooksLikeForeignPath(const QString& program) {
    static const QRegularExpression drive("^[A-Za-z]:[\\\\/]");
    return program.contains('\\') || drive.match(program).hasMatch() ||
           program.endsWith(".exe", Qt::CaseInsensitive);
}

// What a program needs on its command line to start without a window of its own.
// The player outlives this program and must not hold its terminal or pipes open.
bool StartDetachedQuietly(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

QStringList QuietStartArguments(const QString& program) {
    if (BaseName(program) == "audacious")
        return {"--headless"};
    return {};
}

} // namespace

// Hands the player's signals, delivered while events are processed on the thread that drives
// the player, to the backend.
class tMprisReceiver : public QObject {
    Q_OBJECT
public:
    explicit tMprisReceiver(tExternalPlayer& player) : player_(player) {}

public slots:
    void Seeked(qlonglong positionUs) { player_.OnSeeked(positionUs); }
    void PropertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList&) {
        player_.OnPropertiesChanged(interface, changed);
    }

private:
    tExternalPlayer& player_;
};

struct tExternalPlayer::tLink {
    explicit tLink(tExternalPlayer& player) : bus(QDBusConnection::sessionBus()), receiver(player) {}

    QDBusConnection bus;
    tMprisReceiver receiver;
};

// ---- tSteppedClockFit ------------------------------------------------------------------------

void tSteppedClockFit::Reset(double rate) {
    windows_.clear();
    rate_ = rate;
    hasPrevious_ = false;
}

void tSteppedClockFit::Seed(double ms, double earliest, double latest) {
    Keep({ms - rate_ * latest, ms - rate_ * earliest, latest});
}

void tSteppedClockFit::Observe(double ms, double sent, double received) {
    const double infinity = std::numeric_limits<double>::infinity();
    if (hasPrevious_ && ms == previousMs_) {
        // Still the old value when this was asked for: the step comes later.
        previousSent_ = sent;
        changesInARow_ = 0;
        if (!stepping_) {
            stepping_ = true;
            windows_.clear();
        }
        return;
    }
    // A clock is never ahead of itself: the value was reached by the reply at the latest.
    double high = infinity;
    if (!stepping_)
        high = ms - rate_ * sent;
    else if (hasPrevious_)
        high = ms - rate_ * previousSent_;
    // A fine clock moved on by just the time between the readings; a stepping one by whole
    // steps.
    const double moved = ms - previousMs_, elapsed = rate_ * (received - previousSent_);
    if (hasPrevious_ && std::abs(moved - elapsed) <= kFineToleranceMs + rate_ * (received - sent)) {
        if (++changesInARow_ >= kFineAfter)
            stepping_ = false;
    } else {
        changesInARow_ = 0;
    }
    hasPrevious_ = true;
    previousMs_ = ms;
    previousSent_ = sent;
    Keep({ms - rate_ * received, high, received});
}

void tSteppedClockFit::Keep(tWindow window) {
    windows_.push_back(window);
    while (windows_.size() > 1 && windows_.front().received < window.received - kMemoryMs)
        windows_.pop_front();
    // Readings that no longer agree with the newest (the player jumped, or its clock drifted)
    // are dropped, oldest first.
    for (;;) {
        double low = -std::numeric_limits<double>::infinity();
        double high = std::numeric_limits<double>::infinity();
        for (const tWindow& w : windows_) {
            low = std::max(low, w.low);
            high = std::min(high, w.high);
        }
        if (low <= high || windows_.size() == 1)
            return;
        windows_.pop_front();
    }
}

std::optional<double> tSteppedClockFit::PositionAt(double now) const {
    double low = -std::numeric_limits<double>::infinity();
    double high = std::numeric_limits<double>::infinity();
    for (const tWindow& w : windows_) {
        low = std::max(low, w.low);
        high = std::min(high, w.high);
    }
    if (!std::isfinite(low) || !std::isfinite(high))
        return std::nullopt;
    return (low + high) / 2 + rate_ * now;
}

// ---- tExternalPlayer: finding and starting the player ----------------------------------------

tExternalPlayer::tExternalPlayer() { SetExtensions(BackendExtensions(Settings().UseFileExtensions)); }

tExternalPlayer::~tExternalPlayer() { Close(); }

// Connected when first needed, so that making the backend costs nothing.
QDBusConnection& tExternalPlayer::Bus() {
    if (!link_)
        link_ = std::make_unique<tLink>(*this);
    return link_->bus;
}

uint8_t tExternalPlayer::PlayerID() { return player::External; }

QString tExternalPlayer::Program() {
    const QString program = Settings().WinampEXE.trimmed();
    if (program.isEmpty() || LooksLikeForeignPath(program))
        return kDefaultProgram;
    return program;
}

bool tExternalPlayer::FindService() {
    QDBusMessage request = QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                          "org.freedesktop.DBus", "ListNames");
    const QDBusMessage reply = Bus().call(request, QDBus::Block, kCallTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    const QString wanted = BaseName(Program());
    QString first;
    for (const QString& name : reply.arguments().first().toStringList()) {
        if (!name.startsWith(kServicePrefix))
            continue;
        if (PlayerPart(name) == wanted) {
            service_ = name;
            return true;
        }
        if (first.isEmpty())
            first = name;
    }
    if (first.isEmpty())
        return false;
    service_ = first;
    return true;
}

bool tExternalPlayer::StartProgram() {
    const QString program = Program();
    if (startFailedFor_ == program)
        return false;
    if (!StartDetachedQuietly(program, QuietStartArguments(program))) {
        startFailedFor_ = program;
        return false;
    }
    const auto deadline = tClock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    while (tClock::now() < deadline) {
        QCoreApplication::processEvents();
        if (FindService())
            return true;
        QThread::msleep(10);
    }
    startFailedFor_ = program;
    return false;
}

bool tExternalPlayer::IsAvailable() {
    if (!Bus().isConnected())
        return false;
    return FindService() || StartProgram();
}

bool tExternalPlayer::IsPresent() {
    if (!Bus().isConnected())
        return false;
    return FindService() || !QStandardPaths::findExecutable(Program()).isEmpty() ||
           QFileInfo(Program()).isExecutable();
}

// ---- Talking to the player -------------------------------------------------------------------

QDBusMessage tExternalPlayer::Call(const QString& interface, const QString& method,
                                   const QVariantList& arguments, tClock::time_point* sent) {
    QDBusMessage request = QDBusMessage::createMethodCall(service_, kObjectPath, interface, method);
    request.setArguments(arguments);
    if (sent)
        *sent = tClock::now();
    return Bus().call(request, QDBus::Block, kCallTimeoutMs);
}

bool tExternalPlayer::Failed(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ErrorMessage)
        return false;
    const QString error = reply.errorName();
    if (error == "org.freedesktop.DBus.Error.ServiceUnknown" ||
        error == "org.freedesktop.DBus.Error.NameHasNoOwner" ||
        error == "org.freedesktop.DBus.Error.Disconnected") {
        if (!gone_)
            clock_.Hold(tClock::now());
        gone_ = true;
    } else if (error == "org.freedesktop.DBus.Error.NoReply" ||
               error == "org.freedesktop.DBus.Error.Timeout") {
        nextPoll_ = tClock::now() + kHungPause;
    }
    return true;
}

bool tExternalPlayer::CallPlayer(const QString& method, const QVariantList& arguments) {
    if (gone_)
        return false;
    return !Failed(Call(kPlayerInterface, method, arguments));
}

void tExternalPlayer::SetPlayerProperty(const QString& name, const QVariant& value) {
    if (!gone_)
        Failed(Call(kPropertiesInterface, "Set",
                    {kPlayerInterface, name, QVariant::fromValue(QDBusVariant(value))}));
}

void tExternalPlayer::Connect() {
    Bus().connect(service_, kObjectPath, kPlayerInterface, "Seeked", &link_->receiver,
                  SLOT(Seeked(qlonglong)));
    Bus().connect(service_, kObjectPath, kPropertiesInterface, "PropertiesChanged", &link_->receiver,
                  SLOT(PropertiesChanged(QString, QVariantMap, QStringList)));
}

void tExternalPlayer::Disconnect() {
    Bus().disconnect(service_, kObjectPath, kPlayerInterface, "Seeked", &link_->receiver,
                     SLOT(Seeked(qlonglong)));
    Bus().disconnect(service_, kObjectPath, kPropertiesInterface, "PropertiesChanged", &link_->receiver,
                     SLOT(PropertiesChanged(QString, QVariantMap, QStringList)));
}

// ---- The player's state ----------------------------------------------------------------------

bool tExternalPlayer::Poll() {
    if (gone_)
        return false;
    tClock::time_point sent;
    const QDBusMessage reply = Call(kPropertiesInterface, "GetAll", {kPlayerInterface}, &sent);
    const tClock::time_point received = tClock::now();
    if (Failed(reply) || reply.arguments().isEmpty())
        return false;
    const QVariantMap properties = ToMap(reply.arguments().first());
    TakeState(properties);
    // A player may still show the old position for a moment after a seek of ours.
    if (received < seekSettles_)
        return true;
    if (open_ && started_ && !ended_ && properties.contains("Position")) {
        const double ms = properties.value("Position").toLongLong() / 1000.0;
        if (clock_.IsRunning()) {
            fit_.Observe(ms, SteadyMs(sent), SteadyMs(received));
            if (const auto fitted = fit_.PositionAt(SteadyMs(received))) {
                if (fitPending_) {
                    // The first thing known of a start made in the player: taken as it is.
                    clock_.Reset(*fitted);
                    clock_.Run(received);
                    fitPending_ = false;
                } else {
                    clock_.Observe(*fitted, received);
                }
            }
        } else if (std::abs(ms - clock_.Position(received)) > tInterpolatedClock::kJumpMs) {
            // A standing coarse clock reads a step behind; only a real move is taken.
            clock_.Reset(ms);
            exactStart_ = false;
        }
    }
    return true;
}

void tExternalPlayer::Refresh() {
    const tClock::time_point now = tClock::now();
    if (!open_ || gone_ || now < nextPoll_)
        return;
    // Readings spaced unevenly fall at every phase of a clock that steps regularly.
    const double phase = std::fmod(++polls_ * 0.6180339887, 1.0);
    nextPoll_ = now + std::chrono::milliseconds(100 + static_cast<int>(phase * 80));
    Poll();
}

void tExternalPlayer::TakeMetadata(const QVariantMap& metadata) {
    if (metadata.isEmpty())
        return;
    const QString url = metadata.value("xesam:url").toString();
    const QString trackId = PathText(metadata.value("mpris:trackid"));
    if (!open_)
        return;
    const bool ours = url.isEmpty() ? (trackId_.isEmpty() || trackId == trackId_) : SameUri(url, uri_);
    if (!ours) {
        // The player went on to another track: this one is over.
        if (started_ && !ended_) {
            ended_ = true;
            clock_.Hold(tClock::now());
        }
        return;
    }
    if (!trackId.isEmpty())
        trackId_ = trackId;
    if (metadata.contains("mpris:length"))
        lengthMs_ = ClampMs(metadata.value("mpris:length").toLongLong() / 1000.0);
}

void tExternalPlayer::TakeState(const QVariantMap& properties) {
    if (properties.contains("MinimumRate"))
        minimumRate_ = properties.value("MinimumRate").toDouble();
    if (properties.contains("MaximumRate"))
        maximumRate_ = properties.value("MaximumRate").toDouble();
    if (properties.contains("Metadata"))
        TakeMetadata(ToMap(properties.value("Metadata")));
    if (properties.contains("Rate")) {
        const double rate = properties.value("Rate").toDouble();
        if (rate > 0 && rate != rate_) {
            rate_ = rate;
            clock_.SetRate(rate, tClock::now());
            fit_.Reset(rate);
        }
    }
    if (!properties.contains("PlaybackStatus"))
        return;
    const QString status = properties.value("PlaybackStatus").toString();
    status_ = status == "Playing"  ? tStatus::Playing
              : status == "Paused" ? tStatus::Paused
                                   : tStatus::Stopped;
    if (!open_ || !started_ || ended_)
        return;
    const tClock::time_point now = tClock::now();
    if (status_ == tStatus::Playing) {
        sawPlaying_ = true;
        if (paused_) {
            // Resumed in the player itself, some time since the last reading.
            paused_ = false;
            StartClock(now, now, tStart::Unknown);
        }
    } else if (status_ == tStatus::Paused && (sawPlaying_ || now - playCalled_ > kStartGrace) && !paused_) {
        paused_ = true;
        clock_.Hold(now);
    } else if (status_ == tStatus::Stopped && (sawPlaying_ || now - playCalled_ > kStartGrace)) {
        ended_ = true;
        clock_.Hold(now);
    }
}

void tExternalPlayer::OnSeeked(qlonglong positionUs) {
    if (!open_)
        return;
    // The answer to a seek of ours, already taken into account; signals come in order, so the
    // seeks before it have been answered too.
    const auto own = std::find(ownSeeksUs_.begin(), ownSeeksUs_.end(), positionUs);
    if (own != ownSeeksUs_.end()) {
        ownSeeksUs_.erase(ownSeeksUs_.begin(), own + 1);
        if (ownSeeksUs_.empty())
            seekSettles_ = {};
        return;
    }
    const tClock::time_point now = tClock::now();
    const bool running = clock_.IsRunning();
    const double ms = positionUs / 1000.0;
    clock_.Reset(ms);
    fit_.Reset(rate_);
    exactStart_ = !running;
    if (running) {
        // Sent a moment ago, taken now.
        fit_.Seed(ms, SteadyMs(now) - kResumeSlackMs, SteadyMs(now));
        clock_.Run(now);
    }
}

void tExternalPlayer::OnPropertiesChanged(const QString& interface, const QVariantMap& changed) {
    if (interface != kPlayerInterface)
        return;
    // A signal may be older than the answer to a later call of ours (a pause before a play),
    // so only what no call of ours brings about is taken from it: a new track, and the end.
    QVariantMap news;
    if (changed.contains("Metadata"))
        news.insert("Metadata", changed.value("Metadata"));
    if (changed.value("PlaybackStatus").toString() == "Stopped")
        news.insert("PlaybackStatus", "Stopped");
    TakeState(news);
}

// ---- Opening and closing ---------------------------------------------------------------------

bool tExternalPlayer::WaitForTrack(QString& reason) {
    const auto deadline = tClock::now() + std::chrono::milliseconds(kLoadTimeoutMs);
    for (;;) {
        QCoreApplication::processEvents();
        if (Poll() && !trackId_.isEmpty() && status_ != tStatus::Stopped)
            return true;
        if (gone_) {
            reason = Translate("the player left the session bus");
            return false;
        }
        if (tClock::now() >= deadline) {
            reason = Translate("the player did not take the file within %1 s").arg(kLoadTimeoutMs / 1000);
            return false;
        }
        QThread::msleep(10);
    }
}

void tExternalPlayer::ParkAtStart() {
    CallPlayer("Pause");
    SeekPlayer(0);
    if (volume_)
        SetPlayerProperty("Volume", *volume_);
}

bool tExternalPlayer::HandOver(const QString& uri, QString& reason) {
    const QDBusMessage reply = Call(kPlayerInterface, "OpenUri", {uri});
    if (reply.type() != QDBusMessage::ErrorMessage)
        return true;
    if (reply.errorName() == "org.freedesktop.DBus.Error.UnknownMethod" &&
        PlayerPart(service_) == BaseName(Program())) {
        // A player without OpenUri (Audacious) still takes a file on its command line, which
        // hands it to the running instance.
        const QUrl url(uri);
        if (StartDetachedQuietly(Program(), {url.isLocalFile() ? url.toLocalFile() : uri}))
            return true;
        reason = Translate("the player could not be given the file");
        return false;
    }
    Failed(reply);
    reason = gone_ ? Translate("the player left the session bus")
                   : Translate("the player refused the file") + " (" + reply.errorMessage() + ")";
    return false;
}

bool tExternalPlayer::OpenUri(const QString& uri, const QString& errorStart) {
    Close();
    const QString failure = errorStart + ": " + PlayerName(player::External) + ": ";
    if (!IsAvailable()) {
        SetLastError(failure + Translate("no MPRIS player is on the session bus"));
        return false;
    }
    gone_ = false;
    ended_ = started_ = paused_ = sawPlaying_ = false;
    seekOffset_ = 0;
    lengthMs_ = 0;
    trackId_.clear();
    uri_ = uri;
    ownSeeksUs_.clear();
    seekSettles_ = {};
    nextPoll_ = {};
    Poll();       // the player's rates, before the track it may still hold is forgotten
    open_ = true; // from here the player's metadata is taken as the new track's
    Connect();

    volume_.reset();
    const QDBusMessage volume = Call(kPropertiesInterface, "Get", {kPlayerInterface, "Volume"});
    if (volume.type() == QDBusMessage::ReplyMessage && !volume.arguments().isEmpty()) {
        volume_ = volume.arguments().first().value<QDBusVariant>().variant().toDouble();
        SetPlayerProperty("Volume", 0.0);
    }

    QString reason;
    bool taken = false;
    if (HandOver(uri, reason))
        taken = WaitForTrack(reason);
    if (!taken) {
        if (volume_)
            SetPlayerProperty("Volume", *volume_);
        Disconnect();
        open_ = false;
        SetLastError(failure + reason);
        return false;
    }
    ParkAtStart();
    clock_.Reset(0);
    exactStart_ = true;
    fit_.Reset(rate_);
    SetLastError({});
    return true;
}

bool tExternalPlayer::OpenFile(const QString& fileName, tVideoWindow*, int32_t) {
    if (!QFileInfo(fileName).isFile()) {
        Close();
        SetLastError(Translate("Error opening file") + ": " + PlayerName(player::External) + ": " +
                     Translate("the file does not exist"));
        return false;
    }
    return OpenUri(QUrl::fromLocalFile(QFileInfo(fileName).absoluteFilePath()).toString(),
                   Translate("Error opening file"));
}

bool tExternalPlayer::OpenCDTrack(int track, QChar, int32_t, tVideoWindow*) {
    // The player reads the CD drive it is set up for.
    return OpenUri("cdda://?" + QString::number(track), Translate("Error opening CD audio"));
}

void tExternalPlayer::Close() {
    if (!open_)
        return;
    CallPlayer("Stop");
    Disconnect();
    open_ = started_ = paused_ = ended_ = false;
    clock_.Reset(0);
}

// ---- Transport -------------------------------------------------------------------------------

void tExternalPlayer::StartClock(tClock::time_point sent, tClock::time_point received, tStart start) {
    const double from = clock_.Position(sent);
    fit_.Reset(rate_);
    // Where the clock was held after a pause of ours is only as good as the estimate then; a
    // pause and resume in the player itself were seen a reading late, so they tell nothing.
    fitPending_ = start == tStart::Unknown;
    if (!fitPending_) {
        const double slack = start == tStart::Exact ? 0.0 : kResumeSlackMs;
        fit_.Seed(from, SteadyMs(sent) - slack, SteadyMs(received) + slack);
    }
    clock_.Run(Midpoint(sent, received));
    exactStart_ = false;
    nextPoll_ = received + std::chrono::milliseconds(60);
}

void tExternalPlayer::Play() {
    if (!open_ || gone_)
        return;
    if (ended_) {
        // The player plays a track that ended from its start.
        clock_.Reset(0);
        exactStart_ = true;
        seekOffset_ = 0;
    }
    const tClock::time_point sent = tClock::now();
    if (!CallPlayer("Play"))
        return;
    started_ = true;
    paused_ = ended_ = sawPlaying_ = false;
    playCalled_ = sent;
    StartClock(sent, tClock::now(), exactStart_ ? tStart::Exact : tStart::Estimated);
    // Whether it started shows at once in most players, and tells a later stop from a slow start.
    Poll();
}

void tExternalPlayer::PauseResume() {
    if (!open_)
        return;
    if (paused_) {
        Play();
        return;
    }
    const tClock::time_point sent = tClock::now();
    if (!CallPlayer("Pause"))
        return;
    if (started_ && !ended_) {
        paused_ = true;
        clock_.Hold(Midpoint(sent, tClock::now()));
    }
}

void tExternalPlayer::Stop() {
    if (!open_)
        return;
    // Pausing at the start keeps the track loaded in the player, ready to seek and play.
    CallPlayer("Pause");
    SeekPlayer(0);
    started_ = paused_ = ended_ = false;
    seekOffset_ = 0;
    clock_.Reset(0);
    exactStart_ = true;
}

void tExternalPlayer::SeekPlayer(int targetMs) {
    const qlonglong us = static_cast<qlonglong>(targetMs) * 1000;
    ownSeeksUs_.push_back(us);
    seekSettles_ = tClock::now() + kSeekSettleTime;
    // A player that sends no Seeked signals leaves them unanswered.
    if (ownSeeksUs_.size() > kOwnSeeksKept)
        ownSeeksUs_.pop_front();
    if (!trackId_.isEmpty())
        CallPlayer("SetPosition", {QVariant::fromValue(QDBusObjectPath(trackId_)), us});
    else
        CallPlayer("Seek", {us - static_cast<qlonglong>(std::llround(RawPosition() * 1000))});
}

void tExternalPlayer::SetPosition(int ms) {
    if (!open_)
        return;
    const tTweakedSeek seek = TimingCorrection().TweakedSeek(std::max(ms, 0));
    const bool wasRunning = started_ && !paused_ && !ended_;
    if (wasRunning)
        CallPlayer("Pause");
    SeekPlayer(seek.target);
    seekOffset_ = seek.offset;
    if (started_ && !ended_)
        paused_ = true;
    clock_.Reset(seek.target);
    fit_.Reset(rate_);
    exactStart_ = true;
}

double tExternalPlayer::RawPosition() {
    Refresh();
    return clock_.Position(tClock::now());
}

int tExternalPlayer::GetPosition() {
    if (!open_)
        return 0;
    double ms = RawPosition();
    if (lengthMs_ > 0)
        ms = std::min(ms, static_cast<double>(lengthMs_));
    return ClampMs(ms) - seekOffset_;
}

int tExternalPlayer::GetLength() { return open_ ? lengthMs_ : 0; }

bool tExternalPlayer::IsPlaying() {
    Refresh();
    return open_ && started_ && !ended_ && !gone_;
}

bool tExternalPlayer::IsPaused() { return IsPlaying() && paused_; }

// ---- Rate ------------------------------------------------------------------------------------

bool tExternalPlayer::CanChangeRate() {
    return open_ && std::min(maximumRate_, kMaxRate) > std::max(minimumRate_, kMinRate);
}

void tExternalPlayer::SetRate(double rate) {
    if (!CanChangeRate() || !std::isfinite(rate) || rate <= 0)
        return;
    rate = std::clamp(rate, std::max(minimumRate_, kMinRate), std::min(maximumRate_, kMaxRate));
    SetPlayerProperty("Rate", rate);
    if (gone_)
        return;
    rate_ = rate;
    clock_.SetRate(rate, tClock::now());
    fit_.Reset(rate);
}

double tExternalPlayer::GetRate() { return open_ ? rate_ : 1.0; }

} // namespace lyrimo

#include "external_player.moc"

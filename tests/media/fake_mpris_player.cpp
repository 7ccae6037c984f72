// A small desktop player for the external player's tests: it owns org.mpris.MediaPlayer2.<name>
// on the session bus and plays WAV files on a steady clock, silently. Like a coarse real player
// it reports its Position in 250 ms steps; the exact clock is published on an interface of its
// own (org.lyrimo.FakePlayer) so that tests and benchmarks can compare against it.
//
//   fake_mpris_player [--name NAME] [--ignore-files] [--fixed-rate]
//
// The name defaults to the program's file name. --ignore-files takes OpenUri calls without ever
// loading the file; --fixed-rate offers normal speed only. A file that is not a WAV file is
// refused with an error.
// The options may also come from LYRIMO_FAKE_MPRIS_OPTIONS (blank-separated), for when the
// program is started by the backend itself. The player quits with its bus, and after ten minutes.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>

namespace {

using tClock = std::chrono::steady_clock;

constexpr qlonglong kStepUs = 250000;

qlonglong SteadyNs(tClock::time_point at) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(at.time_since_epoch()).count();
}

uint32_t Le32(const QByteArray& bytes, qsizetype at) {
    uint32_t value = 0;
    std::memcpy(&value, bytes.constData() + at, 4);
    return value;
}

// The length of a PCM WAV file in microseconds; none when it is not one.
std::optional<qlonglong> WavLengthUs(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return std::nullopt;
    uint32_t bytesPerSecond = 0;
    for (qsizetype at = 12; at + 8 <= bytes.size();) {
        const QByteArray id = bytes.mid(at, 4);
        const uint32_t size = Le32(bytes, at + 4);
        if (id == "fmt " && size >= 16 && at + 8 + 16 <= bytes.size())
            bytesPerSecond = Le32(bytes, at + 8 + 8);
        if (id == "data") {
            const qlonglong available = std::min<qlonglong>(size, bytes.size() - (at + 8));
            if (bytesPerSecond == 0 || available <= 0)
                return std::nullopt;
            return available * 1000000 / bytesPerSecond;
        }
        at += 8 + size + (size & 1);
    }
    return std::nullopt;
}

struct tOptions {
    QString name;
    bool ignoreFiles = false;
    bool fixedRate = false;
};

// The player: a track, a steady clock and the state MPRIS shows of them.
class tFakePlayer : public QObject {
    Q_OBJECT
public:
    explicit tFakePlayer(const tOptions& options) : options_(options) {
        connect(&endTimer_, &QTimer::timeout, this, &tFakePlayer::CheckEnd);
        endTimer_.start(5);
    }

    const tOptions& Options() const { return options_; }

    // Every answer waits this long first (a busy or hung player).
    void Delay() const {
        if (replyDelayMs_ > 0)
            QThread::msleep(static_cast<unsigned long>(replyDelayMs_));
    }
    void SetReplyDelay(int ms) { replyDelayMs_ = ms; }

    QString Status() const {
        if (!hasTrack_ || !started_)
            return "Stopped";
        return running_ ? "Playing" : "Paused";
    }

    qlonglong ExactUs(tClock::time_point now = tClock::now()) const {
        if (!running_)
            return anchorUs_;
        const double elapsedUs = std::chrono::duration<double, std::micro>(now - anchorTime_).count();
        return std::min(lengthUs_, anchorUs_ + static_cast<qlonglong>(elapsedUs * rate_));
    }
    qlonglong ReportedUs() const { return ExactUs() / kStepUs * kStepUs; }

    QVariantMap Metadata() const {
        if (!hasTrack_)
            return {};
        return {{"mpris:trackid", QVariant::fromValue(QDBusObjectPath(TrackId()))},
                {"mpris:length", lengthUs_},
                {"xesam:url", uri_},
                {"xesam:title", QFileInfo(QUrl(uri_).toLocalFile()).completeBaseName()}};
    }
    QString TrackId() const { return "/org/lyrimo/fake/track" + QString::number(trackNumber_); }

    double Rate() const { return rate_; }
    void SetRate(double rate) {
        rate = std::clamp(rate, MinimumRate(), MaximumRate());
        Reanchor();
        rate_ = rate;
        Changed({{"Rate", rate_}});
    }
    double MinimumRate() const { return options_.fixedRate ? 1.0 : 0.25; }
    double MaximumRate() const { return options_.fixedRate ? 1.0 : 4.0; }
    double Volume() const { return volume_; }
    // The volume when the last file started playing.
    double VolumeAtOpen() const { return volumeAtOpen_; }
    void SetVolume(double volume) {
        volume_ = std::clamp(volume, 0.0, 1.0);
        Changed({{"Volume", volume_}});
    }

    // An error text when the address cannot be played.
    QString Open(const QString& uri) {
        if (options_.ignoreFiles)
            return {};
        const QUrl url(uri);
        if (!url.isLocalFile())
            return "only local files can be played";
        const std::optional<qlonglong> length = WavLengthUs(url.toLocalFile());
        if (!length)
            return "not a WAV file: " + url.toLocalFile();
        uri_ = uri;
        volumeAtOpen_ = volume_;
        lengthUs_ = *length;
        hasTrack_ = true;
        ++trackNumber_;
        anchorUs_ = 0;
        running_ = false;
        started_ = false;
        Play();
        Changed({{"Metadata", Metadata()}, {"PlaybackStatus", Status()}});
        return {};
    }

    void Play() {
        if (!hasTrack_ || running_)
            return;
        if (anchorUs_ >= lengthUs_)
            anchorUs_ = 0;
        started_ = running_ = true;
        anchorTime_ = tClock::now();
        Changed({{"PlaybackStatus", Status()}});
    }
    void Pause() {
        if (!hasTrack_ || !started_)
            return;
        Reanchor();
        running_ = false;
        started_ = true;
        Changed({{"PlaybackStatus", Status()}});
    }
    void Stop() {
        Reanchor();
        running_ = started_ = false;
        anchorUs_ = 0;
        Changed({{"PlaybackStatus", Status()}});
    }
    void PlayPause() {
        if (running_)
            Pause();
        else
            Play();
    }
    void SetPosition(const QString& trackId, qlonglong us) {
        if (!hasTrack_ || trackId != TrackId() || us < 0 || us > lengthUs_)
            return;
        MoveTo(us);
    }
    void Seek(qlonglong offsetUs) {
        if (hasTrack_)
            MoveTo(std::clamp(ExactUs() + offsetUs, 0LL, lengthUs_));
    }

    // The exact clock: its anchor on the steady clock (ns), the position there (µs), the rate
    // and whether it runs.
    QVariantList TrueClock() const { return {SteadyNs(anchorTime_), anchorUs_, rate_, running_}; }

signals:
    void Seeked(qlonglong position);

private:
    void Reanchor() {
        const tClock::time_point now = tClock::now();
        anchorUs_ = ExactUs(now);
        anchorTime_ = now;
    }
    void MoveTo(qlonglong us) {
        anchorUs_ = us;
        anchorTime_ = tClock::now();
        emit Seeked(us);
    }
    void CheckEnd() {
        if (running_ && ExactUs() >= lengthUs_)
            Stop();
    }
    void Changed(const QVariantMap& properties) {
        QDBusMessage signal = QDBusMessage::createSignal(
            "/org/mpris/MediaPlayer2", "org.freedesktop.DBus.Properties", "PropertiesChanged");
        signal << QString("org.mpris.MediaPlayer2.Player") << properties << QStringList();
        QDBusConnection::sessionBus().send(signal);
    }

    tOptions options_;
    QTimer endTimer_;
    int replyDelayMs_ = 0;
    bool hasTrack_ = false;
    bool started_ = false;
    bool running_ = false;
    QString uri_;
    int trackNumber_ = 0;
    qlonglong lengthUs_ = 0;
    qlonglong anchorUs_ = 0;
    tClock::time_point anchorTime_ = tClock::now();
    double rate_ = 1.0;
    double volume_ = 1.0;
    double volumeAtOpen_ = 1.0;
};

class tRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    explicit tRootAdaptor(tFakePlayer* player) : QDBusAbstractAdaptor(player) {}
    QString Identity() const { return "Lyrimo test player"; }
    bool CanQuit() const { return true; }
    bool CanRaise() const { return false; }
    bool HasTrackList() const { return false; }
    QStringList SupportedUriSchemes() const { return {"file"}; }
    QStringList SupportedMimeTypes() const { return {"audio/x-wav"}; }
public slots:
    void Raise() {}
    void Quit() { QTimer::singleShot(0, qApp, &QCoreApplication::quit); }
};

class tPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ MinimumRate)
    Q_PROPERTY(double MaximumRate READ MaximumRate)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(bool CanGoNext READ False)
    Q_PROPERTY(bool CanGoPrevious READ False)
    Q_PROPERTY(bool CanPlay READ True)
    Q_PROPERTY(bool CanPause READ True)
    Q_PROPERTY(bool CanSeek READ True)
    Q_PROPERTY(bool CanControl READ True)
public:
    explicit tPlayerAdaptor(tFakePlayer* player) : QDBusAbstractAdaptor(player), player_(player) {
        connect(player, &tFakePlayer::Seeked, this, &tPlayerAdaptor::Seeked);
    }
    QString PlaybackStatus() const { return Delayed(player_->Status()); }
    double Rate() const { return Delayed(player_->Rate()); }
    void SetRate(double rate) {
        player_->Delay();
        player_->SetRate(rate);
    }
    QVariantMap Metadata() const { return Delayed(player_->Metadata()); }
    qlonglong Position() const { return Delayed(player_->ReportedUs()); }
    double MinimumRate() const { return player_->MinimumRate(); }
    double MaximumRate() const { return player_->MaximumRate(); }
    double Volume() const { return Delayed(player_->Volume()); }
    void SetVolume(double volume) {
        player_->Delay();
        player_->SetVolume(volume);
    }
    bool False() const { return false; }
    bool True() const { return true; }

public slots:
    void Next() {}
    void Previous() {}
    void Play() { Delayed(player_)->Play(); }
    void Pause() { Delayed(player_)->Pause(); }
    void PlayPause() { Delayed(player_)->PlayPause(); }
    void Stop() { Delayed(player_)->Stop(); }
    void Seek(qlonglong offset) { Delayed(player_)->Seek(offset); }
    void SetPosition(const QDBusObjectPath& trackId, qlonglong position) {
        Delayed(player_)->SetPosition(trackId.path(), position);
    }
    void OpenUri(const QString& uri, const QDBusMessage& message) {
        const QString error = Delayed(player_)->Open(uri);
        if (!error.isEmpty()) {
            message.setDelayedReply(true);
            QDBusConnection::sessionBus().send(
                message.createErrorReply("org.mpris.MediaPlayer2.Player.Error.CannotPlay", error));
        }
    }

signals:
    void Seeked(qlonglong Position);

private:
    template <typename T>
    T Delayed(T value) const {
        player_->Delay();
        return value;
    }

    tFakePlayer* player_;
};

// What the tests and benchmarks ask of the fake itself.
class tControlAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.lyrimo.FakePlayer")
public:
    explicit tControlAdaptor(tFakePlayer* player) : QDBusAbstractAdaptor(player), player_(player) {}
public slots:
    QVariantList TrueClock() const { return player_->TrueClock(); }
    void SetReplyDelay(int ms) { player_->SetReplyDelay(ms); }
    double VolumeAtOpen() const { return player_->VolumeAtOpen(); }

private:
    tFakePlayer* player_;
};

tOptions ParseOptions(const QCoreApplication& app) {
    QStringList arguments = app.arguments();
    arguments += qEnvironmentVariable("LYRIMO_FAKE_MPRIS_OPTIONS").split(' ', Qt::SkipEmptyParts);
    QCommandLineParser parser;
    const QCommandLineOption name("name", "bus name after org.mpris.MediaPlayer2.", "name");
    const QCommandLineOption ignore("ignore-files", "never load a file");
    const QCommandLineOption fixedRate("fixed-rate", "normal speed only");
    parser.addOptions({name, ignore, fixedRate});
    parser.process(arguments);
    tOptions options;
    options.name = parser.isSet(name) ? parser.value(name) : QFileInfo(arguments.first()).completeBaseName();
    options.ignoreFiles = parser.isSet(ignore);
    options.fixedRate = parser.isSet(fixedRate);
    return options;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const tOptions options = ParseOptions(app);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "fake_mpris_player: no session bus\n");
        return 1;
    }
    tFakePlayer player(options);
    new tRootAdaptor(&player);
    new tPlayerAdaptor(&player);
    new tControlAdaptor(&player);
    if (!bus.registerObject("/org/mpris/MediaPlayer2", &player) ||
        !bus.registerService("org.mpris.MediaPlayer2." + options.name)) {
        std::fprintf(stderr, "fake_mpris_player: could not take the bus name\n");
        return 1;
    }
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [] {
        if (!QDBusConnection::sessionBus().isConnected())
            QCoreApplication::quit();
    });
    watch.start(500);
    QTimer::singleShot(std::chrono::minutes(10), &app, &QCoreApplication::quit);
    return app.exec();
}

#include "fake_mpris_player.moc"

#include "playback/monitors.h"

#include "app/app_services.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <optional>

namespace lyrimo {

namespace {

// One monitor as the platform reports it, before the list is ordered.
struct tScreenReading {
    tMyMonitor monitor;
    bool primary = false;
};

struct tMonitorState {
    std::vector<tMyMonitor> list;
    tMyRect screen{0, 0, 1024, 768};
    tMyRect roles[3];
    QString playName;
    QString controlName;
    std::optional<std::vector<tMyMonitor>> testMonitors;
};

tMonitorState& State() {
    static tMonitorState state;
    return state;
}

const QString kDevicePrefix = QStringLiteral("\\\\.\\");

tMyRect RectOf(const QRect& r) { return SizedRect(r.x(), r.y(), r.width(), r.height()); }

QString DescriptionOf(const QScreen* screen) {
    const QString manufacturer = screen->manufacturer().trimmed();
    const QString model = screen->model().trimmed();
    QString text = manufacturer;
    if (!model.isEmpty() && !text.contains(model))
        text = text.isEmpty() ? model : text + ' ' + model;
    return text.left(128);
}

// The one place that asks the platform: Qt's screens with their names and makers.
std::vector<tScreenReading> ReadPlatformScreens() {
    std::vector<tScreenReading> readings;
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return readings;
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (const QScreen* screen : QGuiApplication::screens()) {
        tScreenReading reading;
        reading.monitor.DeviceName = screen->name();
        reading.monitor.Bounds = RectOf(screen->geometry());
        reading.monitor.Description = DescriptionOf(screen);
        reading.primary = screen == primary;
        readings.push_back(reading);
    }
    return readings;
}

std::vector<tScreenReading> ReadTestScreens(const std::vector<tMyMonitor>& monitors) {
    std::vector<tScreenReading> readings;
    bool primaryFound = false;
    for (const tMyMonitor& monitor : monitors) {
        tScreenReading reading{monitor, false};
        if (!primaryFound && monitor.Bounds.Left == 0 && monitor.Bounds.Top == 0) {
            reading.primary = primaryFound = true;
        }
        readings.push_back(reading);
    }
    if (!primaryFound && !readings.empty())
        readings.front().primary = true;
    return readings;
}

tMyRect* RoleSlot(int role) {
    if (role < 0 || role > 2)
        return nullptr;
    return &State().roles[role];
}

} // namespace

void EnumerateMonitors() {
    tMonitorState& state = State();
    const std::vector<tScreenReading> readings =
        state.testMonitors ? ReadTestScreens(*state.testMonitors) : ReadPlatformScreens();

    state.list.clear();
    for (const tScreenReading& reading : readings) {
        if (reading.primary) {
            state.list.insert(state.list.begin(), reading.monitor);
        } else {
            state.list.push_back(reading.monitor);
        }
    }
    if (state.list.empty()) {
        // Without a screen to ask, assume one monitor the size of the playback display.
        const tDisplaySize size = App().LyricsDisplaySize();
        state.list.push_back(
            {QString::fromLatin1(kFallbackMonitorName), SizedRect(0, 0, size.width, size.height), {}, 0});
    }
    const tMyRect& first = state.list.front().Bounds;
    state.screen = SizedRect(0, 0, first.Width(), first.Height());

    for (tMyRect& role : state.roles)
        role = first;
    const QString playName = state.playName;
    const QString controlName = state.controlName;
    SelectPlayMonitor(playName);
    SelectControlMonitor(controlName);
}

void SetMonitorsForTesting(std::vector<tMyMonitor> monitors) { State().testMonitors = std::move(monitors); }

void UseRealMonitors() { State().testMonitors.reset(); }

int MonitorCount() { return int(State().list.size()); }

const std::vector<tMyMonitor>& Monitors() { return State().list; }

tMyRect ScreenRect() { return State().screen; }

tMyRect MonitorBounds(int index) {
    if (index < 0 || index >= MonitorCount())
        return State().screen;
    return State().list[size_t(index)].Bounds;
}

QString MonitorDisplayName(int index) {
    if (index < 0 || index >= MonitorCount())
        return QStringLiteral("Unknown Monitor");
    const tMyMonitor& monitor = State().list[size_t(index)];
    QString name = monitor.DeviceName;
    if (name.startsWith(kDevicePrefix))
        name.remove(0, kDevicePrefix.size());
    if (!monitor.Description.isEmpty())
        name += QStringLiteral(" on ") + monitor.Description;
    return name;
}

int FindMonitor(const QString& displayName) {
    for (int i = 0; i < MonitorCount(); ++i) {
        if (MonitorDisplayName(i).compare(displayName, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

namespace {

void SelectMonitor(const QString& displayName, int role, QString& chosenName) {
    const int index = FindMonitor(displayName);
    if (index < 0)
        return;
    chosenName = displayName;
    State().roles[role] = MonitorBounds(index);
}

} // namespace

void SelectPlayMonitor(const QString& displayName) {
    SelectMonitor(displayName, monitor_role::Play, State().playName);
}

void SelectControlMonitor(const QString& displayName) {
    SelectMonitor(displayName, monitor_role::Control, State().controlName);
}

QString PlayMonitorName() { return State().playName; }
QString ControlMonitorName() { return State().controlName; }

tMyRect RoleRect(int role) {
    const tMyRect* slot = RoleSlot(role);
    return slot ? *slot : tMyRect{};
}

int RoleLeft(int role) { return RoleRect(role).Left; }
int RoleTop(int role) { return RoleRect(role).Top; }
int RoleWidth(int role) { return RoleRect(role).Width(); }
int RoleHeight(int role) { return RoleRect(role).Height(); }

int CentredLeft(int role, int windowWidth) { return RoleLeft(role) + RoleWidth(role) / 2 - windowWidth / 2; }
int CentredTop(int role, int windowHeight) { return RoleTop(role) + RoleHeight(role) / 2 - windowHeight / 2; }

void CentreOnRole(QWidget* window, int role) {
    if (!window)
        return;
    const QSize size = window->frameGeometry().size();
    window->move(CentredLeft(role, size.width()), CentredTop(role, size.height()));
}

void CoverRole(QWidget* window, int role) {
    if (!window)
        return;
    const tMyRect rect = RoleRect(role);
    window->setGeometry(rect.Left, rect.Top, rect.Width(), rect.Height());
}

bool SameMonitor(int roleA, int roleB) { return roleA == roleB || RoleRect(roleA) == RoleRect(roleB); }

void RefreshMonitorRoles() {
    EnumerateMonitors();
    SelectPlayMonitor(Settings().PlayMon);
    SelectControlMonitor(Settings().CtrlMon);
}

} // namespace lyrimo

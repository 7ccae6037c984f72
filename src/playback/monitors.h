// The display monitors and the three monitor roles a performance uses.
//
// The list is rebuilt from the platform whenever a window of a performance is shown, so
// monitors plugged in or out are noticed. Role 0 is the primary monitor, role 1 the monitor
// the song is performed on, role 2 the monitor the person running the show sits at.
#pragma once

#include "render/changes_list.h"

#include <QString>

#include <cstdint>
#include <vector>

class QWidget;

namespace lyrimo {

struct tMyMonitor {
    QString DeviceName;
    tMyRect Bounds;
    QString Description; // empty when unknown
    uint32_t StateFlags = 0;
};

// The name of the single monitor assumed when the platform lists none.
inline constexpr const char* kFallbackMonitorName = "\\\\.\\Display0";

namespace monitor_role {
constexpr int Primary = 0, Play = 1, Control = 2;
} // namespace monitor_role

// Rebuilds the list: the primary monitor first, then the others in the platform's order; the
// roles start on the first monitor and the chosen playback and control monitors are selected
// again by name, so a chosen monitor that still exists stays chosen.
void EnumerateMonitors();
// Replaces the platform's screens as what EnumerateMonitors reads, for tests: the list is
// taken in order and the monitor at (0, 0) is the primary one (the first when none is).
// An empty list stands for a platform without screens.
void SetMonitorsForTesting(std::vector<tMyMonitor> monitors);
// Returns EnumerateMonitors to the platform's screens.
void UseRealMonitors();

int MonitorCount();
// The whole screen (the primary monitor's size at the origin) for an index outside the list.
tMyRect MonitorBounds(int index);
// The device name without a leading "\\.\", then " on " and the description when known;
// "Unknown Monitor" for an index outside the list.
QString MonitorDisplayName(int index);
// The index of the monitor with that display name (compared without regard to case), or -1.
int FindMonitor(const QString& displayName);
const std::vector<tMyMonitor>& Monitors();
// The size of the primary monitor at the origin.
tMyRect ScreenRect();

// When a monitor has the display name: remember the name and move the role to it;
// otherwise nothing changes.
void SelectPlayMonitor(const QString& displayName);
void SelectControlMonitor(const QString& displayName);
QString PlayMonitorName();
QString ControlMonitorName();

// 0 for a role other than 0, 1 and 2.
int RoleLeft(int role);
int RoleTop(int role);
int RoleWidth(int role);
int RoleHeight(int role);
tMyRect RoleRect(int role);

// Where a window of the given size goes so that its centre is the role's centre.
int CentredLeft(int role, int windowWidth);
int CentredTop(int role, int windowHeight);
// Moves the window, keeping its size, so that its frame is centred on the role.
void CentreOnRole(QWidget* window, int role);
// Sizes the window to the role's rectangle and places it over it.
void CoverRole(QWidget* window, int role);

// True when a = b or the two roles have the same rectangle.
bool SameMonitor(int roleA, int roleB);

// Every performance window's first step: rebuild the list and select the playback and
// control monitors named in the settings ("PlayMon", "CtrlMon").
void RefreshMonitorRoles();

} // namespace lyrimo

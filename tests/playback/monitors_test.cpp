#include "playback/monitor_map.h"
#include "playback/monitors.h"

#include "app/app_services.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <ostream>

static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace lyrimo {

static void PrintTo(const tMyRect& r, std::ostream* out) {
    *out << "(" << r.Left << ", " << r.Top << ")-(" << r.Right << ", " << r.Bottom << ")";
}

namespace {

const tMyRect kLeftScreen = SizedRect(0, 0, 1024, 768);
const tMyRect kRightScreen = SizedRect(1024, 0, 1280, 1024);

tMyMonitor Monitor(const QString& name, const tMyRect& bounds, const QString& description = {}) {
    return {name, bounds, description, 0};
}

class MonitorsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Settings().PlayMon.clear();
        Settings().CtrlMon.clear();
    }
    void TearDown() override {
        // Forget chosen monitors so each test starts from the first monitor.
        SetMonitorsForTesting({});
        EnumerateMonitors();
        UseRealMonitors();
    }

    // The primary screen comes second in the platform's order, as it may.
    static void TwoScreens() {
        SetMonitorsForTesting({Monitor("\\\\.\\DISPLAY2", kRightScreen, "Acme Wide 27"),
                               Monitor("\\\\.\\DISPLAY1", kLeftScreen)});
        EnumerateMonitors();
    }
};

TEST_F(MonitorsTest, PrimaryComesFirstAndDisplayNamesDropTheDevicePrefix) {
    TwoScreens();
    ASSERT_EQ(MonitorCount(), 2);
    EXPECT_EQ(MonitorBounds(0), kLeftScreen);
    EXPECT_EQ(MonitorBounds(1), kRightScreen);
    EXPECT_EQ(MonitorDisplayName(0), "DISPLAY1");
    EXPECT_EQ(MonitorDisplayName(1), "DISPLAY2 on Acme Wide 27");
    EXPECT_EQ(MonitorDisplayName(2), "Unknown Monitor");
    EXPECT_EQ(MonitorDisplayName(-1), "Unknown Monitor");
    // Outside the list: the whole primary screen.
    EXPECT_EQ(MonitorBounds(7), kLeftScreen);

    EXPECT_EQ(FindMonitor("display2 ON acme wide 27"), 1);
    EXPECT_EQ(FindMonitor("DISPLAY2"), -1);
    EXPECT_EQ(FindMonitor("Unknown Monitor"), -1);
}

TEST_F(MonitorsTest, EmptyPlatformListFallsBackToOneMonitor) {
    SetMonitorsForTesting({});
    EnumerateMonitors();
    ASSERT_EQ(MonitorCount(), 1);
    EXPECT_EQ(MonitorDisplayName(0), "Display0");
    const tDisplaySize size = App().LyricsDisplaySize();
    EXPECT_EQ(MonitorBounds(0), SizedRect(0, 0, size.width, size.height));
}

TEST_F(MonitorsTest, OneMonitorGivesEveryRoleTheSameRectangle) {
    SetMonitorsForTesting({Monitor("HDMI-1", SizedRect(0, 0, 1920, 1080))});
    RefreshMonitorRoles();
    for (int role = 0; role < 3; ++role) {
        EXPECT_EQ(RoleLeft(role), 0);
        EXPECT_EQ(RoleWidth(role), 1920);
        EXPECT_EQ(RoleHeight(role), 1080);
    }
    EXPECT_TRUE(SameMonitor(monitor_role::Play, monitor_role::Control));
    EXPECT_EQ(RoleWidth(3), 0);
    EXPECT_EQ(RoleTop(-1), 0);
}

TEST_F(MonitorsTest, RolesFollowTheNamesInTheSettings) {
    TwoScreens();
    Settings().PlayMon = "DISPLAY2 on Acme Wide 27";
    Settings().CtrlMon = "DISPLAY1";
    RefreshMonitorRoles();
    EXPECT_EQ(RoleRect(monitor_role::Primary), kLeftScreen);
    EXPECT_EQ(RoleRect(monitor_role::Play), kRightScreen);
    EXPECT_EQ(RoleRect(monitor_role::Control), kLeftScreen);
    EXPECT_FALSE(SameMonitor(monitor_role::Play, monitor_role::Control));
    EXPECT_TRUE(SameMonitor(monitor_role::Primary, monitor_role::Control));
}

TEST_F(MonitorsTest, UnknownNameLeavesTheRoleAsItWas) {
    TwoScreens();
    SelectPlayMonitor("DISPLAY2 on Acme Wide 27");
    SelectPlayMonitor("DISPLAY9");
    EXPECT_EQ(RoleRect(monitor_role::Play), kRightScreen);
    EXPECT_EQ(PlayMonitorName(), "DISPLAY2 on Acme Wide 27");
}

TEST_F(MonitorsTest, ChosenMonitorSurvivesARebuildUnlessUnplugged) {
    TwoScreens();
    SelectPlayMonitor("DISPLAY2 on Acme Wide 27");
    SelectControlMonitor("DISPLAY2 on Acme Wide 27");

    EnumerateMonitors(); // still plugged in: still chosen
    EXPECT_EQ(RoleRect(monitor_role::Play), kRightScreen);
    EXPECT_EQ(RoleRect(monitor_role::Control), kRightScreen);

    // Unplugged: playback goes to the first monitor, even with "PlayMon" still naming it.
    Settings().PlayMon = "DISPLAY2 on Acme Wide 27";
    SetMonitorsForTesting({Monitor("\\\\.\\DISPLAY1", kLeftScreen)});
    RefreshMonitorRoles();
    EXPECT_EQ(RoleRect(monitor_role::Play), kLeftScreen);
    EXPECT_EQ(RoleRect(monitor_role::Control), kLeftScreen);
    EXPECT_TRUE(SameMonitor(monitor_role::Play, monitor_role::Control));
}

TEST_F(MonitorsTest, CentreOnRoleUsesIntegerHalves) {
    SetMonitorsForTesting(
        {Monitor("A", SizedRect(0, 0, 1024, 768)), Monitor("B", SizedRect(1024, 0, 1024, 767))});
    EnumerateMonitors();
    SelectControlMonitor("B");
    EXPECT_EQ(CentredLeft(monitor_role::Control, 300), 1024 + 512 - 150);
    EXPECT_EQ(CentredTop(monitor_role::Control, 201), 383 - 100);

    QWidget window;
    window.resize(300, 201);
    CentreOnRole(&window, monitor_role::Control);
    EXPECT_EQ(window.frameGeometry().topLeft(), QPoint(1386, 283));
    EXPECT_EQ(window.size(), QSize(300, 201));
}

TEST(MonitorMapTest, WideDesktopIsLimitedByItsWidth) {
    // Two monitors side by side: 3840 × 1080 in a 400 × 300 panel (380 × 280 to fill).
    const std::vector<tMyRect> monitors{SizedRect(0, 0, 1920, 1080), SizedRect(1920, 0, 1920, 1080)};
    const tMonitorMapLayout layout = LayOutMonitorMap(monitors, monitors[0], 400, 300);
    EXPECT_EQ(layout.Extent, SizedRect(0, 0, 3840, 1080));
    ASSERT_EQ(layout.Figures.size(), 2u);
    const int scaledWidth = int(3840 * layout.Scale);
    EXPECT_LE(scaledWidth, 380);
    EXPECT_GT(int(3840 * layout.Scale / 0.95), 380); // one step less would not fit
    const int left = (400 - scaledWidth) / 2;
    const int top = (300 - int(1080 * layout.Scale)) / 2;
    EXPECT_EQ(layout.Figures[0],
              (tMyRect{left, top, left + int(1920 * layout.Scale), top + int(1080 * layout.Scale)}));
    EXPECT_EQ(layout.Figures[1].Left, left + int(1920 * layout.Scale));
    EXPECT_EQ(layout.Figures[1].Right, left + scaledWidth);
}

TEST(MonitorMapTest, TallDesktopWithNegativeOriginIsLimitedByItsHeight) {
    // A second monitor above the primary one.
    const std::vector<tMyRect> monitors{SizedRect(0, 0, 1024, 768), SizedRect(0, -1024, 1280, 1024)};
    const tMonitorMapLayout layout = LayOutMonitorMap(monitors, monitors[0], 300, 300);
    EXPECT_EQ(layout.Extent, (tMyRect{0, -1024, 1280, 768}));
    EXPECT_LE(int(1792 * layout.Scale), 280);
    EXPECT_LE(int(1280 * layout.Scale), 280);
    ASSERT_EQ(layout.Figures.size(), 2u);
    // The upper monitor's figure sits above the primary one and touches it.
    EXPECT_EQ(layout.Figures[1].Bottom, layout.Figures[0].Top);
    const int top = (300 - int(1792 * layout.Scale)) / 2;
    EXPECT_EQ(layout.Figures[1].Top, top);
    EXPECT_EQ(layout.Figures[0].Top, top + int(1024 * layout.Scale));
}

TEST(MonitorMapTest, WidgetFollowsTheMonitorCount) {
    SetMonitorsForTesting({Monitor("A", kLeftScreen), Monitor("B", kRightScreen)});
    EnumerateMonitors();
    TMonitorMap map;
    map.resize(400, 250);
    EXPECT_EQ(map.CurrentLayout().Figures.size(), 2u);
    SetMonitorsForTesting({Monitor("A", kLeftScreen)});
    EnumerateMonitors();
    EXPECT_EQ(map.CurrentLayout().Figures.size(), 1u);
    UseRealMonitors();
}

} // namespace
} // namespace lyrimo

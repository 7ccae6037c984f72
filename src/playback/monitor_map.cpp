#include "playback/monitor_map.h"

#include "playback/monitors.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

namespace lyrimo {

namespace {

void Include(tMyRect& extent, int x, int y) {
    extent.Left = std::min(extent.Left, x);
    extent.Top = std::min(extent.Top, y);
    extent.Right = std::max(extent.Right, x);
    extent.Bottom = std::max(extent.Bottom, y);
}

int Scaled(double value, double scale) { return int(value * scale); }

} // namespace

tMonitorMapLayout LayOutMonitorMap(const std::vector<tMyRect>& monitors, const tMyRect& screen,
                                   int clientWidth, int clientHeight) {
    tMonitorMapLayout layout;
    tMyRect& extent = layout.Extent;
    extent = {0, 0, 0, 0};
    Include(extent, screen.Width(), screen.Height());
    for (const tMyRect& monitor : monitors) {
        Include(extent, monitor.Left, monitor.Top);
        Include(extent, monitor.Right, monitor.Bottom);
    }
    const int w = clientWidth - 20;
    const int h = clientHeight - 20;
    if (extent.Width() <= 0 || extent.Height() <= 0 || w <= 0 || h <= 0)
        return layout;

    // Shrink both scales together until each fits its own direction, then take the larger:
    // the other one has been shrunk beyond need by the first loop's steps.
    double sx = double(w) / extent.Width();
    double sy = double(h) / extent.Height();
    while (Scaled(extent.Width(), sy) > w) {
        sx *= 0.95;
        sy *= 0.95;
    }
    while (Scaled(extent.Height(), sx) > h) {
        sx *= 0.95;
        sy *= 0.95;
    }
    const double scale = std::max(sx, sy);
    layout.Scale = scale;

    const int left = (clientWidth - Scaled(extent.Width(), scale)) / 2;
    const int top = (clientHeight - Scaled(extent.Height(), scale)) / 2;
    for (const tMyRect& monitor : monitors) {
        layout.Figures.push_back({left + Scaled(monitor.Left - extent.Left, scale),
                                  top + Scaled(monitor.Top - extent.Top, scale),
                                  left + Scaled(monitor.Right - extent.Left, scale),
                                  top + Scaled(monitor.Bottom - extent.Top, scale)});
    }
    return layout;
}

TMonitorMap::TMonitorMap(QWidget* parent) : QWidget(parent) {
    setMinimumSize(200, 120);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

tMonitorMapLayout TMonitorMap::CurrentLayout() const {
    std::vector<tMyRect> rects;
    for (const tMyMonitor& monitor : Monitors())
        rects.push_back(monitor.Bounds);
    return LayOutMonitorMap(rects, ScreenRect(), width(), height());
}

namespace {

QString ShortDeviceName(const QString& deviceName) {
    const QString prefix = QStringLiteral("\\\\.\\");
    return deviceName.startsWith(prefix) ? deviceName.mid(prefix.size()) : deviceName;
}

// A monitor: a dark bezel around a blue screen, the device name, its size and, on the
// primary one, "(Primary)".
void DrawFigure(QPainter& painter, const QRect& figure, const tMyMonitor& monitor, bool primary) {
    painter.setPen(QPen(QColor(20, 20, 24), 1));
    painter.setBrush(QColor(48, 48, 56));
    painter.drawRoundedRect(figure.adjusted(0, 0, -1, -1), 3, 3);

    const QRect glass = figure.adjusted(3, 3, -4, -4);
    if (glass.width() > 0 && glass.height() > 0) {
        QLinearGradient gradient(glass.topLeft(), glass.bottomRight());
        gradient.setColorAt(0, primary ? QColor(70, 130, 220) : QColor(60, 100, 170));
        gradient.setColorAt(1, primary ? QColor(25, 60, 140) : QColor(25, 45, 100));
        painter.setPen(Qt::NoPen);
        painter.setBrush(gradient);
        painter.drawRect(glass);
    }

    QStringList lines{ShortDeviceName(monitor.DeviceName),
                      QStringLiteral("%1 x %2").arg(monitor.Bounds.Width()).arg(monitor.Bounds.Height())};
    if (primary)
        lines << QStringLiteral("(Primary)");
    QFont font = painter.font();
    font.setPointSizeF(std::max(6.0, std::min(9.0, glass.height() / 6.0)));
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(glass.adjusted(2, 2, -2, -2), Qt::AlignCenter | Qt::TextWordWrap, lines.join('\n'));
}

} // namespace

void TMonitorMap::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window).darker(115));
    painter.setRenderHint(QPainter::Antialiasing, false);
    const tMonitorMapLayout layout = CurrentLayout();
    const std::vector<tMyMonitor>& monitors = Monitors();
    for (size_t i = 0; i < layout.Figures.size() && i < monitors.size(); ++i) {
        const tMyRect& f = layout.Figures[i];
        DrawFigure(painter, QRect(f.Left, f.Top, f.Width(), f.Height()), monitors[i], i == 0);
    }
}

} // namespace lyrimo

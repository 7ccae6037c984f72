// The preferences' picture of the monitors: one small figure per monitor, placed and sized
// like the monitors on the desktop.
#pragma once

#include "render/changes_list.h"

#include <QWidget>

#include <vector>

namespace lyrimo {

struct tMonitorMapLayout {
    tMyRect Extent;               // the desktop area the map shows
    double Scale = 0;             // panel pixels per desktop pixel
    std::vector<tMyRect> Figures; // one per monitor, in panel coordinates
};

// Fits the extent (the smallest rectangle holding the origin, the screen and every monitor)
// into a panel of the given client size, leaving 10 pixels around it, and centres it.
tMonitorMapLayout LayOutMonitorMap(const std::vector<tMyRect>& monitors, const tMyRect& screen,
                                   int clientWidth, int clientHeight);

class TMonitorMap : public QWidget {
    Q_OBJECT

public:
    explicit TMonitorMap(QWidget* parent = nullptr);

    QSize sizeHint() const override { return {380, 220}; }
    // The layout of the monitors in the list now, for the panel's present size.
    tMonitorMapLayout CurrentLayout() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace lyrimo

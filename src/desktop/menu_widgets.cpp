#include "desktop/menu_widgets.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace lyrimo {
namespace {

constexpr int kBadgeSize = 34;
constexpr int kBadgeMargin = 12;

const QColor kGold(255, 200, 60);
const QColor kMagenta(235, 70, 160);
const QColor kBadge(255, 170, 40);

void DrawBall(QPainter& painter, QPointF centre, qreal radius) {
    QRadialGradient shine(centre - QPointF(radius / 3, radius / 3), radius * 1.4);
    shine.setColorAt(0, Qt::white);
    shine.setColorAt(0.35, kGold);
    shine.setColorAt(1, QColor(200, 90, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(shine);
    painter.drawEllipse(centre, radius, radius);
}

} // namespace

TLyrimoLogo::TLyrimoLogo(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    setMinimumSize(320, 110);
}

QSize TLyrimoLogo::sizeHint() const { return {460, 130}; }

void TLyrimoLogo::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    QFont font("DejaVu Sans");
    font.setBold(true);
    font.setPixelSize(height() * 55 / 100);
    const QString name = "Lyrimo";
    const QFontMetricsF metrics(font);
    const qreal textWidth = metrics.horizontalAdvance(name);
    const qreal left = (width() - textWidth) / 2;
    const qreal baseline = height() - metrics.descent() - height() * 0.06;

    QPainterPath text;
    text.addText(left, baseline, font, name);

    // A soft shadow, then the letters in a sung-to-unsung colour wipe.
    painter.translate(3, 4);
    painter.fillPath(text, QColor(0, 0, 0, 110));
    painter.translate(-3, -4);
    QLinearGradient wipe(left, 0, left + textWidth, 0);
    wipe.setColorAt(0, kGold);
    wipe.setColorAt(0.58, kGold);
    wipe.setColorAt(0.6, kMagenta);
    wipe.setColorAt(1, QColor(140, 90, 255));
    painter.setPen(QPen(QColor(40, 10, 60), 2));
    painter.setBrush(wipe);
    painter.drawPath(text);

    // The ball's path over the words, landing where the wipe has reached.
    const qreal top = baseline - metrics.ascent();
    const qreal landing = left + textWidth * 0.6;
    const qreal radius = height() * 0.07;
    QPainterPath arc;
    arc.moveTo(left + textWidth * 0.12, top + radius);
    arc.quadTo(left + textWidth * 0.36, top - height() * 0.45, landing, top - radius * 0.2);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 120), 2, Qt::DotLine));
    painter.drawPath(arc);
    DrawBall(painter, QPointF(landing, top - radius * 1.2), radius);
}

TMenuButton::TMenuButton(int number, const QString& caption, QWidget* parent)
    : QPushButton(caption, parent), number_(number) {
    setMinimumSize(210, 62);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setFocusPolicy(Qt::TabFocus);
}

void TMenuButton::paintEvent(QPaintEvent* event) {
    QPushButton::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF badge(kBadgeMargin, (height() - kBadgeSize) / 2.0, kBadgeSize, kBadgeSize);
    painter.setPen(Qt::NoPen);
    painter.setBrush(isEnabled() ? kBadge : QColor(120, 120, 130));
    painter.drawEllipse(badge);
    QFont font = this->font();
    font.setBold(true);
    font.setPixelSize(kBadgeSize * 6 / 10);
    painter.setFont(font);
    painter.setPen(isEnabled() ? QColor(40, 20, 0) : QColor(60, 60, 70));
    painter.drawText(badge, Qt::AlignCenter, QString::number(number_));
}

QString MenuStyleSheet() {
    return R"(
#MenuBody, lyrimo--TAboutWnd, lyrimo--TTipOfDayWnd {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #2b1055, stop:1 #0d0a24);
}
QLabel { color: #f0e8ff; }
QLabel#StatusLine {
    background: rgba(0, 0, 0, 90); border: 1px solid #5a3d8c; border-radius: 8px; padding: 6px;
    font-size: 14px;
}
QLabel#VersionLine { color: #b9a8dd; }
QLabel#BetaLabel { color: #2b1055; background: #ffc83c; border-radius: 6px; padding: 1px 8px; font-weight: bold; }
QLabel#TipText { font-size: 15px; }
lyrimo--TMenuButton {
    color: white; font-size: 16px; font-weight: bold; text-align: left;
    padding-left: 58px; padding-right: 12px;
    border: 1px solid #7a55c0; border-radius: 12px;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #5b2fa0, stop:1 #3a1c6e);
}
lyrimo--TMenuButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #7a45c8, stop:1 #4d2790); }
lyrimo--TMenuButton:pressed { background: #2a1250; }
lyrimo--TMenuButton:focus { border: 2px solid #ffc83c; }
lyrimo--TMenuButton:disabled { color: #8d86a0; border-color: #443a5c; background: #221a3a; }
QPushButton#HELP, QDialog QPushButton {
    color: white; border: 1px solid #7a55c0; border-radius: 8px; padding: 5px 16px; background: #3a1c6e;
}
QPushButton#HELP:disabled { color: #8d86a0; border-color: #443a5c; background: #221a3a; }
QCheckBox { color: #f0e8ff; }
)";
}

} // namespace lyrimo

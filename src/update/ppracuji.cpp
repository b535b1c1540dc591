#include "update/ppracuji.h"

#include <QFont>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTimer>

namespace update {
namespace {
constexpr int kBlockWidth = 50;
constexpr int kStepPixels = 2;
constexpr int kIntervalMs = 10;
} // namespace

GradientBar::GradientBar(QWidget* parent) : QWidget(parent), m_timer(new QTimer(this))
{
    m_timer->setInterval(kIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &GradientBar::step);
}

bool GradientBar::isRunning() const
{
    return m_timer->isActive();
}

void GradientBar::step()
{
    m_position += kStepPixels;
    if (m_position > width())
        m_position = -kBlockWidth;
    update();
}

void GradientBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, palette().base());
    p.setPen(QColor(0xA0, 0xA0, 0xA0));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    const QRect block(m_position, 1, kBlockWidth, r.height() - 2);
    QLinearGradient gradient(block.topLeft(), block.topRight());
    gradient.setColorAt(0, QColor(0xC0, 0xC0, 0xC0));
    gradient.setColorAt(1, QColor(0x00, 0x80, 0x00));
    p.setClipRect(r.adjusted(1, 1, -1, -1));
    p.fillRect(block, gradient);
}

void GradientBar::showEvent(QShowEvent*)
{
    m_timer->start();
}

void GradientBar::hideEvent(QHideEvent*)
{
    m_timer->stop();
}

} // namespace update

Tpracuji::Tpracuji(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_label(new QLabel(this)),
      m_bar(new update::GradientBar(this))
{
    setObjectName(QStringLiteral("pracuji"));
    setFixedSize(211, 51);
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    font.setBold(true);
    m_label->setFont(font);
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setWordWrap(true);
    m_label->setGeometry(4, 4, 203, 22);
    m_bar->setGeometry(8, 30, 195, 14);
    centre();
}

void Tpracuji::setText(const QString& text)
{
    m_label->setText(text);
}

QString Tpracuji::text() const
{
    return m_label->text();
}

void Tpracuji::centre()
{
    QScreen* s = screen();
    if (!s)
        return;
    const QRect area = s->geometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
}

void Tpracuji::paintEvent(QPaintEvent*)
{
    // Without a title bar the window needs an edge of its own to stand out.
    QPainter p(this);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

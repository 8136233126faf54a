#include "ui/StatusRow.h"

#include <QMenu>
#include <QMouseEvent>
#include <QScreen>

#include <algorithm>

StatusPanel::StatusPanel(const char *name, QMenu *menu, QWidget *parent)
    : QLabel(parent), m_menu(menu)
{
    setObjectName(QString::fromLatin1(name));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setTextFormat(Qt::PlainText);
    setIndent(3);
    if (m_menu)
        setCursor(Qt::PointingHandCursor);
}

void StatusPanel::setPanelText(const QString &text)
{
    setText(text);
    setAccessibleName(text);
}

QPoint StatusPanel::menuPosition() const
{
    // Clear of the bar, so that the pointer is not over an item when the menu opens
    // and the second click of a double-click chooses nothing.
    const QPoint barTop = mapToGlobal(QPoint(0, 0));
    if (!m_menu)
        return barTop;
    const QSize size = m_menu->sizeHint();
    QPoint pos(barTop.x(), barTop.y() - size.height());
    if (const QScreen *s = screen()) {
        const QRect area = s->availableGeometry();
        if (pos.y() < area.top())
            pos.setY(barTop.y() + height());
        pos.setX(std::clamp(pos.x(), area.left(), std::max(area.left(), area.right() + 1 - size.width())));
    }
    return pos;
}

void StatusPanel::mousePressEvent(QMouseEvent *e)
{
    if (!m_menu) {
        QLabel::mousePressEvent(e);
        return;
    }
    e->accept();
    m_menu->popup(menuPosition());
}

StatusRow::StatusRow(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("StatusRow"));
    auto makeMenu = [this](const char *name) {
        auto *menu = new QMenu(this);
        menu->setObjectName(QString::fromLatin1(name));
        menu->setAttribute(Qt::WA_WindowPropagation);  // the window's font, not the desktop's
        menu->setToolTipsVisible(true);
        return menu;
    };
    m_com = new StatusPanel("StatusBar_Com", makeMenu("ComPortMenu"), this);
    m_baud = new StatusPanel("StatusBar_Baud", makeMenu("BaudMenu"), this);
    m_format = new StatusPanel("StatusBar_Format", makeMenu("FormatMenu"), this);
    m_status = new StatusPanel("StatusBar1", nullptr, this);
    // Positions within the 625-wide row, as the bars sit in the window.
    m_com->setGeometry(0, 0, 64, 19);
    m_baud->setGeometry(66, 0, 68, 19);
    m_format->setGeometry(136, 0, 70, 19);
    m_status->setGeometry(209, 0, 416, 19);
    setFixedSize(625, 19);
}

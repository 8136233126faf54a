#include "ui/StatusRow.h"

#include <QMenu>
#include <QKeyEvent>
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
    if (m_menu) {
        setCursor(Qt::PointingHandCursor);
        // Reachable with Tab; Space, Enter or Down opens the menu.
        setFocusPolicy(Qt::TabFocus);
    }
}

void StatusPanel::keyPressEvent(QKeyEvent *e)
{
    if (m_menu && (e->key() == Qt::Key_Space || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter ||
                   e->key() == Qt::Key_Down)) {
        e->accept();
        m_menu->popup(menuPosition());
        return;
    }
    QLabel::keyPressEvent(e);
}

void StatusPanel::focusInEvent(QFocusEvent *e)
{
    // The sunken bar shows the focus by rising.
    setFrameShadow(QFrame::Raised);
    QLabel::focusInEvent(e);
}

void StatusPanel::focusOutEvent(QFocusEvent *e)
{
    setFrameShadow(QFrame::Sunken);
    QLabel::focusOutEvent(e);
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
    m_status = new StatusPanel("StatusBar_Status", nullptr, this);
    // Positions within the row as the bars sit in the window at its default width;
    // the status line takes what the row gains.
    m_com->setGeometry(0, 0, 64, 19);
    m_baud->setGeometry(66, 0, 68, 19);
    m_format->setGeometry(136, 0, 70, 19);
    m_status->setGeometry(209, 0, 416, 19);
    setMinimumSize(625, 19);
    setMaximumHeight(19);
}

void StatusRow::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    m_status->resize(std::max(0, width() - m_status->x()), m_status->height());
}

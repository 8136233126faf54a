#include "ui/AnchorLayout.h"

#include <QWidget>
#include <QWidgetItem>

#include <algorithm>

AnchorLayout::AnchorLayout(const QSize &designSize, QWidget *parent) : QLayout(parent), m_design(designSize)
{
    setContentsMargins(0, 0, 0, 0);
}

AnchorLayout::~AnchorLayout()
{
    for (const Entry &e : m_items)
        delete e.item;
}

void AnchorLayout::addWidget(QWidget *w, const QRect &designed, Anchors anchors)
{
    addChildWidget(w);
    m_items.append({new QWidgetItem(w), designed, anchors});
    invalidate();
}

void AnchorLayout::addItem(QLayoutItem *item)
{
    // An item added without a place keeps the one it has.
    const QRect at = item->widget() ? item->widget()->geometry() : item->geometry();
    m_items.append({item, at, Anchors(Left | Top)});
}

QLayoutItem *AnchorLayout::itemAt(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items.at(index).item : nullptr;
}

QLayoutItem *AnchorLayout::takeAt(int index)
{
    if (index < 0 || index >= m_items.size())
        return nullptr;
    return m_items.takeAt(index).item;
}

QRect AnchorLayout::place(const QRect &designed, Anchors anchors, const QSize &design, const QSize &area)
{
    const int dx = std::max(0, area.width() - design.width());
    const int dy = std::max(0, area.height() - design.height());
    QRect r = designed;
    // Anchored to the right edge only: it moves; to both: it stretches.
    if (anchors & Right) {
        if (anchors & Left)
            r.setWidth(r.width() + dx);
        else
            r.moveLeft(r.left() + dx);
    }
    if (anchors & Bottom) {
        if (anchors & Top)
            r.setHeight(r.height() + dy);
        else
            r.moveTop(r.top() + dy);
    }
    return r;
}

void AnchorLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    for (const Entry &e : m_items)
        e.item->setGeometry(place(e.designed, e.anchors, m_design, rect.size()).translated(rect.topLeft()));
}

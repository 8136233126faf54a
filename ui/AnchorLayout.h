#pragma once

#include <QFlags>
#include <QLayout>
#include <QList>
#include <QRect>

// Places each widget at its designed place in a designed area, and when the area is
// larger moves or stretches it by the edges it is anchored to: a widget anchored left
// and right grows with the width, one anchored right only follows the right edge.
// The designed area is the layout's minimum size unless one is set.
class AnchorLayout : public QLayout {
public:
    enum Anchor { Left = 0x1, Top = 0x2, Right = 0x4, Bottom = 0x8 };
    Q_DECLARE_FLAGS(Anchors, Anchor)

    AnchorLayout(const QSize &designSize, QWidget *parent = nullptr);
    ~AnchorLayout() override;

    void addWidget(QWidget *w, const QRect &designed, Anchors anchors = Anchors(Left | Top));

    void addItem(QLayoutItem *item) override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;
    int count() const override { return int(m_items.size()); }
    QSize sizeHint() const override { return m_design; }
    QSize minimumSize() const override { return m_minimum.isValid() ? m_minimum : m_design; }
    // The smallest area, when it is not the designed one; a smaller area places the
    // widgets as the designed one does.
    void setMinimumAreaSize(const QSize &size) { m_minimum = size; }
    void setGeometry(const QRect &rect) override;

    // Where a widget designed at designed stands in an area of size area.
    static QRect place(const QRect &designed, Anchors anchors, const QSize &design, const QSize &area);

private:
    struct Entry {
        QLayoutItem *item;
        QRect designed;
        Anchors anchors;
    };
    QSize m_design;
    QSize m_minimum;
    QList<Entry> m_items;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(AnchorLayout::Anchors)

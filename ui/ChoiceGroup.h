#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QVBoxLayout;

// A captioned list of mutually exclusive options with a current index (-1: none,
// also for an index beyond the list). changed() fires on every change of the
// selection, the program's own included; block the signals to set it silently.
class ChoiceGroup : public QGroupBox {
    Q_OBJECT
public:
    ChoiceGroup(const QString &caption, const QStringList &items, QWidget *parent = nullptr);

    int itemIndex() const;
    void setItemIndex(int index);
    // Replaces the options, keeping the index.
    void setItems(const QStringList &items);
    QStringList items() const { return m_items; }

Q_SIGNALS:
    void changed(int index);

private:
    QButtonGroup *m_buttons;
    QVBoxLayout *m_layout;
    QStringList m_items;
};

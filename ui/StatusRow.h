#pragma once

#include <QLabel>
#include <QWidget>

class QMenu;

// One bar of the status row: a sunken text field; the clickable ones open their
// menu when any mouse button is pressed on them.
class TStatusPanel : public QLabel {
    Q_OBJECT
public:
    TStatusPanel(const char *name, QMenu *menu, QWidget *parent);

    // Sets the text and the accessible name that reads it out.
    void setPanelText(const QString &text);
    QMenu *menu() const { return m_menu; }
    // Where the menu opens, in global coordinates: at the bar's left edge with its
    // bottom at the bar's top, or below the bar when the screen has no room above.
    QPoint menuPosition() const;

protected:
    void mousePressEvent(QMouseEvent *e) override;

private:
    QMenu *m_menu;
};

// The bottom row: COM port, baud and line-format bars with their menus, then the
// status line. The menus' items are added by the main window.
class TStatusRow : public QWidget {
    Q_OBJECT
public:
    explicit TStatusRow(QWidget *parent = nullptr);

    TStatusPanel *comPort() const { return m_com; }
    TStatusPanel *baud() const { return m_baud; }
    TStatusPanel *lineFormat() const { return m_format; }
    TStatusPanel *statusLine() const { return m_status; }

private:
    TStatusPanel *m_com;
    TStatusPanel *m_baud;
    TStatusPanel *m_format;
    TStatusPanel *m_status;
};

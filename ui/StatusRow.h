#pragma once

#include <QLabel>
#include <QWidget>

class QMenu;

// One bar of the status row: a sunken text field; the clickable ones open their
// menu when any mouse button is pressed on them.
class StatusPanel : public QLabel {
    Q_OBJECT
public:
    StatusPanel(const char *name, QMenu *menu, QWidget *parent);

    // Sets the text and the accessible name that reads it out.
    void setPanelText(const QString &text);
    QMenu *menu() const { return m_menu; }
    // Where the menu opens, in global coordinates: at the bar's left edge with its
    // bottom at the bar's top, or below the bar when the screen has no room above.
    QPoint menuPosition() const;

protected:
    void mousePressEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;
    void focusInEvent(QFocusEvent *e) override;
    void focusOutEvent(QFocusEvent *e) override;

private:
    QMenu *m_menu;
};

// The bottom row: COM port, baud and line-format bars with their menus, then the
// status line. The menus' items are added by the main window.
class StatusRow : public QWidget {
    Q_OBJECT
public:
    explicit StatusRow(QWidget *parent = nullptr);

    StatusPanel *comPort() const { return m_com; }
    StatusPanel *baud() const { return m_baud; }
    StatusPanel *lineFormat() const { return m_format; }
    StatusPanel *statusLine() const { return m_status; }

protected:
    void resizeEvent(QResizeEvent *e) override;

private:
    StatusPanel *m_com;
    StatusPanel *m_baud;
    StatusPanel *m_format;
    StatusPanel *m_status;
};

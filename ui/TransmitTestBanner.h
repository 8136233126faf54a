#pragma once

#include <QFrame>

class QLabel;
class QPushButton;

// A strip across the top of the main window while the Tx BER test runs: the module
// keeps transmitting until it is stopped, so that stays on the screen with its Stop.
class TransmitTestBanner : public QFrame {
    Q_OBJECT
public:
    explicit TransmitTestBanner(QWidget *parent = nullptr);

    // Shows the banner for a test on portName, or hides it.
    void showRunning(bool running, const QString &portName = QString());
    QString text() const;
    QPushButton *stopButton() const { return m_stop; }

Q_SIGNALS:
    void stopRequested();

private:
    QLabel *m_text;
    QPushButton *m_stop;
};

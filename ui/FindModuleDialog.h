#pragma once

#include "comm/LineSettings.h"
#include "operations/ModuleFinder.h"

#include <QDialog>

#include <chrono>
#include <stop_token>
#include <thread>

class QLabel;
class QProgressBar;
class QPushButton;

// "Find Module": searches the port of the given settings off the GUI thread, shows
// the progress with Cancel, then the result with "Use These Settings". Accepted
// only through that button; foundSettings() then holds what answered.
class FindModuleDialog : public QDialog {
    Q_OBJECT
public:
    FindModuleDialog(const LineSettings &current, std::chrono::milliseconds guard, char escape = '+',
                     QWidget *parent = nullptr);
    ~FindModuleDialog() override;

    const ModuleFinder::Result &result() const { return m_result; }
    // What answered, on the port that was searched.
    LineSettings foundSettings() const;
    bool searching() const { return m_searching; }

    QLabel *statusLabel() const { return m_status; }
    QPushButton *useButton() const { return m_useButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

    // While searching: asks the search to stop; the dialog closes once it has, its
    // port closed.
    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void showProgress(int step, int steps, const QString &trying);
    void showResult();
    QString portName() const { return m_current.port; }
    void stopSearch();

    LineSettings m_current;
    ModuleFinder m_finder;
    ModuleFinder::Result m_result;
    std::stop_source m_stop;
    std::thread m_search;
    bool m_searching = false;
    QLabel *m_status = nullptr;
    QProgressBar *m_progressBar = nullptr;
    QPushButton *m_useButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
};

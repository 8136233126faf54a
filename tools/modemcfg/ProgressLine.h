#pragma once

#include "operations/ModuleOperations.h"

#include <QString>
#include <QStringList>

#include <mutex>
#include <vector>

// The one updating progress line on stderr: a section per module, rewritten in
// place. Shows nothing when stderr is not a terminal, so a log or a pipe gets only
// the results. Safe to call from the operations' threads.
class ProgressLine {
public:
    explicit ProgressLine(const QStringList &ports);
    ~ProgressLine();
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;

    bool shown() const { return m_enabled; }
    void setStatus(int slot, const QString &text);
    void setProgress(int slot, int value, int maximum);
    // Empties the line, so that what is written next starts at its left edge.
    void clear();

private:
    struct Section {
        QString port;
        QString status;
        int value = 0;
        int maximum = 0;
    };
    void draw();

    bool m_enabled = false;
    std::mutex m_mutex;
    std::vector<Section> m_sections;
};

// Hands one module's operation reports to its section of the progress line.
class ConsoleObserver : public OperationObserver {
public:
    ConsoleObserver(ProgressLine &line, int slot) : m_line(line), m_slot(slot) {}
    void status(const QString &text) override { m_line.setStatus(m_slot, text); }
    void progress(int value, int maximum) override { m_line.setProgress(m_slot, value, maximum); }

private:
    ProgressLine &m_line;
    int m_slot;
};

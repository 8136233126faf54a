// A light main window for the operation tests: the settings model, the PC serial
// settings, a log and a status line, messages going to a FakeMessages.
#pragma once

#include "operations/OperationHost.h"
#include "settings/ProductVariant.h"
#include "settings/SerialParams.h"
#include "settings/SettingsModel.h"
#include "support/FakeMessages.h"

#include <QObject>
#include <QThread>

#include <atomic>

class TestHost : public QObject, public OperationHost {
public:
    explicit TestHost(const QString &executableName = QStringLiteral("Cfg_740RB"))
        : m_variant(*selectProductVariant(executableName)), m_model(m_variant, fake)
    {
        m_model.applyDefaults();
        resetPortSettings(ports, true);
    }

    // Any thread. ListingText is a plain buffer on purpose: only the hand-offs
    // between the worker and the GUI thread keep its writers apart.
    void receiveData(const QByteArray &text, quint16) override
    {
        listing = text;
        const QByteArray line = text + '\r';
        if (m_logViaWorker.load() && m_hook)
            m_hook(line);
        else if (QThread::currentThread() == thread())
            log << line;
        else
            ++strayLogLines;  // logged off the GUI thread without the worker: a fault
    }
    QByteArray listingText() const override { return listing; }
    void setListingText(const QByteArray &text) override { listing = text; }

    void setLogViaWorker(bool on) override { m_logViaWorker = on; }
    bool logViaWorker() const override { return m_logViaWorker.load(); }
    void setWorkerLogHook(std::function<void(const QByteArray &)> hook) override { m_hook = std::move(hook); }

    SettingsModel &model() override { return m_model; }
    MessageSink &messages() override { return fake; }
    const ProductVariant &variant() const override { return m_variant; }
    PortSettings &portSettings() override { return ports; }
    CommandList &commandList() override { return commands; }
    int &priorS21() override { return heldPriorS21; }

    void showPortSettings() override
    {
        baudPanel = baudText(ports);
        formatPanel = lineFormatText(ports);
        ++displayCalls;
    }
    void showPcBaud() override { baudPanel = baudText(ports); }
    void followModuleSerialSettings() override
    {
        ports = ::portSettingsFor(m_model.settings(), ports);
        showPortSettings();
    }
    void setStatusText(const QString &text) override { status = text; }
    void appendLogLine(const QByteArray &line) override
    {
        if (QThread::currentThread() != thread())
            ++strayLogLines;
        log << line;
    }
    void clearLog() override { log.clear(); }
    void commitEdit() override { ++commits; }
    void repaintWindow() override { ++repaints; }
    QWidget *window() override { return nullptr; }

    FakeMessages fake;
    PortSettings ports;
    CommandList commands;
    int heldPriorS21 = 0;
    QByteArray listing;
    QList<QByteArray> log;
    QString status;
    QString baudPanel = QStringLiteral("9600");
    QString formatPanel = QStringLiteral("N-8-1");
    int displayCalls = 0;
    int commits = 0;
    int repaints = 0;
    std::atomic<int> strayLogLines{0};

private:
    ProductVariant m_variant;
    SettingsModel m_model;
    std::atomic<bool> m_logViaWorker{false};
    std::function<void(const QByteArray &)> m_hook;
};

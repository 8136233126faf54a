// A light main window for the operation tests: the settings model, the PC serial
// settings, a log and a status line, messages going to a FakeMessages.
#pragma once

#include "ui/OperationHost.h"
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
    }

    void setListingText(const QByteArray &text) override { listing = text; }

    SettingsModel &model() override { return m_model; }
    MessageSink &messages() override { return fake; }
    const ProductVariant &variant() const override { return m_variant; }
    LineSettings &lineSettings() override { return ports; }
    CommandList &commandList() override { return commands; }
    int &priorS21() override { return heldPriorS21; }
    char &escapeCharacter() override { return escape; }
    ReplyPace replyPace() const override { return pace; }

    void showLineSettings() override
    {
        baudPanel = QString::number(ports.baudRate);
        formatPanel = ports.formatText();
        ++displayCalls;
    }
    void setStatusText(const QString &text) override { status = text; }
    void appendLogLine(const QByteArray &line) override
    {
        if (QThread::currentThread() != thread())
            ++strayLogLines;
        log << line;
    }
    void appendSentLine(const QByteArray &command) override { sent << command; }
    void clearLog() override { log.clear(); }
    void repaintWindow() override { ++repaints; }
    QWidget *window() override { return nullptr; }

    FakeMessages fake;
    LineSettings ports;
    CommandList commands;
    int heldPriorS21 = 0;
    char escape = '+';
    ReplyPace pace = ReplyPace::FinalCode;
    QByteArray listing;
    QList<QByteArray> log;
    QList<QByteArray> sent;
    QString status;
    QString baudPanel = QStringLiteral("9600");
    QString formatPanel = QStringLiteral("N-8-1");
    int displayCalls = 0;
    int repaints = 0;
    std::atomic<int> strayLogLines{0};

private:
    ProductVariant m_variant;
    SettingsModel m_model;
};

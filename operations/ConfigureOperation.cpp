// The configure operation of OperationWorker: the serial-parameter step and the
// command list, both on the worker.
#include "operations/OperationHost.h"
#include "operations/OperationWorker.h"
#include "operations/ReadCompletion.h"

#include "comm/ModuleChannel.h"
#include "settings/MessageSink.h"
#include "settings/SerialParams.h"
#include "settings/SettingsModel.h"

#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

// SerialBaudRate items the PC cannot follow ("31250", "76800", "93750"): the module's
// rate and format change only at the very end, with its store and reset.
bool isNonStandardRate(int serialBaudItem)
{
    return serialBaudItem == 8 || serialBaudItem == 11 || serialBaudItem == 13;
}

// PC parity for a SerialParity item: "None" and "Zero" send no parity bit.
int pcParity(int serialParityItem)
{
    switch (serialParityItem) {
    case 2: return 1;
    case 3: return 2;
    default: return 0;
    }
}

// The PC baud index for a SerialBaudRate item; the first item is the extra "115200".
std::uint8_t pcBaudIndex(int serialBaudItem)
{
    return static_cast<std::uint8_t>(serialBaudItem == 0 ? 11 : serialBaudItem - 1);
}

}  // namespace

const QString OperationWorker::kXonXoffText = QStringLiteral(
    "Error programming XON/XOFF flow control. This parameter is not supported by the module firmware.");

const QString OperationWorker::kDisableResponseCodesText = QStringLiteral(
    "\"Disable Response Codes\" is selected, if this parameter is already set in the modem\n\r"
    "then you need to restore factory defaults (switch 2) on the modem before configuring.");

void OperationWorker::checkSerialParameters()
{
    ModuleSettings module;
    PortSettings pc;
    onGui([&] {
        module = m_host.model().settings();
        pc = m_host.portSettings();
    });
    const int baudItem = module[Field::SerialBaudRate];
    if (isNonStandardRate(baudItem)) {
        m_nonStandardRate = true;
        return;
    }
    reportStatus(QStringLiteral("Checking Serial Parameters..."));
    const bool rateDiffers = baudItem != pc.baudIndex + 1;
    const bool formatDiffers = module[Field::SerialDataBits] != pc.dataBits ||
                               module[Field::SerialStopBits] != pc.stopBits ||
                               pcParity(module[Field::SerialParity]) != pc.parity;
    if (cancelled())
        return;

    if (rateDiffers) {
        reportStatus(QStringLiteral("Waking Modem..."));
        m_channel->wakeModem();
        if (cancelled())
            return;
        reportStatus(QStringLiteral("Changing Serial Parameters..."));
        m_configSent = true;
        m_moduleLine.baudIndex = pcBaudIndex(baudItem);
        // The module answers at the old rate and is gone from it afterwards: one short read.
        m_channel->send("ATC" + QByteArray::number(baudItem) + "\r", QByteArray(), 5);
        reportStatus(QStringLiteral("Updating Serial Parameters..."));
        PortSettings next;
        onGui([&] {
            m_host.portSettings().baudIndex = pcBaudIndex(baudItem);
            m_host.showPcBaud();
            next = m_host.portSettings();
        });
        openChannel(next);
    }
    if (cancelled())
        return;

    if (formatDiffers) {
        const int code = module[Field::SerialStopBits] + 2 * module[Field::SerialDataBits] +
                         4 * module[Field::SerialParity];
        reportStatus(QStringLiteral("Waking Modem..."));
        m_channel->wakeModem();
        if (cancelled())
            return;
        reportStatus(QStringLiteral("Changing Serial Parameters..."));
        m_configSent = true;
        m_moduleLine = portSettingsFor(module, m_moduleLine);
        m_channel->send(commandPrefix(Field::SerialDataBits) + QByteArray::number(code) + "\r", QByteArray(), 5);
        reportStatus(QStringLiteral("Updating Serial Parameters..."));
        PortSettings next;
        onGui([&] {
            m_host.followModuleSerialSettings();
            next = m_host.portSettings();
        });
        openChannel(next);
    }
}

void OperationWorker::configureModule()
{
    constexpr int n = kCommandCount;
    reportStatus(QStringLiteral("Configuring Module..."));
    reportProgress(0);
    reportProgressMax(n + 10);
    reportStep();
    repaintProgress();

    const auto wakeStarted = std::chrono::steady_clock::now();
    try {
        wakeModule();
    } catch (const Exception &) {
        // The first command fails on its own if the module really sleeps; give a
        // module that answered nothing at once a moment to settle.
        if (std::chrono::steady_clock::now() - wakeStarted < 3s)
            pauseUnlessCancelled(1000);
    }

    try {
        configureCommands();
    } catch (const ExchangeCancelled &) {
        throw;
    } catch (const Exception &) {
        if (m_responseCodesOff)
            onGui([this] {
                m_host.messages().show(MessageSink::Icon::Warning, MessageSink::Buttons::Ok,
                                       kDisableResponseCodesText);
            });
        throw;
    }
}

void OperationWorker::configureCommands()
{
    constexpr int n = kCommandCount;
    reportStatus(QStringLiteral("Configuring Module..."));
    QByteArray rateEntry;
    QByteArray formatEntry;
    QByteArray responseEntry;
    for (int i = 0; i <= n - 2; ++i) {
        if (cancelled())
            return;
        const QByteArray &entry = m_commands[static_cast<std::size_t>(i)];
        if (entry.contains("ATC") && m_nonStandardRate) {
            rateEntry = entry;
        } else if (entry.contains(commandPrefix(Field::SerialDataBits)) && m_nonStandardRate) {
            formatEntry = entry;
        } else if (entry.contains("ATQ")) {
            responseEntry = entry;
        } else {
            m_configSent = true;
            try {
                m_channel->sendCommand(entry + "\r", "OK", 100);
            } catch (const ModuleReplyError &) {
                if (!entry.contains(commandPrefix(Field::FlowControl) + '5'))
                    throw;
                reportError(kXonXoffText);
                return;
            }
            reportStep();
        }
    }

    // The list has just set the module's escape character (S2).
    escapeCharacter = static_cast<char>(m_escapeCode);
    try {
        m_channel->sendCommand(m_commands[n - 1] + "\r", "OK", 100);
        reportStep();
    } catch (const Exception &) {
        wakeModule();
    }

    reportStatus(QStringLiteral("Configuring Module..."));
    if (cancelled())
        return;
    reportStep();
    wakeModule();
    if (cancelled())
        return;
    reportStatus(QStringLiteral("Configuring Module..."));

    const QByteArray finalLine = rateEntry + formatEntry + "AT&WATZ\r";
    if (responseEntry == "ATQ1") {
        // From here on the module sends no result codes: nothing can be judged.
        m_channel->send("ATQ1\r", "OK", 100);
        reportStep();
        if (m_nonStandardRate) {
            m_channel->send(finalLine, "CR", 100);
        } else {
            m_channel->send("AT&W\r", "OK", 100);
            std::this_thread::sleep_for(50ms);
            m_channel->send("ATZ\r", "\r", 100);
            std::this_thread::sleep_for(50ms);
        }
    } else {
        m_channel->sendCommand(responseEntry + "\r", "OK", 100);
        ReadCompletion(m_host, *m_channel, m_guiContext).checkFirmware();
        if (m_nonStandardRate) {
            m_channel->send(finalLine, "CR", 100);
        } else {
            m_channel->sendCommand("AT&W\r", "OK", 100);
            m_channel->send("ATZ\r", "\r", 100);
        }
    }
    m_configDone = true;
    reportDone();
}

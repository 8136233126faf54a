// The configure operation of TProgramThread: the serial-parameter step and the
// command list, both on the worker.
#include "operations/ConfigProgressForm.h"
#include "operations/OperationHost.h"
#include "operations/ProgramThread.h"
#include "operations/ReadConfigEnd.h"

#include "comm/COM740Object.h"
#include "settings/MessageSink.h"
#include "settings/SerialParams.h"
#include "settings/SettingsModel.h"

#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Serial_Baud items the PC cannot follow ("31250", "76800", "93750"): the module's
// rate and format change only at the very end, with its store and reset.
bool isNonStandardRate(int serialBaudItem)
{
    return serialBaudItem == 8 || serialBaudItem == 11 || serialBaudItem == 13;
}

// PC parity for a Serial_Parity item: "None" and "Zero" send no parity bit.
int pcParity(int serialParityItem)
{
    switch (serialParityItem) {
    case 2: return 1;
    case 3: return 2;
    default: return 0;
    }
}

// The PC baud index for a Serial_Baud item; the first item is the extra "115200".
std::uint8_t pcBaudIndex(int serialBaudItem)
{
    return static_cast<std::uint8_t>(serialBaudItem == 0 ? 11 : serialBaudItem - 1);
}

}  // namespace

const QString TProgramThread::kXonXoffText = QStringLiteral(
    "Error programming XON/XOFF flow control. This parameter is not supported by the module firmware.");

const QString TProgramThread::kDisableResponseCodesText = QStringLiteral(
    "\"Disable Response Codes\" is selected, if this parameter is already set in the modem\n\r"
    "then you need to restore factory defaults (switch 2) on the modem before configuring.");

void TProgramThread::CheckSerialParameters()
{
    ModuleSettings module;
    PortSettings pc;
    onGui([&] {
        module = m_host.model().settings();
        pc = m_host.portSettings();
    });
    const int baudItem = module[Field::Serial_Baud];
    if (isNonStandardRate(baudItem)) {
        NonStandardRate = true;
        return;
    }
    SetStatus(QStringLiteral("Checking Serial Parameters..."));
    const bool rateDiffers = baudItem != pc.Baud + 1;
    const bool formatDiffers = module[Field::Serial_Data] != pc.DataBits ||
                               module[Field::Serial_Stop] != pc.StopBits ||
                               pcParity(module[Field::Serial_Parity]) != pc.Parity;
    if (cancelled())
        return;

    if (rateDiffers) {
        SetStatus(QStringLiteral("Waking Modem..."));
        m_channel->WakeModem();
        if (cancelled())
            return;
        SetStatus(QStringLiteral("Changing Serial Parameters..."));
        m_configSent = true;
        m_moduleLine.Baud = pcBaudIndex(baudItem);
        // The module answers at the old rate and is gone from it afterwards: one short read.
        m_channel->Send("ATC" + QByteArray::number(baudItem) + "\r", QByteArray(), 5);
        SetStatus(QStringLiteral("Updating Serial Parameters..."));
        PortSettings next;
        onGui([&] {
            m_host.portSettings().Baud = pcBaudIndex(baudItem);
            m_host.showPcBaud();
            next = m_host.portSettings();
        });
        openChannel(next);
    }
    if (cancelled())
        return;

    if (formatDiffers) {
        const int code = module[Field::Serial_Stop] + 2 * module[Field::Serial_Data] +
                         4 * module[Field::Serial_Parity];
        SetStatus(QStringLiteral("Waking Modem..."));
        m_channel->WakeModem();
        if (cancelled())
            return;
        SetStatus(QStringLiteral("Changing Serial Parameters..."));
        m_configSent = true;
        m_moduleLine = UpdateSerialParams(module, m_moduleLine);
        m_channel->Send("AT&B" + QByteArray::number(code) + "\r", QByteArray(), 5);
        SetStatus(QStringLiteral("Updating Serial Parameters..."));
        PortSettings next;
        onGui([&] {
            m_host.UpdateSerialParams();
            next = m_host.portSettings();
        });
        openChannel(next);
    }
}

void TProgramThread::ConfigureOperation()
{
    constexpr int n = kCommandCount;
    SetStatus(QStringLiteral("Configuring Module..."));
    SetProgress(0);
    SetProgressMax(n + 10);
    StepProgress();
    RepaintDialog();

    const auto wakeStarted = std::chrono::steady_clock::now();
    try {
        WakeModule();
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

void TProgramThread::configureCommands()
{
    constexpr int n = kCommandCount;
    SetStatus(QStringLiteral("Configuring Module..."));
    QByteArray rateEntry;
    QByteArray formatEntry;
    QByteArray responseEntry;
    for (int i = 0; i <= n - 2; ++i) {
        if (cancelled())
            return;
        const QByteArray &entry = m_commands[static_cast<std::size_t>(i)];
        if (entry.contains("ATC") && NonStandardRate) {
            rateEntry = entry;
        } else if (entry.contains("AT&B") && NonStandardRate) {
            formatEntry = entry;
        } else if (entry.contains("ATQ")) {
            responseEntry = entry;
        } else {
            m_configSent = true;
            try {
                m_channel->SendCommand(entry + "\r", "OK", 100);
            } catch (const EWriteCommError &) {
                if (!entry.contains("AT&K5"))
                    throw;
                ReportMessage(kXonXoffText);
                return;
            }
            StepProgress();
        }
    }

    // The list has just set the module's escape character (S2).
    EscapeChar = static_cast<char>(m_escapeCode);
    try {
        m_channel->SendCommand(m_commands[n - 1] + "\r", "OK", 100);
        StepProgress();
    } catch (const Exception &) {
        WakeModule();
    }

    SetStatus(QStringLiteral("Configuring Module..."));
    if (cancelled())
        return;
    StepProgress();
    WakeModule();
    if (cancelled())
        return;
    SetStatus(QStringLiteral("Configuring Module..."));

    const QByteArray finalLine = rateEntry + formatEntry + "AT&WATZ\r";
    if (responseEntry == "ATQ1") {
        // From here on the module sends no result codes: nothing can be judged.
        m_channel->Send("ATQ1\r", "OK", 100);
        StepProgress();
        if (NonStandardRate) {
            m_channel->Send(finalLine, "CR", 100);
        } else {
            m_channel->Send("AT&W\r", "OK", 100);
            std::this_thread::sleep_for(50ms);
            m_channel->Send("ATZ\r", "\r", 100);
            std::this_thread::sleep_for(50ms);
        }
    } else {
        m_channel->SendCommand(responseEntry + "\r", "OK", 100);
        TReadConfigEnd(m_host, *m_channel, m_guiContext).CheckFirmware();
        if (NonStandardRate) {
            m_channel->Send(finalLine, "CR", 100);
        } else {
            m_channel->SendCommand("AT&W\r", "OK", 100);
            m_channel->Send("ATZ\r", "\r", 100);
        }
    }
    m_configDone = true;
    ProgressToMax();
}

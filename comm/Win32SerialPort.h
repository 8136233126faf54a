#pragma once

#include "comm/SerialPortLayer.h"

#include <cstdint>
#include <string>

// The port layer on the Win32 communications API. "COMn" is the device
// comDevicePath() names (\\.\COMn unless CFG_COMn says otherwise). The time-outs
// are COMMTIMEOUTS field for field, so the driver itself keeps the read interval
// and total rules. Reads and writes are overlapped: the call waits on its I/O event
// and on a wake event, so interrupt() ends a read or write under way (CancelIoEx),
// and a read's total time-out is also kept here, whatever the driver does.
class Win32SerialPort final : public SerialPortLayer {
public:
    Win32SerialPort();
    ~Win32SerialPort() override;
    Win32SerialPort(const Win32SerialPort &) = delete;
    Win32SerialPort &operator=(const Win32SerialPort &) = delete;

    bool open(const std::string &deviceName) override;
    bool isCommDevice() const override;
    void close() override;
    bool isOpen() const override { return m_handle != nullptr; }

    bool getLineState(LineState &state) const override;
    bool setLineState(const LineState &state) override;
    bool getTimeouts(Timeouts &timeouts) const override;
    bool setTimeouts(const Timeouts &timeouts) override;

    bool read(std::vector<std::uint8_t> &data, int maxBytes) override;
    bool write(std::span<const std::uint8_t> data) override;
    void purgeOutput() override;
    void purgeInput() override;
    bool ctsOn() const override;
    bool wakesBlockedReads() const override { return m_wake != nullptr; }

    // What the system says about the last call that failed (FormatMessageW), for
    // logs and diagnostics; empty while nothing has failed.
    std::string errorText() const;

protected:
    void onInterruptChanged(bool interrupted) override;

private:
    bool failed(unsigned long error = 0) const;
    // Waits for the overlapped call on m_io to end, at most `waitMs` (INFINITE: no
    // limit), and cancels it on a wake or at the limit; `transferred` gets what it moved.
    // 0 when it ended by itself, else ERROR_OPERATION_ABORTED (woken), ERROR_TIMEOUT
    // or the call's error.
    unsigned long finishOverlapped(void *overlapped, unsigned long waitMs, unsigned long &transferred);

    void *m_handle = nullptr;        // HANDLE of the open device
    void *m_inUse = nullptr;         // named marker that this program holds the device
    void *m_io = nullptr;            // event of the overlapped read or write under way
    // Manual-reset event, set while interrupted. Made with the object and kept until
    // its end, so an interrupt from another thread never meets a closed handle.
    void *m_wake = nullptr;
    mutable unsigned long m_error = 0;
};

// The text FormatMessageW gives for a system error code, in UTF-8 without the
// trailing line break; the number itself when the system has no text for it.
std::string systemErrorText(unsigned long error);

#include "comm/Win32SerialPort.h"

#include "comm/ComPorts.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>

namespace {

HANDLE handleOf(void *handle) { return static_cast<HANDLE>(handle); }

std::wstring widened(const std::string &text)
{
    if (text.empty())
        return {};
    const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(size_t(std::max(size, 0)), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), wide.data(), size);
    return wide;
}

std::string utf8(const std::wstring &text)
{
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(size_t(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), narrow.data(), size, nullptr, nullptr);
    return narrow;
}

// Wine cannot read the modem lines of a pseudo-terminal (Linux says ENOTTY) and
// reports that as an invalid parameter, as not supported or with no error at all.
bool noModemLines(DWORD error)
{
    return error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED || error == ERROR_SUCCESS;
}

// A line state to start from when the system cannot report the current one: binary
// transfer, no flow control, DTR and RTS on.
DCB plainLineState()
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = CBR_9600;
    dcb.fBinary = TRUE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    return dcb;
}

// Name of the marker a holder of `path` keeps: one per device, per session.
std::wstring inUseMarkerName(const std::wstring &path)
{
    std::wstring name = L"Local\\SerialPortInUse:" + path;
    std::replace(name.begin() + 6, name.end(), L'\\', L'/');
    return name;
}

} // namespace

std::string systemErrorText(unsigned long error)
{
    wchar_t *buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
        0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    std::wstring text = length && buffer ? std::wstring(buffer, length) : std::wstring();
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    return text.empty() ? "error " + std::to_string(error) : utf8(text);
}

Win32SerialPort::Win32SerialPort() : m_wake(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

Win32SerialPort::~Win32SerialPort()
{
    close();
    if (m_wake)
        CloseHandle(handleOf(m_wake));
}

void Win32SerialPort::onInterruptChanged(bool interrupted)
{
    if (!m_wake)
        return;
    if (interrupted)
        SetEvent(handleOf(m_wake));
    else
        ResetEvent(handleOf(m_wake));
}

unsigned long Win32SerialPort::finishOverlapped(void *overlapped, unsigned long waitMs, unsigned long &transferred)
{
    const auto ov = static_cast<OVERLAPPED *>(overlapped);
    const HANDLE events[] = {handleOf(m_io), handleOf(m_wake)};
    const DWORD woke = WaitForMultipleObjects(m_wake ? 2 : 1, events, FALSE, waitMs);
    DWORD ending = 0;
    if (woke != WAIT_OBJECT_0) {
        // Woken or out of time: the call ends now. It may have ended by itself
        // meanwhile, which the cancel then does not change.
        ending = woke == WAIT_OBJECT_0 + 1 ? ERROR_OPERATION_ABORTED : ERROR_TIMEOUT;
        CancelIoEx(handleOf(m_handle), ov);
    }
    DWORD moved = 0;
    const bool ok = GetOverlappedResult(handleOf(m_handle), ov, &moved, TRUE);
    transferred = moved;
    if (ok)
        return 0;
    const DWORD error = GetLastError();
    return error == ERROR_OPERATION_ABORTED && ending ? ending : error;
}

bool Win32SerialPort::failed(unsigned long error) const
{
    m_error = error ? error : GetLastError();
    return false;
}

std::string Win32SerialPort::errorText() const { return m_error ? systemErrorText(m_error) : std::string(); }

bool Win32SerialPort::open(const std::string &deviceName)
{
    if (m_handle)
        return failed(ERROR_ALREADY_EXISTS);
    // A slot name ("COM1") stands for its device; anything else is a device path.
    const int slot = comPortIndex(deviceName);
    const std::wstring path = widened(slot >= 0 ? comDevicePath(slot) : deviceName);
    if (path.empty() || (slot < 0 && deviceName.rfind("\\\\", 0) != 0))
        return failed(ERROR_FILE_NOT_FOUND);
    const HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return failed();
    // Windows refuses a second open of a port by itself; Wine does not apply the
    // sharing mode to devices, so a named marker keeps a second user of this layer out.
    // A marker that cannot be made at all leaves the port to the system's own check.
    SetLastError(ERROR_SUCCESS);
    const HANDLE marker = CreateEventW(nullptr, TRUE, FALSE, inUseMarkerName(path).c_str());
    if (marker && GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(marker);
        CloseHandle(handle);
        return failed(ERROR_ACCESS_DENIED);
    }
    const HANDLE io = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!io) {
        const DWORD error = GetLastError();
        if (marker)
            CloseHandle(marker);
        CloseHandle(handle);
        return failed(error);
    }
    m_handle = handle;
    m_inUse = marker;
    m_io = io;
    m_error = 0;
    return true;
}

bool Win32SerialPort::isCommDevice() const
{
    if (!m_handle)
        return false;
    if (GetFileType(handleOf(m_handle)) != FILE_TYPE_CHAR)
        return failed(ERROR_INVALID_HANDLE);
    COMMPROP properties{};
    return GetCommProperties(handleOf(m_handle), &properties) || failed();
}

void Win32SerialPort::close()
{
    if (!m_handle)
        return;
    // Whatever still waits to be sent is dropped, so closing never waits on a line
    // that does not drain.
    PurgeComm(handleOf(m_handle), PURGE_TXABORT | PURGE_TXCLEAR);
    CloseHandle(handleOf(m_handle));
    if (m_inUse)
        CloseHandle(handleOf(m_inUse));
    if (m_io)
        CloseHandle(handleOf(m_io));
    m_handle = nullptr;
    m_inUse = nullptr;
    m_io = nullptr;
}

bool Win32SerialPort::getLineState(LineState &state) const
{
    if (!m_handle)
        return failed(ERROR_INVALID_HANDLE);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handleOf(m_handle), &dcb))
        return failed();
    state.baudRate = int(dcb.BaudRate);
    state.byteSize = dcb.ByteSize;
    state.parity = dcb.Parity;
    state.stopBits = dcb.StopBits;
    return true;
}

bool Win32SerialPort::setLineState(const LineState &state)
{
    if (!m_handle)
        return failed(ERROR_INVALID_HANDLE);
    if (state.baudRate <= 0 || state.byteSize < 4 || state.byteSize > 8 || state.parity < NOPARITY
        || state.parity > SPACEPARITY || state.stopBits < ONESTOPBIT || state.stopBits > TWOSTOPBITS)
        return failed(ERROR_INVALID_PARAMETER);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    SetLastError(ERROR_SUCCESS);
    if (!GetCommState(handleOf(m_handle), &dcb)) {
        const DWORD error = GetLastError();
        if (!noModemLines(error))
            return failed(error);
        dcb = plainLineState();
    }
    // Only these four change; flow control, handshake lines and special characters
    // stay as the system has them.
    dcb.BaudRate = DWORD(state.baudRate);
    dcb.ByteSize = BYTE(state.byteSize);
    dcb.Parity = BYTE(state.parity);
    dcb.fParity = state.parity != NOPARITY;
    dcb.StopBits = BYTE(state.stopBits);
    return SetCommState(handleOf(m_handle), &dcb) || failed();
}

bool Win32SerialPort::getTimeouts(Timeouts &timeouts) const
{
    COMMTIMEOUTS t{};
    if (!m_handle)
        return failed(ERROR_INVALID_HANDLE);
    if (!GetCommTimeouts(handleOf(m_handle), &t))
        return failed();
    timeouts = {t.ReadIntervalTimeout, t.ReadTotalTimeoutMultiplier, t.ReadTotalTimeoutConstant,
                t.WriteTotalTimeoutMultiplier, t.WriteTotalTimeoutConstant};
    return true;
}

bool Win32SerialPort::setTimeouts(const Timeouts &timeouts)
{
    if (!m_handle)
        return failed(ERROR_INVALID_HANDLE);
    COMMTIMEOUTS t{timeouts.readInterval, timeouts.readTotalMultiplier, timeouts.readTotalConstant,
                   timeouts.writeTotalMultiplier, timeouts.writeTotalConstant};
    return SetCommTimeouts(handleOf(m_handle), &t) || failed();
}

bool Win32SerialPort::read(std::vector<std::uint8_t> &data, int maxBytes)
{
    data.clear();
    if (!m_handle || maxBytes < 0)
        return failed(ERROR_INVALID_PARAMETER);
    if (maxBytes == 0 || interruptRequested())
        return true;
    COMMTIMEOUTS timeouts{};
    if (!GetCommTimeouts(handleOf(m_handle), &timeouts))
        return failed();
    // The driver keeps the interval and the total; the total is kept here too, so a
    // read with a deadline returns at it with what arrived, whatever the driver does.
    const ULONGLONG total = ULONGLONG(timeouts.ReadTotalTimeoutMultiplier) * unsigned(maxBytes)
                            + timeouts.ReadTotalTimeoutConstant;
    const DWORD waitMs = total ? DWORD(std::min<ULONGLONG>(total, INFINITE - 1)) : INFINITE;
    data.resize(size_t(maxBytes));
    OVERLAPPED ov{};
    ov.hEvent = handleOf(m_io);
    ResetEvent(ov.hEvent);
    DWORD got = 0;
    DWORD error = 0;
    if (!ReadFile(handleOf(m_handle), data.data(), DWORD(maxBytes), nullptr, &ov)) {
        error = GetLastError();
        if (error == ERROR_IO_PENDING)
            error = finishOverlapped(&ov, waitMs, got);
    } else if (!GetOverlappedResult(handleOf(m_handle), &ov, &got, FALSE)) {
        error = GetLastError();
    }
    data.resize(got);
    // Woken or at the deadline: a read that ends early, not a failure.
    if (error && error != ERROR_OPERATION_ABORTED && error != ERROR_TIMEOUT)
        return failed(error);
    if (got > 0 || error == ERROR_OPERATION_ABORTED)
        return true;
    // Under Wine a read from a device that has gone (a hung-up pseudo-terminal)
    // times out like a quiet line; the status query tells the two apart.
    DWORD errors = 0;
    COMSTAT status{};
    return ClearCommError(handleOf(m_handle), &errors, &status) || failed();
}

bool Win32SerialPort::write(std::span<const std::uint8_t> data)
{
    if (!m_handle)
        return failed(ERROR_INVALID_HANDLE);
    if (interruptRequested())
        return failed(ERROR_OPERATION_ABORTED);
    COMMTIMEOUTS timeouts{};
    GetCommTimeouts(handleOf(m_handle), &timeouts);
    const ULONGLONG total = ULONGLONG(timeouts.WriteTotalTimeoutMultiplier) * data.size()
                            + timeouts.WriteTotalTimeoutConstant;
    const ULONGLONG deadline = total ? GetTickCount64() + total : 0;
    OVERLAPPED ov{};
    ov.hEvent = handleOf(m_io);
    ResetEvent(ov.hEvent);
    DWORD written = 0;
    if (!WriteFile(handleOf(m_handle), data.data(), DWORD(data.size()), nullptr, &ov)) {
        DWORD error = GetLastError();
        if (error == ERROR_IO_PENDING)
            error = finishOverlapped(&ov, total ? DWORD(std::min<ULONGLONG>(total, INFINITE - 1)) : INFINITE, written);
        if (error)
            return failed(error);
    } else if (!GetOverlappedResult(handleOf(m_handle), &ov, &written, FALSE)) {
        return failed();
    }
    // A write time-out completes the call successfully with fewer bytes.
    if (written != data.size())
        return failed(ERROR_TIMEOUT);
    // Done once the bytes have left the output queue, so that a discard of pending
    // output cannot cut them short. A Windows driver's queue is empty by now; under
    // Wine the Linux driver may still hold the bytes.
    for (;;) {
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(handleOf(m_handle), &errors, &status) || status.cbOutQue == 0)
            return true;
        if (deadline && GetTickCount64() >= deadline)
            return failed(ERROR_TIMEOUT);
        if (interruptRequested())
            return failed(ERROR_OPERATION_ABORTED);
        if (!m_wake || WaitForSingleObject(handleOf(m_wake), 1) == WAIT_FAILED)
            Sleep(1);
    }
}

void Win32SerialPort::purgeOutput()
{
    if (m_handle)
        PurgeComm(handleOf(m_handle), PURGE_TXABORT | PURGE_TXCLEAR);
}

void Win32SerialPort::purgeInput()
{
    if (m_handle)
        PurgeComm(handleOf(m_handle), PURGE_RXABORT | PURGE_RXCLEAR);
}

bool Win32SerialPort::ctsOn() const
{
    if (!m_handle)
        return failed(ERROR_INVALID_HANDLE);
    DWORD lines = 0;
    SetLastError(ERROR_SUCCESS);
    if (!GetCommModemStatus(handleOf(m_handle), &lines)) {
        const DWORD error = GetLastError();
        // No modem lines (a pseudo-terminal under Wine): nothing to wait for.
        return noModemLines(error) || failed(error);
    }
    return (lines & MS_CTS_ON) != 0;
}

// The port layer of this system.
std::unique_ptr<SerialPortLayer> makeSystemPortLayer() { return std::make_unique<Win32SerialPort>(); }

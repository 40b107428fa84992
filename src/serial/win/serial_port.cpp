#include "serial/win/serial_port.h"

#include <cstdio>
#include <cstring>

namespace trx {

namespace {

constexpr const char* DEVICE_NAME_FORMAT = "\\\\.\\COM%i";
constexpr size_t DEVICE_NAME_SIZE = 16;
// A write in flight is looked at again after this long; only the end of a session waits.
constexpr DWORD WRITE_POLL_MS = 1;

constexpr const char* PORT_RANGE_TEXT = "Portnummer %i außerhalb des gültigen Bereiches.";
constexpr const char* PORT_MISSING_TEXT = "Com%i ist auf auf diesem System nicht vorhanden.";
constexpr const char* PORT_BUSY_TEXT = "Com%i wird von einer anderen Anwendung benutzt.";
constexpr const char* OPEN_FAILED_TEXT = "Beim Öffnen des Port ist ein Fehler aufgetreten.";
constexpr const char* THREAD_FAILED_TEXT =
    "Das Programm konnte nicht ordnungsgemäß erstellt werden.";
constexpr const char* BAUD_RATE_TEXT = "Ungültige Baudrate: %i.";
constexpr const char* BYTE_SIZE_TEXT = "Ungültige Bitzahl: %i.";
constexpr const char* PARITY_TEXT = "Einstellung für Paarität ungültig";
constexpr const char* STOP_BITS_TEXT = "Ungültige Zahl Stoppbits";
constexpr const char* SET_STATE_TEXT = "Allgemeiner Fehler beim Einstellen der Parameter.";

// The device control block is 28 bytes on 32- and 64-bit Windows alike.
constexpr size_t DCB_RECORD_SIZE = 28;
static_assert(sizeof(DCB) == DCB_RECORD_SIZE);

// Marks the handle closed; false when CloseHandle failed.
bool closeAndClear(HANDLE& handle) {
    const bool closed = CloseHandle(handle) != FALSE;
    handle = nullptr;
    return closed;
}

} // namespace

SerialPort::~SerialPort() {
    close();
}

void SerialPort::probePorts() {
    char name[DEVICE_NAME_SIZE];
    for (int n = 0; n < PORT_COUNT; ++n) {
        snprintf(name, sizeof name, DEVICE_NAME_FORMAT, n);
        HANDLE handle = system_.createFile(name, 0, 0, OPEN_EXISTING, 0);
        bool present = true;
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        } else {
            // A port that another program holds (access denied) exists all the same.
            present = GetLastError() != ERROR_FILE_NOT_FOUND;
        }
        portPresent_[static_cast<size_t>(n)] = present ? 1 : 0;
    }
}

int SerialPort::open(SerialError& error) {
    error.text[0] = '\0';
    if (portNumber_ == NO_PORT) {
        close();
        return 1;
    }
    if (portNumber_ < MIN_PORT || portNumber_ > MAX_PORT) {
        // Refused before anything is touched: a port already open stays open.
        snprintf(error.text, sizeof error.text, PORT_RANGE_TEXT, portNumber_);
        portNumber_ = NO_PORT;
        return 0;
    }
    // The same port still reading gets new line parameters only; device, thread and events
    // stay. A port that no longer reads (adapter pulled and plugged in again) is opened anew.
    const bool reconfigure = portNumber_ == openPortNumber_ && !receive_.receptionEnded;
    if (reconfigure ? configure(error) : openDevice(error) && configure(error)) {
        return 1;
    }
    close();
    portNumber_ = NO_PORT;
    return 0;
}

bool SerialPort::openDevice(SerialError& error) {
    close();
    receive_.system = &system_;
    receive_.message = receiveMessage_;
    receive_.window = window_;

    char name[DEVICE_NAME_SIZE];
    snprintf(name, sizeof name, DEVICE_NAME_FORMAT, portNumber_);
    receive_.portHandle = system_.createFile(name, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING,
                                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED);
    if (receive_.portHandle == INVALID_HANDLE_VALUE) {
        const DWORD failure = GetLastError();
        if (failure == ERROR_FILE_NOT_FOUND) {
            snprintf(error.text, sizeof error.text, PORT_MISSING_TEXT, portNumber_);
        } else if (failure == ERROR_ACCESS_DENIED) {
            snprintf(error.text, sizeof error.text, PORT_BUSY_TEXT, portNumber_);
        } else {
            snprintf(error.text, sizeof error.text, "%s", OPEN_FAILED_TEXT);
        }
        return false;
    }

    timeoutsSaved_ = GetCommTimeouts(receive_.portHandle, &savedTimeouts_) != FALSE;
    // No time-outs: a read completes only when its byte has arrived, so the receive thread
    // sleeps between bytes. Other settings misbehave under Wine.
    COMMTIMEOUTS none{};
    SetCommTimeouts(receive_.portHandle, &none);
    savedDcb_ = DCB{};
    savedDcb_.DCBlength = sizeof(DCB);
    dcbSaved_ = GetCommState(receive_.portHandle, &savedDcb_) != FALSE;

    if (!startReception()) {
        snprintf(error.text, sizeof error.text, "%s", THREAD_FAILED_TEXT);
        return false;
    }
    openPortNumber_ = portNumber_;
    return true;
}

bool SerialPort::configure(SerialError& error) {
    if (baudRate_ < MIN_BAUD_RATE || baudRate_ > MAX_BAUD_RATE) {
        snprintf(error.text, sizeof error.text, BAUD_RATE_TEXT, baudRate_);
        return false;
    }
    if (format_.byteSize < MIN_BYTE_SIZE || format_.byteSize > MAX_BYTE_SIZE) {
        snprintf(error.text, sizeof error.text, BYTE_SIZE_TEXT, static_cast<int>(format_.byteSize));
        return false;
    }
    if (format_.parity > MAX_PARITY) {
        snprintf(error.text, sizeof error.text, "%s", PARITY_TEXT);
        return false;
    }
    if (format_.stopBits > MAX_STOP_BITS) {
        snprintf(error.text, sizeof error.text, "%s", STOP_BITS_TEXT);
        return false;
    }

    // Start from what the driver reports; if it reports nothing, go on with ours alone.
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    GetCommState(receive_.portHandle, &dcb);
    const bool withParity = format_.parity != NOPARITY;
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = static_cast<DWORD>(baudRate_);
    dcb.fBinary = TRUE;
    dcb.fParity = withParity;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = withParity;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    dcb.ByteSize = format_.byteSize;
    dcb.Parity = format_.parity;
    dcb.StopBits = format_.stopBits;
    dcb.ErrorChar = LINE_ERROR_CHAR;
    if (!system_.setCommState(receive_.portHandle, &dcb)) {
        snprintf(error.text, sizeof error.text, "%s", SET_STATE_TEXT);
        return false;
    }
    return true;
}

bool SerialPort::startReception() {
    for (HANDLE& event : receive_.waitEvents) {
        event = system_.createEvent();
        if (event == nullptr) {
            return false;
        }
    }
    receive_.readOverlapped = OVERLAPPED{};
    receive_.readOverlapped.hEvent = receive_.readEvent();
    // The first read is ours; a read that cannot start leaves the thread waiting for stop.
    receive_.receptionEnded =
        !ReadFile(receive_.portHandle, &receive_.readByte, 1, nullptr, &receive_.readOverlapped) &&
        GetLastError() != ERROR_IO_PENDING;
    receive_.threadHandle = system_.createThread(receiveThread, &receive_);
    return receive_.threadHandle != nullptr;
}

DWORD SerialPort::stopReception() {
    DWORD failed = 0;
    HANDLE& stopEvent = receive_.waitEvents[STOP_EVENT];
    if (stopEvent != nullptr && !SetEvent(stopEvent)) {
        failed |= CLOSE_SIGNAL_FAILED;
    }
    if (receive_.threadHandle != nullptr) {
        DWORD exitCode = 0;
        if (WaitForSingleObject(receive_.threadHandle, INFINITE) != WAIT_OBJECT_0 ||
            !GetExitCodeThread(receive_.threadHandle, &exitCode)) {
            failed |= CLOSE_WAIT_FAILED;
        }
        if (!closeAndClear(receive_.threadHandle)) {
            failed |= CLOSE_THREAD_HANDLE_FAILED;
        }
    }
    if (stopEvent != nullptr && !closeAndClear(stopEvent)) {
        failed |= CLOSE_STOP_EVENT_FAILED;
    }
    return failed;
}

DWORD SerialPort::close() {
    DWORD failed = stopReception();
    if (receive_.portHandle != INVALID_HANDLE_VALUE) {
        if (dcbSaved_) {
            system_.setCommState(receive_.portHandle, &savedDcb_);
        }
        if (timeoutsSaved_) {
            SetCommTimeouts(receive_.portHandle, &savedTimeouts_);
        }
        // Also ends the pending read, so its event may be closed below.
        CloseHandle(receive_.portHandle);
        receive_.portHandle = INVALID_HANDLE_VALUE;
        openPortNumber_ = 0;
    }
    HANDLE& readEvent = receive_.waitEvents[READ_EVENT];
    if (readEvent != nullptr && !closeAndClear(readEvent)) {
        failed |= CLOSE_READ_EVENT_FAILED;
    }
    HANDLE& writeEvent = receive_.waitEvents[WRITE_EVENT];
    if (writeEvent != nullptr && !closeAndClear(writeEvent)) {
        failed |= CLOSE_WRITE_EVENT_FAILED;
    }
    receive_.receptionEnded = true;
    return failed;
}

int SerialPort::write(const uint8_t* bytes, int count) {
    if (receive_.portHandle == INVALID_HANDLE_VALUE || bytes == nullptr || count < 1 ||
        count > WRITE_SLOT_SIZE) {
        return 0;
    }
    // Each write in flight has its own slot, so the UI thread never waits for the line;
    // the driver sends queued writes of one handle in the order they were issued.
    WriteSlot& slot = writeSlots_[nextWriteSlot_];
    if (slot.inFlight && !HasOverlappedIoCompleted(&slot.overlapped)) {
        return 0; // every slot still busy
    }
    std::memcpy(slot.bytes, bytes, static_cast<size_t>(count));
    slot.overlapped = OVERLAPPED{};
    slot.overlapped.hEvent = receive_.writeEvent();
    const BOOL done = system_.writeFile(receive_.portHandle, slot.bytes, static_cast<DWORD>(count),
                                        &slot.overlapped);
    if (!done && GetLastError() != ERROR_IO_PENDING) {
        // Never started: the record may still read as pending, so it is not marked in use.
        slot.inFlight = false;
        return 0;
    }
    slot.inFlight = true;
    nextWriteSlot_ = (nextWriteSlot_ + 1) % WRITE_SLOT_COUNT;
    return 1;
}

bool SerialPort::waitForWrites(DWORD timeoutMs) {
    // The records share one event, so completion is looked at in each record rather than
    // waited for on the event.
    const DWORD start = GetTickCount();
    for (;;) {
        bool pending = false;
        for (const WriteSlot& slot : writeSlots_) {
            pending = pending || (slot.inFlight && !HasOverlappedIoCompleted(&slot.overlapped));
        }
        if (!pending) {
            return true;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        Sleep(WRITE_POLL_MS);
    }
}

} // namespace trx

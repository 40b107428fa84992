#include "serial_port.h"

#include "message_box.h"

#include <cstdio>
#include <cstring>

namespace trx {

namespace {

constexpr const char* DEVICE_NAME_FORMAT = "\\\\.\\COM%i";
constexpr size_t DEVICE_NAME_SIZE = 16;
constexpr size_t MESSAGE_SIZE = 128;
// A write in flight is looked at again after this long; only the end of a session waits.
constexpr DWORD WRITE_POLL_MS = 1;

constexpr const char* ERROR_CAPTION = "Fehler";
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

SerialPort::SerialPort() : SerialPort(win32SerialSystem()) {}

SerialPort::SerialPort(SerialSystem& system) : system_(system) {
    enumeratePorts();
}

SerialPort::~SerialPort() {
    close();
}

void SerialPort::enumeratePorts() {
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
        portPresent[n] = present ? 1 : 0;
    }
}

void SerialPort::showError(HWND owner, const char* text) {
    if (owner != nullptr) {
        showMessageBox(owner, text, ERROR_CAPTION, MB_ICONERROR);
    }
}

int SerialPort::open(HWND owner) {
    char text[MESSAGE_SIZE];
    if (portNumber == 0) {
        close();
        return 1;
    }
    if (portNumber < MIN_PORT || portNumber > MAX_PORT) {
        snprintf(text, sizeof text, PORT_RANGE_TEXT, portNumber);
        portNumber = 0;
        showError(owner, text);
        return 0;
    }
    if (portNumber == openPortNumber && !receive.receptionEnded) {
        // Same port: new line parameters only; device, thread and events stay. A port that
        // no longer reads (adapter pulled and plugged in again) is opened anew below.
        if (configure(owner)) {
            return 1;
        }
        close();
        portNumber = 0;
        return 0;
    }

    close();
    receive.system = &system_;
    receive.message = receiveMessage;
    receive.writeDoneMessage = writeDoneMessage;
    receive.window = window;

    char name[DEVICE_NAME_SIZE];
    snprintf(name, sizeof name, DEVICE_NAME_FORMAT, portNumber);
    receive.portHandle = system_.createFile(name, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED);
    if (receive.portHandle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND) {
            snprintf(text, sizeof text, PORT_MISSING_TEXT, portNumber);
        } else if (error == ERROR_ACCESS_DENIED) {
            snprintf(text, sizeof text, PORT_BUSY_TEXT, portNumber);
        } else {
            snprintf(text, sizeof text, "%s", OPEN_FAILED_TEXT);
        }
        portNumber = 0;
        showError(owner, text);
        return 0;
    }

    timeoutsSaved = GetCommTimeouts(receive.portHandle, &savedTimeouts) != FALSE;
    // No time-outs: a read completes only when its byte has arrived, so the receive thread
    // sleeps between bytes. Other settings misbehave under Wine.
    COMMTIMEOUTS none{};
    SetCommTimeouts(receive.portHandle, &none);
    savedDcb = DCB{};
    savedDcb.DCBlength = sizeof(DCB);
    dcbSaved = GetCommState(receive.portHandle, &savedDcb) != FALSE;

    if (!startReception()) {
        close();
        portNumber = 0;
        showError(owner, THREAD_FAILED_TEXT);
        return 0;
    }
    openPortNumber = portNumber;

    if (!configure(owner)) {
        close();
        portNumber = 0;
        return 0;
    }
    return 1;
}

int SerialPort::configure(HWND owner) {
    char text[MESSAGE_SIZE];
    if (baudRate < MIN_BAUD_RATE || baudRate > MAX_BAUD_RATE) {
        snprintf(text, sizeof text, BAUD_RATE_TEXT, baudRate);
        showError(owner, text);
        return 0;
    }
    if (byteSize < MIN_BYTE_SIZE || byteSize > MAX_BYTE_SIZE) {
        snprintf(text, sizeof text, BYTE_SIZE_TEXT, static_cast<int>(byteSize));
        showError(owner, text);
        return 0;
    }
    if (parity > MAX_PARITY) {
        showError(owner, PARITY_TEXT);
        return 0;
    }
    if (stopBits > MAX_STOP_BITS) {
        showError(owner, STOP_BITS_TEXT);
        return 0;
    }

    // Start from what the driver reports; if it reports nothing, go on with ours alone.
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    GetCommState(receive.portHandle, &dcb);
    const bool withParity = parity != NOPARITY;
    const bool withFlowControl = flowControl != 0;
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = static_cast<DWORD>(baudRate);
    dcb.fBinary = TRUE;
    dcb.fParity = withParity;
    dcb.fOutxCtsFlow = withFlowControl;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = withParity;
    dcb.fNull = FALSE;
    dcb.fRtsControl = withFlowControl ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    dcb.ByteSize = byteSize;
    dcb.Parity = parity;
    dcb.StopBits = stopBits;
    dcb.ErrorChar = errorChar;
    if (!system_.setCommState(receive.portHandle, &dcb)) {
        showError(owner, SET_STATE_TEXT);
        return 0;
    }
    return 1;
}

bool SerialPort::startReception() {
    for (HANDLE& event : receive.waitEvents) {
        event = system_.createEvent();
        if (event == nullptr) {
            return false;
        }
    }
    receive.readOverlapped = OVERLAPPED{};
    receive.readOverlapped.hEvent = receive.readEvent();
    // The first read is ours; a read that cannot start leaves the thread waiting for stop.
    receive.receptionEnded =
        !ReadFile(receive.portHandle, &receive.readByte, 1, nullptr, &receive.readOverlapped) &&
        GetLastError() != ERROR_IO_PENDING;
    receive.threadHandle = system_.createThread(receiveThread, &receive);
    return receive.threadHandle != nullptr;
}

DWORD SerialPort::stopReception() {
    DWORD failed = 0;
    HANDLE& stopEvent = receive.waitEvents[STOP_EVENT];
    if (stopEvent != nullptr && !SetEvent(stopEvent)) {
        failed |= CLOSE_SIGNAL_FAILED;
    }
    if (receive.threadHandle != nullptr) {
        DWORD exitCode = 0;
        if (WaitForSingleObject(receive.threadHandle, INFINITE) != WAIT_OBJECT_0 ||
            !GetExitCodeThread(receive.threadHandle, &exitCode)) {
            failed |= CLOSE_WAIT_FAILED;
        }
        if (!closeAndClear(receive.threadHandle)) {
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
    if (receive.portHandle != INVALID_HANDLE_VALUE) {
        if (dcbSaved) {
            system_.setCommState(receive.portHandle, &savedDcb);
        }
        if (timeoutsSaved) {
            SetCommTimeouts(receive.portHandle, &savedTimeouts);
        }
        // Also ends the pending read, so its event may be closed below.
        CloseHandle(receive.portHandle);
        receive.portHandle = INVALID_HANDLE_VALUE;
        openPortNumber = 0;
    }
    HANDLE& readEvent = receive.waitEvents[READ_EVENT];
    if (readEvent != nullptr && !closeAndClear(readEvent)) {
        failed |= CLOSE_READ_EVENT_FAILED;
    }
    HANDLE& writeEvent = receive.waitEvents[WRITE_EVENT];
    if (writeEvent != nullptr && !closeAndClear(writeEvent)) {
        failed |= CLOSE_WRITE_EVENT_FAILED;
    }
    receive.receptionEnded = true;
    return failed;
}

int SerialPort::write(const uint8_t* bytes, int count) {
    if (receive.portHandle == INVALID_HANDLE_VALUE || bytes == nullptr || count < 1 ||
        count > WRITE_SLOT_SIZE) {
        return 0;
    }
    // Each write in flight has its own slot, so the UI thread never waits for the line;
    // the driver sends queued writes of one handle in the order they were issued.
    WriteSlot& slot = writeSlots[nextWriteSlot];
    if (slot.inFlight && !HasOverlappedIoCompleted(&slot.overlapped)) {
        return 0; // every slot still busy
    }
    std::memcpy(slot.bytes, bytes, static_cast<size_t>(count));
    slot.overlapped = OVERLAPPED{};
    slot.overlapped.hEvent = receive.writeEvent();
    const BOOL done = system_.writeFile(receive.portHandle, slot.bytes, static_cast<DWORD>(count),
                                        &slot.overlapped);
    if (!done && GetLastError() != ERROR_IO_PENDING) {
        // Never started: the record may still read as pending, so it is not marked in use.
        slot.inFlight = false;
        return 0;
    }
    slot.inFlight = true;
    nextWriteSlot = (nextWriteSlot + 1) % WRITE_SLOT_COUNT;
    return 1;
}

bool SerialPort::waitForWrites(DWORD timeoutMs) {
    // The receive thread resets the shared write event, so completion is looked at in the
    // records themselves rather than waited for on the event.
    const DWORD start = GetTickCount();
    for (;;) {
        bool pending = false;
        for (const WriteSlot& slot : writeSlots) {
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

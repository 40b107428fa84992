// The program's one connection to the transmitter: the COM ports present, opening and
// configuring one, writing bytes, and the receive thread that posts every received byte to
// the panel window. It shows nothing: open says what went wrong and the caller shows it.
#ifndef TRXDESK_SERIAL_PORT_H
#define TRXDESK_SERIAL_PORT_H

#include "protocol/line_port.h"
#include "protocol/wire_codec.h"
#include "serial/win/serial_system.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <cstdint>

namespace trx {

constexpr int PORT_COUNT = MAX_PORT + 1; // COM0 .. COM255 are probed
constexpr int MIN_PORT = 1;
constexpr int32_t DEFAULT_BAUD_RATE = 1200;
constexpr int32_t MIN_BAUD_RATE = 1;
constexpr int32_t MAX_BAUD_RATE = 256000;
constexpr uint8_t DEFAULT_BYTE_SIZE = 8;
constexpr uint8_t MIN_BYTE_SIZE = 5;
constexpr uint8_t MAX_BYTE_SIZE = 8;
constexpr uint8_t MAX_PARITY = SPACEPARITY;
constexpr uint8_t MAX_STOP_BITS = TWOSTOPBITS;
constexpr char LINE_ERROR_CHAR = static_cast<char>(ERROR_CHAR);

// What open found wrong, as the operator reads it; the caption of its message box.
constexpr size_t SERIAL_ERROR_SIZE = 128;
constexpr char SERIAL_ERROR_CAPTION[] = "Fehler";
struct SerialError {
    char text[SERIAL_ERROR_SIZE] = {};
};

// Data bits, parity and stop bits, as the DCB names them.
struct LineFormat {
    uint8_t byteSize = DEFAULT_BYTE_SIZE;
    uint8_t parity = NOPARITY;
    uint8_t stopBits = ONESTOPBIT;
};

// Bits of the result of close: the steps that failed.
constexpr DWORD CLOSE_WAIT_FAILED = 0x001;
constexpr DWORD CLOSE_THREAD_HANDLE_FAILED = 0x002;
constexpr DWORD CLOSE_STOP_EVENT_FAILED = 0x004;
constexpr DWORD CLOSE_SIGNAL_FAILED = 0x008;
constexpr DWORD CLOSE_READ_EVENT_FAILED = 0x100;
constexpr DWORD CLOSE_WRITE_EVENT_FAILED = 0x200;

// The port's events. Stop and read are the receive thread's wait list, in priority order;
// the writes' records signal the write event.
constexpr int STOP_EVENT = 0;
constexpr int READ_EVENT = 1;
constexpr int WAIT_COUNT = 2;
constexpr int WRITE_EVENT = 2;
constexpr int EVENT_COUNT = 3;

// Writes in flight at once. The command queue holds at most 32 bytes, so the ring never
// runs full in this program; a full ring refuses the write (result 0).
constexpr int WRITE_SLOT_COUNT = 64;
constexpr int WRITE_SLOT_SIZE = 16;

// What the receive thread works on. Written by the user-interface thread before the thread
// starts and left alone until it has ended.
struct ReceiveContext {
    SerialSystem* system = nullptr;
    UINT message = 0;
    HWND window = nullptr;
    HANDLE threadHandle = nullptr;
    HANDLE portHandle = INVALID_HANDLE_VALUE;
    uint8_t readByte = 0;
    OVERLAPPED readOverlapped{};
    // True while nothing reads: before the first read, when it could not start (the thread
    // then waits for stop only), and once the thread has stopped reading for good (the line
    // failed). A port whose reception has ended must be opened anew to be heard again.
    std::atomic<bool> receptionEnded{true};
    // How often a received byte found the panel's message queue full and was posted again.
    std::atomic<uint32_t> postRetries{0};
    HANDLE waitEvents[EVENT_COUNT] = {};

    HANDLE stopEvent() const { return waitEvents[STOP_EVENT]; }
    HANDLE readEvent() const { return waitEvents[READ_EVENT]; }
    HANDLE writeEvent() const { return waitEvents[WRITE_EVENT]; }
};

// One write in flight: its bytes and its OVERLAPPED record stay untouched until the write
// has completed. Every record signals the shared writeEvent.
struct WriteSlot {
    OVERLAPPED overlapped{};
    uint8_t bytes[WRITE_SLOT_SIZE] = {};
    bool inFlight = false;
};

class SerialPort {
  public:
    // Works through `system`, which must outlive the port.
    explicit SerialPort(SerialSystem& system) : system_(system) {}
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // 1: the port is open and configured, or the port number is 0 and the port is closed.
    // 0: `error` says why, the port is closed and its number is 0.
    int open(SerialError& error);
    // Mask of the CLOSE_* steps that failed; 0 also when nothing was open.
    DWORD close();
    // 1 when the bytes were written or are on their way, 0 when the write did not start.
    int write(const uint8_t* bytes, int count);
    // Waits at most timeoutMs for the writes in flight to complete. True when none is left.
    bool waitForWrites(DWORD timeoutMs);
    // Looks for COM0 .. COM255. Until then no port reads as present.
    void probePorts();
    // A flag for each of COM0 .. COM255: non-zero where the last probe found the port.
    const std::array<int32_t, PORT_COUNT>& presentPorts() const { return portPresent_; }

    // What the next open uses; the port number also says which port the settings belong to.
    int32_t portNumber() const { return portNumber_; }
    void setPortNumber(int32_t number) { portNumber_ = number; }
    int32_t baudRate() const { return baudRate_; }
    void setBaudRate(int32_t rate) { baudRate_ = rate; }
    void setLineFormat(const LineFormat& format) { format_ = format; }
    // Every received byte goes to `window` as `message` with the byte in lParam.
    void setReceiver(HWND window, UINT message) {
        window_ = window;
        receiveMessage_ = message;
    }

    // The port really open (0: none), and what its receive thread works on.
    int32_t openPortNumber() const { return openPortNumber_; }
    const ReceiveContext& reception() const { return receive_; }

  private:
    bool openDevice(SerialError& error);
    bool configure(SerialError& error);
    bool startReception();
    DWORD stopReception();

    SerialSystem& system_;
    HWND window_ = nullptr;
    UINT receiveMessage_ = 0;
    int32_t portNumber_ = 0; // 0 = not connected
    int32_t baudRate_ = DEFAULT_BAUD_RATE;
    LineFormat format_;

    ReceiveContext receive_;
    std::array<WriteSlot, WRITE_SLOT_COUNT> writeSlots_{};
    int nextWriteSlot_ = 0;
    std::array<int32_t, PORT_COUNT> portPresent_{};
    int32_t openPortNumber_ = 0;
    DCB savedDcb_{};
    COMMTIMEOUTS savedTimeouts_{};
    // A state that could not be read is not written back by close.
    bool dcbSaved_ = false;
    bool timeoutsSaved_ = false;
};

// The receive thread's entry; its parameter is the ReceiveContext. Returns 0.
DWORD WINAPI receiveThread(void* parameter);

} // namespace trx

#endif

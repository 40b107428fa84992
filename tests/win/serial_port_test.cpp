// SerialPort and its receive thread under Wine, against trxsim on a pty that the test
// prefix maps to a COM port. run-with-trxsim.sh starts the simulators and sets:
//   TRXSIM_COM, TRXSIM_CONTROL_PORT    the main simulator's COM number and control port
//   TRXSIM_COM2, TRXSIM_CONTROL_PORT2  a second simulator on another COM port
//   TRXSIM_MISSING_COM                 a COM number with no mapping
//   TRXSIM_DANGLING_COM                a COM number mapped to a path that does not exist
#include "protocol/wire_codec.h"
#include "receiver_window.h"
#include "serial/win/serial_line.h"
#include "serial/win/serial_port.h"
#include "sim_control.h"

#include "res/resource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

using trx::SerialPort;
using trxtest::ReceiverWindow;
using trxtest::SimControl;

constexpr DWORD REPLY_WAIT_MS = 3000;
constexpr unsigned LOG_WAIT_MS = 3000;
constexpr DWORD SETTLE_MS = 200;
constexpr DWORD HANGUP_WATCH_MS = 3000;
constexpr DWORD FLOOD_UNREAD_MS = 2000;
constexpr DWORD FLOOD_WAIT_MS = 60000;
constexpr DWORD FULL_QUEUE_WAIT_MS = 30000; // a thousand retries of 1 ms on a busy machine

// Replaces the device open, event and thread creation, and records what the port asked
// for. Everything not told to fail is passed to the real calls.
class FakeSystem : public trx::SerialSystem {
  public:
    ~FakeSystem() override {
        if (duplicate != nullptr) {
            CloseHandle(duplicate);
            duplicate = nullptr;
        }
    }

    HANDLE createFile(const char* name, DWORD access, DWORD shareMode, DWORD disposition,
                      DWORD flags) override {
        names.emplace_back(name);
        if (failName == name) {
            SetLastError(failError);
            return INVALID_HANDLE_VALUE;
        }
        HANDLE handle = SerialSystem::createFile(name, access, shareMode, disposition, flags);
        if (handle != INVALID_HANDLE_VALUE && access != 0 && presetDevice) {
            prepare(handle);
        }
        return handle;
    }

    BOOL setCommState(HANDLE device, DCB* dcb) override {
        settings.push_back(*dcb);
        return SerialSystem::setCommState(device, dcb);
    }

    // A slow line: with pendingWrites set, a write is accepted but never completes.
    BOOL writeFile(HANDLE device, const void* bytes, DWORD count, OVERLAPPED* overlapped) override {
        if (!pendingWrites) {
            return SerialSystem::writeFile(device, bytes, count, overlapped);
        }
        overlapped->Internal = STATUS_PENDING;
        pending.push_back(overlapped);
        SetLastError(ERROR_IO_PENDING);
        return FALSE;
    }

    // A full message queue for the first fullQueuePosts posts.
    BOOL postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
        if (fullQueuePosts > 0) {
            --fullQueuePosts;
            SetLastError(ERROR_NOT_ENOUGH_QUOTA);
            return FALSE;
        }
        return SerialSystem::postMessage(window, message, wParam, lParam);
    }

    HANDLE createEvent() override {
        return eventsCreated++ == failEventAt ? nullptr : SerialSystem::createEvent();
    }

    HANDLE createThread(LPTHREAD_START_ROUTINE entry, void* parameter) override {
        return failThread ? nullptr : SerialSystem::createThread(entry, parameter);
    }

    // Device open: fails for this name with this error.
    std::string failName;
    DWORD failError = 0;
    // createEvent: this call (counted from 0) fails.
    int failEventAt = -1;
    int eventsCreated = 0;
    bool failThread = false;
    // Device open: gives the device this baud rate and these time-outs before the port
    // sees it, and keeps a second handle to it in `duplicate`.
    bool presetDevice = false;
    DWORD presetBaudRate = 0;
    COMMTIMEOUTS presetTimeouts{};
    HANDLE duplicate = nullptr;

    std::vector<std::string> names;
    std::vector<std::string> errors; // what open said went wrong, in order
    std::vector<DCB> settings;       // every device control block written
    bool pendingWrites = false;
    std::vector<OVERLAPPED*> pending; // the records of the writes that never complete
    std::atomic<int> fullQueuePosts{0};

  private:
    void prepare(HANDLE handle) {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        GetCommState(handle, &dcb);
        dcb.BaudRate = presetBaudRate;
        SetCommState(handle, &dcb);
        SetCommTimeouts(handle, &presetTimeouts);
        if (duplicate != nullptr) {
            CloseHandle(duplicate);
        }
        DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &duplicate, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
    }
};

// Opens the port as the program does; what went wrong goes into `errors`.
int open(SerialPort& port, std::vector<std::string>& errors) {
    trx::SerialError error;
    const int result = port.open(error);
    if (error.text[0] != '\0') {
        errors.emplace_back(error.text);
    }
    return result;
}

std::string deviceName(int number) {
    char name[32];
    snprintf(name, sizeof name, "\\\\.\\COM%d", number);
    return name;
}

DWORD baudRateOf(HANDLE device) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    return GetCommState(device, &dcb) ? dcb.BaudRate : 0;
}

HANDLE duplicateOf(HANDLE handle) {
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    return copy;
}

bool threadEnded(HANDLE thread) {
    return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
}

// The closed state: nothing of a port, a thread or an event is left.
void expectClosed(const SerialPort& port) {
    EXPECT_EQ(port.openPortNumber(), 0);
    EXPECT_EQ(port.reception().portHandle, INVALID_HANDLE_VALUE);
    EXPECT_EQ(port.reception().threadHandle, nullptr);
    for (HANDLE event : port.reception().waitEvents) {
        EXPECT_EQ(event, nullptr);
    }
}

// ---------------------------------------------------------------------------------------
// The probe of the 256 device names.

TEST(SerialProbe, SeesMappedPortsAndNotUnmappedOnes) {
    const int com = trxtest::environmentNumber("TRXSIM_COM");
    const int com2 = trxtest::environmentNumber("TRXSIM_COM2");
    const int missing = trxtest::environmentNumber("TRXSIM_MISSING_COM");
    const int dangling = trxtest::environmentNumber("TRXSIM_DANGLING_COM");
    ASSERT_TRUE(com > 0 && com2 > 0 && missing > 0 && dangling > 0)
        << "run through run-with-trxsim.sh";

    trx::SerialSystem real;
    SerialPort port(real);
    port.probePorts();
    const auto& present = port.presentPorts();
    EXPECT_EQ(present[com], 1);
    EXPECT_EQ(present[com2], 1);
    EXPECT_EQ(present[missing], 0);
    EXPECT_EQ(present[dangling], 0);
    // The probe leaves the port closed, with the documented defaults.
    expectClosed(port);
    EXPECT_EQ(port.portNumber(), 0);
    EXPECT_EQ(port.baudRate(), 1200);
}

TEST(SerialProbe, ProbesEveryNameAndCountsHeldPortsAsPresent) {
    const int missing = trxtest::environmentNumber("TRXSIM_MISSING_COM");
    ASSERT_GT(missing, 0) << "run through run-with-trxsim.sh";

    FakeSystem held;
    held.failName = deviceName(missing);
    held.failError = ERROR_ACCESS_DENIED;
    SerialPort heldPort(held);
    heldPort.probePorts();
    EXPECT_EQ(heldPort.presentPorts()[missing], 1);
    ASSERT_EQ(held.names.size(), 256u);
    EXPECT_EQ(held.names.front(), "\\\\.\\COM0");
    EXPECT_EQ(held.names.back(), "\\\\.\\COM255");

    // Only "not found" means absent; any other failure still names a device.
    FakeSystem broken;
    broken.failName = deviceName(missing);
    broken.failError = ERROR_GEN_FAILURE;
    SerialPort brokenPort(broken);
    brokenPort.probePorts();
    EXPECT_EQ(brokenPort.presentPorts()[missing], 1);
}

// ---------------------------------------------------------------------------------------
// The port against the simulator.

class SerialLink : public ::testing::Test {
  protected:
    void SetUp() override {
        com = trxtest::environmentNumber("TRXSIM_COM");
        com2 = trxtest::environmentNumber("TRXSIM_COM2");
        missing = trxtest::environmentNumber("TRXSIM_MISSING_COM");
        ASSERT_TRUE(com > 0 && com2 > 0 && missing > 0) << "run through run-with-trxsim.sh";
        ASSERT_TRUE(sim.connect(trxtest::environmentNumber("TRXSIM_CONTROL_PORT")));
        ASSERT_TRUE(sim2.connect(trxtest::environmentNumber("TRXSIM_CONTROL_PORT2")));
        for (SimControl* s : {&sim, &sim2}) {
            ASSERT_TRUE(s->ok("ping"));
            ASSERT_TRUE(s->ok("silent off"));
            ASSERT_TRUE(s->ok("echo on"));
            ASSERT_TRUE(s->ok("mark"));
        }
    }

    // An error a test did not expect is a failure.
    void TearDown() override {
        for (const std::string& text : system.errors) {
            ADD_FAILURE() << "unexpected error: " << text;
        }
    }

    // The start-up configuration of the program, with this test's window.
    void configure(SerialPort& port, int number) {
        port.setReceiver(receiver.handle(), WM_TRX_RECEIVED);
        port.setPortNumber(number);
        port.setLineFormat({8, EVENPARITY, TWOSTOPBITS});
    }

    // The simulator says nothing of its own any more, and what it said is forgotten.
    bool silence() {
        if (!sim.ok("silent on")) {
            return false;
        }
        receiver.pumpFor(SETTLE_MS);
        receiver.bytes.clear();
        return true;
    }

    // Waits for the bytes of these reports, in this order, among what arrives.
    bool receiveReports(const std::vector<uint8_t>& expected) {
        receiver.pumpUntil([&] { return receiver.bytes.size() >= expected.size(); }, REPLY_WAIT_MS);
        return receiver.bytes == expected;
    }

    int com = 0;
    int com2 = 0;
    int missing = 0;
    FakeSystem system;
    SimControl sim;
    SimControl sim2;
    ReceiverWindow receiver;
};

TEST_F(SerialLink, OpenBringsTheLineUpAndBytesCrossBothWaysInOrder) {
    SerialPort port(system);
    configure(port, com);
    port.setBaudRate(9600);
    ASSERT_EQ(open(port, system.errors), 1);
    EXPECT_EQ(port.openPortNumber(), com);
    EXPECT_EQ(port.portNumber(), com);
    EXPECT_NE(port.reception().threadHandle, nullptr);
    // The pty keeps the baud rate (not parity or byte size).
    EXPECT_EQ(baudRateOf(port.reception().portHandle), 9600u);
    // The line runs without time-outs, so a read ends only with its byte.
    COMMTIMEOUTS timeouts{};
    ASSERT_TRUE(GetCommTimeouts(port.reception().portHandle, &timeouts));
    EXPECT_EQ(timeouts.ReadIntervalTimeout, 0u);
    EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 0u);
    EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 0u);

    // Out: bytes reach the line in the order written.
    ASSERT_TRUE(sim.ok("silent on"));
    ASSERT_TRUE(sim.ok("mark"));
    const std::vector<uint8_t> written = {0xA1, 0x00, 0xFF, 0x30, 0x7E, 0x81};
    for (uint8_t b : written) {
        EXPECT_EQ(port.write(&b, 1), 1);
    }
    std::vector<uint8_t> logged;
    EXPECT_TRUE(sim.waitForLogged(written.size(), logged, LOG_WAIT_MS));
    EXPECT_EQ(logged, written);

    // In: every report arrives as its own message 1126, in order, the byte in lParam.
    std::vector<uint8_t> expected;
    for (int reg : {15, 8, 1, 7, 0, 14}) {
        const int value = (reg * 7 + 3) % 16;
        ASSERT_TRUE(sim.ok("report " + std::to_string(reg) + " " + std::to_string(value)));
        expected.push_back(trx::lineByteFor(reg, value));
    }
    EXPECT_TRUE(receiveReports(expected));
    for (size_t i = 0; i < receiver.rawParams.size(); ++i) {
        EXPECT_EQ(receiver.rawParams[i], static_cast<LPARAM>(expected[i])) << "message " << i;
        EXPECT_EQ(receiver.wParams[i], 0u);
    }
}

TEST_F(SerialLink, ReopeningTheSamePortOnlyReconfiguresIt) {
    SerialPort port(system);
    configure(port, com);
    ASSERT_EQ(open(port, system.errors), 1);
    EXPECT_EQ(baudRateOf(port.reception().portHandle), 1200u);
    const HANDLE thread = port.reception().threadHandle;
    const HANDLE device = port.reception().portHandle;
    const DWORD threadId = GetThreadId(thread);
    const HANDLE watch = duplicateOf(thread);

    // A repeated SetCommState with even parity: this needs the pty shim under Wine.
    port.setBaudRate(4800);
    EXPECT_EQ(open(port, system.errors), 1);
    EXPECT_EQ(port.reception().threadHandle, thread);
    EXPECT_EQ(port.reception().portHandle, device);
    EXPECT_EQ(GetThreadId(port.reception().threadHandle), threadId);
    EXPECT_FALSE(threadEnded(watch));
    EXPECT_EQ(baudRateOf(port.reception().portHandle), 4800u);

    // The same thread still receives.
    ASSERT_TRUE(silence());
    ASSERT_TRUE(sim.ok("report 9 5"));
    EXPECT_TRUE(receiveReports({trx::lineByteFor(9, 5)}));

    EXPECT_EQ(port.close(), 0u);
    EXPECT_TRUE(threadEnded(watch));
    CloseHandle(watch);
}

TEST_F(SerialLink, OpeningAnotherPortClosesTheFirst) {
    SerialPort port(system);
    configure(port, com);
    ASSERT_EQ(open(port, system.errors), 1);
    const HANDLE firstThread = duplicateOf(port.reception().threadHandle);

    port.setPortNumber(com2);
    ASSERT_EQ(open(port, system.errors), 1);
    EXPECT_EQ(port.openPortNumber(), com2);
    EXPECT_TRUE(threadEnded(firstThread));
    CloseHandle(firstThread);

    // Writes now go to the second line only.
    ASSERT_TRUE(sim.ok("mark"));
    ASSERT_TRUE(sim2.ok("mark"));
    const uint8_t b = 0x5A;
    ASSERT_EQ(port.write(&b, 1), 1);
    std::vector<uint8_t> logged;
    EXPECT_TRUE(sim2.waitForLogged(1, logged, LOG_WAIT_MS));
    EXPECT_EQ(logged, std::vector<uint8_t>{b});
    ASSERT_TRUE(sim.loggedBytes(logged));
    EXPECT_TRUE(logged.empty());
}

TEST_F(SerialLink, CloseRestoresTheSavedStateAndIsHarmlessTwice) {
    system.presetDevice = true;
    system.presetBaudRate = 2400;
    system.presetTimeouts = {7, 3, 11, 5, 13};
    SerialPort port(system);
    EXPECT_EQ(port.close(), 0u); // nothing open yet

    configure(port, com);
    port.setBaudRate(19200);
    ASSERT_EQ(open(port, system.errors), 1);
    ASSERT_NE(system.duplicate, nullptr);
    EXPECT_EQ(baudRateOf(system.duplicate), 19200u);

    EXPECT_EQ(port.close(), 0u);
    expectClosed(port);
    EXPECT_EQ(port.portNumber(), com); // close keeps the setting
    // The device as it was found: its baud rate and its time-outs.
    EXPECT_EQ(baudRateOf(system.duplicate), 2400u);
    COMMTIMEOUTS timeouts{};
    ASSERT_TRUE(GetCommTimeouts(system.duplicate, &timeouts));
    EXPECT_EQ(timeouts.ReadIntervalTimeout, 7u);
    EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 3u);
    EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 11u);
    EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 5u);
    EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 13u);

    EXPECT_EQ(port.close(), 0u);
    const uint8_t b = 0x11;
    EXPECT_EQ(port.write(&b, 1), 0);

    // Port number 0 closes an open port and succeeds without a word.
    ASSERT_EQ(open(port, system.errors), 1);
    port.setPortNumber(0);
    EXPECT_EQ(open(port, system.errors), 1);
    expectClosed(port);
}

// One way for open to fail. The text's %d stands for the port number tried.
struct FailureCase {
    const char* text;
    int port = 0; // 0: the simulator's port
    bool missingPort = false;
    int32_t baudRate = 1200;
    uint8_t byteSize = 8;
    uint8_t parity = EVENPARITY;
    uint8_t stopBits = TWOSTOPBITS;
    DWORD openError = 0; // the device open fails with this error
    int failEventAt = -1;
    bool failThread = false;
};

constexpr const char* NOT_CREATED = "Das Programm konnte nicht ordnungsgemäß erstellt werden.";
const FailureCase failureCases[] = {
    {.text = "Portnummer %d außerhalb des gültigen Bereiches.", .port = 256},
    {.text = "Portnummer %d außerhalb des gültigen Bereiches.", .port = -1},
    {.text = "Com%d ist auf auf diesem System nicht vorhanden.", .missingPort = true},
    {.text = "Com%d wird von einer anderen Anwendung benutzt.", .openError = ERROR_ACCESS_DENIED},
    {.text = "Beim Öffnen des Port ist ein Fehler aufgetreten.", .openError = ERROR_GEN_FAILURE},
    {.text = NOT_CREATED, .failEventAt = 0},
    {.text = NOT_CREATED, .failEventAt = 2},
    {.text = NOT_CREATED, .failThread = true},
    {.text = "Ungültige Baudrate: 0.", .baudRate = 0},
    {.text = "Ungültige Baudrate: 256001.", .baudRate = 256001},
    {.text = "Ungültige Bitzahl: 4.", .byteSize = 4},
    {.text = "Ungültige Bitzahl: 9.", .byteSize = 9},
    {.text = "Einstellung für Paarität ungültig", .parity = 5},
    {.text = "Ungültige Zahl Stoppbits", .stopBits = 3},
};

TEST_F(SerialLink, EveryFailureSaysWhyClosesThePortAndClearsItsNumber) {
    for (const FailureCase& c : failureCases) {
        FakeSystem failing;
        SerialPort port(failing);
        configure(port, c.missingPort ? missing : c.port != 0 ? c.port : com);
        port.setBaudRate(c.baudRate);
        port.setLineFormat({c.byteSize, c.parity, c.stopBits});
        if (c.openError != 0) {
            failing.failName = deviceName(port.portNumber());
            failing.failError = c.openError;
        }
        failing.failEventAt = c.failEventAt;
        failing.failThread = c.failThread;
        char text[128];
        snprintf(text, sizeof text, c.text, port.portNumber());
        SCOPED_TRACE(text);

        EXPECT_EQ(open(port, failing.errors), 0);
        EXPECT_EQ(port.portNumber(), 0);
        expectClosed(port);
        EXPECT_EQ(failing.errors, std::vector<std::string>{text});
    }
    // The texts are code page 1252: one byte per umlaut.
    const std::string range = "außerhalb des gültigen";
    EXPECT_NE(range.find('\xDF'), std::string::npos);
    EXPECT_NE(range.find('\xFC'), std::string::npos);
}

TEST_F(SerialLink, RefusedPortNumberLeavesTheOpenPortOpen) {
    SerialPort port(system);
    configure(port, com);
    ASSERT_EQ(open(port, system.errors), 1);
    port.setPortNumber(300);
    EXPECT_EQ(open(port, system.errors), 0);
    EXPECT_EQ(port.portNumber(), 0);
    EXPECT_EQ(port.openPortNumber(), com);
    EXPECT_FALSE(threadEnded(port.reception().threadHandle));
    ASSERT_EQ(system.errors.size(), 1u);
    EXPECT_EQ(system.errors[0], "Portnummer 300 außerhalb des gültigen Bereiches.");
    system.errors.clear();
}

TEST_F(SerialLink, FailedReconfigurationClosesThePort) {
    SerialPort port(system);
    configure(port, com);
    ASSERT_EQ(open(port, system.errors), 1);
    const HANDLE thread = duplicateOf(port.reception().threadHandle);
    port.setBaudRate(0);
    EXPECT_EQ(open(port, system.errors), 0);
    EXPECT_EQ(port.portNumber(), 0);
    expectClosed(port);
    EXPECT_TRUE(threadEnded(thread));
    CloseHandle(thread);
    ASSERT_EQ(system.errors.size(), 1u);
    EXPECT_EQ(system.errors[0], "Ungültige Baudrate: 0.");
    system.errors.clear();
}

TEST_F(SerialLink, TopBaudRatePassesTheRangeCheck) {
    SerialPort port(system);
    configure(port, com);
    port.setBaudRate(256000);
    // The driver may still refuse it; the range check must not.
    open(port, system.errors);
    for (const std::string& text : system.errors) {
        EXPECT_EQ(text, "Allgemeiner Fehler beim Einstellen der Parameter.");
    }
    std::printf("256000 baud on the pty: %s\n", system.errors.empty() ? "accepted" : "refused");
    system.errors.clear();
}

TEST_F(SerialLink, ThirtyTwoWritesInARowReachTheLineInOrder) {
    SerialPort port(system);
    configure(port, com);
    ASSERT_EQ(open(port, system.errors), 1);
    ASSERT_TRUE(sim.ok("silent on"));
    ASSERT_TRUE(sim.ok("mark"));

    // As the command queue sends while the link is down: through its line, no waiting
    // between bytes.
    trx::SerialLine line(port);
    EXPECT_EQ(line.portNumber(), com);
    std::vector<uint8_t> written;
    for (int i = 0; i < 32; ++i) {
        written.push_back(trx::lineByteFor(i % 16, (i * 5 + 1) % 16));
    }
    for (size_t i = 0; i < written.size(); ++i) {
        EXPECT_EQ(line.write(written[i]), 1) << "write " << i;
    }
    std::vector<uint8_t> logged;
    EXPECT_TRUE(sim.waitForLogged(written.size(), logged, LOG_WAIT_MS));
    EXPECT_EQ(logged, written);

    // And again, past the end of the ring of slots.
    ASSERT_TRUE(sim.ok("mark"));
    for (int round = 0; round < 3; ++round) {
        for (size_t i = 0; i < written.size(); ++i) {
            EXPECT_EQ(port.write(&written[i], 1), 1) << "round " << round << " write " << i;
        }
    }
    EXPECT_TRUE(sim.waitForLogged(3 * written.size(), logged, LOG_WAIT_MS));
    ASSERT_EQ(logged.size(), 3 * written.size());
    for (size_t i = 0; i < logged.size(); ++i) {
        EXPECT_EQ(logged[i], written[i % written.size()]) << "byte " << i;
    }
}

TEST_F(SerialLink, HangUpEndsReadingWithoutStaleBytes) {
    SerialPort port(system);
    configure(port, com);
    ASSERT_EQ(open(port, system.errors), 1);
    ASSERT_TRUE(sim.ok("silent on"));
    receiver.pumpFor(SETTLE_MS);
    const size_t before = receiver.bytes.size();

    ASSERT_TRUE(sim.ok("hangup"));
    // Whatever happens below, the other tests get their line back.
    struct Reopen {
        SimControl& sim;
        ~Reopen() { EXPECT_EQ(sim.command("reopen").rfind("OK", 0), 0u); }
    } reopen{sim};
    // The CPU a hung-up line costs is a figure of the serial benchmark.
    receiver.pumpUntil([&] { return port.reception().receptionEnded.load(); }, HANGUP_WATCH_MS);
    receiver.pumpFor(SETTLE_MS);
    EXPECT_TRUE(port.reception().receptionEnded);
    EXPECT_EQ(receiver.bytes.size(), before) << "bytes posted after the line was gone";
    // The thread waits for its stop; the dead line takes no writes.
    EXPECT_FALSE(threadEnded(port.reception().threadHandle));
    const uint8_t b = 0x42;
    EXPECT_EQ(port.write(&b, 1), 0);
    EXPECT_EQ(port.close(), 0u);
    expectClosed(port);
}

TEST_F(SerialLink, AfterTheLineComesBackOpeningTheSamePortHearsItAgain) {
    SerialPort port(system);
    configure(port, com);
    ASSERT_EQ(open(port, system.errors), 1);
    const HANDLE watch = duplicateOf(port.reception().threadHandle);
    ASSERT_TRUE(sim.ok("hangup"));
    receiver.pumpUntil([&] { return port.reception().receptionEnded.load(); }, REPLY_WAIT_MS);
    ASSERT_TRUE(port.reception().receptionEnded);
    // The adapter is plugged in again: the operator confirms the same port in the settings.
    ASSERT_EQ(sim.command("reopen").rfind("OK", 0), 0u);
    EXPECT_EQ(open(port, system.errors), 1);
    EXPECT_TRUE(threadEnded(watch)); // a new thread on a new handle
    CloseHandle(watch);
    EXPECT_FALSE(port.reception().receptionEnded);
    ASSERT_TRUE(silence());
    ASSERT_TRUE(sim.ok("report 9 5"));
    EXPECT_TRUE(receiveReports({trx::lineByteFor(9, 5)}));
    EXPECT_EQ(port.close(), 0u);
}

TEST_F(SerialLink, TheLineIsConfiguredAsTheTransmitterNeedsIt) {
    SerialPort port(system);
    configure(port, com);
    ASSERT_EQ(open(port, system.errors), 1);
    // A pty keeps neither DTR nor parity: what was asked of the driver is checked instead.
    ASSERT_FALSE(system.settings.empty());
    const DCB& dcb = system.settings.back();
    EXPECT_EQ(dcb.BaudRate, 1200u);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, EVENPARITY);
    EXPECT_EQ(dcb.StopBits, TWOSTOPBITS);
    EXPECT_TRUE(dcb.fParity);
    EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
    EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_ENABLE));
    EXPECT_FALSE(dcb.fOutxCtsFlow || dcb.fOutxDsrFlow || dcb.fOutX || dcb.fInX);
    EXPECT_TRUE(dcb.fErrorChar);
    EXPECT_EQ(dcb.ErrorChar, 0x30);
    EXPECT_EQ(port.close(), 0u);
}

TEST_F(SerialLink, Com255IsAValidPort) {
    FakeSystem absent;
    absent.failName = deviceName(trx::MAX_PORT);
    absent.failError = ERROR_FILE_NOT_FOUND;
    SerialPort port(absent);
    configure(port, trx::MAX_PORT);
    EXPECT_EQ(open(port, absent.errors), 0);
    EXPECT_EQ(absent.errors,
              std::vector<std::string>{"Com255 ist auf auf diesem System nicht vorhanden."});
}

TEST_F(SerialLink, WritesStillGoingOutTakeTheNextSlotsUntilAllAreBusy) {
    SerialPort port(system);
    configure(port, com);
    ASSERT_EQ(open(port, system.errors), 1);
    system.pendingWrites = true; // a slow real line: nothing completes
    const uint8_t b = 0x41;
    for (int i = 0; i < trx::WRITE_SLOT_COUNT; ++i) {
        ASSERT_EQ(port.write(&b, 1), 1) << "write " << i;
    }
    EXPECT_EQ(port.write(&b, 1), 0); // every slot holds a write on its way
    EXPECT_FALSE(port.waitForWrites(10));
    system.pendingWrites = false;
    for (OVERLAPPED* record : system.pending) {
        record->Internal = 0; // the line has caught up
    }
    EXPECT_TRUE(port.waitForWrites(10));
    EXPECT_EQ(port.write(&b, 1), 1);
    EXPECT_EQ(port.close(), 0u);
}

TEST_F(SerialLink, AQueueFullForThousandsOfPostsStillDeliversEveryByteInOrder) {
    SerialPort port(system);
    configure(port, com);
    ASSERT_EQ(open(port, system.errors), 1);
    ASSERT_TRUE(silence());
    // More refusals in a row than any retry limit would allow for one byte.
    constexpr int REFUSED_POSTS = 1000;
    system.fullQueuePosts = REFUSED_POSTS;
    std::vector<uint8_t> expected;
    for (int value = 0; value < 16; ++value) {
        ASSERT_TRUE(sim.ok(std::string("report 9 ").append(std::to_string(value))));
        expected.push_back(trx::lineByteFor(9, value));
    }
    receiver.pumpUntil([&] { return receiver.bytes.size() >= expected.size(); },
                       FULL_QUEUE_WAIT_MS);
    EXPECT_EQ(receiver.bytes, expected);
    EXPECT_EQ(port.reception().postRetries, static_cast<uint32_t>(REFUSED_POSTS));

    // Close is not held up by a byte waiting for room in the queue.
    system.fullQueuePosts = 1000000;
    ASSERT_TRUE(sim.ok("report 9 1"));
    receiver.pumpUntil([&] { return port.reception().postRetries > REFUSED_POSTS; }, REPLY_WAIT_MS);
    EXPECT_EQ(port.close(), 0u);
    expectClosed(port);
}

// The simulator's sixteen register values ("dump").
std::vector<int> dumpedRegisters(SimControl& sim) {
    std::istringstream reply(sim.command("dump"));
    std::string ok;
    reply >> ok;
    std::vector<int> values(trx::REGISTER_COUNT, -1);
    for (int& value : values) {
        reply >> value;
    }
    return values;
}

TEST_F(SerialLink, AFloodOfReportsArrivesWholeAndInOrder) {
    constexpr size_t FLOOD = 70000; // beyond 65,536: no 16-bit count passes it unnoticed
    SerialPort port(system);
    configure(port, com);
    ASSERT_EQ(open(port, system.errors), 1);
    ASSERT_TRUE(silence());
    const std::vector<int> before = dumpedRegisters(sim);
    const ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(sim.ok("flood " + std::to_string(FLOOD)));
    Sleep(FLOOD_UNREAD_MS); // nobody takes the messages meanwhile: the queue fills up
    receiver.pumpUntil([&] { return receiver.bytes.size() >= FLOOD; }, FLOOD_WAIT_MS);
    ASSERT_EQ(receiver.bytes.size(), FLOOD);
    // The port alone, without the panel: what its one-byte reads under Wine take.
    std::printf("flood of %zu reports through the port alone: all received %.2f s after its "
                "first byte (none taken in the first %.1f s)\n",
                FLOOD, static_cast<double>(GetTickCount64() - start) / 1000.0,
                FLOOD_UNREAD_MS / 1000.0);
    const std::vector<int> after = dumpedRegisters(sim);
    // The simulator reports its registers round and round with their values (a running
    // tune or power ramp may change one of them once meanwhile).
    const int first = trx::decodeByte(receiver.bytes[0]).address;
    size_t wrong = 0;
    for (size_t i = 0; i < FLOOD; ++i) {
        const int address =
            static_cast<int>((static_cast<size_t>(first) + i) % trx::REGISTER_COUNT);
        const trx::RegisterWrite got = trx::decodeByte(receiver.bytes[i]);
        const size_t at = static_cast<size_t>(address);
        wrong += got.address != address ||
                 (got.value != (before[at] & 0x0F) && got.value != (after[at] & 0x0F));
    }
    EXPECT_EQ(wrong, 0u);
    std::printf("flood of %zu reports: %u posts had to wait for room in the queue\n", FLOOD,
                port.reception().postRetries.load());
    EXPECT_EQ(port.close(), 0u);
}

} // namespace

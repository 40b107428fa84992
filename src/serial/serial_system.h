// The few Win32 calls of the serial port that a test must be able to replace: a device
// open (Wine cannot make a COM port busy) and event and thread creation (their failure
// paths). The base class makes the real calls.
#ifndef TRXDESK_SERIAL_SYSTEM_H
#define TRXDESK_SERIAL_SYSTEM_H

#include <windows.h>

namespace trx {

class SerialSystem {
  public:
    virtual ~SerialSystem() = default;

    // CreateFileA without security attributes and template; INVALID_HANDLE_VALUE and
    // GetLastError on failure.
    virtual HANDLE createFile(const char* name, DWORD access, DWORD shareMode,
                              DWORD creationDisposition, DWORD flagsAndAttributes);
    // Unnamed manual-reset event, not signalled; nullptr on failure.
    virtual HANDLE createEvent();
    // Thread that runs at once with the default stack; nullptr on failure.
    virtual HANDLE createThread(LPTHREAD_START_ROUTINE entry, void* parameter);
};

// The real calls; lives as long as the process.
SerialSystem& win32SerialSystem();

} // namespace trx

#endif

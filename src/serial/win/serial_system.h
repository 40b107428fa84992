// The few Win32 calls of the serial port that a test must be able to replace: a device
// open (Wine cannot make a COM port busy), the line settings and a write (a pty keeps
// neither DTR nor parity and completes every write at once), and event and thread creation
// (their failure paths), and the receive thread's post (a full message queue). The base
// class makes the real calls.
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
    virtual BOOL setCommState(HANDLE device, DCB* dcb);
    // WriteFile with an OVERLAPPED record.
    virtual BOOL writeFile(HANDLE device, const void* bytes, DWORD count, OVERLAPPED* overlapped);
    // PostMessageA: a test makes the panel's message queue run full.
    virtual BOOL postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Unnamed manual-reset event, not signalled; nullptr on failure.
    virtual HANDLE createEvent();
    // Thread that runs at once with the default stack; nullptr on failure.
    virtual HANDLE createThread(LPTHREAD_START_ROUTINE entry, void* parameter);
};

} // namespace trx

#endif

#include "serial_system.h"

namespace trx {

HANDLE SerialSystem::createFile(const char* name, DWORD access, DWORD shareMode,
                                DWORD creationDisposition, DWORD flagsAndAttributes) {
    return CreateFileA(name, access, shareMode, nullptr, creationDisposition, flagsAndAttributes,
                       nullptr);
}

HANDLE SerialSystem::createEvent() {
    return CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

HANDLE SerialSystem::createThread(LPTHREAD_START_ROUTINE entry, void* parameter) {
    return CreateThread(nullptr, 0, entry, parameter, 0, nullptr);
}

SerialSystem& win32SerialSystem() {
    // Function-local, so the static SerialPort can use it before main runs.
    static SerialSystem system;
    return system;
}

} // namespace trx

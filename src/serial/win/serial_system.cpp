#include "serial/win/serial_system.h"

namespace trx {

HANDLE SerialSystem::createFile(const char* name, DWORD access, DWORD shareMode,
                                DWORD creationDisposition, DWORD flagsAndAttributes) {
    return CreateFileA(name, access, shareMode, nullptr, creationDisposition, flagsAndAttributes,
                       nullptr);
}

BOOL SerialSystem::setCommState(HANDLE device, DCB* dcb) {
    return SetCommState(device, dcb);
}

BOOL SerialSystem::writeFile(HANDLE device, const void* bytes, DWORD count,
                             OVERLAPPED* overlapped) {
    return WriteFile(device, bytes, count, nullptr, overlapped);
}

BOOL SerialSystem::postMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return PostMessageA(window, message, wParam, lParam);
}

HANDLE SerialSystem::createEvent() {
    return CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

HANDLE SerialSystem::createThread(LPTHREAD_START_ROUTINE entry, void* parameter) {
    return CreateThread(nullptr, 0, entry, parameter, 0, nullptr);
}

} // namespace trx

// Every message box of the program goes through here, so that a test can answer it.
#ifndef TRXDESK_MESSAGE_BOX_H
#define TRXDESK_MESSAGE_BOX_H

#include <windows.h>

namespace trx {

using MessageBoxFunction = int(WINAPI*)(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// MessageBoxA unless a test has put another function in its place.
int showMessageBox(HWND owner, const char* text, const char* caption, UINT type);
// Puts `function` in MessageBoxA's place (nullptr: MessageBoxA again); returns the one before.
MessageBoxFunction setMessageBoxFunction(MessageBoxFunction function);

} // namespace trx

#endif

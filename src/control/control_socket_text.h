// What went wrong when the control port could not be opened, in the operator's words: the
// system's error numbers alone tell an operator nothing. Pure text handling.
#ifndef TRXDESK_CONTROL_SOCKET_TEXT_H
#define TRXDESK_CONTROL_SOCKET_TEXT_H

#include <cstddef>

namespace trx {

// Room for the longest text with its number.
constexpr size_t SOCKET_FAILURE_TEXT_SIZE = 112;

// A Winsock error number as German words with the number behind them, "das Netzwerk ist
// ausgefallen (Winsock-Fehler 10050)"; a number it does not know is "unbekannter
// Netzwerkfehler (Winsock-Fehler <n>)". Cut at `size`, always ended.
void socketFailureText(int error, char* out, size_t size);

} // namespace trx

#endif

#include "control/control_socket_text.h"

#include <cstdio>

namespace trx {

namespace {

struct SocketFailure {
    int error; // Winsock's number, as WSAGetLastError and WSAStartup give it
    const char* words;
};

// Those that starting Winsock, making, binding and listening on a TCP socket and asking for
// its messages can meet. A port in use (WSAEADDRINUSE, WSAEACCES) has a message of its own.
const SocketFailure FAILURES[] = {
    {10014, "ein Aufruf mit ungültiger Adresse"},                       // WSAEFAULT
    {10022, "ein ungültiger Aufruf"},                                   // WSAEINVAL
    {10024, "zu viele offene Netzwerkverbindungen"},                    // WSAEMFILE
    {10036, "ein anderer Netzwerkaufruf läuft noch"},                   // WSAEINPROGRESS
    {10043, "TCP steht nicht zur Verfügung"},                           // WSAEPROTONOSUPPORT
    {10044, "TCP steht nicht zur Verfügung"},                           // WSAESOCKTNOSUPPORT
    {10047, "IPv4 steht nicht zur Verfügung"},                          // WSAEAFNOSUPPORT
    {10049, "die Adresse gibt es auf diesem Rechner nicht"},            // WSAEADDRNOTAVAIL
    {10050, "das Netzwerk ist ausgefallen"},                            // WSAENETDOWN
    {10055, "zu wenig Speicher für Netzwerkverbindungen"},              // WSAENOBUFS
    {10067, "zu viele Programme nutzen das Netzwerk"},                  // WSAEPROCLIM
    {10091, "das Netzwerk von Windows ist nicht bereit"},               // WSASYSNOTREADY
    {10092, "Windows bietet Winsock 2.2 nicht an"},                     // WSAVERNOTSUPPORTED
    {10093, "Winsock ist nicht gestartet"},                             // WSANOTINITIALISED
    {10104, "ein Netzwerkdienst von Windows ist gestört"},              // WSAEINVALIDPROCTABLE
    {10105, "ein Netzwerkdienst von Windows ist gestört"},              // WSAEINVALIDPROVIDER
    {10106, "ein Netzwerkdienst von Windows lässt sich nicht starten"}, // WSAEPROVIDERFAILEDINIT
};

constexpr char UNKNOWN_FAILURE[] = "unbekannter Netzwerkfehler";

} // namespace

void socketFailureText(int error, char* out, size_t size) {
    const char* words = UNKNOWN_FAILURE;
    for (const SocketFailure& failure : FAILURES) {
        if (failure.error == error) {
            words = failure.words;
        }
    }
    snprintf(out, size, "%s (Winsock-Fehler %d)", words, error);
}

} // namespace trx

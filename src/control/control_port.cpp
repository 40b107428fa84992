#include "control_port.h"

#include "res/resource.h"

#include <commctrl.h>

#include <algorithm>
#include <climits>
#include <cstdio>

namespace trx {

namespace {

constexpr UINT_PTR SUBCLASS_ID = 1;
constexpr WORD WINSOCK_VERSION_WANTED = MAKEWORD(2, 2);
constexpr size_t RECEIVE_SIZE = 4096;
// The system's own buffer for each client, bounded so that a client that stops reading is
// found out after about this much more than the sessions hold, not after megabytes.
constexpr int CLIENT_SEND_BUFFER = 64 * 1024;
constexpr size_t MESSAGE_SIZE = 160;
constexpr char BUSY_TEXT[] = "Der Steuerport %d ist belegt; TRXDESK läuft ohne Steuerport.";
constexpr char FAILED_TEXT[] =
    "Der Steuerport %d lässt sich nicht öffnen (Fehler %d); TRXDESK läuft ohne Steuerport.";

AllowList readAllowList(const ControlSettings& settings) {
    AllowList list;
    if (settings.network) {
        list.read(settings.networks);
    }
    return list;
}

SOCKET socketOf(ClientId id) {
    return static_cast<SOCKET>(id);
}

// Reads what the client still sent, so that the close is not a reset that loses the reply.
void drain(SOCKET client) {
    char discard[RECEIVE_SIZE];
    while (recv(client, discard, sizeof discard, 0) > 0) {
    }
}

} // namespace

ControlPort::ControlPort(ControlEngine& engine, const ControlSettings& settings,
                         const Settings& panelSettings, PanelHost& host)
    : settings_(settings), panelSettings_(panelSettings), host_(host),
      sessions_(engine, *this, readAllowList(settings), settings.password) {}

ControlPort::~ControlPort() {
    close();
    if (panel_ != nullptr) {
        RemoveWindowSubclass(panel_, windowProcedure, SUBCLASS_ID);
    }
}

void ControlPort::attach(HWND panel) {
    if (settings_.port == 0 || panel_ != nullptr) {
        return;
    }
    panel_ = panel;
    SetWindowSubclass(panel, windowProcedure, SUBCLASS_ID, reinterpret_cast<DWORD_PTR>(this));
    PostMessageA(panel, WM_TRX_CONTROL_OPEN, 0, 0);
}

// The panel's own procedure knows nothing of sockets; taking the messages here means that
// modal loops (message boxes, dialogs) deliver them too.
LRESULT CALLBACK ControlPort::windowProcedure(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    auto* port = reinterpret_cast<ControlPort*>(self);
    switch (message) {
    case WM_TRX_CONTROL_OPEN:
        port->open();
        return 0;
    case WM_TRX_CONTROL_ACCEPT:
        port->onAccept();
        return 0;
    case WM_TRX_CONTROL_CLIENT:
        port->onClient(static_cast<SOCKET>(wParam), WSAGETSELECTEVENT(lParam));
        return 0;
    case WM_TRX_CONTROL_SEND:
        port->sendAll();
        return 0;
    case WM_TIMER:
        if (wParam != IDT_CONTROL_SEND) {
            break;
        }
        KillTimer(window, IDT_CONTROL_SEND);
        port->sendAll();
        return 0;
    case WM_NCDESTROY:
        port->close();
        RemoveWindowSubclass(window, windowProcedure, SUBCLASS_ID);
        port->panel_ = nullptr;
        break;
    default:
        break;
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

void ControlPort::open() {
    if (listener_ != INVALID_SOCKET) {
        return;
    }
    WSADATA data;
    if (!winsockStarted_) {
        const int error = WSAStartup(WINSOCK_VERSION_WANTED, &data);
        if (error != 0) {
            refuseToOpen(error);
            return;
        }
        winsockStarted_ = true;
    }
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener_ == INVALID_SOCKET) {
        refuseToOpen(WSAGetLastError());
        return;
    }
    // Exclusive: another program cannot take over the port, nor we take over its.
    const BOOL exclusive = TRUE;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(settings_.port));
    address.sin_addr.s_addr = htonl(settings_.network ? INADDR_ANY : INADDR_LOOPBACK);
    if (setsockopt(listener_, SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                   reinterpret_cast<const char*>(&exclusive), sizeof exclusive) == SOCKET_ERROR ||
        bind(listener_, reinterpret_cast<const sockaddr*>(&address), sizeof address) ==
            SOCKET_ERROR ||
        listen(listener_, SOMAXCONN) == SOCKET_ERROR ||
        WSAAsyncSelect(listener_, panel_, WM_TRX_CONTROL_ACCEPT, FD_ACCEPT) == SOCKET_ERROR) {
        const int error = WSAGetLastError();
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
        refuseToOpen(error);
        return;
    }
    if (journal_) {
        char text[MESSAGE_SIZE];
        snprintf(text, sizeof text, "geöffnet %s:%d", settings_.network ? "0.0.0.0" : "127.0.0.1",
                 settings_.port);
        journal_->controlPortEvent(text);
    }
}

void ControlPort::refuseToOpen(int error) {
    char text[MESSAGE_SIZE];
    if (error == WSAEADDRINUSE || error == WSAEACCES) {
        snprintf(text, sizeof text, BUSY_TEXT, settings_.port);
    } else {
        snprintf(text, sizeof text, FAILED_TEXT, settings_.port, error);
    }
    host_.messageBox(panel_, text, panelSettings_.title, MB_OK | MB_ICONWARNING);
}

void ControlPort::onAccept() {
    for (;;) {
        sockaddr_in peer = {};
        int size = sizeof peer;
        const SOCKET client = accept(listener_, reinterpret_cast<sockaddr*>(&peer), &size);
        if (client == INVALID_SOCKET) {
            return; // WSAEWOULDBLOCK: every waiting connection is taken
        }
        const ConnectRefusal refusal = sessions_.connect(
            static_cast<ClientId>(client), ntohl(peer.sin_addr.s_addr), ntohs(peer.sin_port));
        if (refusal == ConnectRefusal::NotListed || refusal == ConnectRefusal::NoPassword) {
            closesocket(client);
            continue;
        }
        setsockopt(client, SOL_SOCKET, SO_SNDBUF,
                   reinterpret_cast<const char*>(&CLIENT_SEND_BUFFER), sizeof CLIENT_SEND_BUFFER);
        // Replies and events are small and each is whole: none may wait for the acknowledgement
        // of the one before (Nagle), which the client's delayed acknowledgement holds back.
        const BOOL noDelay = TRUE;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay),
                   sizeof noDelay);
        // The accepted socket inherited the listener's FD_ACCEPT; it reports its own events.
        if (WSAAsyncSelect(client, panel_, WM_TRX_CONTROL_CLIENT, FD_READ | FD_WRITE | FD_CLOSE) ==
            SOCKET_ERROR) {
            closeClient(static_cast<ClientId>(client));
        }
    }
}

void ControlPort::onClient(SOCKET client, int event) {
    const ClientId id = static_cast<ClientId>(client);
    if (sessions_.output(id) == nullptr) {
        return; // a message still queued for a client already closed
    }
    switch (event) {
    case FD_READ:
        receive(client);
        break;
    case FD_WRITE:
        send(id);
        break;
    case FD_CLOSE:
        // What came before the close is answered as far as it can be at once.
        receive(client);
        sessions_.serviceClients();
        send(id);
        if (sessions_.output(id) != nullptr) {
            closeClient(id);
        }
        break;
    default:
        break;
    }
}

// One read per FD_READ: Winsock reports again while data remains, so one client's flood
// takes turns with the panel's own messages.
void ControlPort::receive(SOCKET client) {
    char bytes[RECEIVE_SIZE];
    const int count = recv(client, bytes, sizeof bytes, 0);
    if (count > 0) {
        sessions_.received(static_cast<ClientId>(client),
                           std::string_view(bytes, static_cast<size_t>(count)));
    } else if (count == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK) {
        closeClient(static_cast<ClientId>(client));
    }
}

void ControlPort::sendAll() {
    sessions_.serviceClients();
    for (const ClientId id : sessions_.clientIds()) {
        send(id);
    }
}

// Sends what the socket takes now; the rest waits for FD_WRITE.
void ControlPort::send(ClientId id) {
    ClientOutput* out = sessions_.output(id);
    if (out == nullptr) {
        return;
    }
    if (out->dropNow) {
        closeClient(id);
        return;
    }
    size_t sent = 0;
    while (sent < out->bytes.size()) {
        const int chunk = static_cast<int>(std::min<size_t>(out->bytes.size() - sent, INT_MAX));
        const int count = ::send(socketOf(id), out->bytes.data() + sent, chunk, 0);
        if (count == SOCKET_ERROR) {
            if (WSAGetLastError() != WSAEWOULDBLOCK) {
                closeClient(id);
                return;
            }
            break;
        }
        sent += static_cast<size_t>(count);
    }
    out->bytes.erase(0, sent);
    if (out->bytes.empty() && out->closeWhenSent) {
        shutdown(socketOf(id), SD_SEND);
        drain(socketOf(id));
        closeClient(id);
    }
}

void ControlPort::closeClient(ClientId id) {
    closesocket(socketOf(id));
    sessions_.disconnected(id);
}

void ControlPort::close() {
    for (const ClientId id : sessions_.clientIds()) {
        closeClient(id);
    }
    if (listener_ != INVALID_SOCKET) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
    }
    if (winsockStarted_) {
        WSACleanup();
        winsockStarted_ = false;
    }
}

uint64_t ControlPort::milliseconds() {
    return GetTickCount64();
}

// Sending waits for a message of its own: the engine is still inside its announcement.
// Windows refuses posts to a full queue; a timer message is never refused.
void ControlPort::outputWaiting() {
    if (!PostMessageA(panel_, WM_TRX_CONTROL_SEND, 0, 0)) {
        SetTimer(panel_, IDT_CONTROL_SEND, CONTROL_SEND_RETRY_MS, nullptr);
    }
}

} // namespace trx

#include "control/win/control_port.h"

#include "control/control_socket_text.h"
#include "res/resource.h"

#include <mstcpip.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <utility>

namespace trx {

namespace {

constexpr WORD WINSOCK_VERSION_WANTED = MAKEWORD(2, 2);
constexpr size_t RECEIVE_SIZE = 4096;
// The system's own buffer for each client, bounded so that a client that stops reading is
// found out after about this much more than the sessions hold, not after megabytes.
constexpr int CLIENT_SEND_BUFFER = 64 * 1024;
// Connections accepted at one message; more wait for the next, or for the timer.
constexpr int ACCEPT_BATCH = 32;
// A subscriber may stay silent for hours; the system's keep-alive finds one that is gone.
constexpr ULONG KEEPALIVE_IDLE_MS = 60000;
constexpr ULONG KEEPALIVE_INTERVAL_MS = 10000;
constexpr size_t MESSAGE_SIZE = 640;
constexpr char BUSY_TEXT[] = "Der Steuerport %d ist belegt; TRXDESK läuft ohne Steuerport.";
constexpr char FAILED_TEXT[] =
    "Der Steuerport %d lässt sich nicht öffnen: %s. TRXDESK läuft ohne Steuerport.";
constexpr char LEFT_OUT_TEXT[] =
    "Der Steuerport %d übergeht in SteuerportNetz: %s. Es gelten nur IPv4-Adressen und Blöcke "
    "bis /8, etwa 192.168.10.0/24.%s";
constexpr char LOOPBACK_ONLY_TEXT[] =
    " Ohne gültigen Eintrag nimmt er nur Verbindungen von diesem Rechner an.";
constexpr char LEFT_OUT_JOURNAL_TEXT[] = "SteuerportNetz übergangen: %s";
constexpr char OPENED_TEXT[] = "geöffnet %s:%d";
constexpr char UNREADABLE_TEXT[] =
    "Der Steuerport %d kann %s nicht lesen: Es wurde unter einem anderen Windows-Benutzer "
    "gespeichert oder ist beschädigt und gilt als nicht gesetzt. Bitte unter "
    "Einstellungen, „Steuerport und Journal…“ neu setzen.";
constexpr char UNREADABLE_JOURNAL_TEXT[] = "%s nicht lesbar, gilt als nicht gesetzt";
constexpr char APPLIED_TEXT[] = "neue Einstellungen übernommen";

AllowList readAllowList(const ControlSettings& settings, std::vector<std::string>& leftOut) {
    AllowList list;
    if (settings.network) {
        leftOut = list.read(settings.networks);
    }
    return list;
}

} // namespace

ControlPort::ControlPort(ControlEngine& engine, const ControlSettings& settings,
                         const Settings& panelSettings, PanelHost& host)
    : settings_(settings), panelSettings_(panelSettings), host_(host),
      allowList_(readAllowList(settings, leftOut_)),
      sessions_(engine, *this, allowList_, settings.password, settings.readPassword) {}

ControlPort::~ControlPort() {
    close();
    if (router_ != nullptr) {
        for (const UINT message :
             {WM_TRX_CONTROL_OPEN, WM_TRX_CONTROL_ACCEPT, WM_TRX_CONTROL_CLIENT,
              WM_TRX_CONTROL_SEND, WM_TRX_CONTROL_CLOSED}) {
            router_->forgetMessage(message);
        }
        router_->forgetTimer(IDT_CONTROL_TICK);
        router_->forgetTimer(IDT_CONTROL_SEND);
    }
}

// The port's messages come through the panel's router, so that modal loops (message boxes,
// dialogs) deliver them too. They are registered while the port is off as well: the
// settings may switch it on later.
void ControlPort::attach(HWND panel, WindowRouter& router) {
    if (panel_ != nullptr) {
        return;
    }
    panel_ = panel;
    router_ = &router;
    router.onMessage(WM_TRX_CONTROL_OPEN, [this](WPARAM, LPARAM) { open(); });
    router.onMessage(WM_TRX_CONTROL_ACCEPT, [this](WPARAM, LPARAM) { onAccept(); });
    router.onMessage(WM_TRX_CONTROL_CLIENT, [this](WPARAM wParam, LPARAM lParam) {
        onClient(static_cast<SOCKET>(wParam), WSAGETSELECTEVENT(lParam));
    });
    router.onMessage(WM_TRX_CONTROL_SEND, [this](WPARAM, LPARAM) { sendAll(); });
    router.onMessage(WM_TRX_CONTROL_CLOSED, [this](WPARAM wParam, LPARAM) {
        const auto found = closed_.find(static_cast<SOCKET>(wParam));
        if (found != closed_.end() && --found->second == 0) {
            closed_.erase(found);
        }
    });
    router.onTimer(IDT_CONTROL_TICK, [this] { onTick(); });
    router.onTimer(IDT_CONTROL_SEND, [this] {
        KillTimer(panel_, IDT_CONTROL_SEND);
        sendAll();
    });
    if (settings_.port != 0) {
        PostMessageA(panel, WM_TRX_CONTROL_OPEN, 0, 0);
    }
}

// Every client goes, since its right may have come from a password no longer set; the
// listening socket stays when it would be opened again alike, so that its port is never
// free for another program in between.
void ControlPort::applySettings() {
    leftOut_.clear();
    allowList_ = readAllowList(settings_, leftOut_);
    closeClients();
    sessions_.configure(allowList_, settings_.password, settings_.readPassword);
    const bool same = listener_ != INVALID_SOCKET && settings_.port == openPort_ &&
                      !allowList_.empty() == openEveryInterface_;
    if (!same) {
        close();
    }
    if (settings_.port == 0 || panel_ == nullptr) {
        return;
    }
    if (same) {
        if (journal_) {
            journal_->controlPortEvent(APPLIED_TEXT);
        }
        tellLeftOut();
    } else {
        PostMessageA(panel_, WM_TRX_CONTROL_OPEN, 0, 0);
    }
}

// Every interface only for a valid allow list; without one, this computer alone.
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
    const bool everyInterface = !allowList_.empty();
    // Exclusive: another program cannot take over the port, nor we take over its.
    const BOOL exclusive = TRUE;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(settings_.port));
    address.sin_addr.s_addr = htonl(everyInterface ? INADDR_ANY : INADDR_LOOPBACK);
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
    openPort_ = settings_.port;
    openEveryInterface_ = everyInterface;
    if (journal_) {
        char text[MESSAGE_SIZE];
        snprintf(text, sizeof text, OPENED_TEXT, everyInterface ? "0.0.0.0" : "127.0.0.1",
                 settings_.port);
        journal_->controlPortEvent(text);
    }
    tellUnreadable();
    tellLeftOut();
}

// A stored password that could not be read is told once a run, in the journal and to the
// operator: remote clients that used it are refused from now on.
void ControlPort::tellUnreadable() {
    const char* name = nullptr;
    if (settings_.passwordUnreadable && settings_.readPasswordUnreadable) {
        name = "SteuerportKennwort und SteuerportLesekennwort";
    } else if (settings_.passwordUnreadable) {
        name = "SteuerportKennwort";
    } else if (settings_.readPasswordUnreadable) {
        name = "SteuerportLesekennwort";
    }
    if (name == nullptr || unreadableTold_) {
        return;
    }
    unreadableTold_ = true;
    char text[MESSAGE_SIZE];
    if (journal_) {
        snprintf(text, sizeof text, UNREADABLE_JOURNAL_TEXT, name);
        journal_->controlPortEvent(text);
    }
    snprintf(text, sizeof text, UNREADABLE_TEXT, settings_.port, name);
    host_.messageBox(panel_, text, panelSettings_.title, MB_OK | MB_ICONWARNING);
}

void ControlPort::refuseToOpen(int error) {
    char text[MESSAGE_SIZE];
    if (error == WSAEADDRINUSE || error == WSAEACCES) {
        snprintf(text, sizeof text, BUSY_TEXT, settings_.port);
    } else {
        char failure[SOCKET_FAILURE_TEXT_SIZE];
        socketFailureText(error, failure, sizeof failure);
        snprintf(text, sizeof text, FAILED_TEXT, settings_.port, failure);
    }
    host_.messageBox(panel_, text, panelSettings_.title, MB_OK | MB_ICONWARNING);
}

// Each entry of the allow list that is not taken is named once, in the journal and to the
// operator, while the port already serves.
void ControlPort::tellLeftOut() {
    if (leftOut_.empty()) {
        return;
    }
    std::string names;
    for (const std::string& entry : leftOut_) {
        names.append(names.empty() ? "" : ", ").append(entry);
    }
    char text[MESSAGE_SIZE];
    if (journal_) {
        snprintf(text, sizeof text, LEFT_OUT_JOURNAL_TEXT, names.c_str());
        journal_->controlPortEvent(text);
    }
    snprintf(text, sizeof text, LEFT_OUT_TEXT, settings_.port, names.c_str(),
             allowList_.empty() ? LOOPBACK_ONLY_TEXT : "");
    host_.messageBox(panel_, text, panelSettings_.title, MB_OK | MB_ICONWARNING);
}

void ControlPort::onAccept() {
    int accepted = 0;
    while (accepted < ACCEPT_BATCH) {
        sockaddr_in peer = {};
        int size = sizeof peer;
        const SOCKET client = accept(listener_, reinterpret_cast<sockaddr*>(&peer), &size);
        if (client == INVALID_SOCKET) {
            break; // WSAEWOULDBLOCK: every waiting connection is taken
        }
        ++accepted;
        const ClientId id = ++lastId_;
        if (sessions_.connect(id, ntohl(peer.sin_addr.s_addr), ntohs(peer.sin_port)) !=
            ConnectRefusal::None) {
            closesocket(client);
            continue;
        }
        setUpClient(client, id);
    }
    // Whether or not FD_ACCEPT comes again, the timer tries once more.
    acceptMayWait_ = accepted > 0;
    keepTime();
}

void ControlPort::setUpClient(SOCKET client, ClientId id) {
    ids_[client] = id;
    sockets_[id] = client;
    setsockopt(client, SOL_SOCKET, SO_SNDBUF, reinterpret_cast<const char*>(&CLIENT_SEND_BUFFER),
               sizeof CLIENT_SEND_BUFFER);
    // Replies and events are small and each is whole: none may wait for the acknowledgement
    // of the one before (Nagle), which the client's delayed acknowledgement holds back.
    const BOOL on = TRUE;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    setsockopt(client, SOL_SOCKET, SO_KEEPALIVE, reinterpret_cast<const char*>(&on), sizeof on);
    tcp_keepalive keepAlive = {1, KEEPALIVE_IDLE_MS, KEEPALIVE_INTERVAL_MS};
    DWORD returned = 0;
    WSAIoctl(client, SIO_KEEPALIVE_VALS, &keepAlive, sizeof keepAlive, nullptr, 0, &returned,
             nullptr, nullptr); // without it, the system's own times
    // The accepted socket inherited the listener's FD_ACCEPT; it reports its own events.
    if (WSAAsyncSelect(client, panel_, WM_TRX_CONTROL_CLIENT, FD_READ | FD_WRITE | FD_CLOSE) ==
        SOCKET_ERROR) {
        closeClient(id);
    }
}

void ControlPort::onClient(SOCKET client, int event) {
    const auto found = ids_.find(client);
    if (closed_.count(client) != 0 || found == ids_.end()) {
        return; // queued for a client already closed, whose socket's value may be reused
    }
    const ClientId id = found->second;
    switch (event) {
    case FD_READ:
        receive(id, client);
        break;
    case FD_WRITE:
        send(id);
        break;
    case FD_CLOSE:
        // What came before the close is answered as far as one read and the socket allow.
        receive(id, client);
        sessions_.serviceClients();
        send(id);
        if (sessions_.output(id) != nullptr) {
            closeClient(id);
        }
        break;
    default:
        break;
    }
    keepTime();
}

// One read per FD_READ: Winsock reports again while data remains, so one client's flood
// takes turns with the panel's own messages.
void ControlPort::receive(ClientId id, SOCKET client) {
    char bytes[RECEIVE_SIZE];
    const int count = recv(client, bytes, sizeof bytes, 0);
    if (count > 0) {
        sessions_.received(id, std::string_view(bytes, static_cast<size_t>(count)));
    } else if (count == SOCKET_ERROR && WSAGetLastError() != WSAEWOULDBLOCK) {
        closeClient(id);
    }
}

void ControlPort::onTick() {
    sessions_.tick(milliseconds());
    if (listener_ != INVALID_SOCKET) {
        onAccept();
    }
    sendAll();
}

void ControlPort::sendAll() {
    sessions_.serviceClients();
    for (const ClientId id : sessions_.clientIds()) {
        send(id);
    }
    keepTime();
}

// Sends what the socket takes now; the rest waits for FD_WRITE.
void ControlPort::send(ClientId id) {
    ClientOutput* out = sessions_.output(id);
    const auto socket = sockets_.find(id);
    if (out == nullptr || socket == sockets_.end()) {
        return;
    }
    if (out->dropNow) {
        closeClient(id);
        return;
    }
    size_t sent = 0;
    while (sent < out->bytes.size()) {
        const int chunk = static_cast<int>(std::min<size_t>(out->bytes.size() - sent, INT_MAX));
        const int count = ::send(socket->second, out->bytes.data() + sent, chunk, 0);
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
        finish(id);
    }
}

// The reply is sent: one read takes what the client sent meanwhile (so that the close is
// seldom a reset that loses the reply), and the socket closes whatever still comes.
void ControlPort::finish(ClientId id) {
    const SOCKET client = sockets_.at(id);
    shutdown(client, SD_SEND);
    char discard[RECEIVE_SIZE];
    recv(client, discard, sizeof discard, 0);
    closeClient(id);
}

void ControlPort::closeClient(ClientId id) {
    const auto found = sockets_.find(id);
    if (found != sockets_.end()) {
        const SOCKET client = found->second;
        WSAAsyncSelect(client, panel_, 0, 0);
        closesocket(client);
        ids_.erase(client);
        sockets_.erase(found);
        if (panel_ != nullptr && PostMessageA(panel_, WM_TRX_CONTROL_CLOSED, client, 0)) {
            ++closed_[client];
        }
    }
    sessions_.disconnected(id);
}

void ControlPort::closeClients() {
    for (const ClientId id : sessions_.clientIds()) {
        closeClient(id);
    }
}

void ControlPort::close() {
    closeClients();
    if (listener_ != INVALID_SOCKET) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
    }
    if (ticking_ && panel_ != nullptr) {
        KillTimer(panel_, IDT_CONTROL_TICK);
    }
    ticking_ = false;
    if (winsockStarted_) {
        WSACleanup();
        winsockStarted_ = false;
    }
}

// The timer runs only while something is timed: an idle port costs no wake-ups.
void ControlPort::keepTime() {
    const bool needed = listener_ != INVALID_SOCKET && (acceptMayWait_ || sessions_.needsTick());
    if (needed && !ticking_) {
        ticking_ = SetTimer(panel_, IDT_CONTROL_TICK, CONTROL_TICK_MS, nullptr) != 0;
    } else if (!needed && ticking_) {
        KillTimer(panel_, IDT_CONTROL_TICK);
        ticking_ = false;
    }
}

bool ControlPort::modalLoop() {
    return host_.modal();
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

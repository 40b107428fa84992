// The control port's sockets: a listening socket and its clients, reported by WSAAsyncSelect
// as messages of the panel window and handled on its thread, so the engine needs no lock
// and no client ever makes the panel wait: one read a message, never a loop of reads. A
// timer runs while the sessions have deadlines or connections may wait to be accepted. The
// protocol itself is in the sessions.
#ifndef TRXDESK_CONTROL_PORT_H
#define TRXDESK_CONTROL_PORT_H

#include "app/control_settings.h"
#include "control/control_sessions.h"
#include "protocol/settings.h"
#include "shell/win/panel_host.h"
#include "shell/win/window_router.h"

#include <windows.h>
#include <winsock2.h>

#include <map>
#include <string>
#include <vector>

namespace trx {

class ControlPort final : private ControlHost {
  public:
    // Nothing is opened yet. All four must outlive the port; the panel's host shows its one
    // message box.
    ControlPort(ControlEngine& engine, const ControlSettings& settings,
                const Settings& panelSettings, PanelHost& host);
    ~ControlPort() override;
    ControlPort(const ControlPort&) = delete;
    ControlPort& operator=(const ControlPort&) = delete;

    // What the engine announces to.
    LineListener& listener() { return sessions_; }
    // The season schedule, for `get schedule`, `schedule ...` and the metrics.
    void useSchedule(ScheduleSwitch& schedule) { sessions_.useSchedule(schedule); }
    // "EVENT schedule <text>" to the subscribers; `context` is the port.
    static void scheduleEvent(void* context, const char* text) {
        static_cast<ControlPort*>(context)->sessions_.scheduleEvent(text);
    }
    // Tells `journal` (which must outlive the port) of the port's opening, its clients and
    // the commands it refused.
    void tellJournal(StationEvents& journal) {
        journal_ = &journal;
        sessions_.tellJournal(journal);
    }
    // Tells `info` and the scrape which transmitter this is (`station` must outlive the port).
    void tellStation(const ControlStation& station) { sessions_.tellStation(station); }

    // Registers its messages and timers with the router of `panel` (which must outlive the
    // port) and, while the port is on, posts the one that opens it, so that it opens once the
    // panel's message loop runs. Off, Winsock is not started.
    void attach(HWND panel, WindowRouter& router);
    // The settings handed in have changed: every client is closed, and the port listens
    // anew with them (or no more, when it is now off). Before attach(), nothing opens.
    void applySettings();
    // The TCP port listened on, 0 while none is.
    int listeningPort() const { return listener_ == INVALID_SOCKET ? 0 : settings_.port; }

  private:
    void open();
    void refuseToOpen(int error);
    void tellUnreadable();
    void tellLeftOut();
    void onAccept();
    void setUpClient(SOCKET client, ClientId id);
    void onClient(SOCKET client, int event);
    void onTick();
    void receive(ClientId id, SOCKET client);
    void sendAll();
    void send(ClientId id);
    void finish(ClientId id);
    void closeClient(ClientId id);
    void closeClients();
    void close();
    void keepTime();

    uint64_t milliseconds() override;
    bool modalLoop() override;
    void outputWaiting() override;

    const ControlSettings& settings_;
    const Settings& panelSettings_;
    PanelHost& host_;
    std::vector<std::string> leftOut_; // entries of the allow list that are not taken
    AllowList allowList_;
    ControlSessions sessions_;
    HWND panel_ = nullptr;
    WindowRouter* router_ = nullptr;
    bool winsockStarted_ = false;
    SOCKET listener_ = INVALID_SOCKET;
    // How the listening socket was opened, to tell whether new settings need another.
    int openPort_ = 0;
    bool openEveryInterface_ = false;
    bool unreadableTold_ = false;
    StationEvents* journal_ = nullptr;
    // A socket's value comes back for later connections; a client's id never does.
    std::map<SOCKET, ClientId> ids_;
    std::map<ClientId, SOCKET> sockets_;
    ClientId lastId_ = 0;
    // Sockets closed here whose messages may still wait in the queue, with how many closes
    // of that value have not yet seen their WM_TRX_CONTROL_CLOSED.
    std::map<SOCKET, int> closed_;
    bool ticking_ = false;
    bool acceptMayWait_ = false;
};

} // namespace trx

#endif

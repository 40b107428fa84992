// How the control port is set up: from the port's registry key, its port number overridden
// by the command line's STEUERPORT=<n>.
#ifndef TRXDESK_CONTROL_SETTINGS_H
#define TRXDESK_CONTROL_SETTINGS_H

namespace trx {

constexpr int CONTROL_NETWORKS_SIZE = 256; // at most 255 characters and the terminator
constexpr int CONTROL_PASSWORD_SIZE = 64;
constexpr int CONTROL_PORT_MAX = 65535;

struct ControlSettings {
    int port = 0;         // TCP port 1..65535; 0: off
    bool network = false; // a list of remote clients is set: listen on every interface
    char networks[CONTROL_NETWORKS_SIZE] = {}; // the remote clients accepted
    // A remote client needs one of the two; with neither set, none is accepted.
    char password[CONTROL_PASSWORD_SIZE] = {};     // may switch: every command
    char readPassword[CONTROL_PASSWORD_SIZE] = {}; // may only read: values, info, scrapes
    // A stored password that could not be read (protected for another Windows user, damaged,
    // too long) counts as not set; it is told once, and kept in the key until one is set.
    bool passwordUnreadable = false;
    bool readPasswordUnreadable = false;
};

} // namespace trx

#endif

// What the dialog "Steuerport und Journal" sets in a port's key: the control port's settings
// and the folder of the operating journal.
#ifndef TRXDESK_STATION_SETTINGS_H
#define TRXDESK_STATION_SETTINGS_H

#include "app/control_settings.h"

namespace trx {

// The REG_SZ value of a port's key that names the journal's folder; without it the journal
// goes below %LOCALAPPDATA%.
constexpr char JOURNAL_FOLDER_VALUE[] = "Journal";
constexpr int JOURNAL_FOLDER_SIZE = 260; // a Windows path and its terminator

struct StationSettings {
    ControlSettings control;
    char journalFolder[JOURNAL_FOLDER_SIZE] = {}; // empty: the default folder
};

} // namespace trx

#endif

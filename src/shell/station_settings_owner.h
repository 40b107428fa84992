// What the dialog "Steuerport und Journal" asks of the program without knowing the control
// port or the journal: the values in force, whether they are stored, and taking new ones.
// The entry point keeps them and hands the owner to the panel's dialogs.
#ifndef TRXDESK_STATION_SETTINGS_OWNER_H
#define TRXDESK_STATION_SETTINGS_OWNER_H

#include "app/station_settings.h"

namespace trx {

class StationSettingsOwner {
  public:
    virtual ~StationSettingsOwner() = default;
    virtual const StationSettings& stationSettings() const = 0;
    // False with NOREG: new values hold for this run only.
    virtual bool storesStationSettings() const = 0;
    // Takes `settings` for the run: the control port listens anew with them and the journal
    // writes its next line into their folder; stored in the port's key unless NOREG. False
    // when the key could not be written (the values hold for the run all the same).
    virtual bool applyStationSettings(const StationSettings& settings) = 0;
};

} // namespace trx

#endif

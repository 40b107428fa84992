// The station's settings of this run (the control port's and the journal's folder), as the
// dialog "Steuerport und Journal" changes them: stored in the key of the port in use unless
// NOREG, then applied to the control port and the journal at once.
#ifndef TRXDESK_STATION_SETTINGS_KEEPER_H
#define TRXDESK_STATION_SETTINGS_KEEPER_H

#include "control/win/control_port.h"
#include "journal/win/journal_station.h"
#include "serial/win/serial_port.h"
#include "shell/station_settings_owner.h"

namespace trx {

class StationSettingsKeeper final : public StationSettingsOwner {
  public:
    // `station` is the record the control port was made with; all must outlive the keeper.
    StationSettingsKeeper(StationSettings& station, const Settings& settings,
                          const SerialPort& serial, ControlPort& controlPort,
                          JournalStation& journal)
        : station_(station), settings_(settings), serial_(serial), controlPort_(controlPort),
          journal_(journal) {}

    const StationSettings& stationSettings() const override { return station_; }
    bool storesStationSettings() const override { return settings_.useRegistry; }
    bool applyStationSettings(const StationSettings& settings) override;

  private:
    StationSettings& station_;
    const Settings& settings_;
    const SerialPort& serial_;
    ControlPort& controlPort_;
    JournalStation& journal_;
};

} // namespace trx

#endif

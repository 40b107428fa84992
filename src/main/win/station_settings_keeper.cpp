#include "main/win/station_settings_keeper.h"

#include "app/registry_settings.h"

namespace trx {

bool StationSettingsKeeper::applyStationSettings(const StationSettings& settings) {
    station_ = settings;
    const bool stored =
        !settings_.useRegistry || saveStationSettings(serial_.portNumber(), station_);
    controlPort_.applySettings();
    journal_.useFolder(station_.journalFolder);
    return stored;
}

} // namespace trx

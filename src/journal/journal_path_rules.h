// Where the journal's lines go: one file per port key and UTC day.
#ifndef TRXDESK_JOURNAL_PATH_RULES_H
#define TRXDESK_JOURNAL_PATH_RULES_H

#include "app/station_settings.h"

#include <cstddef>
#include <cstdint>

namespace trx {

// Below %LOCALAPPDATA% unless the port's key names another folder (JOURNAL_FOLDER_VALUE).
constexpr char JOURNAL_DEFAULT_SUBFOLDER[] = "TRXDESK\\Journal";

// "<folder>\<key>\<YYYY-MM-DD>.csv" with the UTC date of `utcMs`; a trailing backslash of
// the folder is not doubled. False, with `out` empty, when it does not fit.
bool journalFilePath(const char* folder, const char* key, int64_t utcMs, char* out, size_t size);

// "<folder>\TRXDESK-<key>-<YYYY-MM-DD>-<hhmmss>.csv" with the UTC time of `utcMs`, the copy of
// a day's file that "Kopie öffnen" makes; "-<attempt>" before ".csv" from the second attempt
// on. False, with `out` empty, when it does not fit.
bool journalCopyPath(const char* folder, const char* key, int64_t utcMs, int attempt, char* out,
                     size_t size);

// The folder of a file path: everything before its last backslash.
bool journalFolderOf(const char* filePath, char* out, size_t size);

} // namespace trx

#endif

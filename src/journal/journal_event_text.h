// The journal's Text column in the panel's words: what a register's value means, as the
// panel shows it.
#ifndef TRXDESK_JOURNAL_EVENT_TEXT_H
#define TRXDESK_JOURNAL_EVENT_TEXT_H

#include "protocol/register_mirror.h"
#include "protocol/settings.h"

#include <cstddef>

namespace trx {

// The Meldung text of `value` in register `address`, read against `mirror` (which the
// frequency needs: the display as it reads with this digit in place), for instance
// "Frequenz 03,60000", "Betriebszustand: bis 1000W", "Statuslampen: grün (Blitz)".
// `antennaNames` (may be null) adds the operator's name to an antenna.
void reportText(int address, int value, const RegisterMirror& mirror,
                const char (*antennaNames)[ANTENNA_NAME_SIZE], char* out, size_t size);

// The Befehl text of a write: the Meldung text of the value with " angefordert"; the
// refresh request has its own.
void commandText(int address, int value, const RegisterMirror& mirror,
                 const char (*antennaNames)[ANTENNA_NAME_SIZE], char* out, size_t size);

} // namespace trx

#endif

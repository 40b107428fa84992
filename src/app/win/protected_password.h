// The control port's passwords in a port's key, protected for the Windows user with DPAPI:
// another user, or another PC, cannot read them from the key.
#ifndef TRXDESK_PROTECTED_PASSWORD_H
#define TRXDESK_PROTECTED_PASSWORD_H

#include <windows.h>

#include <cstddef>

namespace trx {

enum class StoredPassword {
    Missing,    // no value: no password
    Read,       // a plain REG_SZ (as before protection) or a protected REG_BINARY
    Unreadable, // protected for another user, damaged, too long or of another type
};

// Value `name` of `key` into `field` (empty unless Read). The stored value is read only up
// to a bound, whatever its size.
StoredPassword readStoredPassword(HKEY key, const char* name, char* field, size_t fieldSize);

// `password` protected as REG_BINARY; an empty one removes the value. False when the
// protection or the write fails.
bool storePassword(HKEY key, const char* name, const char* password);

} // namespace trx

#endif

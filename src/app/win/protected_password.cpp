#include "app/win/protected_password.h"

#include "app/settings_codec.h"

#include <wincrypt.h>

#include <cstring>

namespace trx {

namespace {

// Bound to this program: another program of the same user needs it to unprotect the values.
constexpr char ENTROPY[] = "TRXDESK Steuerport 2026";
// A protected password of 63 characters takes some 250 bytes; far larger values are damaged.
constexpr DWORD STORED_LIMIT = 2048;

DATA_BLOB blobOf(const void* data, size_t size) {
    DATA_BLOB blob;
    blob.cbData = static_cast<DWORD>(size);
    blob.pbData = static_cast<BYTE*>(const_cast<void*>(data));
    return blob;
}

// The system's output is wiped and freed on every path.
class SystemBlob {
  public:
    SystemBlob() = default;
    ~SystemBlob() {
        if (blob.pbData != nullptr) {
            SecureZeroMemory(blob.pbData, blob.cbData);
            LocalFree(blob.pbData);
        }
    }
    SystemBlob(const SystemBlob&) = delete;
    SystemBlob& operator=(const SystemBlob&) = delete;
    DATA_BLOB blob{};
};

bool unprotect(const BYTE* data, DWORD size, char* field, size_t fieldSize) {
    DATA_BLOB in = blobOf(data, size);
    DATA_BLOB entropy = blobOf(ENTROPY, sizeof ENTROPY - 1);
    SystemBlob out;
    if (!CryptUnprotectData(&in, nullptr, &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                            &out.blob)) {
        return false;
    }
    const char* text = reinterpret_cast<const char*>(out.blob.pbData);
    const size_t length = strnlen(text, out.blob.cbData);
    if (length >= fieldSize || length != out.blob.cbData) {
        return false; // longer than a password, or with a zero inside: not ours
    }
    memcpy(field, text, length);
    field[length] = '\0';
    return true;
}

} // namespace

StoredPassword readStoredPassword(HKEY key, const char* name, char* field, size_t fieldSize) {
    field[0] = '\0';
    DWORD type = 0;
    DWORD size = 0;
    const LSTATUS status = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) {
        return StoredPassword::Missing;
    }
    if (status != ERROR_SUCCESS || size > STORED_LIMIT) {
        return StoredPassword::Unreadable;
    }
    BYTE data[STORED_LIMIT];
    DWORD read = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, &type, data, &read) != ERROR_SUCCESS) {
        return StoredPassword::Unreadable;
    }
    bool ok = false;
    if (type == REG_SZ && read <= fieldSize) {
        copyTextField(reinterpret_cast<const char*>(data), read, field, fieldSize);
        ok = true;
    } else if (type == REG_BINARY) {
        ok = unprotect(data, read, field, fieldSize);
    }
    SecureZeroMemory(data, sizeof data);
    if (!ok) {
        field[0] = '\0';
        return StoredPassword::Unreadable;
    }
    return field[0] == '\0' ? StoredPassword::Missing : StoredPassword::Read;
}

bool storePassword(HKEY key, const char* name, const char* password) {
    const size_t length = strlen(password);
    if (length == 0) {
        const LSTATUS status = RegDeleteValueA(key, name);
        return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
    }
    DATA_BLOB in = blobOf(password, length);
    DATA_BLOB entropy = blobOf(ENTROPY, sizeof ENTROPY - 1);
    SystemBlob out;
    return CryptProtectData(&in, L"TRXDESK", &entropy, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                            &out.blob) &&
           RegSetValueExA(key, name, 0, REG_BINARY, out.blob.pbData, out.blob.cbData) ==
               ERROR_SUCCESS;
}

} // namespace trx

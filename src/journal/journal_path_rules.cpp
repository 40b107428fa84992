#include "journal_path_rules.h"

#include "journal_csv_text.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace trx {

namespace {

constexpr char SEPARATOR = '\\';
constexpr size_t DEVICE_NAME_LENGTH = 4; // "Com" and one digit

bool fitted(int n, char* out, size_t size) {
    if (n < 0 || static_cast<size_t>(n) >= size) {
        if (size > 0) {
            out[0] = '\0';
        }
        return false;
    }
    return true;
}

} // namespace

bool journalFilePath(const char* folder, const char* key, int64_t utcMs, char* out, size_t size) {
    const size_t length = strlen(folder);
    const bool ends = length > 0 && folder[length - 1] == SEPARATOR;
    const CivilTime day = civilFromUtc(utcMs);
    const int n = snprintf(out, size, "%s%s%s\\%04d-%02d-%02d.csv", folder, ends ? "" : "\\", key,
                           day.year, day.month, day.day);
    return fitted(n, out, size);
}

bool journalCopyPath(const char* folder, const char* key, int64_t utcMs, int attempt, char* out,
                     size_t size) {
    const size_t length = strlen(folder);
    const bool ends = length > 0 && folder[length - 1] == SEPARATOR;
    const CivilTime t = civilFromUtc(utcMs);
    char suffix[16] = "";
    if (attempt > 1) {
        snprintf(suffix, sizeof suffix, "-%d", attempt);
    }
    const int n =
        snprintf(out, size, "%s%sTRXDESK-%s-%04d-%02d-%02d-%02d%02d%02d%s.csv", folder,
                 ends ? "" : "\\", key, t.year, t.month, t.day, t.hour, t.minute, t.second, suffix);
    return fitted(n, out, size);
}

void journalKeyName(const char* settingsKeyPath, char* out, size_t size) {
    const char* last = strrchr(settingsKeyPath, SEPARATOR);
    const char* name = last != nullptr ? last + 1 : settingsKeyPath;
    const bool deviceName =
        strlen(name) == DEVICE_NAME_LENGTH && tolower(static_cast<unsigned char>(name[0])) == 'c' &&
        tolower(static_cast<unsigned char>(name[1])) == 'o' &&
        tolower(static_cast<unsigned char>(name[2])) == 'm' && name[3] >= '1' && name[3] <= '9';
    if (deviceName) {
        fitted(snprintf(out, size, "%.3s0%c", name, name[3]), out, size);
    } else {
        fitted(snprintf(out, size, "%s", name), out, size);
    }
}

bool journalFolderOf(const char* filePath, char* out, size_t size) {
    const char* last = strrchr(filePath, SEPARATOR);
    const int length = last != nullptr ? static_cast<int>(last - filePath) : 0;
    return fitted(snprintf(out, size, "%.*s", length, filePath), out, size);
}

} // namespace trx

#include "journal/journal_path_rules.h"

#include "journal/journal_csv_text.h"

#include <cstdio>
#include <cstring>

namespace trx {

namespace {

constexpr char SEPARATOR = '\\';

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

bool journalFolderOf(const char* filePath, char* out, size_t size) {
    const char* last = strrchr(filePath, SEPARATOR);
    const int length = last != nullptr ? static_cast<int>(last - filePath) : 0;
    return fitted(snprintf(out, size, "%.*s", length, filePath), out, size);
}

} // namespace trx

#include "journal/win/journal_files.h"

#include "app/settings_codec.h"
#include "journal/journal_csv_text.h"
#include "journal/journal_path_rules.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>

namespace trx {

namespace {

// Others may read and write; a program that wants the file for writing of its own (Excel,
// holding a workbook) gets it read-only. Not shared for deleting: today's file vanishing or
// moving while lines go into it would lose them unseen.
constexpr DWORD SHARING = FILE_SHARE_READ | FILE_SHARE_WRITE;
// Append only: every write lands at the file's end, whatever others appended meanwhile.
// (A handle that may also write data writes at its own position; telling each write to go
// to the end costs some 40 us under Wine against 2.)
constexpr DWORD APPEND_ACCESS = FILE_APPEND_DATA | FILE_READ_ATTRIBUTES;
constexpr DWORD READ_LIMIT = 64u << 20; // a day's file is far below; a broken one is not read
constexpr size_t KEY_PATH_SIZE = 96;

// Closes the handle on every path (for the reads).
class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
};

HANDLE openForAppend(const char* path) {
    return CreateFileA(path, APPEND_ACCESS, SHARING, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

// Every folder on the way to `path`'s own; those that exist or cannot be made are left to
// the open that follows.
void makeFolders(const char* path) {
    char folder[MAX_PATH];
    if (!journalFolderOf(path, folder, sizeof folder)) {
        return;
    }
    for (char* p = folder; *p != '\0'; ++p) {
        if (*p == '\\' && p > folder && p[-1] != '\\' && p[-1] != ':') {
            *p = '\0';
            CreateDirectoryA(folder, nullptr);
            *p = '\\';
        }
    }
    CreateDirectoryA(folder, nullptr);
}

bool registryFolder(int portNumber, char* out, size_t size) {
    char keyPath[KEY_PATH_SIZE];
    if (!settingsKeyPath(portNumber, keyPath, sizeof keyPath)) {
        return false;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return false;
    }
    char value[MAX_PATH];
    DWORD type = 0;
    DWORD length = sizeof value;
    const LSTATUS status = RegQueryValueExA(key, JOURNAL_FOLDER_VALUE, nullptr, &type,
                                            reinterpret_cast<BYTE*>(value), &length);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ || length <= 1) {
        return false;
    }
    copyTextField(value, length, out, size);
    return out[0] != '\0';
}

} // namespace

bool Win32JournalFile::open(const char* path) {
    close();
    HANDLE handle = openForAppend(path);
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_PATH_NOT_FOUND) {
        makeFolders(path);
        handle = openForAppend(path);
    }
    if (handle == INVALID_HANDLE_VALUE) {
        return fail();
    }
    file_ = handle;
    path_ = path;
    return true;
}

void Win32JournalFile::close() {
    if (file_ != INVALID_HANDLE_VALUE) {
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
    }
}

bool Win32JournalFile::size(int64_t& bytes) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file_, &size)) {
        return fail();
    }
    bytes = size.QuadPart;
    return true;
}

bool Win32JournalFile::write(const char* data, size_t size, size_t& written) {
    DWORD count = 0;
    const BOOL ok = WriteFile(file_, data, static_cast<DWORD>(size), &count, nullptr);
    written = count;
    return ok || fail();
}

// Through a handle of its own that may write data: the appending handle cannot cut.
bool Win32JournalFile::truncate(int64_t bytes) {
    FileHandle cutter(CreateFileA(path_.c_str(), FILE_WRITE_DATA, SHARING, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = bytes;
    return (cutter.valid() &&
            SetFileInformationByHandle(cutter.get(), FileEndOfFileInfo, &end, sizeof end)) ||
           fail();
}

// Keeps the system's text for the last error; always false.
bool Win32JournalFile::fail() {
    const DWORD error = GetLastError();
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reason_, sizeof reason_, nullptr);
    if (length == 0) {
        snprintf(reason_, sizeof reason_, "Fehler %lu", static_cast<unsigned long>(error));
        return false;
    }
    // The system's text ends with a line break that one line of text does not need.
    for (DWORD end = length; end > 0 && (reason_[end - 1] == '\r' || reason_[end - 1] == '\n' ||
                                         reason_[end - 1] == ' ');
         --end) {
        reason_[end - 1] = '\0';
    }
    return false;
}

bool journalFolder(int portNumber, bool useRegistry, char* out, size_t size) {
    if (useRegistry && registryFolder(portNumber, out, size)) {
        return true;
    }
    char base[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", base, sizeof base);
    if ((length == 0 || length >= sizeof base) &&
        SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, base) != S_OK) {
        if (size > 0) {
            out[0] = '\0';
        }
        return false;
    }
    const int n = snprintf(out, size, "%s\\%s", base, JOURNAL_DEFAULT_SUBFOLDER);
    return n > 0 && static_cast<size_t>(n) < size;
}

std::string readSharedFile(const char* path, int64_t limit) {
    FileHandle file(CreateFileA(path, GENERIC_READ, SHARING, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file.valid() || !GetFileSizeEx(file.get(), &size) || size.QuadPart > READ_LIMIT) {
        return {};
    }
    if (limit >= 0 && limit < size.QuadPart) {
        size.QuadPart = limit;
    }
    std::string content(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &read, nullptr)) {
        return {};
    }
    content.resize(read);
    return content;
}

bool writeNewFile(const char* path, const std::string& content) {
    FileHandle file(
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file.valid() &&
           WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written,
                     nullptr) &&
           written == content.size();
}

} // namespace trx

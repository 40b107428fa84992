#include "schedule/win/plan_file_watch.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

namespace trx {

namespace {

// How long stop() waits for a thread held up by the file system before leaving it.
constexpr DWORD STOP_WAIT_MS = 1000;
// A file being saved changes several times; it is read once it has been quiet this long, so
// that a half-written plan is never taken for a bad one.
constexpr DWORD SETTLE_MS = 300;
// A folder whose other files never rest does not hold the plan off longer than this.
constexpr DWORD SETTLE_MAX_MS = 3000;

std::atomic<uint32_t> lastGeneration{0};

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

HANDLE watchFolder(const std::string& folder) {
    if (folder.empty()) {
        return INVALID_HANDLE_VALUE;
    }
    return FindFirstChangeNotificationA(folder.c_str(), FALSE,
                                        FILE_NOTIFY_CHANGE_LAST_WRITE |
                                            FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE);
}

bool missing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH || error == ERROR_BAD_NET_NAME;
}

// Stamps the file, and reads it when its stamp differs from `last` or `always`: as a
// spreadsheet holding it open still lets it be read, and at most what the plan's reader takes
// and one byte more, so that a longer file is named as such. False: nothing new to tell.
bool readPlan(const std::string& path, PlanFileStamp& last, bool always, PlanFileRead& read,
              std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        read.stamp.exists = !missing(GetLastError()); // there, but not to be opened
    } else {
        read.stamp.exists = true;
        FILETIME written{};
        LARGE_INTEGER size{};
        GetFileTime(file, nullptr, nullptr, &written);
        GetFileSizeEx(file, &size);
        read.stamp.size = static_cast<uint64_t>(size.QuadPart);
        read.stamp.writeTime =
            static_cast<int64_t>((uint64_t{written.dwHighDateTime} << 32) | written.dwLowDateTime);
        if (always || !(read.stamp == last)) {
            bytes.assign(PLAN_FILE_MAX_BYTES + 1, '\0');
            DWORD got = 0;
            read.readable =
                ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) != 0;
            bytes.resize(read.readable ? got : 0);
        }
        CloseHandle(file);
    }
    const bool tell = always || !(read.stamp == last);
    last = read.stamp;
    return tell;
}

} // namespace

struct PlanFileWatch::Shared {
    HWND panel = nullptr;
    UINT message = 0;
    std::string path;
    bool makeFolder = false;
    uint32_t generation = 0;
    HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE request = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    std::atomic<int> asks{0};
    std::atomic<bool> byOperator{false};
    std::atomic<bool> abandoned{false};
    std::mutex namesLock;
    AntennaNames names{}; // under namesLock

    void setNames(const AntennaNames& given) {
        const std::lock_guard<std::mutex> hold(namesLock);
        memcpy(names, given, sizeof names);
    }
    void copyNames(AntennaNames& out) {
        const std::lock_guard<std::mutex> hold(namesLock);
        memcpy(out, names, sizeof out);
    }

    Shared() = default;
    Shared(const Shared&) = delete;
    Shared& operator=(const Shared&) = delete;
    ~Shared() {
        if (stop) {
            CloseHandle(stop);
        }
        if (request) {
            CloseHandle(request);
        }
    }
};

namespace {

// A read and the start it belongs to, as the message carries it.
struct PostedRead {
    uint32_t generation = 0;
    int asks = 0; // the panel's asks it answers
    PlanFileRead read;
};

DWORD WINAPI watchThread(void* parameter) {
    auto* handed = static_cast<std::shared_ptr<PlanFileWatch::Shared>*>(parameter);
    const std::shared_ptr<PlanFileWatch::Shared> s = std::move(*handed);
    delete handed;
    const std::string folder = folderOf(s->path);
    if (s->makeFolder && !folder.empty()) {
        CreateDirectoryA(folderOf(folder).c_str(), nullptr);
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    HANDLE change = watchFolder(folder);
    PlanFileStamp last;
    for (bool first = true;; first = false) {
        const int asks = s->asks.exchange(0);
        if (asks > 0 && change == INVALID_HANDLE_VALUE) {
            change = watchFolder(folder); // made since
        }
        auto posted = std::make_unique<PostedRead>();
        posted->generation = s->generation;
        posted->asks = asks;
        posted->read.byOperator = s->byOperator.exchange(false);
        std::string bytes;
        if (readPlan(s->path, last, first || asks > 0, posted->read, bytes)) {
            if (posted->read.readable) {
                AntennaNames names;
                s->copyNames(names);
                posted->read.reading = readPlanFile(bytes, names);
            }
            if (s->abandoned) {
                break;
            }
            if (PostMessageA(s->panel, s->message, 0, reinterpret_cast<LPARAM>(posted.get()))) {
                posted.release();
            }
        }
        const HANDLE handles[3] = {s->stop, s->request, change};
        const DWORD count = change != INVALID_HANDLE_VALUE ? 3 : 2;
        DWORD woke = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
        const DWORD changed = GetTickCount();
        while (woke == WAIT_OBJECT_0 + 2 && GetTickCount() - changed < SETTLE_MAX_MS) {
            if (!FindNextChangeNotification(change)) {
                FindCloseChangeNotification(change);
                change = INVALID_HANDLE_VALUE;
                break;
            }
            const HANDLE settling[2] = {s->stop, change};
            woke = WaitForMultipleObjects(2, settling, FALSE, SETTLE_MS);
            if (woke == WAIT_OBJECT_0 + 1) {
                woke = WAIT_OBJECT_0 + 2; // changed again: wait for quiet anew
            }
        }
        if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) {
            break; // stopped, or the wait failed
        }
    }
    if (change != INVALID_HANDLE_VALUE) {
        FindCloseChangeNotification(change);
    }
    return 0;
}

} // namespace

void PlanFileWatch::start(HWND panel, UINT message, const std::string& path, bool makeFolder,
                          const AntennaNames& names) {
    stop();
    shared_ = std::make_shared<Shared>();
    shared_->panel = panel;
    shared_->message = message;
    shared_->path = path;
    shared_->makeFolder = makeFolder;
    shared_->setNames(names);
    shared_->generation = ++lastGeneration;
    shared_->asks = 1; // the first read
    if (!shared_->stop || !shared_->request) {
        shared_.reset();
        return;
    }
    outstanding_ = 1;
    auto* handed = new std::shared_ptr<Shared>(shared_);
    thread_ = CreateThread(nullptr, 0, watchThread, handed, 0, nullptr);
    if (!thread_) {
        delete handed;
        shared_.reset();
    }
}

void PlanFileWatch::readNow(bool byOperator, const AntennaNames& names) {
    if (!shared_) {
        return;
    }
    shared_->setNames(names);
    if (byOperator) {
        shared_->byOperator = true;
    }
    ++shared_->asks;
    ++outstanding_;
    SetEvent(shared_->request);
}

bool PlanFileWatch::reading() const {
    return outstanding_ > 0;
}

void PlanFileWatch::stop() {
    if (!shared_) {
        return;
    }
    shared_->abandoned = true;
    SetEvent(shared_->stop);
    if (thread_) {
        CancelSynchronousIo(thread_);
        WaitForSingleObject(thread_, STOP_WAIT_MS);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    // Reads already posted are dropped here rather than left to the queue.
    MSG message;
    while (PeekMessageA(&message, shared_->panel, shared_->message, shared_->message, PM_REMOVE)) {
        delete reinterpret_cast<PostedRead*>(message.lParam);
    }
    shared_.reset();
    outstanding_ = 0;
}

std::unique_ptr<PlanFileRead> PlanFileWatch::take(LPARAM lParam) {
    std::unique_ptr<PostedRead> posted(reinterpret_cast<PostedRead*>(lParam));
    if (!posted || !shared_ || posted->generation != shared_->generation) {
        return nullptr;
    }
    outstanding_ = std::max(outstanding_ - posted->asks, 0);
    return std::make_unique<PlanFileRead>(std::move(posted->read));
}

} // namespace trx

// The plan file's own thread: every touch of the file system (the default folder made, the
// folder watched, the file stamped and read) and the check of what was read happen there, so
// that a network share that hangs, or a plan that takes long to check, holds up that thread
// and never the panel. Each read reaches the panel as a message whose lParam the panel hands
// to take().
#ifndef TRXDESK_PLAN_FILE_WATCH_H
#define TRXDESK_PLAN_FILE_WATCH_H

#include "protocol/settings.h"
#include "schedule/schedule_file_text.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

namespace trx {

using AntennaNames = char[ANTENNA_COUNT][ANTENNA_NAME_SIZE];

struct PlanFileRead {
    bool byOperator = false; // asked for by readNow(true)
    PlanFileStamp stamp;     // exists false: no such file
    bool readable = false;   // opened and read
    PlanReading reading;     // the file checked, when readable
};

class PlanFileWatch {
  public:
    PlanFileWatch() = default;
    ~PlanFileWatch() { stop(); }
    PlanFileWatch(const PlanFileWatch&) = delete;
    PlanFileWatch& operator=(const PlanFileWatch&) = delete;

    // Watches `path` for `panel`, which gets `message` for every read: the first at once,
    // then each time the file's stamp changes, and when asked. `makeFolder`: the file's
    // folder and the one above it are made first. A plan may name antennas by `names`.
    void start(HWND panel, UINT message, const std::string& path, bool makeFolder,
               const AntennaNames& names);
    // Reads again now (the operator asked, or the window opened), with the antennas' names
    // as they are now; also watches the folder if it has been made since.
    void readNow(bool byOperator, const AntennaNames& names);
    // Ends the thread. One held up by the file system is left to end by itself; what it reads
    // then is dropped.
    void stop();
    // The read a message carries; nullptr for one of a thread stopped since.
    std::unique_ptr<PlanFileRead> take(LPARAM lParam);
    // A read was asked for and has not arrived yet.
    bool reading() const;

    struct Shared; // between the panel and the thread

  private:
    std::shared_ptr<Shared> shared_;
    HANDLE thread_ = nullptr;
    int outstanding_ = 0; // reads asked for and not yet taken
};

} // namespace trx

#endif

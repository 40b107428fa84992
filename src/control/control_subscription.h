// What subscribers hear: an EVENT line for each value that shows something new, kept apart
// from who is subscribed. Pure text handling.
#ifndef TRXDESK_CONTROL_SUBSCRIPTION_RULES_H
#define TRXDESK_CONTROL_SUBSCRIPTION_RULES_H

#include "control/control_values.h"

#include <array>
#include <string>

namespace trx {

class ControlSubscription {
  public:
    ControlSubscription() { forget(); }

    // The link's own line, told every time.
    static void appendLink(std::string& out, bool up);
    // A line for each key of `first`..`last` whose text differs from the one it last showed.
    void appendChanges(std::string& out, const ControlValues& values, ControlKey first,
                       ControlKey last);
    // With the link gone every key shows unknown again.
    void forget();

    // The keys a report of `address` can change, as a range; false for none.
    static bool keysOfRegister(int address, ControlKey& first, ControlKey& last);

  private:
    std::array<std::string, CONTROL_KEY_COUNT> shown_;
};

} // namespace trx

#endif

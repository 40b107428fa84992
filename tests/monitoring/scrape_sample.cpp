// Prints the scrape's body as the panel answers it with every family present: the link up,
// every register reported, a client connected, a season schedule with a change ahead. The
// monitoring check reads the metric names the dashboard and the alert rules may use from it.
#include "control/control_metrics_text.h"
#include "control/control_values_feed.h"

#include <cstdio>

int main() {
    using namespace trx;
    ControlValues values;
    test::ValuesFeed feed{values};
    feed.linkUp();
    // Every register with a value in its range, as trxsim reports them at start.
    const int registers[REGISTER_COUNT] = {2, 0, 3, 6, 0, 0, 0, 0, 1, 7, 2, 1, 0, 0, 0, 1};
    for (int address = 0; address < REGISTER_COUNT; ++address) {
        feed.reported(address, registers[address], 0);
    }
    const ControlCounters counters;
    ControlIdentity identity;
    identity.title = "Sender 1";
    identity.port = "COM5";
    identity.version = "1.4.0";
    ScheduleReport schedule;
    schedule.mode = ScheduleReport::On;
    schedule.hasNext = true;
    schedule.nextChange = 1796180400;
    std::string text;
    appendMetricsText(text, {values, counters, 5, 1, 500, &identity, &schedule});
    fwrite(text.data(), 1, text.size(), stdout);
    return 0;
}

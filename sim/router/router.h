// SPDX-License-Identifier: ISC
// The simulated router: configuration store, radio, the link model over the
// air, and the virtual clock. The simulated platform (sim/router/sim_platform.cpp)
// hands it the daemon's calls; it executes the command lines as the wireless
// tools would (sim/router/tools.cpp), answers the survey and the connect-status
// request, and advances the clock on every pause, applying the scenario's
// events as their second comes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/router/console.h"
#include "sim/router/remembered.h"
#include "sim/scenario/air.h"
#include "sim/scenario/scenario.h"
#include "sim/tracks/record.h"

namespace rwsim {

// The settings the driver holds for ra0 and apcli0.
struct RadioModel {
    bool ra0_up = true;
    int channel = 1;
    int extcha = 1;
    std::string htbw;
    std::string ssid;
    std::string key_id;
    std::string key1;
    std::string wpapsk;
    std::string cli_auth;  // apcli0's authentication mode in force
    std::string cli_enc;   // apcli0's cipher in force
};

// What the daemon asked of the router, by kind.
struct CommandCounts {
    long ifconfig = 0;
    long iwpriv_set = 0;
    long survey_reads = 0;
    long channel_queries = 0;
    long other = 0;            // understood by no tool here
    long refused = 0;          // of all the above, refused by the tool or the shell
    long status_requests = 0;  // connect-status requests (not commands)

    long issued() const { return ifconfig + iwpriv_set + survey_reads + channel_queries + other; }
};

// xorshift64*, seeded through splitmix64: the same numbers on every machine.
class Random {
public:
    explicit Random(std::uint64_t seed);
    std::uint64_t next();
    // A whole number from `lo` to `hi`, both included.
    long between(long lo, long hi);

private:
    std::uint64_t state_;
};

// What a run taps of the router; each is optional.
struct RouterTaps {
    // Every command line, with its virtual time.
    std::vector<std::pair<long, std::string>>* command_log = nullptr;
    // Every command line ("$ LINE") and every refusal ("== ..."); the
    // console appends the daemon's lines to the same list.
    std::vector<std::string>* transcript = nullptr;
    // What "iwpriv ra0 get_site_survey" prints instead of the air: a
    // captured table.
    const std::string* survey_text = nullptr;
};

class Router {
public:
    Router(const Scenario& scenario, long end, Console& console, Recorder& recorder, const RouterTaps& taps = {});

    // The virtual clock, in seconds from the start.
    long now() const { return now_; }
    const long* clock() const { return &now_; }

    // Applies the events of second 0.
    void start();

    // --- what the platform hands over ---------------------------------------
    // A store value; a key the store does not hold reads as "".
    std::string store_value(const char* key) const;
    void run(const char* command);
    void read(const char* command, std::string& output);
    // The connect status of `ifname`; false when the driver refuses the name.
    bool connect_status(const char* ifname, int& status) const;
    void sleep(unsigned seconds);
    void count_status_request() { ++counts_.status_requests; }

    // --- what tests and the summary read -----------------------------------
    const RadioModel& radio() const { return radio_; }
    bool link_up() const { return linked_ >= 0; }
    int linked_ap() const { return linked_; }
    // The access point the uplink last joined; -1 when it never connected.
    int last_joined() const { return last_joined_; }

    // The daemon's remembered BSSID, looked at as the clock runs and
    // compared with the access point the uplink joined; null: no longer.
    void watch_remembered(const char* bssid) { remembered_.daemon = bssid; }
    const std::vector<AccessPoint>& air() const { return air_.aps; }
    const CommandCounts& counts() const { return counts_; }
    // The store as it stands, sorted by key.
    const std::vector<std::pair<std::string, std::string>>& store() const { return store_; }
    // Puts back the counts of before a look that is not the daemon's (the
    // field report's collector).
    void restore_counts(const CommandCounts& counts) { counts_ = counts; }

private:
    struct Pending {
        Event event;
        bool valid = false;
    };

    // The shell and the tools (sim/router/tools.cpp).
    std::string logged(const char* command);  // the command line, as the taps keep it
    std::string execute(const std::string& line, bool with_output);
    std::string tool(const std::vector<std::string>& argv, const std::string& line, const std::string& input, bool& ok);
    // One tool each: its output, or `why` set when it refuses the stage.
    std::string ifconfig(const std::vector<std::string>& argv, std::string& why);
    std::string iwpriv(const std::vector<std::string>& argv, std::string& why);
    std::string iwgetid(const std::vector<std::string>& argv, std::string& why);
    bool iwpriv_set(const std::string& ifname, const std::string& setting, std::string& why);
    void refuse(const std::string& line, const std::string& why);
    void retune(int channel);

    void apply_due_events();
    bool next_event(Event& e);
    Event make_random_event(long at, bool& made);
    void apply(const Event& e);
    void set_store(const std::string& key, const std::string& value);

    void refresh();
    bool configured_for(const AccessPoint& ap) const;
    bool acceptable(int i) const;
    std::string drop_reason(int i) const;
    void relink();
    void drop_link(const std::string& why);
    void check_remembered_bssid();

    const Scenario& sc_;
    long end_;
    Console& console_;
    Recorder& recorder_;
    RouterTaps taps_;
    long now_ = 0;

    std::vector<std::pair<std::string, std::string>> store_;  // sorted by key
    Air air_;
    RadioModel radio_;
    CommandCounts counts_;

    // Derived from the store, the air and the client's security; refreshed
    // whenever one of them changes.
    std::vector<char> configured_;
    std::vector<char> accepted_;
    int upstream_channel_ = 0;

    int linked_ = -1;
    int last_joined_ = -1;
    RememberedWatch remembered_;
    int pending_ = -1;
    long connect_at_ = 0;
    long forced_until_ = 0;

    std::size_t next_static_ = 0;
    Random rng_;
    long next_random_at_ = -1;
    std::vector<long> pending_add_;  // per access point: when an outage ends, or -1
};

}  // namespace rwsim

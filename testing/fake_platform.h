// SPDX-License-Identifier: ISC
// The recording fake platform of the unit tests, the fuzz targets and the
// benchmarks. Tests script what the router answers (store, command output,
// status samples) and read back what the daemon did, in order. Free of
// GoogleTest; the tests' fixture is in tests/fake_test.h.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct FakePlatform {
    // --- scripted ----------------------------------------------------------
    std::map<std::string, std::string> store;  // a key not here reads as ""
    std::set<std::string> store_unreadable;    // keys whose read fails (nullptr)
    // Output of read commands, per exact command line, one entry per start;
    // std::nullopt: that start fails. Past the queue `default_outputs`
    // answers, else an empty output.
    std::map<std::string, std::deque<std::optional<std::string>>> outputs;
    std::map<std::string, std::string> default_outputs;
    // Status words the driver writes, one per request, then `default_status`.
    std::deque<int> statuses;
    int default_status = 0;
    bool socket_fails = false, ioctl_fails = false;
    int socket_fd = 7;               // the descriptor socket_open() hands out
    long allocs_until_failure = -1;  // allocations that still succeed; -1: all
    // relaywatch-report's platform: files by path (a path not here cannot be
    // opened), the running processes' ids, exit statuses by command (else
    // 0), the clock's and the kernel's texts, the stand-in store's file
    // (empty: a store library).
    std::map<std::string, std::string> files;
    std::vector<int> pids;
    std::map<std::string, int> exit_statuses;
    std::string clock = "2026-12-07 04:00:00 +0000 UTC", kernel = "Linux 5.4.0 #1 mips";
    std::string store_file;
    // Off: nothing is recorded in `events` and `out` (benchmarks); the
    // counters below still count.
    bool recording = true;

    // --- recorded ----------------------------------------------------------
    // Everything in order: "run CMD", "read CMD", "sleep N", "store KEY",
    // "socket", "ioctl", "close" ("ioctl bad fd", "close bad fd" for a
    // descriptor the fake did not hand out).
    std::vector<std::string> events;
    std::string out;  // everything written to standard output
    // What relaywatch-report wrote, by path ("-": standard output).
    std::map<std::string, std::string> written;
    // Files open now: what each descriptor reads (and where), or the path it writes.
    std::map<int, std::pair<std::string, std::size_t>> reading;
    std::map<int, std::string> writing;
    int next_file = 100;
    // The last driver request, decoded: "IFNAME REQUEST LENGTH FLAGS", the
    // numbers in hex, and " buffer" when it points to one.
    std::string ioctl;
    // Held now (opened, not yet closed); allocations and writes made so far.
    int outputs_open = 0, store_texts_live = 0;
    long allocations = 0, live_allocations = 0, writes = 0;
    unsigned seconds_slept = 0;

    void reset();
    std::vector<std::string> runs() const;  // the commands run (not read), in order
    // The events with a given prefix ("run ", "sleep ", ...), prefix removed.
    std::vector<std::string> events_of(const std::string& prefix) const;
    void push_survey(const std::string& table);  // the next survey output
};

extern FakePlatform fake;

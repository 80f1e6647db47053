// SPDX-License-Identifier: ISC
// Logs written for the replay's tests: read from text, and the lines they
// are made of.
#pragma once

#include <cstdio>
#include <string>

#include "sim/replay/replay.h"

namespace rwsim {

inline Replay replay_text(const std::string& text) {
    std::FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
    Replay r = replay_log(in, "test.log");
    std::fclose(in);
    return r;
}

// A relaywatch line `s` seconds into the log, of process `pid`.
inline std::string own_at(long s, int pid, const std::string& text) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "2026-12-07T%02ld:%02ld:%02ld gw relaywatch[%d]: ", 4 + s / 3600, s / 60 % 60,
                  s % 60, pid);
    return stamp + text + "\n";
}

// `n` window lines a second apart from `s`, their samples 1 (0 after `ones`).
inline std::string windows(long s, int n, int ones, int pid = 100) {
    std::string log;
    for (int i = 0; i < n; ++i)
        log += own_at(s + i, pid, "relaywatch: resetTimerArray[00]=" + std::to_string(i < ones ? 1 : 0) + "  [1]");
    return log;
}

// ra0 down and up again `n` times, 5 s each, and down at the end.
inline std::string toggles(int n) {
    std::string log;
    for (long i = 0; i < n; ++i)
        log += own_at(10 * i, 1, "relaywatch: AP disable") + own_at(10 * i + 5, 1, "relaywatch: AP enable");
    return log;
}

}  // namespace rwsim

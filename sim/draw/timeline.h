// SPDX-License-Identifier: ISC
// The timeline picture of a run or of a replayed log, as SVG: the uplink,
// ra0 up or down, ra0's channel against the upstream's, the recovery cycles
// and the events over time. Drawn from the recorded bins, so a 10-minute and
// a 30-day run make pictures of the same size.
#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "sim/tracks/record.h"

namespace rwsim {

// What the picture says beside the tracks: its title and figures line, and,
// for a picture drawn from a system log rather than a run, what the log
// cannot tell, said on the lane instead of drawing it (empty: the lane is
// drawn).
struct TimelineOptions {
    std::string title, figures;
    std::string uplink_unknown;  // the uplink lane
    long uplink_known_from = 0;  // the uplink lane before this second, when it is drawn
    const char* axis = "virtual time";
    std::string channel_unknown;   // the channel lane (ra0's channel)
    std::string upstream_unknown;  // the upstream's channel between surveys: not shaded as absent
    std::string recovery_unknown;  // the recovery lane
    // The recovery lane and ra0's channel before these seconds, when drawn.
    long recovery_known_from = 0, channel_known_from = 0;
    // Stretches [from, to) of the ra0 and uplink lanes the log does not
    // tell: grey, with the reason.
    struct Gap {
        long from = 0, to = 0;
        std::string why;
    };
    std::vector<Gap> ra0_gaps, uplink_gaps;
    // Moments marked by a line across the lanes, with a title.
    struct Mark {
        long t = 0;
        std::string what;
        const char* colour = "#555";
    };
    std::vector<Mark> marks;
    // Stretches [from, to] drawn as bands above the lanes (a replayed log's
    // runs), each with its title; neighbours alternate in shade.
    struct Band {
        long from = 0, to = 0;
        std::string what;
    };
    std::vector<Band> bands;
    // The log's clock, (t, the router's time at t) from second t on: stamps
    // in the router's time instead of virtual time when given.
    std::vector<std::pair<long, long long>> clock;
    bool clock_years = true;
};

// A moment of the picture as its titles and key write it: "[0d 00:01:05]",
// or "[Mon Dec  7 21:38:00 2026]" on a log's clock.
std::string timeline_stamp(long t, long end, const TimelineOptions& options);
// Draws the recorded tracks with the options' words.
void write_timeline_svg(std::ostream& out, const Recorder& tracks, const TimelineOptions& options);

}  // namespace rwsim

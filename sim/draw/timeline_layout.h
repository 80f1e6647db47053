// SPDX-License-Identifier: ISC
// The timeline picture's layout, shared by its lanes (sim/draw/timeline.cpp)
// and its key (sim/draw/timeline_key.cpp): sizes, lanes, colours, the glyphs of
// the markers.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "sim/tracks/record.h"

namespace rwsim {

inline constexpr double kWidth = 1200;
inline constexpr double kLeft = 150;  // lane labels
inline constexpr double kRight = 30;
inline constexpr double kPlotWidth = kWidth - kLeft - kRight;

// Lanes, top to bottom.
inline constexpr double kEventsTop = 64, kEventsHeight = 18;
inline constexpr double kUplinkTop = 96, kUplinkHeight = 26;
inline constexpr double kRa0Top = 136, kRa0Height = 26;
inline constexpr double kChannelTop = 182, kChannelHeight = 170;
inline constexpr double kRecoveryTop = 366, kRecoveryHeight = 24;
inline constexpr double kAxisTop = 396;

inline constexpr const char* kUpColour = "#2e9e44";
inline constexpr const char* kDownColour = "#d64541";
inline constexpr const char* kRa0UpColour = "#2f6fdb";
inline constexpr const char* kRa0DownColour = "#c3c9d2";
inline constexpr const char* kUpstreamColour = "#f39c12";
inline constexpr const char* kRa0ChannelColour = "#1b2a49";
inline constexpr const char* kRecoveryColour = "#8e44ad";
inline constexpr const char* kEventColour = "#555555";
inline constexpr const char* kSecurityColour = "#b7950b";

// How each kind of scenario event is drawn in the events lane: a glyph
// centred on x with its foot on the lane's base line (SVG path, relative).
struct EventStyle {
    const char* name;  // for the legend
    const char* colour;
    const char* glyph;  // path after "M x y"
};

inline constexpr EventStyle kEventStyles[kEventClasses] = {
    {"channel move", "#e67e22", " m-5 -10 h10 l-5 10 z"},               // down triangle
    {"hide / show SSID", "#16a085", " m0 -9 a4.5 4.5 0 1 0 0.01 0 z"},  // circle
    {"on / off the air", "#34495e", " m-4 -9 h8 v8 h-8 z"},             // square
    {"uplink forced down", "#c0392b", " m-4 -9 l8 8 m0 -8 l-8 8"},      // cross
    {"store change", "#2980b9", " m0 -10 l5 5 l-5 5 l-5 -5 z"},         // diamond
    {"security change", kSecurityColour, " m-5 0 l5 -10 l5 10 z"},      // up triangle
    {"signal change", "#95a5a6", " m-1.5 -10 h3 v10 h-3 z"},            // bar
};

// A re-programming of the client's security, on the recovery lane.
inline constexpr EventStyle kSecurityMark = {"client security re-programmed", kSecurityColour,
                                             " m0 -6 l6 6 l-6 6 l-6 -6 z"};

// relaywatch's remembered BSSID not the access point the uplink joined,
// between the uplink and ra0 lanes.
inline constexpr EventStyle kMismatchMark = {"remembered BSSID not the uplink's", "#c2185b", " m0 -6 l6 12 h-12 z"};
inline constexpr double kMismatchY = (kUplinkTop + kUplinkHeight + kRa0Top) / 2;

// Where virtual time `t` of a run of `end` seconds stands.
inline double x_at(long t, long end) {
    return kLeft + kPlotWidth * static_cast<double>(t) / static_cast<double>(end);
}

// Events are numbered and listed when all of them fit the list; a long run
// shows them as markers only.
inline bool events_listed(const Recorder& rec) {
    return rec.events <= static_cast<long>(rec.event_marks().size());
}

// "N one" or "N many".
std::string plural(long n, const char* one, const char* many);

// The attributes of a small label in `colour`.
std::string small_text(const char* colour);

// A marker: the glyph at (x, y) with its hover title.
void write_mark(std::ostream& out, double x, double y, const EventStyle& style, const std::vector<std::string>& lines);

// The time axis under the lanes, named `label`.
struct TimelineOptions;
void write_axis(std::ostream& out, long end, const char* label = "virtual time");
// The axis on a log's clock: each tick the router's time there, and the
// date under the first tick and wherever the day changed.
void write_clock_axis(std::ostream& out, long end, const TimelineOptions& options);

// The legend under the axis, and the list of the events when they fit it.
void write_legend(std::ostream& out, const Recorder& rec, const TimelineOptions& options);

}  // namespace rwsim

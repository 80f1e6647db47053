// SPDX-License-Identifier: ISC
#include "sim/draw/timeline_layout.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <limits>

#include "sim/common/text.h"
#include "sim/draw/svg.h"
#include "sim/draw/timeline.h"
#include "sim/syslog/log_read.h"

namespace rwsim {

namespace {

// The ticks' step: the first that gives at most ten ticks, among those a
// long holds (a 32-bit long ends at 68 years, and so does the span it can
// tell).
long tick_step(long end) {
    constexpr long long kDay = 86400, kYear = 365 * kDay;
    static constexpr long long kSteps[] = {
        1,         2,         5,          10,         15,         30,          60,          120,         300,
        600,       900,       1800,       3600,       7200,       10800,       21600,       43200,       kDay,
        2 * kDay,  5 * kDay,  7 * kDay,   14 * kDay,  30 * kDay,  60 * kDay,   90 * kDay,   180 * kDay,  kYear,
        2 * kYear, 5 * kYear, 10 * kYear, 20 * kYear, 50 * kYear, 100 * kYear, 200 * kYear, 500 * kYear, 1000 * kYear};
    long step = 1;
    for (long long s : kSteps) {
        if (s > std::numeric_limits<long>::max()) break;
        step = static_cast<long>(s);
        if (end / step <= 10) break;
    }
    return step;
}

// The router's time at second t of the picture.
long long wall_at(long t, const TimelineOptions& options) {
    auto at = std::upper_bound(options.clock.begin(), options.clock.end(), std::pair<long, long long>{t, LLONG_MAX});
    const auto& [from, wall] = at == options.clock.begin() ? options.clock.front() : *(at - 1);
    return wall + t - from;
}

// A tick label: years when the step is whole years, else the duration.
std::string tick_label(long t, long step) {
    constexpr long kYear = 365L * 86400;
    if (t == 0) return "0";
    if (step % kYear == 0) return std::to_string(t / kYear) + "y";
    return format_duration(t);
}

// A colour sample of the legend with its text; `x` moves past them.
void swatch(std::ostream& out, double& x, double y, const char* colour, const std::string& text, bool line = false,
            const char* opacity = "1") {
    const bool wide = colour == kUpstreamColour;
    out << (line ? svg_line(x, y - 4, x + 16, y - 4,
                            std::string("stroke=\"") + colour + "\" stroke-width=\"" + (wide ? "7" : "2") +
                                "\" stroke-opacity=\"" + (wide ? "0.55" : "1") + "\"")
                 : svg_rect(x, y - 10, 12, 12, std::string("fill=\"") + colour + "\" fill-opacity=\"" + opacity + "\""))
        << "\n";
    out << svg_text(x + 20, y, "font-size=\"11\"", svg_escape(text)) << "\n";
    x += 30 + 6.2 * static_cast<double>(text.size());
}

}  // namespace

std::string plural(long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string small_text(const char* colour) {
    return std::string("font-size=\"11\" fill=\"") + colour + "\"";
}

void write_mark(std::ostream& out, double x, double y, const EventStyle& style, const std::vector<std::string>& lines) {
    const bool stroke = style.glyph[std::strlen(style.glyph) - 1] != 'z';
    out << "<g class=\"mark\">" << svg_title(lines) << "<path d=\"M" << svg_number(x) << " " << svg_number(y)
        << style.glyph << "\" " << (stroke ? "fill=\"none\" stroke-width=\"2\" stroke=\"" : "fill=\"") << style.colour
        << "\"/></g>\n";
}

// Ticks at a round step that gives at most ten of them, labelled in the
// largest unit that divides the step: years of 365 days, days, hours,
// minutes, seconds.
void write_axis(std::ostream& out, long end, const char* label) {
    const long step = tick_step(end);
    out << svg_line(kLeft, kAxisTop, kLeft + kPlotWidth, kAxisTop, "stroke=\"#333\"") << "\n";
    for (long t = 0; t <= end; t += step) {
        double x = x_at(t, end);
        out << svg_line(x, kAxisTop, x, kAxisTop + 5, "stroke=\"#333\"") << "\n";
        out << svg_text(x, kAxisTop + 18, "text-anchor=\"middle\" font-size=\"11\"", svg_escape(tick_label(t, step)))
            << "\n";
    }
    out << svg_text(kLeft - 10, kAxisTop + 18, "text-anchor=\"end\" " + small_text("#555"), label) << "\n";
}

void write_clock_axis(std::ostream& out, long end, const TimelineOptions& options) {
    const long step = tick_step(end);
    out << svg_line(kLeft, kAxisTop, kLeft + kPlotWidth, kAxisTop, "stroke=\"#333\"") << "\n";
    std::string last_date;
    for (long t = 0; t <= end; t += step) {
        const double x = x_at(t, end);
        // "Mon Dec  7 21:38:00 2026", or "Dec  7 21:38:00": the time, and the date around it.
        const std::string stamp = router_time(wall_at(t, options), options.clock_years);
        const std::size_t colon = stamp.find(':');
        if (colon == std::string::npos || colon < 2) continue;
        const std::string time = stamp.substr(colon - 2, step % 60 == 0 ? 5 : 8);
        const std::string date = stamp.substr(0, colon - 3) + stamp.substr(std::min(stamp.size(), colon + 6));
        // The first tick's words start at it, clear of the axis's name.
        const std::string anchor = t == 0 ? "text-anchor=\"start\" " : "text-anchor=\"middle\" ";
        out << svg_line(x, kAxisTop, x, kAxisTop + 5, "stroke=\"#333\"") << "\n";
        out << svg_text(x, kAxisTop + 18, anchor + "font-size=\"11\"", svg_escape(time)) << "\n";
        if (date != last_date) out << svg_text(x, kAxisTop + 30, anchor + small_text("#555"), svg_escape(date)) << "\n";
        last_date = date;
    }
    out << svg_text(kLeft - 10, kAxisTop + 18, "text-anchor=\"end\" " + small_text("#555"), "router's time") << "\n";
}

std::string timeline_stamp(long t, long end, const TimelineOptions& options) {
    if (options.clock.empty()) return format_stamp(t, day_width_for(end));
    std::string stamp = "[";  // appended piecewise: GCC 12 at -O3 warns falsely on "..." + string
    stamp += router_time(wall_at(t, options), options.clock_years);
    stamp += ']';
    return stamp;
}

// The lines a replay marks across the lanes, beside the swatches.
void log_marks(std::ostream& out, double x, double y) {
    for (const auto& [colour, name] : {std::pair<const char*, const char*>{"#1f5fbf", "run start"},
                                       {"#555", "run end"},
                                       {"#e67e22", "clock step"},
                                       {"#c0392b", "crash loop"}}) {
        out << svg_line(x, y - 10, x, y + 2,
                        std::string("stroke=\"") + colour + "\" stroke-width=\"1.5\" stroke-dasharray=\"4 3\"")
            << "\n";
        out << svg_text(x + 5, y, "font-size=\"11\"", name) << "\n";
        x += 20 + 6.2 * static_cast<double>(std::strlen(name));
    }
}

// The event glyphs' row at `y`; a log's events are the daemon's errors
// only: the store's and the key's.
void event_glyphs(std::ostream& out, double y, bool from_log) {
    double x = kLeft;
    out << svg_text(x, y, small_text(kEventColour), "events:") << "\n";
    x += 50;
    for (const EventStyle& style : kEventStyles) {
        if (from_log && &style != &kEventStyles[static_cast<std::size_t>(EventClass::Store)] &&
            &style != &kEventStyles[static_cast<std::size_t>(EventClass::Security)])
            continue;
        write_mark(out, x + 5, y + 1, style, {style.name});
        out << svg_text(x + 14, y, "font-size=\"11\"", style.name) << "\n";
        x += 30 + 6.2 * static_cast<double>(std::strlen(style.name));
    }
}

void write_legend(std::ostream& out, const Recorder& rec, const TimelineOptions& options) {
    double y = kAxisTop + 44;
    double x = kLeft;
    swatch(out, x, y, kUpColour, "uplink connected");
    swatch(out, x, y, kDownColour, "uplink down");
    swatch(out, x, y, kRa0UpColour, "ra0 up");
    swatch(out, x, y, kRa0DownColour, "ra0 down");
    swatch(out, x, y, kUpstreamColour, "upstream's channel", true);
    swatch(out, x, y, kRa0ChannelColour, "ra0's channel", true);
    swatch(out, x, y, kRecoveryColour, "recovery cycle", true);
    // A log tells neither the upstream's presence nor which access point the
    // uplink joined; it has stretches it does not tell, and marked moments.
    const bool from_log = !options.clock.empty();
    if (from_log) {
        swatch(out, x, y, "#eeeeee", "not in the log");
    } else {
        swatch(out, x, y, kDownColour, "upstream off the air", false, "0.25");
    }
    {
        y += 20;
        double xm = kLeft + 6;
        write_mark(out, xm, y + 1, kSecurityMark,
                   {"a re-programming of the client's security (ApCliAuthMode, ApCliEncrypType)"});
        out << svg_text(xm + 12, y, "font-size=\"11\"", "client security re-programmed") << "\n";
        xm += 230;
        if (from_log) {
            log_marks(out, xm, y);
        } else {
            write_mark(out, xm, y - 4, kMismatchMark,
                       {"relaywatch remembered a BSSID that is not the access point the uplink joined"});
            out << svg_text(xm + 12, y, "font-size=\"11\"", kMismatchMark.name) << "\n";
        }
    }
    y += 20;
    event_glyphs(out, y, from_log);
    const auto& marks = rec.event_marks();
    if (!events_listed(rec)) {
        y += 16;
        out << svg_text(
                   kLeft, y, small_text(kEventColour),
                   plural(rec.events, from_log ? "event" : "scenario event", from_log ? "events" : "scenario events") +
                       " in all: hover over a marker for its time, its text and what relaywatch said")
            << "\n";
        return;
    }
    for (std::size_t i = 0; i < marks.size(); ++i) {
        y += 16;
        out << svg_text(kLeft, y, small_text(kEventColour),
                        std::to_string(i + 1) + "  " + timeline_stamp(marks[i].at, rec.end(), options) + "  " +
                            svg_escape(marks[i].label))
            << "\n";
    }
}

}  // namespace rwsim

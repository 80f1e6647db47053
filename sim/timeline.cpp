#include "sim/timeline.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "sim/text.h"

namespace {

constexpr double kWidth = 1200;
constexpr double kLeft = 150;   // lane labels
constexpr double kRight = 30;
constexpr double kPlotWidth = kWidth - kLeft - kRight;

// Lanes, top to bottom.
constexpr double kEventsTop = 64, kEventsHeight = 18;
constexpr double kUplinkTop = 96, kUplinkHeight = 26;
constexpr double kRa0Top = 136, kRa0Height = 26;
constexpr double kChannelTop = 182, kChannelHeight = 170;
constexpr double kRecoveryTop = 366, kRecoveryHeight = 24;
constexpr double kAxisTop = 396;

constexpr const char* kUpColour = "#2e9e44";
constexpr const char* kDownColour = "#d64541";
constexpr const char* kRa0UpColour = "#2f6fdb";
constexpr const char* kRa0DownColour = "#c3c9d2";
constexpr const char* kUpstreamColour = "#f39c12";
constexpr const char* kRa0ChannelColour = "#1b2a49";
constexpr const char* kRecoveryColour = "#8e44ad";
constexpr const char* kEventColour = "#555555";
constexpr const char* kSecurityColour = "#b7950b";

// How each kind of scenario event is drawn in the events lane: a glyph
// centred on x with its foot on the lane's base line (SVG path, relative).
struct EventStyle {
    const char* name;    // for the legend
    const char* colour;
    const char* glyph;   // path after "M x y"
};

constexpr EventStyle kEventStyles[kEventClasses] = {
    {"channel move", "#e67e22", " m-5 -10 h10 l-5 10 z"},                          // down triangle
    {"hide / show SSID", "#16a085", " m0 -9 a4.5 4.5 0 1 0 0.01 0 z"},             // circle
    {"on / off the air", "#34495e", " m-4 -9 h8 v8 h-8 z"},                        // square
    {"uplink forced down", "#c0392b", " m-4 -9 l8 8 m0 -8 l-8 8"},                 // cross
    {"store change", "#2980b9", " m0 -10 l5 5 l-5 5 l-5 -5 z"},                    // diamond
    {"security change", kSecurityColour, " m-5 0 l5 -10 l5 10 z"},                 // up triangle
    {"signal change", "#95a5a6", " m-1.5 -10 h3 v10 h-3 z"},                       // bar
};

// A re-programming of the client's security, on the recovery lane.
constexpr EventStyle kSecurityMark = {"client security re-programmed", kSecurityColour, " m0 -6 l6 6 l-6 6 l-6 -6 z"};

std::string plural(long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// A bin with any time in a state shows at least this much of it, so that a
// minute of outage stays visible in a month.
constexpr double kMinVisible = 3;

std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    std::string s = buf;
    if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
    return s;
}

std::string escape(const std::string& text);

// A hover title for a marker: its lines joined, escaped.
std::string title_of(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        if (!text.empty()) text += '\n';
        text += line;
    }
    return "<title>" + escape(text) + "</title>";
}

std::string escape(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\n': out += "&#10;"; break;
            default:
                if (static_cast<unsigned char>(c) >= 0x20) out += c;
        }
    }
    return out;
}

// A tick label: years when the step is whole years, else the duration.
std::string tick_label(long t, long step) {
    constexpr long kYear = 365L * 86400;
    if (t == 0) return "0";
    if (step % kYear == 0) return std::to_string(t / kYear) + "y";
    return format_duration(t);
}

// A share of the run as the picture labels it: "71.5 %".
std::string label_percent(long part, long whole) { return percent(part, whole, 1) + " %"; }

class Picture {
public:
    Picture(std::ostream& out, const Scenario& sc, const RunResult& res)
        : out_(out), sc_(sc), res_(res), rec_(*res.record), bins_(rec_.bins()) {}

    void draw() {
        collect_channels();
        std::size_t listed = events_listed() ? rec_.event_marks().size() : (rec_.events > 0 ? 1 : 0);
        double height = kAxisTop + 100 + 16.0 * static_cast<double>(listed);
        out_ << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << num(kWidth) << "\" height=\"" << num(height)
             << "\" viewBox=\"0 0 " << num(kWidth) << " " << num(height) << "\" font-family=\"sans-serif\" font-size=\"12\">\n";
        out_ << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
        title();
        lane_labels();
        events_lane();
        state_lane(kUplinkTop, kUplinkHeight, kUpColour, kDownColour, [](const Bin& b) { return b.link_up; });
        state_lane(kRa0Top, kRa0Height, kRa0UpColour, kRa0DownColour, [](const Bin& b) { return b.ra0_up; });
        channel_lane();
        recovery_lane();
        axis();
        legend();
        out_ << "</svg>\n";
    }

private:
    // Events are numbered and listed when all of them fit the list; a long
    // run shows them as markers only.
    bool events_listed() const { return rec_.events <= static_cast<long>(rec_.event_marks().size()); }

    double x_of(long t) const { return kLeft + kPlotWidth * static_cast<double>(t) / static_cast<double>(rec_.end()); }
    double bin_x0(std::size_t i) const { return x_of(static_cast<long>(i) * rec_.bin_width()); }
    double bin_x1(std::size_t i) const {
        return x_of(std::min(rec_.end(), static_cast<long>(i + 1) * rec_.bin_width()));
    }

    void title() {
        out_ << "<text x=\"" << num(kLeft) << "\" y=\"24\" font-size=\"17\" font-weight=\"bold\">relaywatch-sim: "
             << escape(sc_.name) << "</text>\n";
        std::string args;
        for (const std::string& a : res_.args) args += " " + a;
        out_ << "<text x=\"" << num(kLeft) << "\" y=\"44\" fill=\"#444\">" << escape(format_duration(res_.end))
             << " of virtual time, relaywatch" << escape(args) << " \xC2\xB7 uplink " << label_percent(rec_.link_seconds, rec_.seconds)
             << " \xC2\xB7 ra0 up " << label_percent(rec_.ra0_seconds, rec_.seconds) << " \xC2\xB7 "
             << plural(rec_.recoveries, "recovery", "recoveries") << " \xC2\xB7 "
             << plural(rec_.changes, "upstream change", "upstream changes") << "</text>\n";
    }

    void lane_label(double top, double height, const std::string& text, const std::string& sub) {
        double mid = top + height / 2;
        out_ << "<text x=\"" << num(kLeft - 10) << "\" y=\"" << num(sub.empty() ? mid + 4 : mid - 2)
             << "\" text-anchor=\"end\" font-weight=\"bold\">" << escape(text) << "</text>\n";
        if (!sub.empty()) {
            out_ << "<text x=\"" << num(kLeft - 10) << "\" y=\"" << num(mid + 11)
                 << "\" text-anchor=\"end\" font-size=\"10\" fill=\"#555\">" << escape(sub) << "</text>\n";
        }
    }

    void lane_labels() {
        lane_label(kEventsTop, kEventsHeight, "events", std::to_string(rec_.events) + " in all");
        lane_label(kUplinkTop, kUplinkHeight, "uplink (apcli0)", label_percent(rec_.link_seconds, rec_.seconds) + " connected");
        lane_label(kRa0Top, kRa0Height, "own AP (ra0)", label_percent(rec_.ra0_seconds, rec_.seconds) + " up");
        out_ << "<text x=\"" << num(kLeft - 10) << "\" y=\"" << num(kChannelTop - 5)
             << "\" text-anchor=\"end\" font-weight=\"bold\">channel</text>\n";
        out_ << "<text x=\"" << num(kLeft + 4) << "\" y=\"" << num(kChannelTop - 5)
             << "\" font-size=\"10\" fill=\"#555\">in order of channel number, not to scale</text>\n";
        lane_label(kRecoveryTop, kRecoveryHeight, "recoveries",
                   std::to_string(rec_.recoveries) + " in all" +
                       (rec_.security_reprograms > 0 ? ", " + std::to_string(rec_.security_reprograms) + " \xE2\x97\x86" : ""));
        out_ << "<rect x=\"" << num(kLeft) << "\" y=\"" << num(kChannelTop) << "\" width=\"" << num(kPlotWidth)
             << "\" height=\"" << num(kChannelHeight) << "\" fill=\"#fafafa\" stroke=\"#ddd\"/>\n";
    }

    // Markers at the scenario's events; the first few are numbered and
    // listed under the picture.
    void events_lane() {
        out_ << "<line x1=\"" << num(kLeft) << "\" y1=\"" << num(kEventsTop + kEventsHeight) << "\" x2=\""
             << num(kLeft + kPlotWidth) << "\" y2=\"" << num(kEventsTop + kEventsHeight) << "\" stroke=\"#ccc\"/>\n";
        for (std::size_t i = 0; i < bins_.size(); ++i) {
            if (bins_[i].events == 0) continue;
            double x = (bin_x0(i) + bin_x1(i)) / 2;
            for (std::size_t k = 0; k < kEventClasses; ++k) {
                const EventNote& note = bins_[i].notes[k];
                if (note.count == 0) continue;
                std::vector<std::string> lines = {stamp(note.at) + " " + note.label};
                if (note.count > 1) {
                    lines.push_back("and " + std::to_string(note.count - 1) + " more of this kind up to " +
                                    stamp(bin_end(i) - 1));
                }
                daemon_note(bins_[i], lines);
                mark(x, kEventsTop + kEventsHeight, kEventStyles[k], lines);
            }
        }
        if (!events_listed()) return;
        const auto& marks = rec_.event_marks();
        double last_x = -100;
        int row = 0;
        for (std::size_t i = 0; i < marks.size(); ++i) {
            double x = x_of(marks[i].at);
            row = x - last_x < 16 ? row + 1 : 0;
            last_x = x;
            out_ << "<text x=\"" << num(x) << "\" y=\"" << num(kEventsTop + kEventsHeight - 11 - 10.0 * (row % 2))
                 << "\" text-anchor=\"middle\" font-size=\"10\" fill=\"" << kEventColour << "\">" << i + 1 << "</text>\n";
            // A faint guide through the lanes below.
            out_ << "<line x1=\"" << num(x) << "\" y1=\"" << num(kUplinkTop) << "\" x2=\"" << num(x) << "\" y2=\""
                 << num(kRecoveryTop + kRecoveryHeight) << "\" stroke=\"" << kEventColour
                 << "\" stroke-opacity=\"0.35\" stroke-dasharray=\"3,3\"/>\n";
        }
    }

    std::string stamp(long t) const { return format_stamp(t, day_width_for(rec_.end())); }
    long bin_end(std::size_t i) const { return std::min(rec_.end(), static_cast<long>(i + 1) * rec_.bin_width()); }

    // The daemon's first line in the bin, when it printed one.
    void daemon_note(const Bin& bin, std::vector<std::string>& lines) const {
        const long end = rec_.end();
        if (bin.daemon_at >= 0) lines.push_back(format_stamp(bin.daemon_at, day_width_for(end)) + " " + bin.daemon_line);
    }

    // A marker: the glyph with its hover title.
    void mark(double x, double y, const EventStyle& style, const std::vector<std::string>& lines) {
        const bool stroke = style.glyph[std::strlen(style.glyph) - 1] != 'z';
        out_ << "<g class=\"mark\">" << title_of(lines) << "<path d=\"M" << num(x) << " " << num(y) << style.glyph << "\" "
             << (stroke ? "fill=\"none\" stroke-width=\"2\" stroke=\"" : "fill=\"") << style.colour << "\"/></g>\n";
    }

    // A lane of up time: each bin split into its up part (bottom) and down
    // part (top); runs of equal bins are drawn as one rectangle.
    template <typename UpOf>
    void state_lane(double top, double height, const char* up_colour, const char* down_colour, UpOf up_of) {
        auto up_height = [&](const Bin& b) {
            if (b.seconds == 0) return 0.0;
            std::uint32_t up = up_of(b);
            double h = height * static_cast<double>(up) / static_cast<double>(b.seconds);
            if (up > 0 && up < b.seconds) h = std::clamp(h, kMinVisible, height - kMinVisible);
            return h;
        };
        std::size_t i = 0;
        while (i < bins_.size()) {
            double h = up_height(bins_[i]);
            std::size_t j = i + 1;
            while (j < bins_.size() && std::fabs(up_height(bins_[j]) - h) < 0.05) ++j;
            double x0 = bin_x0(i), w = bin_x1(j - 1) - x0;
            if (h > 0) {
                out_ << "<rect x=\"" << num(x0) << "\" y=\"" << num(top + height - h) << "\" width=\"" << num(w)
                     << "\" height=\"" << num(h) << "\" fill=\"" << up_colour << "\"/>\n";
            }
            if (h < height) {
                out_ << "<rect x=\"" << num(x0) << "\" y=\"" << num(top) << "\" width=\"" << num(w) << "\" height=\""
                     << num(height - h) << "\" fill=\"" << down_colour << "\"/>\n";
            }
            i = j;
        }
    }

    void collect_channels() {
        std::set<int> seen;
        for (const Bin& b : bins_) {
            for (int c : {b.ra0_first, b.ra0_last, b.ra0_min, b.ra0_max, b.up_first, b.up_last, b.up_min, b.up_max}) {
                if (c > 0) seen.insert(c);
            }
        }
        channels_.assign(seen.begin(), seen.end());
    }

    // Channels on an ordinal scale, highest at the top, so 2.4 GHz and
    // 5 GHz channels share the lane readably.
    double y_of(int channel) const {
        auto it = std::lower_bound(channels_.begin(), channels_.end(), channel);
        double rank = static_cast<double>(it - channels_.begin());
        double n = static_cast<double>(std::max<std::size_t>(channels_.size(), 1));
        return kChannelTop + kChannelHeight - (rank + 0.5) * kChannelHeight / n;
    }

    // A step line through the bins; a bin whose channel varied shows its
    // range as a vertical stroke; bins without a value break the line.
    template <typename First, typename Last, typename Lo, typename Hi>
    std::string channel_path(First first, Last last, Lo lo, Hi hi) const {
        std::string d;
        bool drawing = false;
        for (std::size_t i = 0; i < bins_.size(); ++i) {
            const Bin& b = bins_[i];
            if (first(b) <= 0) {
                drawing = false;
                continue;
            }
            auto step = [&d](char command, double value) {
                d += command;
                d += num(value);
            };
            if (drawing) {
                step('V', y_of(first(b)));
            } else {
                step('M', bin_x0(i));
                d += ' ';
                d += num(y_of(first(b)));
            }
            if (lo(b) != hi(b)) {
                step('V', y_of(lo(b)));
                step('V', y_of(hi(b)));
                step('V', y_of(last(b)));
            }
            step('H', bin_x1(i));
            drawing = true;
        }
        return d;
    }

    void channel_lane() {
        for (int c : channels_) {
            double y = y_of(c);
            out_ << "<line x1=\"" << num(kLeft) << "\" y1=\"" << num(y) << "\" x2=\"" << num(kLeft + kPlotWidth)
                 << "\" y2=\"" << num(y) << "\" stroke=\"#e4e4e4\"/>\n";
            out_ << "<text x=\"" << num(kLeft - 10) << "\" y=\"" << num(y + 4) << "\" text-anchor=\"end\" font-size=\"11\">ch "
                 << c << "</text>\n";
        }
        // Where the upstream was off the air.
        for (std::size_t i = 0; i < bins_.size(); ++i) {
            if (bins_[i].upstream_absent == 0) continue;
            std::size_t j = i;
            while (j + 1 < bins_.size() && bins_[j + 1].upstream_absent != 0) ++j;
            out_ << "<rect x=\"" << num(bin_x0(i)) << "\" y=\"" << num(kChannelTop) << "\" width=\""
                 << num(std::max(1.0, bin_x1(j) - bin_x0(i))) << "\" height=\"" << num(kChannelHeight)
                 << "\" fill=\"" << kDownColour << "\" fill-opacity=\"0.12\"/>\n";
            i = j;
        }
        std::string up = channel_path([](const Bin& b) { return b.up_first; }, [](const Bin& b) { return b.up_last; },
                                      [](const Bin& b) { return b.up_min; }, [](const Bin& b) { return b.up_max; });
        std::string ra0 = channel_path([](const Bin& b) { return b.ra0_first; }, [](const Bin& b) { return b.ra0_last; },
                                       [](const Bin& b) { return b.ra0_min; }, [](const Bin& b) { return b.ra0_max; });
        if (!up.empty()) {
            out_ << "<path d=\"" << up << "\" fill=\"none\" stroke=\"" << kUpstreamColour
                 << "\" stroke-width=\"9\" stroke-opacity=\"0.55\" stroke-linejoin=\"round\"/>\n";
        }
        if (!ra0.empty()) {
            out_ << "<path d=\"" << ra0 << "\" fill=\"none\" stroke=\"" << kRa0ChannelColour << "\" stroke-width=\"2\"/>\n";
        }
    }

    // One tick per bin with recoveries; taller for more of them.
    void recovery_lane() {
        std::uint32_t most = 0;
        for (const Bin& b : bins_) most = std::max(most, b.recoveries);
        out_ << "<line x1=\"" << num(kLeft) << "\" y1=\"" << num(kRecoveryTop + kRecoveryHeight) << "\" x2=\""
             << num(kLeft + kPlotWidth) << "\" y2=\"" << num(kRecoveryTop + kRecoveryHeight) << "\" stroke=\"#ccc\"/>\n";
        for (std::size_t i = 0; i < bins_.size(); ++i) {
            const Bin& b = bins_[i];
            double x = (bin_x0(i) + bin_x1(i)) / 2;
            if (b.recoveries > 0) {
                double h = most == 1 ? kRecoveryHeight
                                     : kRecoveryHeight * (0.35 + 0.65 * std::log(1.0 + b.recoveries) / std::log(1.0 + most));
                std::vector<std::string> lines = {stamp(b.first_recovery) + " " +
                                                  (b.recoveries == 1 ? std::string("a recovery cycle (site survey)")
                                                                     : plural(b.recoveries, "", "recovery cycles") + " from here to " +
                                                                           stamp(bin_end(i) - 1))};
                if (b.reprograms > 0) lines.push_back(plural(b.reprograms, "channel setting", "channel settings") + " in this slice");
                daemon_note(b, lines);
                // A wide invisible stroke under the tick makes it easy to hover.
                out_ << "<g class=\"mark\">" << title_of(lines) << "<line x1=\"" << num(x) << "\" y1=\""
                     << num(kRecoveryTop + kRecoveryHeight - h) << "\" x2=\"" << num(x) << "\" y2=\""
                     << num(kRecoveryTop + kRecoveryHeight) << "\" stroke=\"" << kRecoveryColour
                     << "\" stroke-width=\"1.5\"/></g>\n";
            }
            if (b.security_reprograms > 0) {
                std::vector<std::string> lines = {stamp(b.first_security) + " " + b.security_text};
                if (b.security_reprograms > 1) {
                    lines.push_back("and " + plural(b.security_reprograms - 1, "more", "more") + " up to " + stamp(bin_end(i) - 1));
                }
                mark(x, kRecoveryTop + 10, kSecurityMark, lines);
            }
        }
    }

    // Ticks at a round step that gives at most ten of them, labelled in the
    // largest unit that divides the step: years of 365 days, days, hours,
    // minutes, seconds.
    void axis() {
        constexpr long kDay = 86400, kYear = 365 * kDay;
        static constexpr long kSteps[] = {1,      2,      5,       10,       15,      30,       60,     120,
                                          300,    600,    900,     1800,     3600,    7200,     10800,  21600,
                                          43200,  kDay,   2 * kDay, 5 * kDay, 7 * kDay, 14 * kDay, 30 * kDay, 60 * kDay,
                                          90 * kDay, 180 * kDay, kYear, 2 * kYear, 5 * kYear};
        long step = kSteps[std::size(kSteps) - 1];
        for (long s : kSteps) {
            if (rec_.end() / s <= 10) {
                step = s;
                break;
            }
        }
        out_ << "<line x1=\"" << num(kLeft) << "\" y1=\"" << num(kAxisTop) << "\" x2=\"" << num(kLeft + kPlotWidth)
             << "\" y2=\"" << num(kAxisTop) << "\" stroke=\"#333\"/>\n";
        for (long t = 0; t <= rec_.end(); t += step) {
            double x = x_of(t);
            out_ << "<line x1=\"" << num(x) << "\" y1=\"" << num(kAxisTop) << "\" x2=\"" << num(x) << "\" y2=\""
                 << num(kAxisTop + 5) << "\" stroke=\"#333\"/>\n";
            out_ << "<text x=\"" << num(x) << "\" y=\"" << num(kAxisTop + 18) << "\" text-anchor=\"middle\" font-size=\"11\">"
                 << escape(tick_label(t, step)) << "</text>\n";
        }
        out_ << "<text x=\"" << num(kLeft - 10) << "\" y=\"" << num(kAxisTop + 18)
             << "\" text-anchor=\"end\" font-size=\"11\" fill=\"#555\">virtual time</text>\n";
    }

    void swatch(double& x, double y, const char* colour, const std::string& text, bool line = false,
                const char* opacity = "1") {
        if (line) {
            out_ << "<line x1=\"" << num(x) << "\" y1=\"" << num(y - 4) << "\" x2=\"" << num(x + 16) << "\" y2=\"" << num(y - 4)
                 << "\" stroke=\"" << colour << "\" stroke-width=\"" << (colour == kUpstreamColour ? "7" : "2")
                 << "\" stroke-opacity=\"" << (colour == kUpstreamColour ? "0.55" : "1") << "\"/>\n";
        } else {
            out_ << "<rect x=\"" << num(x) << "\" y=\"" << num(y - 10) << "\" width=\"12\" height=\"12\" fill=\"" << colour
                 << "\" fill-opacity=\"" << opacity << "\"/>\n";
        }
        out_ << "<text x=\"" << num(x + 20) << "\" y=\"" << num(y) << "\" font-size=\"11\">" << escape(text) << "</text>\n";
        x += 30 + 6.2 * static_cast<double>(text.size());
    }

    void legend() {
        double y = kAxisTop + 44;
        double x = kLeft;
        swatch(x, y, kUpColour, "uplink connected");
        swatch(x, y, kDownColour, "uplink down");
        swatch(x, y, kRa0UpColour, "ra0 up");
        swatch(x, y, kRa0DownColour, "ra0 down");
        swatch(x, y, kUpstreamColour, "upstream's channel", true);
        swatch(x, y, kRa0ChannelColour, "ra0's channel", true);
        swatch(x, y, kRecoveryColour, "recovery cycle", true);
        swatch(x, y, kDownColour, "upstream off the air", false, "0.25");
        {
            y += 20;
            double xm = kLeft + 6;
            mark(xm, y + 1, kSecurityMark, {"a re-programming of the client's security (ApCliAuthMode, ApCliEncrypType)"});
            out_ << "<text x=\"" << num(xm + 12) << "\" y=\"" << num(y) << "\" font-size=\"11\">client security re-programmed</text>\n";
        }
        // The event glyphs.
        y += 20;
        x = kLeft;
        out_ << "<text x=\"" << num(x) << "\" y=\"" << num(y) << "\" font-size=\"11\" fill=\"" << kEventColour
             << "\">events:</text>\n";
        x += 50;
        for (const EventStyle& style : kEventStyles) {
            mark(x + 5, y + 1, style, {style.name});
            out_ << "<text x=\"" << num(x + 14) << "\" y=\"" << num(y) << "\" font-size=\"11\">" << style.name << "</text>\n";
            x += 30 + 6.2 * static_cast<double>(std::strlen(style.name));
        }
        const auto& marks = rec_.event_marks();
        if (!events_listed()) {
            y += 16;
            out_ << "<text x=\"" << num(kLeft) << "\" y=\"" << num(y) << "\" font-size=\"11\" fill=\"" << kEventColour
                 << "\">" << plural(rec_.events, "scenario event", "scenario events")
                 << " in all: hover over a marker for its time, its text and what relaywatch said</text>\n";
            return;
        }
        int width = day_width_for(rec_.end());
        for (std::size_t i = 0; i < marks.size(); ++i) {
            y += 16;
            out_ << "<text x=\"" << num(kLeft) << "\" y=\"" << num(y) << "\" font-size=\"11\" fill=\"" << kEventColour
                 << "\">" << i + 1 << "  " << format_stamp(marks[i].at, width) << "  " << escape(marks[i].label)
                 << "</text>\n";
        }
    }

    std::ostream& out_;
    const Scenario& sc_;
    const RunResult& res_;
    const Recorder& rec_;
    const std::vector<Bin>& bins_;
    std::vector<int> channels_;
};

}  // namespace

void write_timeline_svg(std::ostream& out, const Scenario& scenario, const RunResult& result) {
    Picture(out, scenario, result).draw();
}

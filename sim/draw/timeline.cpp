// SPDX-License-Identifier: ISC
#include "sim/draw/timeline.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "sim/common/text.h"
#include "sim/draw/svg.h"
#include "sim/draw/timeline_layout.h"

namespace rwsim {

namespace {

// A bin with any time in a state shows at least this much of it, so that a
// minute of outage stays visible in a month.
constexpr double kMinVisible = 3;

// A share of the run as the picture labels it: "71.5 %".
std::string label_percent(long part, long whole) {
    return percent(part, whole, 1) + " %";
}

class Picture {
public:
    Picture(std::ostream& out, const Recorder& tracks, const TimelineOptions& options)
        : out_(out), rec_(tracks), bins_(rec_.bins()), options_(options) {}

    void draw() {
        collect_channels();
        std::size_t listed = events_listed(rec_) ? rec_.event_marks().size() : (rec_.events > 0 ? 1 : 0);
        double height = kAxisTop + 100 + 16.0 * static_cast<double>(listed);
        const std::string width = svg_number(kWidth), high = svg_number(height);
        out_ << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\"" << high
             << "\" viewBox=\"0 0 " << width << " " << high << "\" font-family=\"sans-serif\" font-size=\"12\">\n";
        out_ << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
        title();
        lane_labels();
        events_lane();
        if (options_.uplink_unknown.empty()) {
            state_lane(kUplinkTop, kUplinkHeight, kUpColour, kDownColour, [](const Bin& b) { return b.link_up; });
            unknown_before(kUplinkTop, kUplinkHeight, options_.uplink_known_from);
            gaps(kUplinkTop, kUplinkHeight, options_.uplink_gaps);
        } else {
            unknown_lane(kUplinkTop, kUplinkHeight, kPlotWidth, options_.uplink_unknown);
        }
        state_lane(kRa0Top, kRa0Height, kRa0UpColour, kRa0DownColour, [](const Bin& b) { return b.ra0_up; });
        gaps(kRa0Top, kRa0Height, options_.ra0_gaps);
        channel_lane();
        recovery_lane();
        bands();
        marked_moments();
        if (options_.clock.empty()) {
            write_axis(out_, rec_.end(), options_.axis);
        } else {
            write_clock_axis(out_, rec_.end(), options_);
        }
        write_legend(out_, rec_, options_);
        out_ << "</svg>\n";
    }

private:
    double x_of(long t) const { return x_at(t, rec_.end()); }
    double bin_x0(std::size_t i) const { return x_of(static_cast<long>(i) * rec_.bin_width()); }
    double bin_x1(std::size_t i) const {
        return x_of(std::min(rec_.end(), static_cast<long>(i + 1) * rec_.bin_width()));
    }

    // A lane the picture cannot draw, with the reason across it.
    // A stretch too narrow for the reason keeps it as its hover title.
    void unknown_lane(double top, double height, double width, const std::string& why, double left = kLeft) {
        constexpr double kPixelsPerCharacter = 6;
        if (width < kPixelsPerCharacter * static_cast<double>(why.size())) {
            out_ << "<g class=\"mark\">" << svg_title({why}) << svg_rect(left, top, width, height, "fill=\"#eeeeee\"")
                 << "</g>\n";
            return;
        }
        out_ << svg_rect(left, top, width, height, "fill=\"#eeeeee\"") << "\n";
        out_ << svg_text(left + width / 2, top + height / 2 + 4,
                         "text-anchor=\"middle\" font-size=\"11\" fill=\"#555\"", svg_escape(why))
             << "\n";
    }

    void gaps(double top, double height, const std::vector<TimelineOptions::Gap>& list) {
        for (const TimelineOptions::Gap& g : list) {
            const double x0 = x_of(g.from), x1 = std::max(x_of(g.to), x0 + 1);
            unknown_lane(top, height, x1 - x0, g.why, x0);
        }
    }

    static long gap_seconds(const std::vector<TimelineOptions::Gap>& list) {
        long sum = 0;
        for (const TimelineOptions::Gap& g : list) sum += g.to - g.from;
        return sum;
    }

    // Lines across the lanes at the moments the options mark (a run's start
    // and end, a clock step, a crash loop), each with its title.
    void marked_moments() {
        for (const TimelineOptions::Mark& m : options_.marks) {
            const double x = x_of(m.t);
            out_ << "<g class=\"mark\">" << svg_title({m.what})
                 << svg_line(x, kEventsTop, x, kAxisTop,
                             "stroke=\"" + std::string(m.colour) + "\" stroke-width=\"1.5\" stroke-dasharray=\"4 3\"")
                 << "</g>\n";
        }
    }

    // The options' bands between the events lane and the uplink's, at least
    // a pixel wide.
    void bands() {
        constexpr double kTop = kEventsTop + kEventsHeight + 3, kHeight = 8;
        for (std::size_t i = 0; i < options_.bands.size(); ++i) {
            const TimelineOptions::Band& b = options_.bands[i];
            const double x0 = x_of(b.from), width = std::max(1.0, x_of(b.to) - x0);
            out_ << "<g class=\"mark\">" << svg_title({b.what})
                 << svg_rect(x0, kTop, width, kHeight, i % 2 == 0 ? "fill=\"#1f5fbf\"" : "fill=\"#7fa7e0\"")
                 << "</g>\n";
        }
    }

    // The lane's first seconds, up to `t`, not told by the log.
    void unknown_before(double top, double height, long t) {
        if (t > 0) unknown_lane(top, height, x_of(t) - kLeft, "not in the log");
    }

    void title() {
        out_ << svg_text(kLeft, 24, "font-size=\"17\" font-weight=\"bold\"", svg_escape(options_.title)) << "\n";
        out_ << svg_text(kLeft, 44, "fill=\"#444\"", svg_escape(options_.figures)) << "\n";
    }

    void lane_label(double top, double height, const std::string& text, const std::string& sub) {
        double mid = top + height / 2;
        out_ << svg_text(kLeft - 10, sub.empty() ? mid + 4 : mid - 2, "text-anchor=\"end\" font-weight=\"bold\"",
                         svg_escape(text))
             << "\n";
        if (!sub.empty()) {
            out_ << svg_text(kLeft - 10, mid + 11, "text-anchor=\"end\" font-size=\"10\" fill=\"#555\"",
                             svg_escape(sub))
                 << "\n";
        }
    }

    void lane_labels() {
        lane_label(kEventsTop, kEventsHeight, "events", std::to_string(rec_.events) + " in all");
        // Of the seconds the lane is known: without the grey gaps.
        const long link_known = rec_.seconds - options_.uplink_known_from - gap_seconds(options_.uplink_gaps),
                   ra0_known = rec_.seconds - gap_seconds(options_.ra0_gaps);
        lane_label(kUplinkTop, kUplinkHeight, "uplink (apcli0)",
                   options_.uplink_unknown.empty() && link_known > 0
                       ? label_percent(rec_.link_seconds, link_known) + " connected"
                       : "");
        lane_label(kRa0Top, kRa0Height, "own AP (ra0)",
                   ra0_known > 0 ? label_percent(rec_.ra0_seconds, ra0_known) + " up" : "");
        out_ << svg_text(kLeft - 10, kChannelTop - 5, "text-anchor=\"end\" font-weight=\"bold\"", "channel") << "\n";
        out_ << svg_text(kLeft + 4, kChannelTop - 5, "font-size=\"10\" fill=\"#555\"",
                         "in order of channel number, not to scale")
             << "\n";
        lane_label(
            kRecoveryTop, kRecoveryHeight, "recoveries",
            !options_.recovery_unknown.empty()
                ? ""
                : std::to_string(rec_.recoveries) + " in all" +
                      (rec_.security_reprograms > 0 ? ", " + std::to_string(rec_.security_reprograms) + " \xE2\x97\x86"
                                                    : ""));
        out_ << svg_rect(kLeft, kChannelTop, kPlotWidth, kChannelHeight, "fill=\"#fafafa\" stroke=\"#ddd\"") << "\n";
    }

    // Markers at the scenario's events; the first few are numbered and
    // listed under the picture.
    void events_lane() {
        out_ << svg_line(kLeft, kEventsTop + kEventsHeight, kLeft + kPlotWidth, kEventsTop + kEventsHeight,
                         "stroke=\"#ccc\"")
             << "\n";
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
                write_mark(out_, x, kEventsTop + kEventsHeight, kEventStyles[k], lines);
            }
        }
        if (!events_listed(rec_)) return;
        const auto& marks = rec_.event_marks();
        for (const EventMark& mark : marks) {
            // A faint guide through the lanes below.
            const double x = x_of(mark.at);
            out_ << svg_line(
                        x, kUplinkTop, x, kRecoveryTop + kRecoveryHeight,
                        std::string("stroke=\"") + kEventColour + "\" stroke-opacity=\"0.35\" stroke-dasharray=\"3,3\"")
                 << "\n";
        }
        // Events closer than kLabelGroup are numbered as one group ("7-9"),
        // and groups closer than twice that alternate between two rows, so
        // that no two numbers overlap; a number's title names its events.
        constexpr double kLabelGroup = 16;
        double last_x = -100;
        int row = 0;
        for (std::size_t i = 0, j = 0; i < marks.size(); i = j) {
            std::vector<std::string> lines;
            for (j = i; j < marks.size() && (j == i || x_of(marks[j].at) - x_of(marks[j - 1].at) < kLabelGroup); ++j) {
                lines.push_back(std::to_string(j + 1) + "  " + stamp(marks[j].at) + " " + marks[j].label);
            }
            const double x = (x_of(marks[i].at) + x_of(marks[j - 1].at)) / 2;
            row = x - last_x < 2 * kLabelGroup ? 1 - row : 0;
            last_x = x;
            const std::string number = std::to_string(i + 1) + (j - i > 1 ? "\xE2\x80\x93" + std::to_string(j) : "");
            out_ << "<g class=\"mark\">" << svg_title(lines)
                 << svg_text(x, kEventsTop + kEventsHeight - 11 - 10.0 * row,
                             std::string("text-anchor=\"middle\" font-size=\"10\" fill=\"") + kEventColour + "\"",
                             number)
                 << "</g>\n";
        }
    }

    std::string stamp(long t) const { return timeline_stamp(t, rec_.end(), options_); }
    long bin_end(std::size_t i) const { return std::min(rec_.end(), static_cast<long>(i + 1) * rec_.bin_width()); }

    // The daemon's first line in the bin, when it printed one.
    void daemon_note(const Bin& bin, std::vector<std::string>& lines) const {
        if (bin.daemon_at >= 0) lines.push_back(stamp(bin.daemon_at) + " " + bin.daemon_line);
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
            if (h > 0) out_ << svg_rect(x0, top + height - h, w, h, std::string("fill=\"") + up_colour + "\"") << "\n";
            if (h < height)
                out_ << svg_rect(x0, top, w, height - h, std::string("fill=\"") + down_colour + "\"") << "\n";
            i = j;
        }
    }

    void collect_channels() {
        std::set<int> seen;
        for (const Bin& b : bins_) {
            for (int c : {b.ra0_first, b.ra0_last, b.ra0_min, b.ra0_max, b.up_first, b.up_last, b.up_min, b.up_max}) {
                if (c > 0) seen.insert(c);
            }
            for (std::size_t c = 1; c < b.channels.size(); ++c) {
                if (b.channels.test(c)) seen.insert(static_cast<int>(c));
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
                d += svg_number(value);
            };
            if (drawing) {
                step('V', y_of(first(b)));
            } else {
                step('M', bin_x0(i));
                d += ' ';
                d += svg_number(y_of(first(b)));
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
            out_ << svg_line(kLeft, y, kLeft + kPlotWidth, y, "stroke=\"#e4e4e4\"") << "\n";
            out_ << svg_text(kLeft - 10, y + 4, "text-anchor=\"end\" font-size=\"11\"", "ch " + std::to_string(c))
                 << "\n";
        }
        if (!options_.channel_unknown.empty()) {
            out_ << svg_text(kLeft + kPlotWidth / 2, kChannelTop + kChannelHeight / 2,
                             "text-anchor=\"middle\" font-size=\"11\" fill=\"#555\"",
                             svg_escape(options_.channel_unknown))
                 << "\n";
        } else if (!options_.upstream_unknown.empty()) {
            unknown_before(kChannelTop, kChannelHeight, options_.channel_known_from);
            out_ << svg_text(kLeft + kPlotWidth - 4, kChannelTop + 12,
                             "text-anchor=\"end\" font-size=\"10\" fill=\"#555\"",
                             svg_escape(options_.upstream_unknown))
                 << "\n";
        }
        // Where the upstream was off the air.
        for (std::size_t i = 0; options_.upstream_unknown.empty() && i < bins_.size(); ++i) {
            if (bins_[i].upstream_absent == 0) continue;
            std::size_t j = i;
            while (j + 1 < bins_.size() && bins_[j + 1].upstream_absent != 0) ++j;
            out_ << svg_rect(bin_x0(i), kChannelTop, std::max(1.0, bin_x1(j) - bin_x0(i)), kChannelHeight,
                             std::string("fill=\"") + kDownColour + "\" fill-opacity=\"0.12\"")
                 << "\n";
            i = j;
        }
        std::string up = channel_path([](const Bin& b) { return b.up_first; }, [](const Bin& b) { return b.up_last; },
                                      [](const Bin& b) { return b.up_min; }, [](const Bin& b) { return b.up_max; });
        std::string ra0 =
            channel_path([](const Bin& b) { return b.ra0_first; }, [](const Bin& b) { return b.ra0_last; },
                         [](const Bin& b) { return b.ra0_min; }, [](const Bin& b) { return b.ra0_max; });
        if (!up.empty()) {
            out_ << "<path d=\"" << up << "\" fill=\"none\" stroke=\"" << kUpstreamColour
                 << "\" stroke-width=\"9\" stroke-opacity=\"0.55\" stroke-linejoin=\"round\"/>\n";
        }
        if (!ra0.empty()) {
            out_ << "<path d=\"" << ra0 << "\" fill=\"none\" stroke=\"" << kRa0ChannelColour
                 << "\" stroke-width=\"2\"/>\n";
        }
    }

    // One tick per bin with recoveries; taller for more of them.
    void recovery_lane() {
        std::uint32_t most = 0;
        for (const Bin& b : bins_) most = std::max(most, b.recoveries);
        out_ << svg_line(kLeft, kRecoveryTop + kRecoveryHeight, kLeft + kPlotWidth, kRecoveryTop + kRecoveryHeight,
                         "stroke=\"#ccc\"")
             << "\n";
        if (!options_.recovery_unknown.empty())
            unknown_lane(kRecoveryTop, kRecoveryHeight, kPlotWidth, options_.recovery_unknown);
        unknown_before(kRecoveryTop, kRecoveryHeight, options_.recovery_known_from);
        for (std::size_t i = 0; i < bins_.size(); ++i) {
            const Bin& b = bins_[i];
            double x = (bin_x0(i) + bin_x1(i)) / 2;
            if (b.recoveries > 0) {
                double h = most == 1
                               ? kRecoveryHeight
                               : kRecoveryHeight * (0.35 + 0.65 * std::log(1.0 + b.recoveries) / std::log(1.0 + most));
                std::vector<std::string> lines = {stamp(b.first_recovery) + " " +
                                                  (b.recoveries == 1 ? std::string("a recovery cycle (site survey)")
                                                                     : plural(b.recoveries, "", "recovery cycles") +
                                                                           " from here to " + stamp(bin_end(i) - 1))};
                if (b.reprograms > 0)
                    lines.push_back(plural(b.reprograms, "channel setting", "channel settings") + " in this slice");
                daemon_note(b, lines);
                // A wide invisible stroke under the tick makes it easy to hover.
                out_ << "<g class=\"mark\">" << svg_title(lines)
                     << svg_line(x, kRecoveryTop + kRecoveryHeight - h, x, kRecoveryTop + kRecoveryHeight,
                                 std::string("stroke=\"") + kRecoveryColour + "\" stroke-width=\"1.5\"")
                     << "</g>\n";
            }
            if (b.mismatches > 0) {
                std::vector<std::string> lines = {stamp(b.first_mismatch) + " " + b.mismatch_text};
                if (b.mismatches > 1)
                    lines.push_back("and " + plural(b.mismatches - 1, "more", "more") + " up to " +
                                    stamp(bin_end(i) - 1));
                write_mark(out_, x, kMismatchY, kMismatchMark, lines);
            }
            if (b.security_reprograms > 0) {
                std::vector<std::string> lines = {stamp(b.first_security) + " " + b.security_text};
                if (b.security_reprograms > 1) {
                    lines.push_back("and " + plural(b.security_reprograms - 1, "more", "more") + " up to " +
                                    stamp(bin_end(i) - 1));
                }
                write_mark(out_, x, kRecoveryTop + 10, kSecurityMark, lines);
            }
        }
    }

    std::ostream& out_;
    const Recorder& rec_;
    const std::vector<Bin>& bins_;
    std::vector<int> channels_;
    const TimelineOptions& options_;
};

}  // namespace

void write_timeline_svg(std::ostream& out, const Recorder& tracks, const TimelineOptions& options) {
    Picture(out, tracks, options).draw();
}

}  // namespace rwsim

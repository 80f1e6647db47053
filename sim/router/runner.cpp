// SPDX-License-Identifier: ISC
#include "sim/router/runner.h"

#include <cstdio>
#include <sstream>

#include "platform/report_ops.h"
#include "report/collect.h"
#include "sim/common/text.h"
#include "sim/router/run_context.h"
#include "supervisor/supervisor.h"

namespace rwsim {

namespace {

// Passes in a row that may leave the clock where it was before the run is
// taken for stalled (a pass always sleeps at least once).
constexpr int kIdlePassLimit = 1000;

// A share of the run, as the summary shows it: " 71.5 %".
std::string summary_percent(long part, long whole) {
    return percent(part, whole, 1, 5) + " %";
}

// Where the field report's collector looks in on the run, and when.
struct ReportPoint {
    long at = 0;
    ReportSource* source = nullptr;  // null: no report asked for, or taken
};

// Runs the collector now, against the router as it stands; what it asks of
// the router is not counted as the daemon's.
void take_report(ReportPoint& point, SimRun& run) {
    if (point.source == nullptr || run.router().now() < point.at) return;
    const CommandCounts counts = run.router().counts();
    run.platform().report = point.source;
    report::Bundle bundle;
    report::collect(report::Options{}, bundle);
    report::write_bundle(bundle, plat::kStandardOutput);
    run.platform().report = nullptr;
    run.router().restore_counts(counts);
    point.source = nullptr;
}

// relaywatch's start-up and its link watch until the end of the run, or
// until it ends or stops advancing the clock.
void run_daemon(RunResult& res, SimRun& run, ReportPoint& point) {
    Router& router = run.router();
    Console& console = run.console();
    std::vector<std::string> words = {"relaywatch"};
    words.insert(words.end(), res.args.begin(), res.args.end());
    std::vector<const char*> argv;
    argv.reserve(words.size() + 1);
    for (const std::string& w : words) argv.push_back(w.c_str());
    argv.push_back(nullptr);
    if (point.source != nullptr) point.source->argv = words;

    Supervisor sv;
    StartupResult start = startup(static_cast<int>(words.size()), argv.data(), sv);
    if (!start.runLinkWatch) {
        res.daemon_ended = true;
        res.daemon_status = start.exitStatus;
    } else if (!linkwatch_setup(sv)) {
        res.daemon_ended = true;
        res.daemon_status = 1;
    } else {
        router.watch_remembered(sv.manual_get_BSSID.c_str());
        int idle = 0;
        while (router.now() < res.end) {
            take_report(point, run);
            long before = router.now();
            linkwatch_pass(sv);
            // cppcheck-suppress knownConditionTrueFalse ; linkwatch_pass moves the clock
            idle = router.now() == before ? idle + 1 : 0;
            if (idle >= kIdlePassLimit) {
                res.stalled = true;
                break;
            }
        }
    }
    console.flush_partial();
    if (point.source != nullptr) point.source->argv.clear();  // no longer running
    res.stopped_at = router.now();
    res.remembered_bssid = sv.manual_get_BSSID.c_str();
    router.watch_remembered(nullptr);
    if (res.daemon_ended) {
        console.sim_line("relaywatch ended with status " + std::to_string(res.daemon_status & 0xff));
    } else if (res.stalled) {
        console.sim_line("relaywatch stopped advancing the clock; the run ends here");
    }
}

// How much of the run the uplink and ra0 were up, and when ra0 first was.
void print_time_shares(std::ostream& out, const Recorder& r) {
    out << "uplink available      " << summary_percent(r.link_seconds, r.seconds) << "  (" << r.link_seconds << " s of "
        << r.seconds << " s)\n";
    out << "own AP (ra0) up       " << summary_percent(r.ra0_seconds, r.seconds) << "  (" << r.ra0_seconds << " s of "
        << r.seconds << " s)\n";
    out << "ra0 up, uplink down   " << summary_percent(r.ra0_alone_seconds, r.seconds) << "  (" << r.ra0_alone_seconds
        << " s of " << r.seconds << " s)\n";
    out << "ra0 first up           ";
    if (r.first_up >= 0) {
        out << "after " << r.first_up << " s, on channel " << r.first_up_channel << "\n";
    } else {
        out << "never\n";
    }
}

// The upstream's changes and how soon ra0 was up again after each.
void print_changes(std::ostream& out, const Recorder& r, int width) {
    out << "upstream changes       " << r.changes;
    if (r.changes_recovered == 1) {
        out << ": ra0 up again after " << r.recovery_max << " s";
    } else if (r.changes_recovered > 1) {
        out << ": ra0 up again after " << (r.recovery_sum + r.changes_recovered / 2) / r.changes_recovered
            << " s on average, " << r.recovery_max << " s at most";
    }
    if (r.changes_overtaken > 0) out << "; " << r.changes_overtaken << " not before the next change";
    if (r.changes_open_at_end > 0) out << "; " << r.changes_open_at_end << " not recovered by the end";
    out << "\n";
    for (const ChangeRecord& c : r.listed_changes()) {
        out << "  " << format_stamp(c.at, width) << " " << pad(c.what, 46) << " ";
        if (c.took >= 0) {
            out << "ra0 up on channel " << c.channel << " after " << c.took << " s\n";
        } else if (c.took == -2) {
            out << "not up again before the next change\n";
        } else {
            out << "not up again by the end\n";
        }
    }
    if (r.changes > static_cast<long>(r.listed_changes().size())) {
        out << "  ... and " << r.changes - static_cast<long>(r.listed_changes().size()) << " more\n";
    }
}

// What relaywatch did to the radio, what it asked of the router, and what it
// left unreleased.
void print_commands(std::ostream& out, const Recorder& r, const RunResult& res) {
    const CommandCounts& c = res.counts;
    out << "recoveries run         " << r.recoveries << " (site surveys)\n";
    out << "radio re-programmings  " << r.reprograms << " (channel settings)\n";
    out << "client security        " << r.security_reprograms << " re-programming"
        << (r.security_reprograms == 1 ? "" : "s") << " (ApCliAuthMode, ApCliEncrypType)\n";
    out << "commands issued        " << c.issued() << ": " << c.ifconfig << " ifconfig, " << c.iwpriv_set
        << " iwpriv set, " << c.survey_reads << " survey reads, " << c.channel_queries << " iwgetid";
    if (c.other > 0) out << ", " << c.other << " unknown";
    out << "\n";
    if (c.refused > 0) out << "commands refused       " << c.refused << "\n";
    out << "status requests        " << c.status_requests << "\n";
    const PlatformHoldings& h = res.holdings;
    if (h.sockets_open != 0 || h.outputs_open != 0 || h.store_texts != 0 || h.allocations != 0) {
        out << "left unreleased        " << h.sockets_open << " sockets, " << h.outputs_open << " pipes, "
            << h.store_texts << " store texts, " << h.allocations << " allocations\n";
    }
}

}  // namespace

RunResult run_scenario(const Scenario& sc, const RunOptions& options) {
    RunResult res;
    res.end = options.until > 0 ? options.until : sc.end;
    res.args = options.args_given ? options.args : sc.args;
    RouterTaps taps;
    taps.command_log = options.command_log;
    SimRun run(sc, res.end, options.out, taps);
    Router& router = run.router();
    Console& console = run.console();
    console.set_syslog(options.syslog);
    // With a report, the system log is kept as it grows, for logread.
    std::ostringstream log;
    SyslogOut report_log = options.syslog != nullptr ? *options.syslog : SyslogOut{};
    if (options.syslog == nullptr) parse_log_start(kDefaultLogStart, report_log.start);
    ReportSource source;
    ReportPoint point;
    if (options.report != nullptr) {
        report_log.out = &log;
        console.set_syslog(&report_log);
        source.log = &log;
        source.pid = report_log.pid;
        source.wall_start = report_log.start;
        point = ReportPoint{options.report_at, &source};
    }

    run_daemon(res, run, point);
    // Without the daemon the air and the uplink go on to the end.
    while (router.now() < res.end) {
        const long until = point.source != nullptr && point.at > router.now() ? point.at : res.end;
        router.sleep(static_cast<unsigned>(std::min(until - router.now(), 86400L)));
        take_report(point, run);
    }
    take_report(point, run);  // a report due at the end
    if (options.report != nullptr) {
        *options.report = source.bundle;
        if (options.syslog != nullptr && options.syslog->out != nullptr) *options.syslog->out << log.str();
    }

    res.record = run.finish();
    res.radio = router.radio();
    res.link_up = router.link_up();
    if (router.last_joined() >= 0) {
        const AccessPoint& joined = router.air()[static_cast<std::size_t>(router.last_joined())];
        res.joined_name = joined.name;
        res.joined_bssid = joined.bssid;
    }
    res.counts = router.counts();
    res.holdings = run.holdings();
    return res;
}

void print_summary(std::ostream& out, const Scenario& sc, const RunResult& res) {
    const Recorder& r = *res.record;
    int width = day_width_for(res.end);
    std::string args;
    for (const std::string& a : res.args) args += " " + a;
    out << "--- summary: " << sc.name << " (" << sc.file << ") ---\n";
    out << "virtual time           " << format_duration(res.end) << ", relaywatch" << args << "\n";
    if (res.daemon_ended) {
        out << "relaywatch             ended at start-up with status " << (res.daemon_status & 0xff) << "\n";
    } else if (res.stalled) {
        out << "relaywatch             stopped advancing the clock at " << format_stamp(res.stopped_at, width) << "\n";
    }
    print_time_shares(out, r);
    print_changes(out, r, width);
    out << "uplink last joined     "
        << (res.joined_bssid.empty() ? "none" : res.joined_name + " (" + res.joined_bssid + ")") << "\n";
    if (res.remembered_bssid != "0") out << "remembered BSSID       " << res.remembered_bssid << "\n";
    out << "BSSID mismatches       " << r.mismatches << " (remembered BSSID not the access point the uplink joined)\n";
    print_commands(out, r, res);
}

}  // namespace rwsim

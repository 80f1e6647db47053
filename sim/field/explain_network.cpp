// SPDX-License-Identifier: ISC
#include "sim/field/explain_network.h"

#include "sim/field/explain_rows.h"
#include "survey/survey.h"

namespace rwsim {

namespace {

// A row passed over that is stronger than the one taken by this many points
// of Signal(%) is worth a look.
constexpr int kStrongerBy = 20;

std::string where(const TableRead& r) {
    return "line " + std::to_string(r.line) + ": channel " + std::to_string(r.row.channel) + ", signal " +
           std::to_string(r.row.signal) + " %, BSSID " + quoted(r.row.bssid.view());
}

}  // namespace

void print_network(std::ostream& out, const std::vector<TableRead>& reads, const std::string& ssid,
                   const std::string& bssid, const std::string& remembered) {
    if (ssid.empty()) return;
    const Upstream by_name = make_upstream(ssid.c_str(), nullptr);
    const Upstream up = make_upstream(ssid.c_str(), bssid.c_str());
    BssidText mem{};
    mem.assign(remembered);
    std::vector<const TableRead*> rows;
    const TableRead* taken = nullptr;
    for (const TableRead& r : reads) {
        if (r.result != RowResult::Parsed) continue;
        if (taken == nullptr && select_upstream(r.row, up, mem) != Selection::None) taken = &r;
        if (r.row.ssidLen > 0 && select_upstream(r.row, by_name, BssidText{}) == Selection::BySsid) rows.push_back(&r);
    }
    if (rows.size() < 2) return;
    out << "\nthe upstream's network " << quoted(ssid) << ": " << rows.size() << " rows carry its SSID\n";
    for (const TableRead* r : rows) {
        out << "  " << where(*r) << "\n    ";
        if (r == taken) {
            out << (bssid.empty() ? "taken: the first row that matches; relaywatch reads no further"
                                  : "taken: its BSSID is the configured one")
                << "\n";
            continue;
        }
        out << (bssid.empty() ? "passed over: relaywatch takes the first row that matches, in table order"
                              : "passed over: its BSSID is not the configured one");
        if (taken != nullptr && r->row.signal >= taken->row.signal + kStrongerBy) {
            out << "\n    " << r->row.signal - taken->row.signal << " points of Signal(%) stronger than line "
                << taken->line << " (as this one survey read them)";
        }
        out << "\n    to have relaywatch take it: ApCliBssid=" << r->row.bssid.view()
            << " (pinned, relaywatch no longer falls back to the network's other access points)\n";
    }
    if (taken != nullptr && taken->row.ssidLen > 0) {
        out << "  the remembered BSSID " << (remembered == "0" ? "(none yet)" : quoted(remembered))
            << " selects only a row that hides its SSID: it does not move the next recovery among these rows\n";
    }
}

}  // namespace rwsim

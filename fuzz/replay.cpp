// SPDX-License-Identifier: ISC
// The simulator's log reader, replay and timeline on any log: the summary
// and the JSON document hold no raw control byte and are valid UTF-8, and
// the timeline is well-formed XML (checked here strictly: characters XML
// 1.0 allows, every tag closed in order, attributes quoted, entities known).
#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "sim/common/tests/clean_text.h"
#include "sim/common/text.h"
#include "sim/replay/replay.h"

using namespace rwsim;

namespace {

bool name_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == ':' ||
           c == '_' || c == '.';
}

// An entity at text[i] ('&'): a known one or a character reference.
bool entity(std::string_view text, std::size_t i) {
    const std::size_t end = text.find(';', i);
    if (end == std::string_view::npos) return false;
    const std::string_view e = text.substr(i + 1, end - i - 1);
    if (e == "amp" || e == "lt" || e == "gt" || e == "quot" || e == "apos") return true;
    if (e.size() < 2 || e[0] != '#') return false;
    for (const char c : e.substr(1)) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// Well-formed: one root element, tags nested and closed, attributes quoted.
bool well_formed(std::string_view text) {
    std::vector<std::string_view> open;
    bool root_seen = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && !entity(text, i)) return false;
        if (text[i] != '<') continue;
        const bool closing = i + 1 < text.size() && text[i + 1] == '/';
        std::size_t j = i + (closing ? 2 : 1), start = j;
        while (j < text.size() && name_char(text[j])) ++j;
        const std::string_view name = text.substr(start, j - start);
        if (name.empty()) return false;
        if (closing) {
            if (open.empty() || open.back() != name || j >= text.size() || text[j] != '>') return false;
            open.pop_back();
            i = j;
            continue;
        }
        if (open.empty() && root_seen) return false;
        while (j < text.size() && text[j] != '>' && text[j] != '/') {
            if (text[j] == '"') {
                const std::size_t end = text.find('"', j + 1);
                if (end == std::string_view::npos) return false;
                const std::string_view value = text.substr(j + 1, end - j - 1);
                if (value.find('<') != std::string_view::npos) return false;
                for (std::size_t k = value.find('&'); k != std::string_view::npos; k = value.find('&', k + 1))
                    if (!entity(value, k)) return false;
                j = end;
            }
            ++j;
        }
        if (j >= text.size()) return false;
        if (text[j] == '/') {
            if (j + 1 >= text.size() || text[j + 1] != '>') return false;
            ++j;
        } else {
            open.push_back(name);
        }
        root_seen = true;
        i = j;
    }
    return root_seen && open.empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text = fuzz_text(data, size);
    // The log's first line names it, as a file name from outside would.
    const std::string name(text.substr(0, std::min<std::size_t>(text.find('\n'), 40)));
    std::FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
    if (in == nullptr) return 0;
    const Replay replay = replay_log(in, name);
    std::fclose(in);
    if (!replay.error.empty()) {
        FUZZ_CHECK(clean_text(replay.error));
        return 0;
    }
    std::ostringstream summary, svg;
    print_replay_summary(summary, name, replay);
    FUZZ_CHECK(clean_text(summary.str()));
    write_replay_timeline(svg, name, replay);
    FUZZ_CHECK(clean_text(svg.str(), true));
    FUZZ_CHECK(well_formed(svg.str()));
    std::ostringstream json;
    write_replay_json(json, name, replay);
    FUZZ_CHECK(clean_text(json.str()));
    return 0;
}

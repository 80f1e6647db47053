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
#include "fuzz/text_check.h"
#include "sim/replay/replay.h"

using namespace rwsim;

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

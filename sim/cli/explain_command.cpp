// SPDX-License-Identifier: ISC
// relaywatch-sim explain: its command line.
#include <algorithm>
#include <iostream>

#include "sim/cli/commands.h"
#include "sim/common/text.h"
#include "sim/field/explain.h"

namespace rwsim {

int explain_command(const std::vector<std::string>& args) {
    if (std::find(args.begin(), args.end(), "--help") != args.end()) {
        std::cout << kExplainUsage;
        return 0;
    }
    ExplainOptions options;
    std::string why;
    if (!parse_explain_args(args, options, why)) {
        std::cerr << "relaywatch-sim explain: " << shown_text(why) << "\n" << kExplainUsage;
        return 2;
    }
    return explain(options, std::cout, std::cerr);
}

}  // namespace rwsim

// SPDX-License-Identifier: ISC
// relaywatch-sim report BUNDLE [-o PAGE.html]: its command line, the bundle
// read whole (within its bound) and refused when it is none, the page
// written beside its target and renamed into place.
#include <iostream>

#include "sim/cli/commands.h"
#include "sim/common/output_file.h"
#include "sim/common/text.h"
#include "sim/report/bundle_read.h"
#include "sim/report/report.h"

namespace rwsim {

namespace {

int refuse(const std::string& message) {
    std::cerr << "relaywatch-sim report: " << message << "\n";
    return 2;
}

int usage_error(const std::string& message) {
    std::cerr << "relaywatch-sim report: " << shown_text(message) << "\n" << kReportUsage;
    return 2;
}

}  // namespace

int report_command(const std::vector<std::string>& args) {
    std::string path, page;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--help" || args[i] == "-h") {
            std::cout << kReportUsage;
            return 0;
        }
        if (args[i] == "-o") {
            if (i + 1 >= args.size()) return usage_error("-o needs a value");
            page = args[++i];
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            return usage_error("unknown option " + args[i]);
        } else if (path.empty()) {
            path = args[i];
        } else {
            return usage_error("one bundle at a time");
        }
    }
    if (path.empty()) return usage_error("no bundle given");
    const std::string clash = outputs_clash({page}, {path});
    if (!clash.empty()) return refuse(clash);
    const FileText file = read_bounded_file(path, kMaxBundleBytes, "a field report bundle");
    if (!file.error.empty()) return refuse(located(path, 0, file.error));
    const Bundle bundle = read_bundle(file.text);
    if (!bundle.refused.empty()) return refuse(located(path, 0, bundle.refused));
    OutputFile html;
    if (!page.empty()) {
        const std::string why = open_output(html, page);
        if (!why.empty()) return refuse(why);
    }
    const Report report = make_report(bundle, path);
    print_report(std::cout, report);
    std::cout.flush();
    if (!page.empty()) {
        write_report_page(html.stream, report);
        const std::string why = commit_output(html);
        if (!why.empty()) return refuse(why);
    }
    return 0;
}

}  // namespace rwsim

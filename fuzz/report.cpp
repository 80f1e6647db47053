// SPDX-License-Identifier: ISC
// The field report's bundle reader and report on any bytes: a refusal, the
// terminal's text and the page hold no raw control byte and are valid
// UTF-8, and the page is well-formed XHTML with its timeline inside.
#include <sstream>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "fuzz/text_check.h"
#include "sim/report/bundle_read.h"
#include "sim/report/report.h"

using namespace rwsim;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bundle bundle = read_bundle(fuzz_text(data, size));
    if (!bundle.refused.empty()) {
        FUZZ_CHECK(rwsim::clean_text(bundle.refused));
        return 0;
    }
    const Report report = make_report(bundle, "bundle");
    std::ostringstream text, page;
    print_report(text, report);
    FUZZ_CHECK(rwsim::clean_text(text.str()));
    write_report_page(page, report);
    constexpr std::string_view kDoctype = "<!DOCTYPE html>\n";
    const std::string html = page.str();
    FUZZ_CHECK(html.compare(0, kDoctype.size(), kDoctype) == 0);
    const std::string_view root = std::string_view(html).substr(kDoctype.size());
    FUZZ_CHECK(rwsim::clean_text(root, true));
    FUZZ_CHECK(well_formed(root));
    FUZZ_CHECK(report.replayed == (html.find("<svg ") != std::string::npos));
    return 0;
}

// The benchmarks' platform: the survey table's output comes from memory,
// every other operation does nothing, and allocations are counted.
#pragma once

#include <string>

namespace bench_platform {

// What "iwpriv ra0 get_site_survey" prints.
extern std::string survey_output;

// plat::alloc_zeroed() calls so far.
extern long allocations;

}  // namespace bench_platform

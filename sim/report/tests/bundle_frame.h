// SPDX-License-Identifier: ISC
// Bundles for the tests, framed as the collector frames them: each section
// with its length and checksum, then the end mark.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "report/bundle_format.h"

namespace rwsim {

using Sections = std::vector<std::pair<std::string, std::string>>;

inline std::string frame_section(const std::string& name, const std::string& text) {
    char sum[9];
    std::snprintf(sum, sizeof sum, "%08x", static_cast<unsigned>(bundle::checksum(text.data(), text.size())));
    return std::string(bundle::kSectionMark) + name + " " + std::to_string(text.size()) + " " + sum + "\n" + text;
}

inline std::string frame(const Sections& sections) {
    std::string out = std::string(bundle::kFirstLine) + "\n";
    for (const auto& [name, text] : sections) out += frame_section(name, text);
    return out + std::string(bundle::kEndMark) + std::to_string(sections.size()) + "\n";
}

}  // namespace rwsim

// SPDX-License-Identifier: ISC
// A field report's bundle read back into its sections. A file that is not a
// bundle is refused; one that was cut or edited is read as far as it holds,
// and every fault is said: a section shorter than its length, one whose
// bytes do not match its checksum, bytes between sections, a missing end.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace rwsim {

// The largest bundle read: the collector keeps its log to a few megabytes.
inline constexpr std::size_t kMaxBundleBytes = std::size_t{32} * 1024 * 1024;

struct BundleSection {
    std::string name;
    std::string text;     // its bytes as far as the bundle holds them
    bool intact = false;  // its length and checksum match
};

struct Bundle {
    std::string refused;  // why the file is not a bundle; empty when it is one
    std::vector<BundleSection> sections;
    std::vector<std::string> faults;  // what was cut or edited, one a line
    bool ended = false;               // the end mark was read
};

// Reads a bundle's bytes.
Bundle read_bundle(std::string_view bytes);

// The section of that name, or null.
const BundleSection* find_section(const Bundle& bundle, std::string_view name);

// The sections the collector writes that the bundle lacks, in its order.
std::vector<std::string> missing_sections(const Bundle& bundle);

}  // namespace rwsim

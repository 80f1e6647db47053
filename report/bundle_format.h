// SPDX-License-Identifier: ISC
// The field report's bundle: one text file that relaywatch-report writes on
// the router and `relaywatch-sim report` reads. This header is its one
// definition, shared by both; it is free of the C++ runtime.
//
// The file is lines of text:
//
//   relaywatch-report bundle 1
//   --- section <name> <length> <checksum>
//   <exactly <length> bytes of the section's text>
//   --- section <name> <length> <checksum>
//   ...
//   --- end <number of sections>
//
// <length> is decimal; <checksum> is the FNV-1a hash of the section's bytes,
// eight lower-case hex digits. A section's text ends with a newline (the
// writer adds one where the source lacked it). A reader takes the length as
// the truth: a section whose bytes do not match its length or checksum was
// cut or edited, and a missing "--- end" line means the file was cut.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace bundle {

// The first line, with the format's version. A reader refuses any other.
inline constexpr std::string_view kFirstLine = "relaywatch-report bundle 1";
inline constexpr int kFormatVersion = 1;

// The markers that open each section and close the bundle.
inline constexpr std::string_view kSectionMark = "--- section ";
inline constexpr std::string_view kEndMark = "--- end ";

// The sections, in the order the collector writes them. A reader takes them
// in any order and says which are missing.
inline constexpr std::string_view kRouter = "router";           // "name: value" facts
inline constexpr std::string_view kSteps = "steps";             // each step: ok, or what failed
inline constexpr std::string_view kStore = "store";             // KEY=VALUE, secrets redacted
inline constexpr std::string_view kStoreNames = "store-names";  // the store's other keys
inline constexpr std::string_view kInterfaces = "interfaces";   // ra0's channel, ra0 and apcli0
inline constexpr std::string_view kInstances = "instances";     // running relaywatch, or its init arguments
inline constexpr std::string_view kSurvey = "survey";           // the driver's survey table as printed
inline constexpr std::string_view kLog = "log";                 // the system log's relevant lines
inline constexpr std::string_view kRedactions = "redactions";   // what was replaced, and where

// A secret's value never goes into a bundle. In its place stands
// "[secret: <length> <alphabet>]", the alphabet being one of these.
inline constexpr std::string_view kSecretOpen = "[secret: ";
inline constexpr std::string_view kAlphabetHex = "hex";
inline constexpr std::string_view kAlphabetPrintable = "printable";
inline constexpr std::string_view kAlphabetOther = "other";

// FNV-1a, 32 bits, over `len` bytes, continuing from `hash`.
constexpr std::uint32_t kChecksumStart = 2166136261u;
constexpr std::uint32_t checksum(const char* bytes, std::size_t len, std::uint32_t hash = kChecksumStart) {
    for (std::size_t i = 0; i < len; ++i) {
        hash ^= static_cast<unsigned char>(bytes[i]);
        hash *= 16777619u;
    }
    return hash;
}

}  // namespace bundle

// SPDX-License-Identifier: ISC
// The store section: every key relaywatch reads, as relaywatch reads it
// (plat::store_get), secrets replaced; and the store-names section: the
// names of the stand-in file's other keys, so that near misses show.
#include <cstring>

#include "platform/io.h"
#include "platform/report_ops.h"
#include "radio/radio.h"
#include "report/bundle_format.h"
#include "report/collect.h"
#include "supervisor/supervisor.h"

namespace report {

namespace {

// Keys relaywatch does not read that hold the router's other secrets, read
// too so that their values are kept out of the log whatever the store kind.
constexpr char kOtherSecretKeys[] =
    "Key2Str1\0Key3Str1\0Key4Str1\0WPAPSK2\0WPAPSK3\0WPAPSK4\0"
    "ApCliWPAPSK\0ApCliKey1Str\0ApCliKey2Str\0ApCliKey3Str\0ApCliKey4Str";

constexpr std::size_t kStoreFileLimit = std::size_t{256} * 1024;

// The next name of a list of zero-terminated names; false past the last.
bool next_name(std::string_view names, std::size_t& pos, std::string_view& name) {
    if (pos > names.size()) return false;
    std::size_t end = pos;
    while (end < names.size() && names[end] != '\0') ++end;
    name = std::string_view(names.data() + pos, end - pos);
    pos = end + 1;
    return true;
}

// Whether relaywatch reads `key`.
bool read_by_relaywatch(std::string_view key) {
    std::size_t pos = 0;
    std::string_view name;
    while (next_name(std::string_view(kSnapshotKeyNames, sizeof kSnapshotKeyNames - 1), pos, name)) {
        if (name == key) return true;
    }
    for (const char* other : {kStoreOwnSsid, kStoreBandwidth, kStorePsk, kStoreWepKeyId, kStoreWepKey}) {
        if (key == other) return true;
    }
    return false;
}

// One key relaywatch reads: its line in the store section.
void store_key(Bundle& bundle, const char* key) {
    StoredText value = store_read(key);
    if (!value.ok()) {
        bundle.store.append(key);
        bundle.store.append(" unreadable\n");
        step_failed(bundle, "store", key);
        return;
    }
    bundle.store.append(key);
    bundle.store.append('=');
    if (is_secret_key(key) && value.count != 0) {
        append_secret(bundle.store, value.view());
        bundle.secrets.add(key, value.view());
        bundle.redactions.append("store ");
        bundle.redactions.append(key);
        bundle.redactions.append(": ");
        append_secret(bundle.redactions, value.view());
        bundle.redactions.append('\n');
    } else {
        append_shown(bundle.store, value.view());
    }
    bundle.store.append('\n');
}

// Whether `key` appears in `lines` before `before`.
bool named_before(std::string_view content, std::size_t before, std::string_view key) {
    std::size_t pos = 0;
    std::string_view line;
    while (pos < before && next_line(content, pos, line)) {
        const std::size_t eq = line.find('=');
        if (eq != std::string_view::npos && field_at(line, 0, eq) == key) return true;
    }
    return false;
}

// The stand-in file's keys: the names relaywatch does not read, and the
// values of those whose names say they are secrets.
void list_store_file(Bundle& bundle, const char* file) {
    TextBuffer content;
    if (!read_file(file, content, kStoreFileLimit)) {
        bundle.store_names.append("# the store file cannot be read\n");
        step_failed(bundle, "store-names", "the store file cannot be read");
        return;
    }
    std::size_t pos = 0;
    std::string_view line;
    while (true) {
        const std::size_t at = pos;
        if (!next_line(content.view(), pos, line)) break;
        if (line.empty() || line.front() == '#') continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = field_at(line, 0, eq);
        if (is_secret_key(key)) bundle.secrets.add(key, field_at(line, eq + 1, line.size()));
        if (read_by_relaywatch(key) || named_before(content.view(), at, key)) continue;
        append_shown(bundle.store_names, key);
        bundle.store_names.append('\n');
    }
    step_ok(bundle, "store-names");
}

}  // namespace

void collect_store(Bundle& bundle) {
    const char* file = plat::store_file_name();
    if (file != nullptr) {
        bundle.router.append("store: file ");
        append_shown(bundle.router, file);
        bundle.router.append('\n');
    } else {
        bundle.router.append("store: library\n");
    }
    const std::size_t stepsBefore = bundle.steps.size;
    std::size_t pos = 0;
    std::string_view name;
    while (next_name(std::string_view(kSnapshotKeyNames, sizeof kSnapshotKeyNames - 1), pos, name)) {
        store_key(bundle, name.data());  // zero-terminated in the list
    }
    for (const char* key : {kStoreOwnSsid, kStoreBandwidth, kStorePsk, kStoreWepKeyId, kStoreWepKey}) {
        store_key(bundle, key);
    }
    if (bundle.steps.size == stepsBefore) step_ok(bundle, "store");
    pos = 0;
    while (next_name(std::string_view(kOtherSecretKeys, sizeof kOtherSecretKeys - 1), pos, name)) {
        StoredText value = store_read(name.data());
        bundle.secrets.add(name, value.view());
    }
    if (file != nullptr) {
        list_store_file(bundle, file);
    } else {
        bundle.store_names.append("# a store library cannot list its keys\n");
        step_failed(bundle, "store-names", "a store library cannot list its keys");
    }
}

}  // namespace report

// SPDX-License-Identifier: ISC
#include "sim/tracks/record.h"

#include <algorithm>
#include <cstdio>

namespace rwsim {

std::string format_stamp(long t, int day_width) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "[%*ldd %02ld:%02ld:%02ld]", day_width, t / 86400, t / 3600 % 24, t / 60 % 60,
                  t % 60);
    return buf;
}

int day_width_for(long end) {
    int width = 1;
    for (long days = (end > 0 ? end - 1 : 0) / 86400; days >= 10; days /= 10) ++width;
    return width;
}

Recorder::Recorder(long end) : end_(end) {
    bin_width_ = std::max(1L, (end + static_cast<long>(kMaxBins) - 1) / static_cast<long>(kMaxBins));
    bins_.resize(static_cast<std::size_t>((end + bin_width_ - 1) / bin_width_));
}

Bin* Recorder::bin_at(long t) {
    if (t < 0 || t >= end_) return nullptr;
    return &bins_[static_cast<std::size_t>(t / bin_width_)];
}

namespace {

void track(std::int32_t& first, std::int32_t& last, std::int32_t& lo, std::int32_t& hi, int value) {
    const std::int32_t v = value;
    if (first < 0) {
        first = lo = hi = v;
    } else {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    last = v;
}

}  // namespace

void Recorder::second(long t, bool link, bool ra0, int ra0_channel, int upstream_channel) {
    Bin* bin = bin_at(t);
    if (bin == nullptr) return;
    ++seconds;
    ++bin->seconds;
    if (link) {
        ++link_seconds;
        ++bin->link_up;
    }
    if (ra0_up_ && !ra0) ++ra0_off_episodes;
    ra0_up_ = ra0;
    if (ra0) {
        ++ra0_seconds;
        ++bin->ra0_up;
        if (!link) ++ra0_alone_seconds;
    }
    if (ra0_channel > 0) track(bin->ra0_first, bin->ra0_last, bin->ra0_min, bin->ra0_max, ra0_channel);
    for (int c : {ra0_channel, upstream_channel}) {
        if (c > 0 && static_cast<std::size_t>(c) < kChannelNumbers) bin->channels.set(static_cast<std::size_t>(c));
    }
    if (upstream_channel > 0) {
        track(bin->up_first, bin->up_last, bin->up_min, bin->up_max, upstream_channel);
    } else {
        ++bin->upstream_absent;
    }
    if (link && ra0 && first_up < 0) {
        first_up = t;
        first_up_channel = ra0_channel;
    }
    if (change_open_ && link && ra0) close_change(t - open_.at, ra0_channel);
}

void Recorder::stretch(long from, long to, bool link, bool ra0, int ra0_channel, int upstream_channel) {
    from = std::max(from, 0L);
    to = std::min(to, end_);
    if (from >= to) return;
    second(from, link, ra0, ra0_channel, upstream_channel);  // the first second may close a change
    const long rest = to - from - 1;
    seconds += rest;
    if (link) link_seconds += rest;
    if (ra0) ra0_seconds += rest;
    if (ra0 && !link) ra0_alone_seconds += rest;
    for (long t = from + 1; t < to;) {
        Bin& bin = bins_[static_cast<std::size_t>(t / bin_width_)];
        const long next = std::min(to, (t / bin_width_ + 1) * bin_width_);
        const auto n = static_cast<std::uint32_t>(next - t);
        bin.seconds += n;
        if (link) bin.link_up += n;
        if (ra0) bin.ra0_up += n;
        if (ra0_channel > 0) track(bin.ra0_first, bin.ra0_last, bin.ra0_min, bin.ra0_max, ra0_channel);
        if (upstream_channel > 0) {
            track(bin.up_first, bin.up_last, bin.up_min, bin.up_max, upstream_channel);
        } else {
            bin.upstream_absent += n;
        }
        t = next;
    }
}

void Recorder::recovery(long t) {
    if (Bin* bin = bin_at(t)) {
        ++recoveries;
        if (bin->recoveries++ == 0) bin->first_recovery = t;
    }
}

void Recorder::reprogram(long t) {
    if (Bin* bin = bin_at(t)) {
        ++reprograms;
        ++bin->reprograms;
    }
}

void Recorder::security_reprogram(long t, const std::string& text) {
    Bin* bin = bin_at(t);
    if (bin == nullptr || t == last_security_) return;
    last_security_ = t;
    ++security_reprograms;
    if (bin->security_reprograms++ == 0) {
        bin->first_security = t;
        bin->security_text = text;
    }
}

void Recorder::event(long t, EventClass kind, const std::string& label) {
    Bin* bin = bin_at(t);
    if (bin == nullptr) return;
    ++events;
    ++bin->events;
    EventNote& note = bin->notes[static_cast<std::size_t>(kind)];
    if (note.count++ == 0) {
        note.at = t;
        note.label = label;
    }
    if (marks_.size() < kLabelledEvents) marks_.push_back({t, label});
}

bool Recorder::wants_daemon_line(long t) const {
    return t >= 0 && t < end_ && bins_[static_cast<std::size_t>(t / bin_width_)].daemon_at < 0;
}

void Recorder::daemon_line(long t, const std::string& text) {
    if (!wants_daemon_line(t)) return;
    Bin& bin = bins_[static_cast<std::size_t>(t / bin_width_)];
    bin.daemon_at = t;
    // At most 160 bytes, cut back to a character's first byte.
    std::size_t cut = std::min<std::size_t>(text.size(), 160);
    while (cut < text.size() && cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    bin.daemon_line = text.substr(0, cut);
}

void Recorder::change(long t, const std::string& what, ChangeKind kind) {
    if (t >= end_) return;
    if (change_open_ && open_.at == t) {
        open_.what += "; " + what;
        if (kind != open_kind_) open_kind_ = ChangeKind::Other;  // two kinds at once: neither alone
        return;
    }
    if (change_open_) close_change(-2, 0);
    ++changes;
    change_open_ = true;
    open_kind_ = kind;
    open_ = ChangeRecord{t, what, -1, 0};
}

void Recorder::mismatch(long t, const std::string& text) {
    Bin* bin = bin_at(t);
    if (bin == nullptr) return;
    ++mismatches;
    if (bin->mismatches++ == 0) {
        bin->first_mismatch = t;
        bin->mismatch_text = text;
    }
}

void Recorder::close_change(long took, int channel) {
    change_open_ = false;
    open_.took = took;
    open_.channel = channel;
    if (took >= 0) {
        ++changes_recovered;
        recovery_sum += took;
        recovery_max = std::max(recovery_max, took);
        Reactions* r = open_kind_ == ChangeKind::LinkDrop      ? &drops
                       : open_kind_ == ChangeKind::ChannelMove ? &moves
                                                               : nullptr;
        if (r != nullptr) {
            ++r->recovered;
            r->sum += took;
            r->worst = std::max(r->worst, took);
        }
    } else if (took == -2) {
        ++changes_overtaken;
    } else {
        ++changes_open_at_end;
    }
    if (listed_.size() < kListedChanges) listed_.push_back(open_);
}

void Recorder::finish() {
    if (change_open_) close_change(-1, 0);
}

}  // namespace rwsim

// SPDX-License-Identifier: ISC
// The link watch's and the recovery cycle's counts, apart from the rest of
// the daemon's header so that a reader of its log can use them.
#pragma once

// Consecutive equal samples (each following an equal one) that switch ra0.
inline constexpr int kGateHysteresis = 5;

// Tries of the link wait after a hidden access point's settings are applied;
// each sleeps a second before it asks.
inline constexpr int kLinkWaitTries = 5;

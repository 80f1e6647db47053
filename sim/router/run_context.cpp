// SPDX-License-Identifier: ISC
#include "sim/router/run_context.h"

#include "platform/io.h"

namespace rwsim {

SimRun::SimRun(const Scenario& scenario, long end, std::ostream* out, const RouterTaps& taps)
    : console_(out, end),
      recorder_(std::make_unique<Recorder>(end)),
      router_(scenario, end, console_, *recorder_, taps) {
    console_.set_clock(router_.clock());
    console_.set_recorder(recorder_.get());
    console_.set_transcript(taps.transcript);
    platform_.router = &router_;
    platform_.console = &console_;
    debug = 0;
    sim_platform_attach(&platform_);
    router_.start();
}

SimRun::~SimRun() {
    sim_platform_detach();
    debug = 0;
}

std::unique_ptr<Recorder> SimRun::finish() {
    recorder_->finish();
    console_.set_recorder(nullptr);
    return std::move(recorder_);
}

}  // namespace rwsim

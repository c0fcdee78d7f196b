#pragma once

#include <memory>

#include "sim/simulation.h"
#include "sim_link.h"
#include "sim_virtual_clock.h"

// A simulated reader on a virtual clock: every wait passes at once, and the clock tells
// exactly how much line time a conversation took.
struct VirtualBench {
  explicit VirtualBench(driver::sim::ReaderSetup setup = {})
      : clock(std::make_shared<VirtualClock>()), simulation(Traced(std::move(setup)), clock) {}

  static driver::sim::ReaderSetup Traced(driver::sim::ReaderSetup setup) {
    setup.trace = true;
    return setup;
  }
  std::string TraceText() const { return driver::sim::TraceText(simulation.Trace()); }
  double Milliseconds() const { return std::chrono::duration<double, std::milli>(clock->Now()).count(); }

  std::shared_ptr<VirtualClock> clock;
  driver::sim::Simulation simulation;
};

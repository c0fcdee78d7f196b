#include "sim/simulation.h"

#include <stdexcept>

#include "serial/driver/device.h"
#include "sim/reader.h"
#include "sim/simulated_device.h"

namespace driver::sim {

namespace {

std::shared_ptr<Reader> MakeReader(const ReaderSetup& setup, std::shared_ptr<Clock> clock) {
  if (!(setup.noiseRate >= 0 && setup.noiseRate <= 1))
    throw std::invalid_argument("The line noise rate must lie between 0 and 1");
  if (!clock) clock = std::make_shared<ScaledClock>(setup.speedFactor);
  Card card(CardMemory(setup.eeprom, setup.imagePath, setup.stuckCells), setup.atr, setup.card);
  return std::make_shared<Reader>(setup, std::move(card), std::move(clock));
}

}  // namespace

Simulation::Simulation(const ReaderSetup& setup, std::shared_ptr<Clock> clock)
    : held_(setup.heldByAnotherProgram), reader_(MakeReader(setup, std::move(clock))) {}

Simulation::~Simulation() = default;

int Simulation::Open(const std::string&, std::shared_ptr<Device>& device) {
  if (held_) return BusyError();
  unsigned session = 0;
  if (const int error = reader_->Open(session)) return error;
  device = std::make_shared<SimulatedDevice>(reader_, session);
  return 0;
}

std::string Simulation::Memory() const { return reader_->Memory(); }

std::vector<TraceEntry> Simulation::Trace() const { return reader_->Trace(); }

}  // namespace driver::sim

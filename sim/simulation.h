#pragma once

#include <memory>
#include <string>
#include <vector>

#include "serial/driver/device.h"
#include "sim/clock.h"
#include "sim/setup.h"
#include "sim/trace.h"

namespace driver::sim {

class Reader;

// A simulated reader with its card, served as a device factory: attach it to a port
// name in the PortDirectory and the serial component opens it like any other port.
// One open at a time; a second opener gets the platform's busy error.
class Simulation : public DeviceFactory {
 public:
  // Throws std::runtime_error for an image file that cannot be used and
  // std::invalid_argument for impossible settings. Without a clock, real time runs
  // `setup.speedFactor` times faster.
  explicit Simulation(const ReaderSetup& setup, std::shared_ptr<Clock> clock = nullptr);
  ~Simulation() override;

  int Open(const std::string& portName, std::shared_ptr<Device>& device) override;

  std::string Memory() const;              // the card's EEPROM now
  std::vector<TraceEntry> Trace() const;   // the line so far, when tracing

 private:
  bool held_;
  std::shared_ptr<Reader> reader_;
};

}  // namespace driver::sim

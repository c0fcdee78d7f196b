#pragma once

#include <string>
#include <vector>

#include "apps/common/port_discovery.h"

namespace driver {
class PortDirectory;
}

// The device each COMn stands for, as the user chose it and the settings file keeps it
// ([Ports] COM1=/dev/serial/by-id/...), put into effect in a port directory.
class PortChoices {
 public:
  PortChoices(PortPlaces places, driver::PortDirectory& directory)
      : places_(std::move(places)), directory_(directory) {}

  // Maps every usable saved choice. With none saved and no mapping on the command line
  // (`commandLineMaps`), COM1 stands for the one USB adapter present while /dev/ttyS0
  // has no UART. Returns what the user is told once: that choice and each saved
  // choice left out with its reason, "" when there is nothing to tell. A settings file
  // that cannot be read or makes no sense never stops the program. Without a settings
  // file ("") nothing is restored or chosen.
  std::string Restore(bool commandLineMaps);

  // COMn's device from now on, saved at once (atomically); "" clears the choice, and
  // COMn stands for its system device again. Raises EIniFileException when the
  // settings file cannot be written; the map is then as it was.
  void Choose(const std::string& port, const std::string& path);

  std::string PathOf(const std::string& port) const;

  // The ports to choose from (without the legacy ports that have no UART), and all.
  std::vector<SerialPort> Ports() const { return FindSerialPorts(places_.folders, false); }
  std::vector<SerialPort> AllPorts() const { return FindSerialPorts(places_.folders, true); }

  // "COM1 : /dev/serial/by-id/usb-… = /dev/ttyUSB0 (USB 0403:6001 …)": what the port
  // stands for, described from `found` (AllPorts).
  std::string WhatStandsFor(const std::string& port, const std::vector<SerialPort>& found) const;

 private:
  std::string ChooseTheOnlyAdapter();

  PortPlaces places_;
  driver::PortDirectory& directory_;
};

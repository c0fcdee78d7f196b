#pragma once

#include <memory>
#include <string>
#include <vector>

#include "card/card_link.h"
#include "recording_toolkit.h"
#include "serial/comport.h"
#include "serial/driver/directory.h"
#include "sim/simulation.h"

// A card link over a private port directory in which no name reaches a real device:
// COM1 is a reader set up by the test (faults and all), COM2 a reader with a good card.
class CardBench {
  // First: the port closes its device before the readers go.
  double speedFactor_;
  driver::PortDirectory ports_;
  RecordingToolkit toolkit_;
  std::shared_ptr<driver::sim::Simulation> faulty_;
  std::shared_ptr<driver::sim::Simulation> good_;
  int portIndex_ = 0;

 public:
  CardBench(driver::sim::ReaderSetup faulty, double speedFactor);

  // Which reader the next operation uses.
  void UseFaulty() { portIndex_ = 0; }
  void UseGood() { portIndex_ = 1; }
  // Puts a fresh reader, set up as given, in place of the one on COM1.
  void ReplaceFaulty(driver::sim::ReaderSetup setup);

  driver::sim::Simulation& Faulty() { return *faulty_; }
  driver::sim::Simulation& Good() { return *good_; }

  // The message of the error an operation raised, "" when it succeeded.
  std::string Read(TBuffer& buffer);
  std::string Write(const TBuffer& buffer);
  // Drops what the bench recorded so far (ATRs, progress calls), so that a long run
  // measures the program's memory and not the bench's records.
  void ForgetRecords();

  std::vector<std::string> atrs;  // every ATR text the link showed, in order
  TComPort port;
  TCardLink link;

 private:
  std::shared_ptr<driver::sim::Simulation> Attach(driver::sim::ReaderSetup setup,
                                                  const std::string& name);
};

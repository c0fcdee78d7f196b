#include "support/command_fixture.h"

#include <algorithm>
#include <sstream>

#include "card/card_port.h"
#include "card/buffer.h"
#include "serial/driver/directory.h"
#include "sim/trace.h"
#include "ui/listing_text.h"

using driver::sim::ReaderSetup;

ReaderSetup Card(driver::sim::Eeprom eeprom) {
  ReaderSetup setup;
  setup.eeprom = eeprom;
  setup.speedFactor = 2000;
  setup.trace = true;
  return setup;
}

ReaderSetup EmptySlot() {
  ReaderSetup setup = Card();
  setup.cardInserted = false;
  return setup;
}

std::string ListingOf(const std::string& bytes) {
  TBuffer buffer;
  buffer.SetData(bytes);
  return ui::ListingForDisplay(buffer.Dump());
}

std::string Noise(std::size_t size) {
  std::string bytes(size, '\0');
  std::uint32_t state = 12345;
  for (char& b : bytes) {
    state = state * 1103515245u + 12345u;
    b = static_cast<char>(state >> 16);
  }
  return bytes;
}

std::vector<std::string> TraceLines(const driver::sim::Simulation& simulation) {
  std::vector<std::string> lines;
  std::istringstream text(driver::sim::TraceText(simulation.Trace()));
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  return lines;
}

int CountLines(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

CommandFixture::CommandFixture() {
  for (const char* port : {"COM1", "COM2", "COM3", "COM4"}) Attach(port, EmptySlot());
}

CommandFixture::~CommandFixture() { driver::PortDirectory::Instance().DetachAll(); }

driver::sim::Simulation& CommandFixture::Attach(const std::string& port, const ReaderSetup& setup) {
  auto simulation = std::make_shared<driver::sim::Simulation>(setup);
  driver::PortDirectory::Instance().Attach(port, simulation);
  simulations_[port] = simulation;
  return *simulation;
}

std::string CommandFixture::File(const std::string& name, const std::string& bytes) {
  WriteWholeFile(folder.File(name), bytes);
  return folder.File(name);
}

CoreTest::CoreTest() {
  ApplyCardPortSettings(port);
  core.CardLink().PortIndex = [this] { return portIndex; };
  core.ChooseSize(2);
  core.UpdateView();
}

std::vector<std::string> CoreTest::Errors() const {
  std::vector<std::string> errors;
  for (const std::string& message : reported_.Messages()) errors.push_back(ui::WithFullStop(message));
  return errors;
}

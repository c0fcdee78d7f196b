#include "card_bench.h"

#include <exception>
#include <functional>

#include "card/card_port.h"

CardBench::CardBench(driver::sim::ReaderSetup faulty, double speedFactor)
    : speedFactor_(speedFactor), link(port, toolkit_, nullptr) {
  for (int n = 1; n <= 4; ++n)
    ports_.MapPort("COM" + std::to_string(n), "/nonexistent/belvanto-tests/COM" + std::to_string(n));
  faulty_ = Attach(std::move(faulty), "COM1");
  good_ = Attach({}, "COM2");
  ApplyCardPortSettings(port);
  port.SetDeviceFactory(&ports_);
  link.PortIndex = [this] { return portIndex_; };
  link.OnATR = [this](const std::string& text) { atrs.push_back(text); };
}

void CardBench::ReplaceFaulty(driver::sim::ReaderSetup setup) { faulty_ = Attach(std::move(setup), "COM1"); }

std::shared_ptr<driver::sim::Simulation> CardBench::Attach(driver::sim::ReaderSetup setup,
                                                           const std::string& name) {
  setup.speedFactor = speedFactor_;
  auto simulation = std::make_shared<driver::sim::Simulation>(setup);
  ports_.Attach(name, simulation);
  return simulation;
}

namespace {

std::string MessageOf(const std::function<void()>& operation) {
  try {
    operation();
    return "";
  } catch (const std::exception& e) {
    return e.what();
  }
}

}  // namespace

std::string CardBench::Read(TBuffer& buffer) {
  return MessageOf([&] { link.ReadCard("Lecture", buffer); });
}

std::string CardBench::Write(const TBuffer& buffer) {
  return MessageOf([&] { link.WriteCard("Écriture", buffer); });
}

void CardBench::ForgetRecords() {
  atrs.clear();
  atrs.shrink_to_fit();
  toolkit_.log.clear();
  toolkit_.log.shrink_to_fit();
}

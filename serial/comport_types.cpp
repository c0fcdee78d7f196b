#include "serial/comport_types.h"

#include <array>

#include "serial/driver/records.h"

namespace {

// The driver's bit of each line event, by ordinal.
constexpr std::array<std::uint32_t, evRx80Full + 1> kEventBits = {
    driver::EV_RXCHAR, driver::EV_TXEMPTY, driver::EV_RXFLAG, driver::EV_RING, driver::EV_BREAK,
    driver::EV_CTS,    driver::EV_DSR,     driver::EV_ERR,    driver::EV_RLSD, driver::EV_RX80FULL};

}  // namespace

std::uint32_t EventsToMask(TComEvents events) {
  std::uint32_t mask = 0;
  for (int event = evRxChar; event <= evRx80Full; ++event)
    if (events.Contains(static_cast<TComEvent>(event))) mask |= kEventBits[event];
  return mask;
}

TComEvents MaskToEvents(std::uint32_t mask) {
  TComEvents events;
  for (int event = evRxChar; event <= evRx80Full; ++event)
    if ((mask & kEventBits[event]) != 0) events.Include(static_cast<TComEvent>(event));
  return events;
}

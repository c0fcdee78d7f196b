#include "sim/waveform.h"

#include <algorithm>
#include <bit>

namespace driver::sim {

namespace {

// Speeds a UART of this kind can be set to.
constexpr std::uint32_t kMaxBaud = 4'000'000;

}  // namespace

unsigned FrameFormat::BitAt(Time offset) const {
  auto bit = static_cast<unsigned>(offset.count() * std::int64_t{baud} / 1'000'000'000);
  // The bit starts are rounded down to whole nanoseconds; follow them exactly.
  if (BitStart(bit + 1) <= offset) ++bit;
  return bit;
}

std::optional<FrameFormat> FormatOf(const DCB& dcb) {
  if (dcb.BaudRate == 0 || dcb.BaudRate > kMaxBaud) return std::nullopt;
  if (dcb.ByteSize < 5 || dcb.ByteSize > 8 || dcb.Parity > SPACEPARITY) return std::nullopt;
  if (dcb.StopBits > TWOSTOPBITS) return std::nullopt;
  // A UART knows one and a half stop bits only with 5 data bits, and two only with more.
  if (dcb.StopBits == ONE5STOPBITS && dcb.ByteSize != 5) return std::nullopt;
  if (dcb.StopBits == TWOSTOPBITS && dcb.ByteSize == 5) return std::nullopt;
  FrameFormat format;
  format.baud = dcb.BaudRate;
  format.dataBits = dcb.ByteSize;
  format.parity = dcb.Parity;
  format.stopHalfBits = 2u + dcb.StopBits;
  return format;
}

bool ParityBit(std::uint8_t data, const FrameFormat& format) {
  const auto mask = static_cast<std::uint8_t>((1u << format.dataBits) - 1);
  const bool oddOnes = std::popcount(static_cast<std::uint8_t>(data & mask)) % 2 == 1;
  switch (format.parity) {
    case ODDPARITY:
      return !oddOnes;
    case EVENPARITY:
      return oddOnes;
    case MARKPARITY:
      return true;
    default:
      return false;
  }
}

// --- Transmitter frames ----------------------------------------------------------------

bool Transmitter::Frame::LowAt(Time t) const {
  if (solid) return true;
  const unsigned bit = format.BitAt(t - start);
  return bit < format.BitsBeforeStop() && LowBit(bit);
}

std::optional<Time> Transmitter::Frame::FirstLowFrom(Time t) const {
  if (t <= start) return start;
  if (solid) return t;
  for (unsigned bit = format.BitAt(t - start); bit < format.BitsBeforeStop(); ++bit) {
    if (!LowBit(bit)) continue;
    const Time at = std::max(t, start + format.BitStart(bit));
    if (at < end) return at;
    break;
  }
  return std::nullopt;
}

Time Transmitter::Frame::HighFrom(Time t) const {
  if (solid) return std::max(t, end);
  unsigned bit = format.BitAt(t - start);
  while (bit < format.BitsBeforeStop() && LowBit(bit)) ++bit;
  return std::max(t, std::min(start + format.BitStart(bit), end));
}

// --- Transmitter -----------------------------------------------------------------------

Time Transmitter::Send(std::uint8_t data, const FrameFormat& format, Time earliest,
                       std::uint16_t flips) {
  Frame frame;
  frame.start = std::max(earliest, IdleFrom());
  frame.end = frame.start + format.Length();
  frame.format = format;
  const auto dataMask = static_cast<std::uint16_t>((1u << format.dataBits) - 1);
  std::uint16_t levels = static_cast<std::uint16_t>((data & dataMask) << 1);  // start bit 0
  if (format.parity != NOPARITY && ParityBit(data, format))
    levels |= static_cast<std::uint16_t>(1u << (1 + format.dataBits));
  const auto flipMask = static_cast<std::uint16_t>((1u << (format.BitsBeforeStop() - 1)) - 1);
  frame.levels = static_cast<std::uint16_t>(levels ^ ((flips & flipMask) << 1));
  frames_.push_back(frame);
  return frame.end;
}

bool Transmitter::Pulse(Time from, Time length) {
  if (from < IdleFrom()) return false;
  frames_.push_back(Frame{from, from + length, {}, 0, true});
  return true;
}

void Transmitter::HoldLow(Time from) {
  if (!frames_.empty() && frames_.back().end == kNever) return;
  frames_.push_back(Frame{std::max(from, IdleFrom()), kNever, {}, 0, true});
}

void Transmitter::Release(Time at) {
  if (frames_.empty() || frames_.back().end != kNever) return;
  if (at <= frames_.back().start)
    frames_.pop_back();
  else
    frames_.back().end = at;
}

void Transmitter::StopAt(Time t, bool finishCurrent) {
  while (!frames_.empty() && frames_.back().start >= t) frames_.pop_back();
  if (!frames_.empty() && frames_.back().end > t && !finishCurrent) frames_.back().end = t;
}

void Transmitter::DropBefore(Time t) {
  while (!frames_.empty() && frames_.front().end < t) frames_.pop_front();
}

Time Transmitter::IdleFrom() const { return frames_.empty() ? Time{0} : frames_.back().end; }

std::deque<Transmitter::Frame>::const_iterator Transmitter::After(Time t) const {
  return std::partition_point(frames_.begin(), frames_.end(),
                              [t](const Frame& f) { return f.end <= t; });
}

bool Transmitter::DrivingAt(Time t) const {
  const auto it = After(t);
  return it != frames_.end() && it->start <= t;
}

Time Transmitter::BusyUntil(Time t) const {
  auto it = After(t);
  if (it == frames_.end() || it->start > t) return t;
  Time end = it->end;
  for (++it; it != frames_.end() && it->start == end; ++it) end = it->end;
  return end;
}

bool Transmitter::LowAt(Time t) const {
  const auto it = After(t);
  return it != frames_.end() && it->start <= t && it->LowAt(t);
}

std::optional<Time> Transmitter::FirstLowFrom(Time t) const {
  for (auto it = After(t); it != frames_.end(); ++it)
    if (const auto low = it->FirstLowFrom(t)) return low;
  return std::nullopt;
}

Time Transmitter::FirstHighFrom(Time t) const {
  for (;;) {
    const auto it = After(t);
    if (it == frames_.end() || it->start > t || !it->LowAt(t)) return t;
    t = it->HighFrom(t);
    if (t == kNever) return kNever;
  }
}

// --- Several transmitters --------------------------------------------------------------

bool SharedLine::LowAt(Time t) const {
  return std::any_of(drivers_.begin(), drivers_.end(), [t](auto* d) { return d->LowAt(t); });
}

std::optional<Time> SharedLine::FirstLowFrom(Time t) const {
  std::optional<Time> first;
  for (const auto* driver : drivers_)
    if (const auto low = driver->FirstLowFrom(t); low && (!first || *low < *first)) first = low;
  return first;
}

Time SharedLine::FirstHighFrom(Time t) const {
  for (;;) {
    const Time before = t;
    for (const auto* driver : drivers_) {
      t = driver->FirstHighFrom(t);
      if (t == kNever) return kNever;
    }
    if (t == before) return t;
  }
}

// --- Receiver --------------------------------------------------------------------------

void Receiver::Restart(Time from) {
  huntFrom_ = from;
  awaitingHigh_ = false;
}

std::optional<Reception> Receiver::Next(const Waveform& line, const FrameFormat& format,
                                        const Transmitter* ownTransmitter) const {
  Time hunt = huntFrom_;
  if (awaitingHigh_) {
    hunt = line.FirstHighFrom(hunt);
    if (hunt == kNever) return std::nullopt;
  }
  for (;;) {
    const auto edge = line.FirstLowFrom(hunt);
    if (!edge) return std::nullopt;
    const Time start = *edge;
    if (ownTransmitter && ownTransmitter->DrivingAt(start)) {
      hunt = ownTransmitter->BusyUntil(start);
      continue;
    }
    // A start bit that is gone by its middle was a spike.
    if (!line.LowAt(start + format.Middle(0))) {
      hunt = start + format.Middle(0);
      continue;
    }
    Reception r;
    r.start = start;
    for (unsigned i = 0; i < format.dataBits; ++i)
      if (!line.LowAt(start + format.Middle(1 + i))) r.value |= static_cast<std::uint8_t>(1u << i);
    bool parityLow = true;
    if (format.parity != NOPARITY) {
      parityLow = line.LowAt(start + format.Middle(1 + format.dataBits));
      r.parityError = !parityLow != ParityBit(r.value, format);
    }
    r.decided = start + format.Middle(format.BitsBeforeStop());
    r.framingError = line.LowAt(r.decided);
    r.isBreak = r.framingError && r.value == 0 && parityLow;
    r.end = start + format.Length();
    return r;
  }
}

void Receiver::Consume(const Reception& reception) {
  huntFrom_ = reception.decided;
  awaitingHigh_ = reception.isBreak;
}

}  // namespace driver::sim

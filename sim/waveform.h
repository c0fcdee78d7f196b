#pragma once

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <optional>
#include <vector>

#include "serial/driver/records.h"
#include "sim/clock.h"

// The serial line as levels in time: what each transmitter drives and what a UART
// receiver makes of it. Idle is high (mark); a start bit, a 0 data bit, a pulse and a
// break are low. Several transmitters on one line pull it low together (wired AND).
namespace driver::sim {

// The shape of one character: speed, data bits, parity and stop bits.
struct FrameFormat {
  std::uint32_t baud = 9600;
  unsigned dataBits = 8;
  std::uint8_t parity = ODDPARITY;
  unsigned stopHalfBits = 4;  // 2, 3 or 4: one, one and a half or two stop bits

  unsigned BitsBeforeStop() const { return 1 + dataBits + (parity != NOPARITY ? 1 : 0); }
  // Time from the start of a frame to the start of half-bit `n`.
  Time HalfBits(unsigned n) const {
    return Time(std::int64_t{n} * 1'000'000'000 / (2 * std::int64_t{baud}));
  }
  Time BitStart(unsigned bit) const { return HalfBits(2 * bit); }
  Time Middle(unsigned bit) const { return HalfBits(2 * bit + 1); }
  Time Length() const { return HalfBits(2 * BitsBeforeStop() + stopHalfBits); }
  // The bit under `offset` time into a frame.
  unsigned BitAt(Time offset) const;

  bool operator==(const FrameFormat&) const = default;
};

// The frame the card talks in: 9600 baud, 8 data bits, odd parity, 2 stop bits.
inline constexpr FrameFormat kCardFormat{};

// The frame a DCB asks for, or nothing when a UART could not be set so.
std::optional<FrameFormat> FormatOf(const DCB& dcb);

// The parity bit that goes with `data` (only its format's data bits count).
bool ParityBit(std::uint8_t data, const FrameFormat& format);

// Levels in time that can be asked about.
class Waveform {
 public:
  virtual ~Waveform() = default;
  virtual bool LowAt(Time t) const = 0;
  // The first moment from `t` on at which the level is low.
  virtual std::optional<Time> FirstLowFrom(Time t) const = 0;
  // The first moment from `t` on at which the level is high; kNever if it stays low.
  virtual Time FirstHighFrom(Time t) const = 0;
};

// One transmitter's output: frames in time order, never overlapping.
class Transmitter : public Waveform {
 public:
  // Sends one character when the transmitter is free, not before `earliest`; the bits
  // set in `flips` (bit 0 = first data bit) arrive inverted. Returns its end.
  Time Send(std::uint8_t data, const FrameFormat& format, Time earliest, std::uint16_t flips = 0);
  // Holds the line low over [from, from + length) unless something is sent then.
  bool Pulse(Time from, Time length);
  // Holds the line low from `from` until Release.
  void HoldLow(Time from);
  void Release(Time at);
  // Stops driving the line at `t`: later frames are dropped; the frame under way is
  // cut at `t`, or finishes when `finishCurrent`.
  void StopAt(Time t, bool finishCurrent);
  // Forgets frames that ended before `t`.
  void DropBefore(Time t);

  Time IdleFrom() const;  // end of the last queued frame
  bool DrivingAt(Time t) const;
  // End of the run of back-to-back frames that covers `t`.
  Time BusyUntil(Time t) const;

  bool LowAt(Time t) const override;
  std::optional<Time> FirstLowFrom(Time t) const override;
  Time FirstHighFrom(Time t) const override;

 private:
  struct Frame {
    Time start;
    Time end;
    FrameFormat format;
    std::uint16_t levels = 0;  // bit i: level of bit i before the stop bits
    bool solid = false;        // low all along (a pulse or a break)

    bool LowBit(unsigned bit) const { return ((levels >> bit) & 1u) == 0; }
    bool LowAt(Time t) const;
    std::optional<Time> FirstLowFrom(Time t) const;
    Time HighFrom(Time t) const;
  };

  // The first frame that ends after `t`.
  std::deque<Frame>::const_iterator After(Time t) const;

  std::deque<Frame> frames_;
};

// Several transmitters on one line.
class SharedLine : public Waveform {
 public:
  SharedLine(std::initializer_list<const Transmitter*> drivers) : drivers_(drivers) {}
  bool LowAt(Time t) const override;
  std::optional<Time> FirstLowFrom(Time t) const override;
  Time FirstHighFrom(Time t) const override;

 private:
  std::vector<const Transmitter*> drivers_;
};

// One character as a receiver saw it.
struct Reception {
  Time start;    // the falling edge taken for the start bit
  Time decided;  // the last sample (middle of the first stop bit)
  Time end;      // the end of the frame: the character is complete
  std::uint8_t value = 0;
  bool parityError = false;
  bool framingError = false;
  bool isBreak = false;
};

// A UART receiver: hunts for a falling edge, checks the start bit in its middle,
// samples every bit in its middle and checks the first stop bit.
class Receiver {
 public:
  void Restart(Time from);
  // The next character on `line` as far as the line is known now. A receiver that
  // belongs to `ownTransmitter`'s side does not listen while that one sends.
  std::optional<Reception> Next(const Waveform& line, const FrameFormat& format,
                                const Transmitter* ownTransmitter = nullptr) const;
  void Consume(const Reception& reception);
  Time HuntFrom() const { return huntFrom_; }

 private:
  Time huntFrom_{0};
  bool awaitingHigh_ = false;  // after a break, until the line is idle again
};

}  // namespace driver::sim

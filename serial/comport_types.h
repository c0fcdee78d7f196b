#pragma once

#include <cstdint>
#include <initializer_list>

// The value types of the serial port component: its setting enumerations and its
// small sets. Enumerators keep their order: the ordinal is what the driver tables and
// the set bits are indexed by.

enum TBaudRate {
  brCustom,
  br110,
  br300,
  br600,
  br1200,
  br2400,
  br4800,
  br9600,
  br14400,
  br19200,
  br38400,
  br56000,
  br57600,
  br115200,
  br128000,
  br256000
};
enum TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TDataBits { dbFive, dbSix, dbSeven, dbEight };
enum TParityBits { prNone, prOdd, prEven, prMark, prSpace };
enum TDTRFlowControl { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TFlowControl { fcHardware, fcSoftware, fcNone, fcCustom };
enum TComEvent {
  evRxChar,
  evTxEmpty,
  evRxFlag,
  evRing,
  evBreak,
  evCTS,
  evDSR,
  evError,
  evRLSD,
  evRx80Full
};
enum TSyncMethod { smThreadSync, smWindowSync, smNone };
enum TComError { ceFrame, ceRxParity, ceOverrun, ceBreak, ceIO, ceMode, ceRxOver, ceTxFull };
enum TComSignal { csCTS, csDSR, csRing, csRLSD };
enum TAsyncKind : std::uint8_t { akWrite, akRead };
// Groups of settings that saving and loading touch; the ordinal is the bit.
enum TStoredGroup { sgBasic, sgFlowDetails, sgBuffer, sgTimeouts, sgParityDetails, sgOthers };

// A set of the first `Count` enumerators of E, member n held in bit n of `Word`.
// Bits above the members are always clear.
template <typename E, typename Word, int Count>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> members) {
    for (const E member : members) Include(member);
  }

  static constexpr TSet FromBits(Word bits) {
    TSet set;
    set.bits_ = static_cast<Word>(bits & kAllBits);
    return set;
  }
  static constexpr TSet All() { return FromBits(kAllBits); }

  constexpr Word Bits() const { return bits_; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr bool Contains(E member) const { return (bits_ & Bit(member)) != 0; }
  constexpr void Include(E member) { bits_ = static_cast<Word>(bits_ | Bit(member)); }

  friend constexpr bool operator==(TSet, TSet) = default;

 private:
  static constexpr Word kAllBits = static_cast<Word>((1u << Count) - 1);
  static constexpr Word Bit(E member) { return static_cast<Word>(1u << member); }

  Word bits_ = 0;
};

using TComEvents = TSet<TComEvent, std::uint16_t, evRx80Full + 1>;
using TComErrors = TSet<TComError, std::uint8_t, ceTxFull + 1>;
using TComSignals = TSet<TComSignal, std::uint8_t, csRLSD + 1>;
using TStoredGroups = TSet<TStoredGroup, std::uint8_t, sgOthers + 1>;

// The driver's event bits (EV_*) of a set of line events, and back; bits of the mask
// that stand for no event are ignored.
std::uint32_t EventsToMask(TComEvents events);
TComEvents MaskToEvents(std::uint32_t mask);

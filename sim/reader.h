#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "serial/driver/event.h"
#include "serial/driver/records.h"
#include "sim/card.h"
#include "sim/clock.h"
#include "sim/setup.h"
#include "sim/trace.h"
#include "sim/waveform.h"
#include "serial/driver/transfer_timing.h"

namespace driver::sim {

// One started read or write; shared by the reader and the transfer that waits on it.
struct TransferOp {
  bool isRead = true;
  char* buffer = nullptr;  // reads: the caller's memory
  std::size_t count = 0;
  std::size_t moved = 0;
  Time start{0};
  std::optional<Time> lastByte;  // reads: when the last byte came
  TransferTiming timing;         // reads
  Time endsAt{0};                // writes
  bool done = false;
  int error = 0;
};

// The simulated reader with its card and the line between them and the host port.
//
// The line is a timeline in simulated time: a write puts its characters on the line at
// once with the times they will occupy it, the card's answers likewise when the card
// has taken a command. Nothing runs by itself: every call first brings the simulation
// up to the clock's present, taking each due step (a character complete at a receiver,
// a time-out, a write ending) in time order. A thread that waits sleeps until the
// earliest moment its wait can end or another thread changes something. Steps are not
// such changes: they follow from time alone, and no wait can end by one before the
// moment its thread sleeps until, so whichever thread takes them wakes nobody.
//
// The host port is opened by one device at a time (`session`); calls of an older
// session fail with EBADF, every call after the reader was unplugged with EIO.
class Reader {
 public:
  Reader(const ReaderSetup& setup, Card card, std::shared_ptr<Clock> clock);

  int Open(unsigned& session);
  void Close(unsigned session);

  int SetQueueSizes(unsigned session, std::uint32_t input);
  int SetState(unsigned session, const DCB& dcb);
  int SetTimeouts(unsigned session, const COMMTIMEOUTS& timeouts);
  int StartRead(unsigned session, void* buffer, std::size_t count,
                std::shared_ptr<TransferOp>& op, std::size_t& immediate);
  int StartWrite(unsigned session, const void* buffer, std::size_t count,
                 std::shared_ptr<TransferOp>& op, std::size_t& immediate);
  int WaitFor(TransferOp& op, std::size_t& moved);
  // The transfer's owner is gone: a read no longer touches its memory.
  void Abandon(TransferOp& op);
  int Purge(unsigned session, std::uint32_t flags);
  int ClearErrors(unsigned session, std::uint32_t& errors, std::uint32_t& inQueue);
  int ModemStatus(unsigned session, std::uint32_t& status);
  int Escape(unsigned session, std::uint32_t function);
  int SetEventMask(unsigned session, std::uint32_t mask);
  int WaitEvent(unsigned session, std::uint32_t& occurred, const WakeEvent& stop);

  std::string Memory() const;
  std::vector<TraceEntry> Trace() const;

 private:
  class Section;

  struct Step {
    enum Kind { CardHears, HostHears, WriteEnds, ReadExpires, CardPulled, ReaderUnplugged };
    Kind kind;
    Time at;
    Reception reception;
    std::shared_ptr<TransferOp> op;
  };

  // --- the line and the card
  bool CardListening() const;
  bool HostListening() const;
  std::optional<Step> NextStep() const;
  void AdvanceTo(Time now);
  void Run(const Step& step);
  void OnCardHears(const Reception& r);
  void OnHostHears(const Reception& r);
  Time SendFromCard(const std::string& plain, Time earliest);
  // The host's next character starts when its transmitter is free, and not before the
  // line has been idle for one bit after a break: a receiver needs that to see it.
  Time HostFreeFrom() const;
  Time SendFromHost(std::uint8_t byte);
  std::uint16_t NoiseFlips(const FrameFormat& format);
  void SetRts(bool on, Time at);
  void SetDtr(bool on);
  void Record(TraceEntry::Kind kind, Time at, std::uint8_t byte = 0);
  void DropPast(Time now);

  // --- the host port
  int Check(unsigned session) const;
  void ServeReads(Time at);
  std::optional<Time> ExpiryOf(const TransferOp& read) const;
  void EndTransfers(std::deque<std::shared_ptr<TransferOp>>& ops, int error);
  void Raise(std::uint32_t events);
  // The earliest moment `op` can end, so that its waiter need not wake for every step.
  std::optional<Time> EarliestEnd(const TransferOp& op) const;
  std::optional<Time> NextStepTime() const;
  // Sleeps with the lock released until `until`, until another thread changed
  // something, or until `stop` is set.
  void Doze(std::unique_lock<std::mutex>& lock, const WakeEvent* stop, std::optional<Time> until);
  void NotifyIfChanged();

  mutable std::mutex mutex_;
  std::shared_ptr<Clock> clock_;
  const ReaderSetup setup_;
  bool changed_ = false;
  std::vector<WakeEvent*> sleepers_;
  // Wake events of past sleepers, for the next ones: one made for every wait cost two
  // system calls between the end of a reply and the host's next command.
  std::vector<std::unique_ptr<WakeEvent>> spareWakes_;
  Time now_{0};  // how far the simulation has run

  // The line: the host's transmitter with its break, the card's transmitter.
  Transmitter hostTx_;
  Transmitter hostBreak_;
  Transmitter cardTx_;
  SharedLine hostSide_{&hostTx_, &hostBreak_};
  SharedLine wholeLine_{&hostTx_, &hostBreak_, &cardTx_};
  Receiver hostRx_;
  Receiver cardRx_;
  std::mt19937 noise_;
  std::vector<TraceEntry> trace_;

  // The card and the reader.
  Card card_;
  bool cardInSlot_;
  bool rts_ = false;
  bool dtr_ = false;
  bool breakOn_ = false;
  Time markAfterBreak_{0};
  unsigned commandsAnswered_ = 0;
  std::optional<Time> pullAt_;
  std::optional<Time> unplugAt_;
  bool unplugged_ = false;

  // The host port.
  bool open_ = false;
  unsigned session_ = 0;
  DCB dcb_;
  FrameFormat hostFormat_;
  COMMTIMEOUTS timeouts_;
  std::size_t inputCapacity_ = 0;
  std::deque<std::uint8_t> input_;
  std::uint32_t errors_ = 0;
  std::uint32_t mask_ = 0;
  std::uint32_t events_ = 0;
  unsigned maskChanges_ = 0;
  std::deque<std::shared_ptr<TransferOp>> reads_;
  std::deque<std::shared_ptr<TransferOp>> writes_;
};

// Every call holds the lock for its whole length, first brings the simulation up to
// the present and, before it lets go, wakes the sleepers if anything changed.
class Reader::Section {
 public:
  explicit Section(Reader& reader, bool changes = true) : reader_(reader), lock_(reader.mutex_) {
    reader_.AdvanceTo(reader_.clock_->Now());
    if (changes) reader_.changed_ = true;
  }
  ~Section() { reader_.NotifyIfChanged(); }
  Section(const Section&) = delete;
  Section& operator=(const Section&) = delete;
  std::unique_lock<std::mutex>& Lock() { return lock_; }

 private:
  Reader& reader_;
  std::unique_lock<std::mutex> lock_;
};

}  // namespace driver::sim

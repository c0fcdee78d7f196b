#include "sim/reader.h"

#include <algorithm>

namespace driver::sim {

namespace {

// From the end of the reset pulse to the first ATR character: within the 400 to 40000
// clock cycles a card may take.
constexpr Time kAtrDelay = std::chrono::milliseconds(2);
// A card signals a character with bad parity by holding the line low for one bit time
// from the middle of the character's first stop bit on.
constexpr unsigned kErrorSignalHalfBit = 21;

}  // namespace

Reader::Reader(const ReaderSetup& setup, Card card, std::shared_ptr<Clock> clock)
    : clock_(std::move(clock)),
      setup_(setup),
      noise_(setup.noiseSeed),
      card_(std::move(card)),
      cardInSlot_(setup.cardInserted) {}

// --- The line and the card ---------------------------------------------------------------

bool Reader::CardListening() const { return cardInSlot_ && !rts_ && !unplugged_; }

bool Reader::HostListening() const { return open_ && !unplugged_; }

std::optional<Reader::Step> Reader::NextStep() const {
  std::optional<Step> best;
  // On a tie the earlier offer wins: a character that comes as a time-out expires counts.
  const auto offer = [&best](Step step) {
    if (!best || step.at < best->at) best = std::move(step);
  };
  if (CardListening())
    if (const auto r = cardRx_.Next(hostSide_, kCardFormat, &cardTx_))
      offer({Step::CardHears, r->decided, *r, nullptr});
  if (HostListening())
    if (const auto r = hostRx_.Next(wholeLine_, hostFormat_))
      offer({Step::HostHears, r->end, *r, nullptr});
  for (const auto& write : writes_) offer({Step::WriteEnds, write->endsAt, {}, write});
  if (!reads_.empty())
    if (const auto expiry = ExpiryOf(*reads_.front()))
      offer({Step::ReadExpires, *expiry, {}, reads_.front()});
  if (pullAt_) offer({Step::CardPulled, *pullAt_, {}, nullptr});
  if (unplugAt_) offer({Step::ReaderUnplugged, *unplugAt_, {}, nullptr});
  return best;
}

void Reader::AdvanceTo(Time now) {
  now_ = std::max(now_, now);
  for (auto step = NextStep(); step && step->at <= now_; step = NextStep()) Run(*step);
  DropPast(now_);
}

void Reader::Run(const Step& step) {
  switch (step.kind) {
    case Step::CardHears:
      cardRx_.Consume(step.reception);
      OnCardHears(step.reception);
      break;
    case Step::HostHears:
      hostRx_.Consume(step.reception);
      OnHostHears(step.reception);
      break;
    case Step::WriteEnds:
      std::erase(writes_, step.op);
      step.op->done = true;
      if (writes_.empty() && hostTx_.IdleFrom() <= step.at) Raise(EV_TXEMPTY);
      break;
    case Step::ReadExpires:
      reads_.pop_front();
      step.op->done = true;
      if (!reads_.empty()) reads_.front()->start = step.at;
      ServeReads(step.at);
      break;
    case Step::CardPulled:
      pullAt_.reset();
      cardInSlot_ = false;
      cardTx_.StopAt(step.at, false);
      Raise(EV_RLSD);
      break;
    case Step::ReaderUnplugged:
      unplugAt_.reset();
      unplugged_ = true;
      EndTransfers(reads_, EIO);
      EndTransfers(writes_, EIO);
      break;
  }
}

void Reader::OnCardHears(const Reception& r) {
  if (r.isBreak || r.framingError) return;
  if (r.parityError) {
    // The character is refused and would have to come again.
    const Time from = r.start + kCardFormat.HalfBits(kErrorSignalHalfBit);
    if (cardTx_.Pulse(from, kCardFormat.BitStart(1))) Record(TraceEntry::CardErrorSignal, from);
    return;
  }
  const auto answer = card_.Take(InverseConvention(r.value));
  if (!answer) return;
  const Time end = SendFromCard(answer->bytes, r.end + answer->delay);
  if (!answer->endsCommand) return;
  ++commandsAnswered_;
  if (setup_.cardPulledAfter == commandsAnswered_) pullAt_ = end;
  if (setup_.readerUnpluggedAfter == commandsAnswered_) unplugAt_ = end;
}

void Reader::OnHostHears(const Reception& r) {
  if (r.isBreak) {
    errors_ |= CE_BREAK;
    Raise(EV_BREAK);
    return;
  }
  std::uint8_t value = r.value;
  bool lineError = false;
  if (r.framingError) {
    errors_ |= CE_FRAME;
    lineError = true;
  }
  if (r.parityError && (dcb_.Flags & FlagParity)) {
    errors_ |= CE_RXPARITY;
    lineError = true;
    if (dcb_.Flags & FlagErrorChar) value = static_cast<std::uint8_t>(dcb_.ErrorChar);
  }
  if (lineError) Raise(EV_ERR);
  if ((dcb_.Flags & FlagNull) && value == 0) return;
  input_.push_back(value);
  Raise(EV_RXCHAR);
  if (value == static_cast<std::uint8_t>(dcb_.EvtChar)) Raise(EV_RXFLAG);
  ServeReads(r.end);
  if (input_.size() > inputCapacity_) {
    input_.pop_back();
    errors_ |= CE_RXOVER;
  } else if (input_.size() * 10 >= inputCapacity_ * 8 && (input_.size() - 1) * 10 < inputCapacity_ * 8) {
    Raise(EV_RX80FULL);
  }
}

Time Reader::SendFromCard(const std::string& plain, Time earliest) {
  Time end = earliest;
  for (const char c : plain) {
    const std::uint8_t wire = InverseConvention(static_cast<std::uint8_t>(c));
    end = cardTx_.Send(wire, kCardFormat, earliest, NoiseFlips(kCardFormat));
    Record(TraceEntry::CardByte, end - kCardFormat.Length(), wire);
  }
  return end;
}

Time Reader::HostFreeFrom() const {
  return std::max({now_, hostTx_.IdleFrom(), markAfterBreak_});
}

Time Reader::SendFromHost(std::uint8_t byte) {
  const Time end = hostTx_.Send(byte, hostFormat_, HostFreeFrom(), NoiseFlips(hostFormat_));
  Record(TraceEntry::HostByte, end - hostFormat_.Length(), byte);
  return end;
}

std::uint16_t Reader::NoiseFlips(const FrameFormat& format) {
  if (setup_.noiseRate <= 0) return 0;
  std::bernoulli_distribution flip(setup_.noiseRate);
  std::uint16_t flips = 0;
  for (unsigned bit = 0; bit + 1 < format.BitsBeforeStop(); ++bit)
    if (flip(noise_)) flips = static_cast<std::uint16_t>(flips | (1u << bit));
  return flips;
}

// RTS holds the card in reset while it is on; when it drops the card starts afresh and
// answers with its ATR.
void Reader::SetRts(bool on, Time at) {
  if (on == rts_) return;
  rts_ = on;
  Record(on ? TraceEntry::RtsOn : TraceEntry::RtsOff, at);
  if (on) {
    cardTx_.StopAt(at, false);
    return;
  }
  if (!cardInSlot_) return;
  card_.Reset();
  cardRx_.Restart(at);
  SendFromCard(card_.Atr(), at + kAtrDelay);
}

// The reader loops DTR back to DSR.
void Reader::SetDtr(bool on) {
  if (on == dtr_) return;
  dtr_ = on;
  Raise(EV_DSR);
}

void Reader::Record(TraceEntry::Kind kind, Time at, std::uint8_t byte) {
  if (setup_.trace) trace_.push_back(TraceEntry{at, kind, byte});
}

// Frames that every listening receiver has passed are of no further use.
void Reader::DropPast(Time now) {
  Time keep = now;
  if (HostListening()) keep = std::min(keep, hostRx_.HuntFrom());
  if (CardListening()) keep = std::min(keep, cardRx_.HuntFrom());
  hostTx_.DropBefore(keep);
  hostBreak_.DropBefore(keep);
  cardTx_.DropBefore(keep);
}

// --- Waking and sleeping -----------------------------------------------------------------

std::optional<Time> Reader::NextStepTime() const {
  const auto next = NextStep();
  return next ? std::optional<Time>(next->at) : std::nullopt;
}

// A write ends at a time known from its start. A read ends at its time-out or when
// the last byte it needs has come: not before the next step, and, as characters follow
// each other no closer than half a frame, not before the missing ones can have come.
std::optional<Time> Reader::EarliestEnd(const TransferOp& op) const {
  if (!op.isRead) return unplugAt_ ? std::min(op.endsAt, *unplugAt_) : op.endsAt;
  const auto next = NextStepTime();
  if (!next || reads_.front().get() != &op) return next;
  const std::size_t needed = op.timing.ReturnsOnFirstByte() ? 1 : op.count - op.moved;
  Time end = std::max(*next, now_ + std::int64_t(needed - 1) * (hostFormat_.Length() / 2));
  if (const auto expiry = ExpiryOf(op)) end = std::min(end, *expiry);
  return unplugAt_ ? std::min(end, *unplugAt_) : end;
}

void Reader::Doze(std::unique_lock<std::mutex>& lock, const WakeEvent* stop,
                  std::optional<Time> until) {
  NotifyIfChanged();
  std::unique_ptr<WakeEvent> wake;
  if (spareWakes_.empty()) {
    wake = std::make_unique<WakeEvent>();
  } else {
    wake = std::move(spareWakes_.back());
    spareWakes_.pop_back();
  }
  sleepers_.push_back(wake.get());
  const WakeEvent* events[] = {wake.get(), stop};
  lock.unlock();
  clock_->SleepUntil(until, events);
  lock.lock();
  std::erase(sleepers_, wake.get());
  wake->Reset();
  spareWakes_.push_back(std::move(wake));
}

void Reader::NotifyIfChanged() {
  if (!changed_) return;
  changed_ = false;
  for (auto* sleeper : sleepers_) sleeper->Set();
}

std::string Reader::Memory() const {
  std::lock_guard lock(mutex_);
  return card_.Memory().Bytes();
}

std::vector<TraceEntry> Reader::Trace() const {
  std::lock_guard lock(mutex_);
  return trace_;
}

}  // namespace driver::sim

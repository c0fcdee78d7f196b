// The host port's side of the simulated reader: what the driver seam asks of it.
#include <algorithm>
#include <cerrno>

#include "serial/driver/device.h"
#include "serial/driver/errors.h"
#include "sim/reader.h"

namespace driver::sim {

namespace {

constexpr std::size_t kDefaultInputQueue = 4096;

// A UART as it comes up: 9600 baud, 8 data bits, no parity, one stop bit.
DCB PowerOnState() {
  DCB dcb;
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = 9600;
  dcb.Flags = FlagBinary;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  return dcb;
}

bool LineOn(unsigned control, unsigned enable, unsigned handshake) {
  return control == enable || control == handshake;
}

}  // namespace

int Reader::Check(unsigned session) const {
  if (!open_ || session != session_) return kClosed;
  return unplugged_ ? EIO : 0;
}

// RTS and DTR start low, as the hang-up of the last close left them.
int Reader::Open(unsigned& session) {
  Section section(*this);
  if (unplugged_) return kMissing;
  if (open_) return BusyError();
  open_ = true;
  session = ++session_;
  dcb_ = PowerOnState();
  hostFormat_ = *FormatOf(dcb_);
  timeouts_ = COMMTIMEOUTS{};
  inputCapacity_ = kDefaultInputQueue;
  input_.clear();
  errors_ = mask_ = events_ = 0;
  hostRx_.Restart(now_);
  return 0;
}

void Reader::Close(unsigned session) {
  Section section(*this);
  if (!open_ || session != session_) return;
  open_ = false;
  EndTransfers(reads_, kCancelled);
  EndTransfers(writes_, kCancelled);
  hostTx_.StopAt(now_, true);
  hostBreak_.Release(now_);
  breakOn_ = false;
  SetRts(false, now_);
  SetDtr(false);
  input_.clear();
  spareWakes_.clear();  // a closed port holds no descriptor
}

int Reader::SetQueueSizes(unsigned session, std::uint32_t input) {
  Section section(*this, false);
  if (const int error = Check(session)) return error;
  inputCapacity_ = input != 0 ? input : kDefaultInputQueue;
  return 0;
}

int Reader::SetState(unsigned session, const DCB& dcb) {
  Section section(*this);
  if (const int error = Check(session)) return error;
  const auto format = FormatOf(dcb);
  if (!format) return EINVAL;
  dcb_ = dcb;
  hostFormat_ = *format;
  SetRts(LineOn(RtsControl(dcb.Flags), RTS_CONTROL_ENABLE, RTS_CONTROL_HANDSHAKE), now_);
  SetDtr(LineOn(DtrControl(dcb.Flags), DTR_CONTROL_ENABLE, DTR_CONTROL_HANDSHAKE));
  return 0;
}

int Reader::SetTimeouts(unsigned session, const COMMTIMEOUTS& timeouts) {
  Section section(*this, false);
  if (const int error = Check(session)) return error;
  timeouts_ = timeouts;
  return 0;
}

int Reader::StartRead(unsigned session, void* buffer, std::size_t count,
                      std::shared_ptr<TransferOp>& op, std::size_t& immediate) {
  Section section(*this);
  if (const int error = Check(session)) return error;
  op = std::make_shared<TransferOp>();
  op->buffer = static_cast<char*>(buffer);
  op->count = count;
  op->start = now_;
  op->timing = TransferTiming::ForRead(timeouts_, count);
  reads_.push_back(op);
  ServeReads(now_);
  AdvanceTo(now_);  // a read that returns at once ends here
  immediate = op->done ? op->moved : 0;
  return 0;
}

// The characters go on the line at once with the times they will take; those that
// would end after the write time-out are not sent.
int Reader::StartWrite(unsigned session, const void* buffer, std::size_t count,
                       std::shared_ptr<TransferOp>& op, std::size_t& immediate) {
  Section section(*this);
  if (const int error = Check(session)) return error;
  op = std::make_shared<TransferOp>();
  op->isRead = false;
  op->count = count;
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  const auto limit = TransferTiming::ForWrite(timeouts_, count).Remaining(Time{0}, std::nullopt, 0);
  Time end = now_;
  while (op->moved < count) {
    if (limit && HostFreeFrom() + hostFormat_.Length() > now_ + *limit) break;
    end = SendFromHost(bytes[op->moved]);
    ++op->moved;
  }
  op->endsAt = op->moved == count ? end : now_ + *limit;
  writes_.push_back(op);
  AdvanceTo(now_);  // an empty write ends here
  immediate = op->done ? op->moved : 0;
  return 0;
}

int Reader::WaitFor(TransferOp& op, std::size_t& moved) {
  Section section(*this, false);
  while (!op.done) {
    Doze(section.Lock(), nullptr, EarliestEnd(op));
    AdvanceTo(clock_->Now());
  }
  moved = op.moved;
  return op.error;
}

void Reader::Abandon(TransferOp& op) {
  Section section(*this, false);
  if (op.done || !op.isRead) return;
  const bool wasServed = !reads_.empty() && reads_.front().get() == &op;
  std::erase_if(reads_, [&op](const auto& read) { return read.get() == &op; });
  op.done = true;
  op.error = kCancelled;
  if (wasServed && !reads_.empty()) {
    reads_.front()->start = now_;
    ServeReads(now_);
  }
  changed_ = true;
}

void Reader::ServeReads(Time at) {
  while (!reads_.empty()) {
    TransferOp& read = *reads_.front();
    for (; read.moved < read.count && !input_.empty(); input_.pop_front()) {
      read.buffer[read.moved++] = static_cast<char>(input_.front());
      read.lastByte = at;
    }
    if (read.moved < read.count) return;
    read.done = true;
    reads_.pop_front();
    if (!reads_.empty()) reads_.front()->start = at;
  }
}

std::optional<Time> Reader::ExpiryOf(const TransferOp& read) const {
  const Time from = read.lastByte.value_or(read.start);
  std::optional<Time> sinceLastByte;
  if (read.lastByte) sinceLastByte = Time{0};
  const auto left = read.timing.Remaining(from - read.start, sinceLastByte, read.moved);
  if (!left) return std::nullopt;
  return from + *left;
}

void Reader::EndTransfers(std::deque<std::shared_ptr<TransferOp>>& ops, int error) {
  for (const auto& op : ops) {
    op->done = true;
    op->error = error;
  }
  ops.clear();
  changed_ = true;
}

// Writes are not held in a queue of their own beyond the pending ones, so
// PURGE_TXCLEAR finds nothing to discard.
int Reader::Purge(unsigned session, std::uint32_t flags) {
  Section section(*this);
  if (const int error = Check(session)) return error;
  if (flags & PURGE_TXABORT) {
    hostTx_.StopAt(now_, true);
    EndTransfers(writes_, kCancelled);
  }
  if (flags & PURGE_RXABORT) EndTransfers(reads_, kCancelled);
  if (flags & PURGE_RXCLEAR) input_.clear();
  return 0;
}

int Reader::ClearErrors(unsigned session, std::uint32_t& errors, std::uint32_t& inQueue) {
  Section section(*this, false);
  if (const int error = Check(session)) return error;
  errors = std::exchange(errors_, 0);
  inQueue = static_cast<std::uint32_t>(input_.size());
  return 0;
}

// CTS: the reader is always ready; DSR: DTR looped back; RLSD: a card in the slot.
int Reader::ModemStatus(unsigned session, std::uint32_t& status) {
  Section section(*this, false);
  if (const int error = Check(session)) return error;
  status = MS_CTS_ON | (dtr_ ? MS_DSR_ON : 0) | (cardInSlot_ ? MS_RLSD_ON : 0);
  return 0;
}

int Reader::Escape(unsigned session, std::uint32_t function) {
  Section section(*this);
  if (const int error = Check(session)) return error;
  switch (function) {
    case SETRTS:
    case CLRRTS:
      SetRts(function == SETRTS, now_);
      return 0;
    case SETDTR:
    case CLRDTR:
      SetDtr(function == SETDTR);
      return 0;
    case SETBREAK:
    case CLRBREAK:
      if (breakOn_ == (function == SETBREAK)) return 0;
      breakOn_ = !breakOn_;
      if (breakOn_) {
        hostBreak_.HoldLow(now_);
      } else {
        hostBreak_.Release(now_);
        markAfterBreak_ = now_ + hostFormat_.BitStart(1);
      }
      Record(breakOn_ ? TraceEntry::BreakOn : TraceEntry::BreakOff, now_);
      return 0;
    default:
      return EINVAL;  // XON/XOFF flow control is not simulated
  }
}

void Reader::Raise(std::uint32_t events) { events_ |= events & mask_; }

int Reader::SetEventMask(unsigned session, std::uint32_t mask) {
  Section section(*this);
  if (const int error = Check(session)) return error;
  mask_ = mask;
  events_ &= mask;
  ++maskChanges_;
  return 0;
}

int Reader::WaitEvent(unsigned session, std::uint32_t& occurred, const WakeEvent& stop) {
  Section section(*this, false);
  if (const int error = Check(session)) return error;
  if (mask_ == 0) return EINVAL;
  const unsigned maskChanges = maskChanges_;
  for (;;) {
    if (!open_ || session != session_) return kCancelled;
    if (unplugged_) return EIO;
    if (maskChanges_ != maskChanges) {
      occurred = 0;
      return 0;
    }
    if (const std::uint32_t hit = events_ & mask_) {
      events_ &= ~hit;
      occurred = hit;
      return 0;
    }
    if (stop.IsSet()) return kCancelled;
    Doze(section.Lock(), &stop, NextStepTime());
    AdvanceTo(clock_->Now());
  }
}

}  // namespace driver::sim

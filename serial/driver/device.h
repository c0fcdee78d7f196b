#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "serial/driver/errors.h"
#include "serial/driver/event.h"
#include "serial/driver/records.h"

// The platform seam of the serial component: exactly what the component needs of an
// operating system. Every call returns 0 on success or the platform's error number
// (errno values on Linux, Windows' own on Windows; the cases the contract names are in
// errors.h); the component turns failures into EComPort.
namespace driver {

// One started read or write. The caller's memory must stay valid until Wait returns.
// A transfer keeps what it uses alive: it may be waited on from another thread and
// still ends (with kCancelled) after the device was purged with an abort flag or
// closed, even when the Device object itself is gone.
class Transfer {
 public:
  virtual ~Transfer() = default;
  // Blocks until all bytes are moved or the time-outs of the device expire (no error:
  // `moved` is smaller), or the transfer fails. Waiting twice returns the same result.
  virtual int Wait(std::size_t& moved) = 0;
};

// An open serial device, held exclusively. All calls may come from any thread; a read,
// a write and an event wait may be outstanding together.
class Device {
 public:
  virtual ~Device() = default;

  virtual int SetQueueSizes(std::uint32_t input, std::uint32_t output) = 0;  // SetupComm
  virtual int SetState(const DCB& dcb) = 0;                                  // SetCommState
  virtual int SetTimeouts(const COMMTIMEOUTS& timeouts) = 0;                 // SetCommTimeouts

  // Start a transfer with the time-outs in force now. `immediate` is the count moved
  // before the call returned (0 while pending); `transfer` is set on success.
  virtual int StartRead(void* buffer, std::size_t count, std::unique_ptr<Transfer>& transfer,
                        std::size_t& immediate) = 0;
  virtual int StartWrite(const void* buffer, std::size_t count,
                         std::unique_ptr<Transfer>& transfer, std::size_t& immediate) = 0;

  // PURGE_* flags: the abort flags end pending transfers with kCancelled, the clear
  // flags discard the queues.
  virtual int Purge(std::uint32_t flags) = 0;
  // ClearCommError: the CE_* flags since the last call (then cleared) and the count of
  // received bytes waiting.
  virtual int ClearErrors(std::uint32_t& errors, std::uint32_t& inQueue) = 0;
  virtual int ModemStatus(std::uint32_t& status) = 0;  // MS_* bits
  virtual int Escape(std::uint32_t function) = 0;     // SETRTS, CLRRTS, SETDTR, ...

  // Selects the EV_* events to watch. Any call ends a pending WaitEvent (occurred 0).
  virtual int SetEventMask(std::uint32_t mask) = 0;
  // Blocks until a selected event occurs (`occurred` holds the EV_* bits), the mask is
  // changed (0 and success, as Windows does), `stop` is set (kCancelled) or the device
  // is closed (kCancelled). An event that arrived while no wait was pending is reported
  // by the next wait; a condition that persists (bytes left unread) is not reported
  // again until it happens anew.
  virtual int WaitEvent(std::uint32_t& occurred, const WakeEvent& stop) = 0;

  // Ends every pending transfer and event wait (kCancelled) and gives the device free
  // for the next opener. Later calls fail with kClosed. Safe while other threads wait.
  virtual void Close() = 0;
};

// Opens a device by its normalised port name ("COM1" .. "COM96").
class DeviceFactory {
 public:
  virtual ~DeviceFactory() = default;
  // Errors: a port held by another program gives an error for which IsBusyError is
  // true; a name that is no port kMissing; otherwise the platform's own number.
  virtual int Open(const std::string& portName, std::shared_ptr<Device>& device) = 0;
};

// Whether an error number from Open means "held by another program".
bool IsBusyError(int error);
// The platform's error number for that, for backends that hold ports of their own.
int BusyError();

}  // namespace driver

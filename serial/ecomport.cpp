#include "serial/ecomport.h"

#include <array>
#include <string>

namespace {

constexpr std::array<const char*, 22> kMessages = {
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set SyncMethod while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if ComPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
    "A component is linked to OnRxBuf event"};

// A code outside the table has no text rather than reading past it.
std::string TableText(int code) {
  if (code < 1 || code > static_cast<int>(kMessages.size())) return "";
  return kMessages[code - 1];
}

}  // namespace

EComPort::EComPort(int code, int winErrorCode)
    : EComPort(code, winErrorCode,
               TableText(code) + " (win error code: " + std::to_string(winErrorCode) + ")") {}

EComPort EComPort::CreatePlain(int code) { return EComPort(code, -1, TableText(code)); }

EComPort::EComPort(int code, int winErrorCode, const std::string& message)
    : std::runtime_error(message), winErrorCode_(winErrorCode), code_(code) {}

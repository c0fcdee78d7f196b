#pragma once

#include <stdexcept>

// The serial port component's error: which operation failed (`Code`, an index into
// the message table) and why (`WinErrorCode`, the platform's error number, or -1).
class EComPort : public std::runtime_error {
 public:
  // The message is the table text of `code` followed by " (win error code: N)".
  EComPort(int code, int winErrorCode);
  // No platform error: `WinErrorCode` is -1 and the message is the table text alone.
  static EComPort CreatePlain(int code);

  int WinErrorCode() const noexcept { return winErrorCode_; }
  int Code() const noexcept { return code_; }

 private:
  EComPort(int code, int winErrorCode, const std::string& message);

  int winErrorCode_;
  int code_;
};

// The error codes the component raises, each naming the operation that failed.
namespace comerror {
inline constexpr int OpenFailed = 1;
inline constexpr int WriteFailed = 2;
inline constexpr int ReadFailed = 3;
inline constexpr int InvalidAsync = 4;
inline constexpr int PurgeFailed = 5;
inline constexpr int SetStateFailed = 7;
inline constexpr int SetTimeoutsFailed = 8;
inline constexpr int SetupFailed = 9;
inline constexpr int ClearErrorFailed = 10;
inline constexpr int ModemStatusFailed = 11;
inline constexpr int EscapeFailed = 12;
inline constexpr int SyncMethodWhileConnected = 14;
}  // namespace comerror

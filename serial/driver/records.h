#pragma once

#include <cstdint>

// The driver records of the Windows serial interface, field for field. The component
// builds them; every backend maps them onto its own platform.
namespace driver {

struct DCB {
  std::uint32_t DCBlength = 0;
  std::uint32_t BaudRate = 0;
  std::uint32_t Flags = 0;  // fBinary .. fAbortOnError, see the Flag* constants
  std::uint16_t wReserved = 0;
  std::uint16_t XonLim = 0;
  std::uint16_t XoffLim = 0;
  std::uint8_t ByteSize = 0;
  std::uint8_t Parity = 0;
  std::uint8_t StopBits = 0;
  char XonChar = 0;
  char XoffChar = 0;
  char ErrorChar = 0;
  char EofChar = 0;
  char EvtChar = 0;
  std::uint16_t wReserved1 = 0;
};
static_assert(sizeof(DCB) == 28, "DCB must keep the Windows layout");

// Bits of DCB::Flags.
inline constexpr std::uint32_t FlagBinary = 0x0001;
inline constexpr std::uint32_t FlagParity = 0x0002;
inline constexpr std::uint32_t FlagOutxCtsFlow = 0x0004;
inline constexpr std::uint32_t FlagOutxDsrFlow = 0x0008;
inline constexpr std::uint32_t FlagDtrControlMask = 0x0030;  // value << 4
inline constexpr std::uint32_t FlagDsrSensitivity = 0x0040;
inline constexpr std::uint32_t FlagTXContinueOnXoff = 0x0080;
inline constexpr std::uint32_t FlagOutX = 0x0100;
inline constexpr std::uint32_t FlagInX = 0x0200;
inline constexpr std::uint32_t FlagErrorChar = 0x0400;
inline constexpr std::uint32_t FlagNull = 0x0800;
inline constexpr std::uint32_t FlagRtsControlMask = 0x3000;  // value << 12
inline constexpr std::uint32_t FlagAbortOnError = 0x4000;

inline constexpr unsigned DtrControl(std::uint32_t flags) { return (flags & FlagDtrControlMask) >> 4; }
inline constexpr unsigned RtsControl(std::uint32_t flags) { return (flags & FlagRtsControlMask) >> 12; }

// DCB::Parity, DCB::StopBits and the DTR/RTS control values.
enum : std::uint8_t { NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4 };
enum : std::uint8_t { ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2 };
enum : unsigned { DTR_CONTROL_DISABLE = 0, DTR_CONTROL_ENABLE = 1, DTR_CONTROL_HANDSHAKE = 2 };
enum : unsigned {
  RTS_CONTROL_DISABLE = 0,
  RTS_CONTROL_ENABLE = 1,
  RTS_CONTROL_HANDSHAKE = 2,
  RTS_CONTROL_TOGGLE = 3
};

// All five in milliseconds; MAXDWORD is the all-ones value.
struct COMMTIMEOUTS {
  std::uint32_t ReadIntervalTimeout = 0;
  std::uint32_t ReadTotalTimeoutMultiplier = 0;
  std::uint32_t ReadTotalTimeoutConstant = 0;
  std::uint32_t WriteTotalTimeoutMultiplier = 0;
  std::uint32_t WriteTotalTimeoutConstant = 0;
};
inline constexpr std::uint32_t MAXDWORD = 0xFFFFFFFFu;

// Purge flags.
inline constexpr std::uint32_t PURGE_TXABORT = 0x0001;
inline constexpr std::uint32_t PURGE_RXABORT = 0x0002;
inline constexpr std::uint32_t PURGE_TXCLEAR = 0x0004;
inline constexpr std::uint32_t PURGE_RXCLEAR = 0x0008;

// Line error flags reported by ClearErrors.
inline constexpr std::uint32_t CE_RXOVER = 0x0001;
inline constexpr std::uint32_t CE_OVERRUN = 0x0002;
inline constexpr std::uint32_t CE_RXPARITY = 0x0004;
inline constexpr std::uint32_t CE_FRAME = 0x0008;
inline constexpr std::uint32_t CE_BREAK = 0x0010;
inline constexpr std::uint32_t CE_TXFULL = 0x0100;
inline constexpr std::uint32_t CE_IOE = 0x0400;
inline constexpr std::uint32_t CE_MODE = 0x8000;

// Modem input lines reported by ModemStatus.
inline constexpr std::uint32_t MS_CTS_ON = 0x0010;
inline constexpr std::uint32_t MS_DSR_ON = 0x0020;
inline constexpr std::uint32_t MS_RING_ON = 0x0040;
inline constexpr std::uint32_t MS_RLSD_ON = 0x0080;

// Escape functions.
inline constexpr std::uint32_t SETXOFF = 1;
inline constexpr std::uint32_t SETXON = 2;
inline constexpr std::uint32_t SETRTS = 3;
inline constexpr std::uint32_t CLRRTS = 4;
inline constexpr std::uint32_t SETDTR = 5;
inline constexpr std::uint32_t CLRDTR = 6;
inline constexpr std::uint32_t SETBREAK = 8;
inline constexpr std::uint32_t CLRBREAK = 9;

// Line events selected with SetEventMask and reported by WaitEvent.
inline constexpr std::uint32_t EV_RXCHAR = 0x0001;
inline constexpr std::uint32_t EV_RXFLAG = 0x0002;
inline constexpr std::uint32_t EV_TXEMPTY = 0x0004;
inline constexpr std::uint32_t EV_CTS = 0x0008;
inline constexpr std::uint32_t EV_DSR = 0x0010;
inline constexpr std::uint32_t EV_RLSD = 0x0020;
inline constexpr std::uint32_t EV_BREAK = 0x0040;
inline constexpr std::uint32_t EV_ERR = 0x0080;
inline constexpr std::uint32_t EV_RING = 0x0100;
inline constexpr std::uint32_t EV_RX80FULL = 0x0400;

}  // namespace driver

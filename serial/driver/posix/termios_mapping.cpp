#include "serial/driver/posix/termios_mapping.h"

#include <termios.h>

#include <cerrno>
#include <iterator>

namespace driver::posix {

namespace {

static_assert(VSTART < kControlChars && VSTOP < kControlChars && VMIN < kControlChars);

struct StandardSpeed {
  std::uint32_t bitsPerSecond;
  speed_t code;
};

constexpr StandardSpeed kStandardSpeeds[] = {
    {50, B50},         {75, B75},           {110, B110},         {134, B134},
    {150, B150},       {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},     {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},     {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200}, {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000}, {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

// Every other speed (14400, 56000, 128000, 256000, 31250 ...) has no code and is set
// through BOTHER.
int MapSpeed(std::uint32_t bitsPerSecond, LineSettings& settings) {
  if (bitsPerSecond == 0) return EINVAL;  // B0 would hang the line up
  settings.speed = bitsPerSecond;
  for (const auto& speed : kStandardSpeeds) {
    if (speed.bitsPerSecond == bitsPerSecond) settings.cflag |= speed.code;
  }
  return 0;
}

int MapFrame(const DCB& dcb, std::uint32_t& cflag) {
  constexpr std::uint32_t kSizes[] = {CS5, CS6, CS7, CS8};
  if (dcb.ByteSize < 5 || dcb.ByteSize > 8) return EINVAL;
  cflag |= kSizes[dcb.ByteSize - 5];

  constexpr std::uint32_t kParities[] = {0, PARENB | PARODD, PARENB, PARENB | CMSPAR | PARODD,
                                    PARENB | CMSPAR};
  if (dcb.Parity >= std::size(kParities)) return EINVAL;
  cflag |= kParities[dcb.Parity];

  // A UART sends 1.5 stop bits for CSTOPB with five data bits, and 2 otherwise, so
  // each of the two is only possible on its own side of that line.
  const bool fiveBits = dcb.ByteSize == 5;
  switch (dcb.StopBits) {
    case ONESTOPBIT:
      return 0;
    case ONE5STOPBITS:
    case TWOSTOPBITS:
      if (fiveBits != (dcb.StopBits == ONE5STOPBITS)) return EINVAL;
      cflag |= CSTOPB;
      return 0;
    default:
      return EINVAL;
  }
}

// Received bytes with a parity error become 0 under INPCK: that is the replacement
// termios offers, and the only error character it can stand for. Without a
// replacement the bytes pass unchanged and the error counters still report them.
int MapParityCheck(const DCB& dcb, std::uint32_t& iflag) {
  if (!(dcb.Flags & FlagParity) || !(dcb.Flags & FlagErrorChar)) return 0;
  if (dcb.ErrorChar != 0) return EINVAL;
  iflag |= INPCK;
  return 0;
}

int MapSoftwareFlow(const DCB& dcb, LineSettings& settings) {
  const bool out = dcb.Flags & FlagOutX;
  const bool in = dcb.Flags & FlagInX;
  if ((out || in) && dcb.XonChar == dcb.XoffChar) return EINVAL;
  if (out) settings.iflag |= IXON;
  if (in) settings.iflag |= IXOFF;
  settings.cc[VSTART] = static_cast<std::uint8_t>(dcb.XonChar);
  settings.cc[VSTOP] = static_cast<std::uint8_t>(dcb.XoffChar);
  return 0;
}

// CRTSCTS is both halves of RTS/CTS handshake at once: output waits for CTS and the
// kernel drops RTS when its input fills. Either half alone cannot be had.
int MapModemLines(const DCB& dcb, LineSettings& settings) {
  if (dcb.Flags & (FlagOutxDsrFlow | FlagDsrSensitivity)) return EINVAL;
  switch (DtrControl(dcb.Flags)) {
    case DTR_CONTROL_DISABLE:
      settings.dtr = false;
      break;
    case DTR_CONTROL_ENABLE:
      settings.dtr = true;
      break;
    default:
      return EINVAL;
  }
  const bool ctsFlow = dcb.Flags & FlagOutxCtsFlow;
  const unsigned rts = RtsControl(dcb.Flags);
  if (ctsFlow != (rts == RTS_CONTROL_HANDSHAKE)) return EINVAL;
  switch (rts) {
    case RTS_CONTROL_DISABLE:
      settings.rts = false;
      return 0;
    case RTS_CONTROL_ENABLE:
      settings.rts = true;
      return 0;
    case RTS_CONTROL_HANDSHAKE:
      settings.cflag |= CRTSCTS;
      return 0;
    default:
      return EINVAL;
  }
}

}  // namespace

int MapDcb(const DCB& dcb, LineSettings& settings) {
  settings = LineSettings{};
  // Linux has no null stripping and no abort-on-error; Windows itself has no text mode.
  if (!(dcb.Flags & FlagBinary) || (dcb.Flags & (FlagNull | FlagAbortOnError))) return EINVAL;

  // Raw: no line editing, echo, signals or character translation. A break is dropped
  // from the data (the counters still see it); modem status lines do not gate input.
  settings.iflag = IGNBRK;
  settings.cflag = CREAD | CLOCAL | HUPCL;
  settings.cc[VMIN] = kRawMinimum;

  if (const int error = MapSpeed(dcb.BaudRate, settings)) return error;
  if (const int error = MapFrame(dcb, settings.cflag)) return error;
  if (const int error = MapParityCheck(dcb, settings.iflag)) return error;
  if (const int error = MapSoftwareFlow(dcb, settings)) return error;
  return MapModemLines(dcb, settings);
}

bool SpeedGranted(std::uint32_t asked, std::uint32_t granted) {
  const std::uint64_t off = asked > granted ? asked - granted : granted - asked;
  return off * 100 <= std::uint64_t{asked} * 3;
}

}  // namespace driver::posix

#include <gtest/gtest.h>

#include <termios.h>

#include <cerrno>
#include <string>

#include "serial/driver/posix/termios_mapping.h"
#include "support/pseudo_terminal.h"

using namespace driver;
using driver::posix::LineSettings;
using driver::posix::MapDcb;
using test_support::CardProgrammerDcb;

namespace {

LineSettings Mapped(const DCB& dcb) {
  LineSettings settings;
  EXPECT_EQ(MapDcb(dcb, settings), 0);
  return settings;
}

template <typename Change>
DCB Changed(Change change) {
  DCB dcb = CardProgrammerDcb();
  change(dcb);
  return dcb;
}

}  // namespace

TEST(PosixTermiosMapping, CardProgrammerLineIsRaw9600OddParityTwoStopBits) {
  const LineSettings t = Mapped(CardProgrammerDcb());
  EXPECT_EQ(t.cflag & CBAUD, B9600);
  EXPECT_EQ(t.speed, 9600u);
  EXPECT_EQ(t.cflag & CSIZE, CS8);
  EXPECT_EQ(t.cflag & (PARENB | PARODD | CMSPAR | CSTOPB), PARENB | PARODD | CSTOPB);
  EXPECT_EQ(t.cflag & (CREAD | CLOCAL | CRTSCTS), CREAD | CLOCAL);
  // Raw: no echo, no line editing, no signals, no translation either way.
  EXPECT_EQ(t.lflag, 0u);
  EXPECT_EQ(t.oflag, 0u);
  EXPECT_EQ(t.iflag, IGNBRK);
  EXPECT_EQ(t.cc[VMIN], 1);  // an empty queue reads as EAGAIN, not as end of file
  EXPECT_EQ(t.cc[VTIME], 0);
  EXPECT_EQ(t.cc[VSTART], 0x11);
  EXPECT_EQ(t.cc[VSTOP], 0x13);
  EXPECT_EQ(t.dtr, false);
  EXPECT_EQ(t.rts, false);
}

TEST(PosixTermiosMapping, FrameFieldsMapOneToOne) {
  const struct {
    std::uint8_t byteSize, parity, stopBits;
    tcflag_t expected;
  } cases[] = {
      {5, NOPARITY, ONE5STOPBITS, CS5 | CSTOPB},
      {6, EVENPARITY, ONESTOPBIT, CS6 | PARENB},
      {7, MARKPARITY, TWOSTOPBITS, CS7 | PARENB | CMSPAR | PARODD | CSTOPB},
      {8, SPACEPARITY, ONESTOPBIT, CS8 | PARENB | CMSPAR},
      {8, NOPARITY, ONESTOPBIT, CS8},
      {5, ODDPARITY, ONESTOPBIT, CS5 | PARENB | PARODD},
  };
  for (const auto& c : cases) {
    const auto dcb = Changed([&](DCB& d) {
      d.ByteSize = c.byteSize;
      d.Parity = c.parity;
      d.StopBits = c.stopBits;
    });
    EXPECT_EQ(Mapped(dcb).cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), c.expected)
        << int(c.byteSize) << " bits, parity " << int(c.parity) << ", stop " << int(c.stopBits);
  }
}

TEST(PosixTermiosMapping, StandardSpeedsCarryTheirCodeAndOthersNone) {
  const struct {
    std::uint32_t baud;
    speed_t code;
  } cases[] = {
      {110, B110},      {300, B300},   {19200, B19200}, {115200, B115200}, {4000000, B4000000},
      {14400, B0},      {56000, B0},   {128000, B0},    {256000, B0},      {31250, B0},
  };
  for (const auto& c : cases) {
    const LineSettings settings = Mapped(Changed([&](DCB& d) { d.BaudRate = c.baud; }));
    EXPECT_EQ(settings.cflag & CBAUD, c.code) << c.baud;
    EXPECT_EQ(settings.speed, c.baud);
  }
}

TEST(PosixTermiosMapping, AGrantedSpeedMayBeAtMostThreePercentOff) {
  const std::uint32_t kept[][2] = {{9600, 9600}, {100000, 103000}, {100000, 97000}, {0, 0}};
  const std::uint32_t refused[][2] = {{100000, 103001}, {100000, 96999}, {250000, 230400}, {0, 1}};
  for (const auto& [asked, granted] : kept) EXPECT_TRUE(posix::SpeedGranted(asked, granted));
  for (const auto& [asked, granted] : refused) EXPECT_FALSE(posix::SpeedGranted(asked, granted));
}

TEST(PosixTermiosMapping, FlowControlAndLineLevels) {
  const LineSettings software = Mapped(Changed([](DCB& d) {
    d.Flags |= FlagOutX | FlagInX;
    d.XonChar = 'Q';
    d.XoffChar = 'S';
  }));
  EXPECT_EQ(software.iflag & (IXON | IXOFF | IXANY), IXON | IXOFF);
  EXPECT_EQ(software.cc[VSTART], 'Q');
  EXPECT_EQ(software.cc[VSTOP], 'S');

  const LineSettings outOnly = Mapped(Changed([](DCB& d) { d.Flags |= FlagOutX; }));
  EXPECT_EQ(outOnly.iflag & (IXON | IXOFF), IXON);

  const LineSettings hardware = Mapped(Changed([](DCB& d) {
    d.Flags |= FlagOutxCtsFlow | (RTS_CONTROL_HANDSHAKE << 12) | (DTR_CONTROL_ENABLE << 4);
  }));
  EXPECT_TRUE(hardware.cflag & CRTSCTS);
  EXPECT_EQ(hardware.rts, std::nullopt);  // the kernel drives RTS under handshake
  EXPECT_EQ(hardware.dtr, true);

  const LineSettings raised = Mapped(Changed([](DCB& d) { d.Flags |= RTS_CONTROL_ENABLE << 12; }));
  EXPECT_EQ(raised.rts, true);
  EXPECT_EQ(raised.dtr, false);
  EXPECT_FALSE(raised.cflag & CRTSCTS);
}

TEST(PosixTermiosMapping, ParityCheckReplacesBadBytesWithZeroOnly) {
  // Check alone: bytes arrive unchanged, the error counters report them.
  EXPECT_FALSE(Mapped(Changed([](DCB& d) { d.Flags |= FlagParity; })).iflag & INPCK);
  // Replace without check does nothing, as on Windows.
  EXPECT_FALSE(Mapped(Changed([](DCB& d) {
                  d.Flags = (d.Flags & ~FlagParity) | FlagErrorChar;
                })).iflag & INPCK);
  const LineSettings replaced = Mapped(Changed([](DCB& d) { d.Flags |= FlagParity | FlagErrorChar; }));
  EXPECT_EQ(replaced.iflag & (INPCK | IGNPAR | PARMRK), INPCK);
}

TEST(PosixTermiosMapping, FieldsWithoutTermiosMeaningAreAccepted) {
  // Linux picks its own XON/XOFF thresholds; the event and end-of-file characters
  // belong to the event wait and to text mode.
  const LineSettings settings = Mapped(Changed([](DCB& d) {
    d.XonLim = 7;
    d.XoffLim = 9;
    d.EvtChar = 'x';
    d.EofChar = 0x1a;
    d.Flags |= FlagTXContinueOnXoff;
  }));
  const LineSettings plain = Mapped(CardProgrammerDcb());
  EXPECT_EQ(settings.cflag, plain.cflag);
  EXPECT_EQ(settings.iflag, plain.iflag);
}

TEST(PosixTermiosMapping, WhatLinuxCannotDoIsRefused) {
  const struct {
    const char* what;
    void (*change)(DCB&);
  } refusals[] = {
      {"text mode", [](DCB& d) { d.Flags &= ~FlagBinary; }},
      {"speed 0", [](DCB& d) { d.BaudRate = 0; }},
      {"4 data bits", [](DCB& d) { d.ByteSize = 4; }},
      {"9 data bits", [](DCB& d) { d.ByteSize = 9; }},
      {"parity 5", [](DCB& d) { d.Parity = 5; }},
      {"stop bits 3", [](DCB& d) { d.StopBits = 3; }},
      {"1.5 stop bits with 8 data bits", [](DCB& d) { d.StopBits = ONE5STOPBITS; }},
      {"2 stop bits with 5 data bits", [](DCB& d) { d.ByteSize = 5; }},
      {"null discarding", [](DCB& d) { d.Flags |= FlagNull; }},
      {"abort on error", [](DCB& d) { d.Flags |= FlagAbortOnError; }},
      {"error character other than 0",
       [](DCB& d) {
         d.Flags |= FlagParity | FlagErrorChar;
         d.ErrorChar = '?';
       }},
      {"DSR output flow", [](DCB& d) { d.Flags |= FlagOutxDsrFlow; }},
      {"DSR sensitivity", [](DCB& d) { d.Flags |= FlagDsrSensitivity; }},
      {"DTR handshake", [](DCB& d) { d.Flags |= DTR_CONTROL_HANDSHAKE << 4; }},
      {"RTS toggle", [](DCB& d) { d.Flags |= RTS_CONTROL_TOGGLE << 12; }},
      {"CTS flow without RTS handshake", [](DCB& d) { d.Flags |= FlagOutxCtsFlow; }},
      {"RTS handshake without CTS flow", [](DCB& d) { d.Flags |= RTS_CONTROL_HANDSHAKE << 12; }},
      {"XON equal to XOFF",
       [](DCB& d) {
         d.Flags |= FlagInX;
         d.XoffChar = d.XonChar;
       }},
  };
  for (const auto& refusal : refusals) {
    LineSettings settings;
    EXPECT_EQ(MapDcb(Changed(refusal.change), settings), EINVAL) << refusal.what;
  }
  // Equal XON and XOFF characters only matter when software flow control is on.
  LineSettings settings;
  EXPECT_EQ(MapDcb(Changed([](DCB& d) { d.XoffChar = d.XonChar; }), settings), 0);
}

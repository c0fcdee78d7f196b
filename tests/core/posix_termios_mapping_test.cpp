#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "serial/driver/posix/termios_mapping.h"

using namespace driver;
using driver::posix::LineSettings;
using driver::posix::MapDcb;

namespace {

// The line group as the card programmer sends it: 9600 8O2, no flow control.
DCB CardProgrammerDcb() {
  DCB dcb;
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = 9600;
  dcb.Flags = FlagBinary;
  dcb.XonLim = 256;
  dcb.XoffLim = 256;
  dcb.ByteSize = 8;
  dcb.Parity = ODDPARITY;
  dcb.StopBits = TWOSTOPBITS;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  return dcb;
}

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
  const LineSettings settings = Mapped(CardProgrammerDcb());
  const termios& t = settings.attributes;
  EXPECT_EQ(cfgetospeed(&t), B9600);
  EXPECT_EQ(cfgetispeed(&t), B9600);
  EXPECT_EQ(settings.customSpeed, 0u);
  EXPECT_EQ(t.c_cflag & CSIZE, CS8);
  EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR | CSTOPB), PARENB | PARODD | CSTOPB);
  EXPECT_EQ(t.c_cflag & (CREAD | CLOCAL | CRTSCTS), CREAD | CLOCAL);
  // Raw: no echo, no line editing, no signals, no translation either way.
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(t.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP | IXON | IXOFF | INPCK | PARMRK), 0u);
  EXPECT_EQ(t.c_cc[VMIN], 0);
  EXPECT_EQ(t.c_cc[VTIME], 0);
  EXPECT_EQ(t.c_cc[VSTART], 0x11);
  EXPECT_EQ(t.c_cc[VSTOP], 0x13);
  EXPECT_EQ(settings.dtr, false);
  EXPECT_EQ(settings.rts, false);
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
    const termios t = Mapped(dcb).attributes;
    EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), c.expected)
        << int(c.byteSize) << " bits, parity " << int(c.parity) << ", stop " << int(c.stopBits);
  }
}

TEST(PosixTermiosMapping, StandardSpeedsUseTheirCodeAndOthersGoThroughBother) {
  const struct {
    std::uint32_t baud;
    speed_t code;
    std::uint32_t custom;
  } cases[] = {
      {110, B110, 0},          {300, B300, 0},       {19200, B19200, 0},
      {115200, B115200, 0},    {4000000, B4000000, 0}, {14400, B38400, 14400},
      {56000, B38400, 56000},  {128000, B38400, 128000}, {256000, B38400, 256000},
      {31250, B38400, 31250},
  };
  for (const auto& c : cases) {
    const LineSettings settings = Mapped(Changed([&](DCB& d) { d.BaudRate = c.baud; }));
    EXPECT_EQ(cfgetospeed(&settings.attributes), c.code) << c.baud;
    EXPECT_EQ(settings.customSpeed, c.custom) << c.baud;
  }
}

TEST(PosixTermiosMapping, FlowControlAndLineLevels) {
  const LineSettings software = Mapped(Changed([](DCB& d) {
    d.Flags |= FlagOutX | FlagInX;
    d.XonChar = 'Q';
    d.XoffChar = 'S';
  }));
  EXPECT_EQ(software.attributes.c_iflag & (IXON | IXOFF | IXANY), IXON | IXOFF);
  EXPECT_EQ(software.attributes.c_cc[VSTART], 'Q');
  EXPECT_EQ(software.attributes.c_cc[VSTOP], 'S');

  const LineSettings outOnly = Mapped(Changed([](DCB& d) { d.Flags |= FlagOutX; }));
  EXPECT_EQ(outOnly.attributes.c_iflag & (IXON | IXOFF), IXON);

  const LineSettings hardware = Mapped(Changed([](DCB& d) {
    d.Flags |= FlagOutxCtsFlow | (RTS_CONTROL_HANDSHAKE << 12) | (DTR_CONTROL_ENABLE << 4);
  }));
  EXPECT_TRUE(hardware.attributes.c_cflag & CRTSCTS);
  EXPECT_EQ(hardware.rts, std::nullopt);  // the kernel drives RTS under handshake
  EXPECT_EQ(hardware.dtr, true);

  const LineSettings raised = Mapped(Changed([](DCB& d) { d.Flags |= RTS_CONTROL_ENABLE << 12; }));
  EXPECT_EQ(raised.rts, true);
  EXPECT_EQ(raised.dtr, false);
  EXPECT_FALSE(raised.attributes.c_cflag & CRTSCTS);
}

TEST(PosixTermiosMapping, ParityCheckReplacesBadBytesWithZeroOnly) {
  // Check alone: bytes arrive unchanged, the error counters report them.
  EXPECT_FALSE(Mapped(Changed([](DCB& d) { d.Flags |= FlagParity; })).attributes.c_iflag & INPCK);
  // Replace without check does nothing, as on Windows.
  EXPECT_FALSE(Mapped(Changed([](DCB& d) { d.Flags |= FlagErrorChar; })).attributes.c_iflag & INPCK);
  const termios replaced =
      Mapped(Changed([](DCB& d) { d.Flags |= FlagParity | FlagErrorChar; })).attributes;
  EXPECT_EQ(replaced.c_iflag & (INPCK | IGNPAR | PARMRK), INPCK);
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
  EXPECT_EQ(settings.attributes.c_cflag, Mapped(CardProgrammerDcb()).attributes.c_cflag);
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

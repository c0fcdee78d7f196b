#include <gtest/gtest.h>

#include "sim/waveform.h"
#include "support/sim_fixture.h"

using namespace driver;
using namespace driver::sim;
using namespace std::chrono_literals;

namespace {

DCB Line(std::uint32_t baud, std::uint8_t bits, std::uint8_t parity, std::uint8_t stop,
         bool check = false) {
  DCB dcb = SimLink::CardLine();
  dcb.BaudRate = baud;
  dcb.ByteSize = bits;
  dcb.Parity = parity;
  dcb.StopBits = stop;
  dcb.Flags = FlagBinary | (check ? FlagParity : 0);
  return dcb;
}

const std::string kAtrOnWire = "03 19 0B FF 77 D7 FF 3F E9 F6 FF";

}  // namespace

TEST(SimLineFormat, EveryUartFrameReadsBackItsOwnCharactersBackToBack) {
  for (std::uint8_t bits = 5; bits <= 8; ++bits)
    for (std::uint8_t parity = NOPARITY; parity <= SPACEPARITY; ++parity)
      for (std::uint8_t stop = ONESTOPBIT; stop <= TWOSTOPBITS; ++stop) {
        const auto format = FormatOf(Line(9600, bits, parity, stop));
        if (!format) continue;
        Transmitter tx;
        const std::uint8_t sent[] = {0x00, 0x55, 0xFF, 0x3C, 0x01};
        for (const auto byte : sent) tx.Send(byte, *format, Time{0});
        Receiver rx;
        for (const auto byte : sent) {
          const auto r = rx.Next(tx, *format);
          ASSERT_TRUE(r) << int(bits) << int(parity) << int(stop);
          EXPECT_EQ(r->value, byte & ((1 << bits) - 1));
          EXPECT_FALSE(r->parityError || r->framingError || r->isBreak);
          rx.Consume(*r);
        }
        EXPECT_FALSE(rx.Next(tx, *format));
      }
}

TEST(SimLineFormat, CardFrameTakesTwelveBitTimes) {
  EXPECT_EQ(kCardFormat.Length(), 1250us);
  EXPECT_EQ(FormatOf(SimLink::CardLine()), kCardFormat);
}

TEST(SimLineFormat, SettingsNoUartCanTakeAreRefused) {
  const DCB refused[] = {
      Line(0, 8, ODDPARITY, TWOSTOPBITS),         Line(9600, 4, NOPARITY, ONESTOPBIT),
      Line(9600, 9, NOPARITY, ONESTOPBIT),        Line(9600, 8, 5, ONESTOPBIT),
      Line(9600, 8, NOPARITY, 3),                 Line(9600, 5, NOPARITY, TWOSTOPBITS),
      Line(9600, 8, NOPARITY, ONE5STOPBITS),      Line(4'000'001, 8, NOPARITY, ONESTOPBIT),
  };
  VirtualBench bench;
  SimLink link(bench.simulation);
  for (const DCB& dcb : refused) EXPECT_EQ(link.Device().SetState(dcb), EINVAL);
  EXPECT_EQ(link.Device().SetState(Line(9600, 5, NOPARITY, ONE5STOPBITS)), 0);
}

// The card's answer to reset as the host's UART receives it under other settings.
TEST(SimLineGarbling, AtrUnderAnotherFrameArrivesAsAUartWouldTakeIt) {
  const struct {
    const char* name;
    DCB line;
    bool intact;
    std::uint32_t errors;
  } cases[] = {
      {"9600 8O2 checked", Line(9600, 8, ODDPARITY, TWOSTOPBITS, true), true, 0},
      // the parity bit taken for a stop bit: a framing error wherever it is 0
      {"9600 8N1", Line(9600, 8, NOPARITY, ONESTOPBIT), true, CE_FRAME},
      {"9600 8E2 checked", Line(9600, 8, EVENPARITY, TWOSTOPBITS, true), true, CE_RXPARITY},
      {"9600 8E2 unchecked", Line(9600, 8, EVENPARITY, TWOSTOPBITS), true, 0},
      {"19200 8O2", Line(19200, 8, ODDPARITY, TWOSTOPBITS), false, CE_FRAME},
      {"4800 8O2", Line(4800, 8, ODDPARITY, TWOSTOPBITS), false, CE_FRAME},
  };
  for (const auto& c : cases) {
    VirtualBench bench;
    SimLink link(bench.simulation);
    link.SetLine(c.line);
    link.PulseRts();
    const std::string atr = link.Read(11);
    EXPECT_EQ(Hex(atr) == kAtrOnWire, c.intact) << c.name << ": " << Hex(atr);
    EXPECT_EQ(link.TakeErrors() & (CE_FRAME | CE_RXPARITY), c.errors) << c.name;
  }
}

// The card refuses what it cannot take: it never answers a command sent on another frame.
TEST(SimLineGarbling, CommandOnAnotherFrameGetsNoAnswer) {
  const DCB lines[] = {
      Line(9600, 8, NOPARITY, ONESTOPBIT),
      Line(9600, 8, EVENPARITY, TWOSTOPBITS),
      Line(19200, 8, ODDPARITY, TWOSTOPBITS),
  };
  for (const DCB& line : lines) {
    VirtualBench bench;
    SimLink link(bench.simulation);
    link.SetLine(line);
    link.Write(ReadHeader(0, 0));
    const std::string reply = link.Read(264);
    EXPECT_LT(reply.size(), 20u) << line.BaudRate << " " << int(line.Parity);
    EXPECT_EQ(bench.TraceText().find("card 7B"), std::string::npos) << bench.TraceText();
  }
}

TEST(SimLineGarbling, CharacterWithBadParityMakesTheCardSignalAnError) {
  VirtualBench bench;
  SimLink link(bench.simulation);
  link.SetLine(Line(9600, 8, EVENPARITY, TWOSTOPBITS, true));
  link.Write("\x01");
  EXPECT_EQ(bench.TraceText(), "host 01\ncard error signal");
  // The host hears its echo with the error signal over its first stop bit.
  EXPECT_EQ(Hex(link.Read(1)), "01");
  EXPECT_EQ(link.TakeErrors(), CE_FRAME);
}

TEST(SimLineBreak, BreakIsReportedOnceAndTheLineWorksAfterIt) {
  VirtualBench bench;
  SimLink link(bench.simulation);
  ASSERT_EQ(link.Device().SetEventMask(EV_BREAK | EV_ERR), 0);
  ASSERT_EQ(link.Device().Escape(SETBREAK), 0);
  bench.clock->Advance(10ms);
  ASSERT_EQ(link.Device().Escape(CLRBREAK), 0);
  std::uint32_t errors = 0;
  std::uint32_t waiting = 0;
  ASSERT_EQ(link.Device().ClearErrors(errors, waiting), 0);
  EXPECT_EQ(errors, CE_BREAK);
  EXPECT_EQ(waiting, 0u);
  driver::WakeEvent stop(true);
  std::uint32_t occurred = 0;
  EXPECT_EQ(link.Device().WaitEvent(occurred, stop), 0);
  EXPECT_EQ(occurred, EV_BREAK);
  link.Write("\x5A");
  EXPECT_EQ(Hex(link.Read(1)), "5A") << bench.TraceText();
  EXPECT_EQ(link.TakeErrors(), 0u);
}

TEST(SimLineNoise, EveryBitFlippedTurnsEchoesIntoTheirComplementWithBadParity) {
  ReaderSetup setup;
  setup.noiseRate = 1;
  setup.cardInserted = false;
  VirtualBench bench(setup);
  SimLink link(bench.simulation);
  link.SetLine(Line(9600, 8, ODDPARITY, TWOSTOPBITS, true));
  link.Write(ReadHeader(0, 0));
  EXPECT_EQ(Hex(link.Read(5)), "00 84 00 00 00");
  EXPECT_EQ(link.TakeErrors(), CE_RXPARITY);
}

TEST(SimLineNoise, CardRefusesEveryCharacterThatArrivesWithBadParity) {
  ReaderSetup setup;
  setup.noiseRate = 1;
  VirtualBench bench(setup);
  SimLink link(bench.simulation);
  link.Write(ReadHeader(0, 0));
  link.Read(264);
  const std::string trace = bench.TraceText();
  EXPECT_EQ(trace, "host FF 7B FF FF FF"
                   "\ncard error signal\ncard error signal\ncard error signal"
                       "\ncard error signal\ncard error signal");
}

TEST(SimLineNoise, LowRateCorruptsAboutThatShareOfCharacters) {
  ReaderSetup setup;
  setup.noiseRate = 0.01;  // about 7.7 % of characters lose one of their 8 data bits
  setup.cardInserted = false;
  VirtualBench bench(setup);
  SimLink link(bench.simulation);
  const std::string sent(1000, '\x55');
  link.Write(sent);
  const std::string echo = link.Read(sent.size());
  ASSERT_EQ(echo.size(), sent.size());
  std::size_t corrupted = 0;
  for (std::size_t i = 0; i < sent.size(); ++i) corrupted += echo[i] != sent[i];
  EXPECT_GT(corrupted, 40u);
  EXPECT_LT(corrupted, 120u);
}

#include "card/card_port.h"

#include "support/comport_fixture.h"

using Strings = std::vector<std::string>;

class CardPort : public ComPortTest {};

// The reader only understands this line; a wrong frame garbles every byte. Parity is
// checked (flags 0x0003) so that a byte garbled on the line is noticed.
TEST_F(CardPort, OpensWithTheReadersLineAndTimeoutsWhateverWasSetBefore) {
  port.SetEvents(TComEvents());
  port.SetBaudRate(br115200);
  port.Parity().SetBits(prEven);
  port.Parity().SetCheck(false);
  port.FlowControl().SetFlowControl(fcHardware);
  port.FlowControl().SetControlDTR(dtrEnable);
  port.Timeouts().SetReadInterval(50);
  ApplyCardPortSettings(port);
  EXPECT_EQ(driver.Calls(), Strings{}) << "a closed port only stores";

  port.Open();
  const Strings calls = driver.Calls();
  ASSERT_GE(calls.size(), 4u);
  EXPECT_EQ(Strings(calls.begin(), calls.begin() + 4),
            (Strings{"Open COM2", "SetQueueSizes 1024 1024",
                     "SetState baud=9600 flags=0x0003 xonlim=256 xofflim=256 bytesize=8 parity=1 "
                     "stopbits=2 xon=0x11 xoff=0x13 error=0x00 eof=0x00 evt=0x00 length=28",
                     "SetTimeouts 0 2 400 2 400"}));
  EXPECT_EQ(port.Events(), TComEvents::All());
}

TEST(EepromSizes, NamesCapacitiesAndPagesInTheWindowsOrder) {
  const struct {
    const char* name;
    int capacity;
    int page;
  } expected[] = {{"24C16", 2048, 8}, {"24C32", 4096, 16}, {"24C64", 8192, 16}};
  ASSERT_EQ(kEepromSizes.size(), std::size(expected));
  for (std::size_t i = 0; i < kEepromSizes.size(); ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_STREQ(kEepromSizes[i].name, expected[i].name);
    EXPECT_EQ(kEepromSizes[i].capacity, expected[i].capacity);
    EXPECT_EQ(kEepromSizes[i].pageSize, expected[i].page);
  }
  EXPECT_STREQ(kDefaultEepromSize.name, "24C64");

  EXPECT_EQ(FindEepromSize("24c32"), &kEepromSizes[1]);
  EXPECT_EQ(FindEepromSize("24C16"), &kEepromSizes[0]);
  for (const char* name : {"", "24C08", "24C6", "24C644", "C64"}) EXPECT_EQ(FindEepromSize(name), nullptr) << name;
}

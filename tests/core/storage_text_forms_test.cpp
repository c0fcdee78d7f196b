#include <gtest/gtest.h>

#include "serial/text_forms.h"

namespace {

// Every value goes to text and back to itself, and a text that matches no entry
// gives the fallback.
template <typename E>
void ExpectForm(std::string (*toText)(E), E (*fromText)(std::string_view), int count, E fallback,
                const char* name) {
  for (int i = 0; i < count; ++i) {
    const E value = static_cast<E>(i);
    EXPECT_EQ(fromText(toText(value)), value) << name << " " << i << " " << toText(value);
  }
  EXPECT_EQ(fromText(""), fallback) << name;
  EXPECT_EQ(fromText("no such entry"), fallback) << name;
  EXPECT_EQ(toText(static_cast<E>(count)), "") << name;
}

TEST(TextForms, EveryValueComesBackAndUnknownTextsGiveTheFallback) {
  ExpectForm(BaudRateToText, TextToBaudRate, 16, br9600, "baud rate");
  ExpectForm(StopBitsToText, TextToStopBits, 3, sbOneStopBit, "stop bits");
  ExpectForm(DataBitsToText, TextToDataBits, 4, dbEight, "data bits");
  ExpectForm(ParityToText, TextToParity, 5, prNone, "parity");
  ExpectForm(FlowControlToText, TextToFlowControl, 4, fcCustom, "flow control");
  ExpectForm(DTRControlToText, TextToDTRControl, 3, dtrDisable, "DTR");
  ExpectForm(RTSControlToText, TextToRTSControl, 4, rtsDisable, "RTS");
}

TEST(TextForms, TheStoredTextsAreTheWindowsOnes) {
  EXPECT_EQ(BaudRateToText(brCustom), "Custom");
  EXPECT_EQ(BaudRateToText(br110), "110");
  EXPECT_EQ(BaudRateToText(br56000), "56000");
  EXPECT_EQ(BaudRateToText(br256000), "256000");
  EXPECT_EQ(StopBitsToText(sbOne5StopBits), "1.5");
  EXPECT_EQ(DataBitsToText(dbFive), "5");
  EXPECT_EQ(ParityToText(prSpace), "Space");
  EXPECT_EQ(FlowControlToText(fcNone), "None");
  EXPECT_EQ(DTRControlToText(dtrHandshake), "Handshake");
  EXPECT_EQ(RTSControlToText(rtsToggle), "Toggle");
}

TEST(TextForms, MatchingIgnoresLetterCaseButNotBlanksOrPunctuation) {
  for (const char* text : {"custom", "CUSTOM", "Custom", "cUsToM"})
    EXPECT_EQ(TextToBaudRate(text), brCustom) << text;
  for (const char* text : {" 110", "110 ", "110\t", "0110", "$6E"})
    EXPECT_EQ(TextToBaudRate(text), br9600) << text;
  EXPECT_EQ(TextToStopBits("1,5"), sbOneStopBit);
  EXPECT_EQ(TextToStopBits("1.5"), sbOne5StopBits);
  EXPECT_EQ(TextToParity("odd"), prOdd);
  EXPECT_EQ(TextToParity("ODD"), prOdd);
  EXPECT_EQ(TextToFlowControl("hardware"), fcHardware);
  EXPECT_EQ(TextToRTSControl("TOGGLE"), rtsToggle);
  // Only a to z fold: the bytes of an accented letter stay as they are.
  EXPECT_EQ(TextToDTRControl("ENABLÉ"), dtrDisable);
}

TEST(TextForms, OnlyYesInAnyCaseIsTrue) {
  for (const char* text : {"yes", "Yes", "YES", "yEs"}) EXPECT_TRUE(TextToBool(text)) << text;
  for (const char* text : {"Y", "True", "true", "1", "No", "", " yes", "yes ", "yess"})
    EXPECT_FALSE(TextToBool(text)) << text;
  EXPECT_EQ(BoolToText(true), "Yes");
  EXPECT_EQ(BoolToText(false), "No");
}

TEST(TextForms, CharactersAreThemselvesOrHashAndTheirCode) {
  const struct {
    int code;
    const char* text;
  } cases[] = {
      {0, "#0"}, {13, "#13"},   {32, "#32"},   {33, "!"},     {35, "#"},
      {65, "A"}, {127, "\x7F"}, {128, "#128"}, {200, "#200"}, {255, "#255"},
  };
  for (const auto& c : cases) EXPECT_EQ(CharToText(static_cast<char>(c.code)), c.text) << c.code;
  for (int code = 0; code < 256; ++code) {
    const char value = static_cast<char>(code);
    EXPECT_EQ(TextToChar(CharToText(value)), value) << code;
  }
}

TEST(TextForms, CharacterTextsReadWithTheRuntimesIntegerSyntax) {
  const struct {
    const char* text;
    int code;
  } cases[] = {
      {"", 0},    {"#", 35},    {"#65", 65},  {"#$41", 65}, {"#0x41", 65}, {"#X41", 65},
      {"#x", 0},  {"#321", 65}, {"#-1", 255}, {"#+66", 66}, {"#  66", 66}, {"#66 ", 0},
      {"#6A", 0}, {"AB", 65},   {"##", 0},    {" #65", 32}, {"#$", 0},     {"#99999999999", 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(static_cast<unsigned char>(TextToChar(c.text)), c.code) << c.text;
}

}  // namespace

#include "card/atr_explanation.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "card/card_link.h"

namespace {

using ::testing::HasSubstr;

TEST(AtrExplanation, TheCardsAtrLineByLine) {
  EXPECT_EQ(ExplainAtr(HexToBytes("3F 67 2F 00 11 14 00 03 68 90 00")),
            "TS  = 3F : convention inverse\n"
            "T0  = 67 : TB1 TC1 présents, 7 octets historiques\n"
            "TB1 = 2F : tension de programmation PI1 = 15 V, II = 1 (obsolète)\n"
            "TC1 = 00 : temps de garde supplémentaire N = 0 etu\n"
            "Historiques : 11 14 00 03 68 90 00 \"....h..\"\n"
            "TCK : aucun (T=0 seul)\n");
}

// Public ATRs, and broken ones that must be told as such without reading past the end.
TEST(AtrExplanation, PublicAndBrokenAtrsGiveTheirKeyLines) {
  const struct {
    const char* atr;
    std::vector<std::string> lines;
  } cases[] = {
      {"3B F8 13 00 00 81 31 FE 45 4A 43 4F 50 76 32 34 31 B7",  // JCOP, T=1
       {"TS  = 3B : convention directe\nT0  = F8 : TA1 TB1 TC1 TD1 présents, 8 octets historiques\n",
        "TA1 = 13 : Fi = 372 (horloge max. 5 MHz), Di = 4 : 93 cycles d'horloge par bit\n",
        "TB1 = 00 : pas de tension de programmation (VPP)\n",
        "TD1 = 81 : protocole T=1, suivent TD2\nTD2 = 31 : protocole T=1, suivent TA3 TB3\n"
        "TA3 = FE : taille de bloc de la carte IFSC = 254 octets\nTB3 = 45 : attente T=1 : BWI = 4, CWI = 5\n",
        "Historiques : 4A 43 4F 50 76 32 34 31 \"JCOPv241\"\n", "TCK = B7 : correct\n"}},
      {"3B 3F 94 00 80 69 AF 03 07 01 36 00 00 0A 0E 83 3E 9F 16",  // GSM SIM, T=0
       {"TA1 = 94 : Fi = 512 (horloge max. 5 MHz), Di = 8 : 64 cycles d'horloge par bit\n",
        "TCK : aucun (T=0 seul)\n"}},
      {"3B 98 13 40 0A A5 03 01 01 01 AD 13 11",  // Belgian eID, T=0 with TC2
       {"TD1 = 40 : protocole T=0, suivent TC2\n", "TC2 = 0A : temps d'attente T=0 : WI = 10\n",
        "TCK : aucun (T=0 seul)\n"}},
      {"3B F8 13 00 00 81 31 FE 45 4A 43 4F 50 76 32 34 31 B6 90",
       {"TCK = B6 : incorrect (attendu B7)\n", "1 octet en trop après l'ATR : 90\n"}},
      {"3B F8 13 00 00 81", {"TD1 = 81 : protocole T=1, suivent TD2\n", "ATR tronqué : TD2 manque\n"}},
      {"3B F8 13 00 00 81 31 FE 45 4A 43", {"ATR tronqué : 2 octets historiques sur 8\n"}},
      {"3B F8 13 00 00 81 31 FE 45 4A 43 4F 50 76 32 34 31", {"ATR tronqué : TCK manque\n"}},
      {"3F", {"TS  = 3F : convention inverse\nATR tronqué : T0 manque\n"}},
      {"12 00", {"TS  = 12 : convention inconnue (ni 3B ni 3F)\n", "Historiques : aucun\n"}},
      {"", {"ATR vide\n"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.atr);
    const std::string text = ExplainAtr(HexToBytes(c.atr));
    for (const std::string& line : c.lines) EXPECT_THAT(text, HasSubstr(line));
  }
}

}  // namespace

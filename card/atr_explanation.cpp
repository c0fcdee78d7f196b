#include "card/atr_explanation.h"

#include <cstdint>
#include <cstdio>

#include "card/card_link.h"

namespace {

constexpr std::uint8_t kDirectConvention = 0x3B;
constexpr std::uint8_t kInverseConvention = 0x3F;
// Bits of Y (the high nibble of T0 and of each TD, shifted down) announcing TA, TB, TC and TD.
constexpr char kInterfaceLetters[] = {'A', 'B', 'C', 'D'};
constexpr int kIndicatorBits[] = {1, 2, 4, 8};
constexpr int kImplicitProtocol = 0;
constexpr int kGlobalProtocol = 15;

// ISO 7816-3 table 7: clock rate conversion Fi and the highest clock frequency; 0 for
// reserved values.
struct ClockRate {
  int fi;
  const char* fmax;
};
constexpr ClockRate kClockRates[16] = {
    {372, "4"},   {372, "5"},    {558, "6"},   {744, "8"},   {1116, "12"},  {1488, "16"},
    {1860, "20"}, {0, ""},       {0, ""},      {512, "5"},   {768, "7,5"},  {1024, "10"},
    {1536, "15"}, {2048, "20"},  {0, ""},      {0, ""}};
// Table 8: baud rate adjustment Di; 0 for reserved values.
constexpr int kBaudDivisors[16] = {0, 1, 2, 4, 8, 16, 32, 64, 12, 20, 0, 0, 0, 0, 0, 0};

std::string Hex(std::uint8_t b) { return BytesToHex(std::string(1, static_cast<char>(b))); }

// "1 octet historique", "7 octets historiques"
std::string Counted(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string Printable(const std::string& bytes) {
  std::string text;
  for (const char c : bytes) text += c >= 0x20 && c < 0x7F ? c : '.';
  return text;
}

std::string TaOne(std::uint8_t b) {
  const ClockRate rate = kClockRates[b >> 4];
  const int di = kBaudDivisors[b & 0xF];
  if (rate.fi == 0 || di == 0) return "Fi/Di réservé";
  char text[120];
  std::snprintf(text, sizeof text, "Fi = %d (horloge max. %s MHz), Di = %d : %g cycles d'horloge par bit",
                rate.fi, rate.fmax, di, static_cast<double>(rate.fi) / di);
  return text;
}

// Programming voltage PI1 in volts and maximum current II (obsolete since 2006).
std::string TbOne(std::uint8_t b) {
  if (b == 0) return "pas de tension de programmation (VPP)";
  return "tension de programmation PI1 = " + std::to_string(b & 0x1F) + " V, II = " +
         std::to_string((b >> 5) & 3) + " (obsolète)";
}

std::string TcOne(std::uint8_t b) {
  if (b == 0xFF) return "temps de garde minimal (12 etu en T=0, 11 etu en T=1)";
  return "temps de garde supplémentaire N = " + std::to_string(b) + " etu";
}

std::string TaTwo(std::uint8_t b) {
  return "mode spécifique T=" + std::to_string(b & 0xF) +
         ((b & 0x80) ? ", non modifiable" : ", modifiable") +
         ((b & 0x10) ? ", paramètres implicites" : ", paramètres de TA1");
}

// The meaning of TA, TB or TC of group `group` (from 1), whose protocol is the one
// that the previous TD named.
std::string Meaning(char letter, int group, int protocol, std::uint8_t b) {
  if (group == 1) {
    if (letter == 'A') return TaOne(b);
    if (letter == 'B') return TbOne(b);
    return TcOne(b);
  }
  if (group == 2) {
    if (letter == 'A') return TaTwo(b);
    if (letter == 'B') return "tension de programmation PI2, obsolète";
    if (protocol == 0) return "temps d'attente T=0 : WI = " + std::to_string(b);
  }
  if (protocol == 1) {
    if (letter == 'A') return "taille de bloc de la carte IFSC = " + std::to_string(b) + " octets";
    if (letter == 'B')
      return "attente T=1 : BWI = " + std::to_string(b >> 4) + ", CWI = " + std::to_string(b & 0xF);
    return (b & 1) ? "contrôle d'erreur CRC" : "contrôle d'erreur LRC";
  }
  if (protocol == kGlobalProtocol && letter == 'A')
    return "arrêt d'horloge " + std::to_string(b >> 6) + ", classes de tension " + Hex(b & 0x3F);
  return "paramètre du protocole T=" + std::to_string(protocol);
}

// "TA1 TD1": the interface bytes that indicator `y` announces for group `group`.
std::string Announced(int y, int group) {
  std::string text;
  for (int k = 0; k < 4; ++k)
    if (y & kIndicatorBits[k])
      text += std::string(text.empty() ? "" : " ") + "T" + kInterfaceLetters[k] +
              std::to_string(group);
  return text;
}

class AtrWalk {
 public:
  explicit AtrWalk(const std::string& atr) : atr_(atr) {}

  std::string Explained() {
    if (atr_.empty()) return "ATR vide\n";
    Convention();
    if (!Next("T0")) return text_;
    const std::uint8_t t0 = Byte(1);
    const int historical = t0 & 0xF;
    Line("T0 ", t0, (t0 >> 4 ? Announced(t0 >> 4, 1) + " présents, " : std::string()) +
                        Counted(static_cast<std::size_t>(historical), "octet historique",
                                "octets historiques"));
    if (!InterfaceBytes(t0 >> 4) || !Historical(historical) || !CheckByte()) return text_;
    if (next_ < atr_.size())
      text_ += Counted(atr_.size() - next_, "octet", "octets") + " en trop après l'ATR : " +
               BytesToHex(atr_.substr(next_)) + "\n";
    return text_;
  }

 private:
  std::uint8_t Byte(std::size_t i) const { return static_cast<std::uint8_t>(atr_[i]); }

  void Line(const std::string& name, std::uint8_t b, const std::string& meaning) {
    text_ += name + " = " + Hex(b) + " : " + meaning + "\n";
  }

  // Takes the next byte, or says that the ATR ends before `name`.
  bool Next(const std::string& name) {
    if (next_ < atr_.size()) {
      ++next_;
      return true;
    }
    text_ += "ATR tronqué : " + name + " manque\n";
    return false;
  }

  void Convention() {
    const std::uint8_t ts = Byte(0);
    next_ = 1;
    Line("TS ", ts, ts == kInverseConvention   ? "convention inverse"
                    : ts == kDirectConvention ? "convention directe"
                                              : "convention inconnue (ni 3B ni 3F)");
  }

  bool InterfaceBytes(int y) {
    int protocol = kImplicitProtocol;
    for (int group = 1; y != 0; ++group) {
      int following = 0;
      for (int k = 0; k < 4; ++k) {
        if (!(y & kIndicatorBits[k])) continue;
        const std::string name = std::string("T") + kInterfaceLetters[k] + std::to_string(group);
        if (!Next(name)) return false;
        const std::uint8_t b = Byte(next_ - 1);
        if (kInterfaceLetters[k] != 'D') {
          Line(name, b, Meaning(kInterfaceLetters[k], group, protocol, b));
          continue;
        }
        following = b >> 4;
        protocol = b & 0xF;
        checkDue_ = checkDue_ || protocol != kImplicitProtocol;
        Line(name, b, "protocole T=" + std::to_string(protocol) +
                          (following ? ", suivent " + Announced(following, group + 1) : ""));
      }
      y = following;
    }
    return true;
  }

  bool Historical(int count) {
    const std::size_t left = atr_.size() - next_;
    if (left < static_cast<std::size_t>(count)) {
      text_ += "ATR tronqué : " + Counted(left, "octet historique", "octets historiques") + " sur " +
               std::to_string(count) + "\n";
      return false;
    }
    const std::string bytes = atr_.substr(next_, static_cast<std::size_t>(count));
    next_ += bytes.size();
    text_ += count == 0 ? "Historiques : aucun\n"
                        : "Historiques : " + BytesToHex(bytes) + " \"" + Printable(bytes) + "\"\n";
    return true;
  }

  // TCK is due when a protocol other than T=0 is offered: the exclusive or of T0 up
  // to TCK is then 0.
  bool CheckByte() {
    if (!checkDue_) {
      text_ += "TCK : aucun (T=0 seul)\n";
      return true;
    }
    if (!Next("TCK")) return false;
    std::uint8_t sum = 0;
    for (std::size_t i = 1; i + 1 < next_; ++i) sum ^= Byte(i);
    const std::uint8_t tck = Byte(next_ - 1);
    Line("TCK", tck, tck == sum ? "correct" : "incorrect (attendu " + Hex(sum) + ")");
    return true;
  }

  const std::string& atr_;
  std::size_t next_ = 0;
  bool checkDue_ = false;
  std::string text_;
};

}  // namespace

std::string ExplainAtr(const std::string& atr) { return AtrWalk(atr).Explained(); }

#include "card/card_link.h"

#include <cstdint>
#include <cstdio>
#include <stdexcept>

#include "common/ascii_text.h"
#include "serial/comport.h"
#include "serial/driver/device.h"
#include "serial/driver/directory.h"

namespace {

const char* const kAcceptedATR = "3F 67 2F 00 11 14 00 03 68 90 00";
const char* const kSuccessStatus = "90 00";
constexpr int kATRLength = 11;
constexpr int kReadBlock = 256;
// Echo of the 5-byte header and the procedure byte before the data.
constexpr int kReplyPrefix = 6;
constexpr int kStatusLength = 2;
// The component names its ports COM1 to COM96 only, so a device path is reached
// through a COM name of its own, one that the simulated readers never take.
const char* const kPathPort = "COM96";

std::uint8_t InvertByte(std::uint8_t b) {
  std::uint8_t reversed = 0;
  for (int bit = 0; bit < 8; ++bit)
    if (b & (1u << bit)) reversed |= static_cast<std::uint8_t>(0x80u >> bit);
  return static_cast<std::uint8_t>(~reversed);
}

// "00 21 1F00 00": a command header as hex text, for HexToBytes.
std::string HeaderText(const char* instruction, int address, int length) {
  char text[20];
  std::snprintf(text, sizeof text, "00 %s %04X %02X", instruction, address & 0xFFFF,
                length & 0xFF);
  return text;
}

bool EndsWithSuccess(const std::string& reply) {
  return reply.size() >= kStatusLength &&
         BytesToHex(reply.substr(reply.size() - kStatusLength)) == kSuccessStatus;
}

// T=0: after a command header, 6X other than 60 and 9X open a status word; any other
// byte is a procedure byte.
bool IsStatusByte(char c) {
  const auto b = static_cast<std::uint8_t>(c);
  return ((b & 0xF0) == 0x60 && b != 0x60) || (b & 0xF0) == 0x90;
}

// The reader echoes every byte sent, whatever the card does: only a procedure byte after
// the echo shows that the card took the header...
bool HeaderTaken(const std::string& reply) {
  return reply.size() == kReplyPrefix && !IsStatusByte(reply.back());
}

// ...and only the whole echo of the data followed by 90 00 that it took the page.
bool PageTaken(const std::string& reply, const std::string& data) {
  return reply.size() == data.size() + kStatusLength && reply.compare(0, data.size(), data) == 0 &&
         EndsWithSuccess(reply);
}

}  // namespace

std::string InvertBytes(const std::string& bytes) {
  std::string out(bytes.size(), '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i)
    out[i] = static_cast<char>(InvertByte(static_cast<std::uint8_t>(bytes[i])));
  return out;
}

std::string BytesToHex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 3);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) text += ' ';
    const auto b = static_cast<std::uint8_t>(bytes[i]);
    text += digits[b >> 4];
    text += digits[b & 0xF];
  }
  return text;
}

std::string HexToBytes(const std::string& text) {
  std::string bytes;
  int pending = -1;
  for (const char c : text) {
    const int value = HexDigitValue(c);
    if (value < 0) continue;
    if (pending < 0) {
      pending = value;
    } else {
      bytes += static_cast<char>(pending * 16 + value);
      pending = -1;
    }
  }
  return bytes;
}

int CompareBuffers(const TBuffer& a, const TBuffer& b) {
  for (int i = 0; i < a.Size(); ++i)
    if (a.GetItem(i) != b.GetItem(i)) return i;
  return a.Size() > 0 ? -1 : 0;
}

bool IsDevicePath(const std::string& port) { return port.find('/') != std::string::npos; }

namespace {

// The name under which the component opens `port`.
std::string ComponentPortName(const std::string& port) {
  if (!IsDevicePath(port)) return port;
  driver::PortDirectory::Instance().MapPort(kPathPort, port);
  return kPathPort;
}

}  // namespace

TCardLink::TCardLink(TComPort& port, ui::Toolkit& toolkit, ui::WindowHandle owner)
    : Port(port), Owner(owner), toolkit_(toolkit) {}

void TCardLink::OpenPort() {
  const int index = PortIndex ? PortIndex() : 0;
  Port.SetPort(ComponentPortName(PortName ? PortName() : "COM" + std::to_string(index + 1)));
  try {
    Port.SetConnected(true);
  } catch (const EComPort& e) {
    if (driver::IsBusyError(e.WinErrorCode())) throw std::runtime_error("Port série occupé");
    throw std::runtime_error("Port série invalide");
  }
  ResetCard();
}

void TCardLink::FlushInput() {
  std::string discarded;
  Port.ReadStr(discarded, Port.InputCount());
}

void TCardLink::ResetCard() {
  FlushInput();
  Port.SetRTS(true);
  Port.SetRTS(false);
  std::string atr;
  Port.ReadStr(atr, kATRLength);
  const std::string text = BytesToHex(InvertBytes(atr));
  if (OnATR) OnATR(text);
  toolkit_.ProcessMessages();
  if (text.empty()) throw std::runtime_error("Aucune réponse, vérifiez le port");
  if (text != kAcceptedATR) throw std::runtime_error("ATR non reconnu : carte non valide");
  FlushInput();
}

void TCardLink::ClosePort() { Port.SetConnected(false); }

void TCardLink::WithProgress(const std::string& title,
                             const std::function<void(ui::ProgressView&)>& transfer) {
  OpenPort();
  const auto progress = toolkit_.CreateProgress(Owner, title);
  // Released after the port was closed, also when closing fails.
  struct ReleaseAtEnd {
    ui::ProgressView& view;
    ~ReleaseAtEnd() { view.Release(); }
  } releaseAtEnd{*progress};
  progress->PaintNow();
  try {
    transfer(*progress);
  } catch (...) {
    CloseAfterFailure();
    throw;
  }
  ClosePort();
}

void TCardLink::CloseAfterFailure() {
  try {
    ClosePort();
  } catch (...) {
    // A reader that was unplugged may refuse the close as well; the failure of the
    // transfer is the cause, and the one the user must see.
  }
}

std::string TCardLink::Exchange(const std::string& plain, int replyLength) {
  Port.WriteStr(InvertBytes(plain));
  std::string reply;
  Port.ReadStr(reply, replyLength);
  return InvertBytes(reply);
}

bool TCardLink::LineStayedClean() { return Port.TakeLineErrors().Empty(); }

void TCardLink::ReadBlock(int index, int length, TBuffer& buffer) {
  const int expected = length + kReplyPrefix + kStatusLength;
  Port.TakeLineErrors();  // what the line did before this block is not its concern
  const std::string reply =
      Exchange(HexToBytes(HeaderText("21", kReadBlock * index, length)), expected);
  // The protocol has no checksum: a byte changed on the wire shows only as a parity or
  // framing error, and must not pass as card data.
  if (!EndsWithSuccess(reply) || static_cast<int>(reply.size()) != expected ||
      !LineStayedClean())
    throw std::runtime_error("Erreur de lecture");
  buffer.Append(reply.substr(kReplyPrefix, static_cast<std::size_t>(length)));
}

void TCardLink::ReadCard(const std::string& title, TBuffer& buffer) {
  WithProgress(title, [&](ui::ProgressView& progress) {
    buffer.Clear();
    const int capacity = buffer.Capacity();
    const int last = (capacity - 1) / kReadBlock;
    progress.SetMax(last);
    for (int i = 0; i <= last; ++i) {
      ReadBlock(i, i < last ? kReadBlock : capacity - kReadBlock * last, buffer);
      progress.SetPosition(i);
    }
  });
}

void TCardLink::WritePage(const TBuffer& buffer, int address, int length) {
  Port.TakeLineErrors();
  const std::string data =
      buffer.Data().substr(static_cast<std::size_t>(address), static_cast<std::size_t>(length));
  // A card that did not take the header gets no data: it would read the data as commands.
  // A garbled echo or status leaves it unknown what the card took.
  if (!HeaderTaken(Exchange(HexToBytes(HeaderText("20", address, length)), kReplyPrefix)) ||
      !PageTaken(Exchange(data, length + kStatusLength), data) || !LineStayedClean())
    throw std::runtime_error("Erreur d'écriture");
}

void TCardLink::WriteCard(const std::string& title, const TBuffer& buffer) {
  // An empty buffer would send a page of length 0.
  if (buffer.Size() == 0) throw std::runtime_error("Buffer vide : rien à écrire");
  // The page size read once: the owner may change it while messages are processed.
  WritePages(title, buffer, PagesOf(buffer.Size(), PageSize));
}

void TCardLink::WritePages(const std::string& title, const TBuffer& buffer,
                           const std::vector<Page>& pages) {
  WithProgress(title, [&](ui::ProgressView& progress) {
    progress.SetMax(static_cast<int>(pages.size()) - 1);
    for (std::size_t i = 0; i < pages.size(); ++i) {
      WritePage(buffer, pages[i].address, pages[i].length);
      progress.SetPosition(static_cast<int>(i));
    }
  });
}

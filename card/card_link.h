#pragma once

#include <functional>
#include <string>
#include <vector>

#include "card/buffer.h"
#include "card/card_differences.h"
#include "ui/toolkit.h"

class TComPort;

// Inverse-convention coding of the card: each byte's bits reversed, then inverted.
// Its own inverse.
std::string InvertBytes(const std::string& bytes);
// "3F 67 2F": two upper-case digits per byte, one blank between bytes.
std::string BytesToHex(const std::string& bytes);
// Every pair of hex digits gives a byte; other characters are skipped, a lone
// trailing digit is dropped.
std::string HexToBytes(const std::string& text);
// Offset of the first byte in which `b` differs from `a` over a's length, or -1 (0 for
// an empty `a`). Reading past the end of a shorter `b` raises its range error.
int CompareBuffers(const TBuffer& a, const TBuffer& b);
// A port named by its device path rather than COMn.
bool IsDevicePath(const std::string& port);

// The channel to the card through the serial port component: for each operation it
// opens the chosen port, resets the card, accepts it only by its exact ATR, moves the
// memory block by block, and closes the port again. Failures are raised as
// std::runtime_error with a French message.
class TCardLink {
 public:
  TCardLink(TComPort& port, ui::Toolkit& toolkit, ui::WindowHandle owner);

  TComPort& Port;
  ui::WindowHandle Owner;
  // The chosen port, 0 for COM1 .. 3 for COM4; asked at every opening.
  std::function<int()> PortIndex;
  // The chosen port by name, COMn or a device path: when set, asked at every opening
  // instead of PortIndex.
  std::function<std::string()> PortName;
  // Bytes per write command: 8 for the 24C16, 16 for the others.
  int PageSize = 16;
  // Receives the ATR as hex text at every reset, before it is judged.
  std::function<void(const std::string&)> OnATR;

  void OpenPort();
  void ResetCard();
  void ClosePort();
  // Replaces `buffer` with the whole card: buffer.Capacity() bytes from address 0.
  void ReadCard(const std::string& title, TBuffer& buffer);
  // Writes buffer.Size() bytes to the card from address 0.
  void WriteCard(const std::string& title, const TBuffer& buffer);
  // Writes only `pages` of `buffer`, each to the card at its own address, in one opening.
  void WritePages(const std::string& title, const TBuffer& buffer, const std::vector<Page>& pages);

 private:
  void FlushInput();
  // Opens the port and runs `transfer` with a progress window; the port is closed and
  // then the window released however the transfer ends.
  void WithProgress(const std::string& title,
                    const std::function<void(ui::ProgressView&)>& transfer);
  // Closes the port while a transfer's failure passes, which outranks a failure to close.
  void CloseAfterFailure();
  void ReadBlock(int index, int length, TBuffer& buffer);
  // Writes `length` bytes of `buffer` from `address` on, to the card at that address.
  void WritePage(const TBuffer& buffer, int address, int length);
  // Sends a coded command and returns the decoded reply of up to `replyLength` bytes.
  std::string Exchange(const std::string& plain, int replyLength);
  // No parity, framing or overrun error since the last look at the line.
  bool LineStayedClean();

  ui::Toolkit& toolkit_;
};

#pragma once

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "card/card_differences.h"
#include "card/card_link.h"
#include "card/buffer.h"
#include "ui/dialogs.h"
#include "ui/toolkit.h"

class TComPort;

// "carte-24C64-20261209-031500.bin" in `folder`: the size and the local time `now`,
// with "-2", "-3"... before the extension while the name is taken, so that an earlier
// backup is never replaced.
std::string BackupFileName(const std::string& folder, const std::string& sizeName,
                           std::time_t now);

// The controls a front end offers for the card programmer's commands.
enum class Control { Load, Save, Clear, Erase, Write, Verify, Read, SizeChoice, PortChoice };

// What the command core asks of a front end: show its texts and its controls' state.
class CommandView {
 public:
  virtual ~CommandView() = default;
  virtual void ShowListing(const std::string& listing) = 0;
  // The status line's message, without the panel's margin.
  virtual void ShowStatus(const std::string& message) = 0;
  // The ATR as hex text, at every reset of the card.
  virtual void ShowAtr(const std::string& atr) = 0;
  virtual void EnableControl(Control control, bool enabled) = 0;
  // Shows size item `index` as chosen without running the size command.
  virtual void SelectSize(int index) = 0;
};

// Everything the card programmer decides, whatever shows it: the working data, the
// chosen size and port, the commands with their status texts, one command at a time,
// and which controls are enabled. Errors of a command pass to the caller as exceptions;
// the controls are given back first.
class CommandCore {
 public:
  CommandCore(CommandView& view, ui::Dialogs& dialogs, ui::Toolkit& toolkit, TComPort& port,
              ui::WindowHandle owner);

  // Each command returns false, having started nothing, while another command runs.
  bool Load();
  bool Save();
  bool Clear();
  bool Read();
  bool Write();
  bool Verify();
  bool Erase();
  // Reads the card, writes only the pages of the working data that differ on it, and
  // verifies; the status tells how many pages were written.
  bool WriteChanged();
  // Reads the whole card into a new file in `folder`, named after the size and `now`
  // (BackupFileName), written atomically; the status names the file.
  bool Backup(const std::string& folder, std::time_t now);
  // Item `index` of the sizes (kEepromSizes; any other index is the largest). With data,
  // asks first; a refused choice is put back to the size in force.
  bool ChooseSize(int index);

  // Lists the working data and enables the commands that need some.
  void UpdateView();
  bool Running() const { return commandRunning_; }
  // The first address at which the last verify or erase found the card differing, or -1.
  int Difference() const { return difference_; }
  // Every range in which the last verify or erase found the card differing.
  const std::vector<ByteRange>& Differences() const { return differences_; }
  // Side by side, each 16-byte line of the last comparison that differs (SideBySide).
  std::string DifferingLines() const;
  const TBuffer& WorkBuffer() const { return FWorkBuffer; }
  // The link's port: by index (PortIndex) or by name (PortName).
  TCardLink& CardLink() { return FCardLink; }

 private:
  class CardCommand;

  bool Guarded(const std::function<void()>& command);
  void SetStatus(const std::string& message);
  void EnableDataCommands();
  void SetControlsEnabled(bool enabled);
  void ClearWorkBuffer();
  void ApplySize(int index);
  // Compares the card read back into FVerifyBuffer with `expected` and reports it.
  void ReportComparison(const std::string& success, const char* failure, const TBuffer& expected);
  void RequireData() const;

  CommandView& view_;
  ui::Dialogs& dialogs_;
  ui::Toolkit& toolkit_;
  TBuffer FWorkBuffer;
  TBuffer FVerifyBuffer;
  TBuffer FScratchBuffer;
  TCardLink FCardLink;
  int FSizeIndex = 2;
  int difference_ = -1;
  std::vector<ByteRange> differences_;
  const TBuffer* compared_ = &FWorkBuffer;  // what the last comparison expected
  bool commandRunning_ = false;
  bool controlsTaken_ = false;  // by a card command
};

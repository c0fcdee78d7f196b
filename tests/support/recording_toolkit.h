#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/toolkit.h"

// A toolkit that shows nothing and logs what the card link asks of it, in order:
// "create <title>", "paint", "max N", "pos N", "release", "messages".
class RecordingToolkit : public ui::Toolkit {
 public:
  std::unique_ptr<ui::ProgressView> CreateProgress(ui::WindowHandle owner,
                                                   const std::string& title) override;
  void ProcessMessages() override;

  std::vector<std::string> log;
  ui::WindowHandle lastOwner = nullptr;
  // Called at every release, before it is logged (to look at the port then).
  std::function<void()> onRelease;
  // Called at every processing of messages (to click during an operation).
  std::function<void()> onMessages;
  // Called at every SetMax and SetPosition, after it is logged: the real windows
  // process messages there, so a user may act then.
  std::function<void()> onProgress;
  int Count(const std::string& entry) const;
};

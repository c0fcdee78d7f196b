#pragma once

#include "ui/toolkit.h"

// The card link's toolkit in the Windows window program: Win32 progress windows and the
// message processing of ui::win32.
class Win32Toolkit : public ui::Toolkit {
 public:
  // `owner` is an HWND.
  std::unique_ptr<ui::ProgressView> CreateProgress(ui::WindowHandle owner,
                                                   const std::string& title) override;
  void ProcessMessages() override;
};

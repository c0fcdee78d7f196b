#pragma once

#include <QWidget>

#include "ui/toolkit.h"

// The card link's toolkit in the window program: progress windows of type TProgressF and
// Qt's message processing.
class QtToolkit : public ui::Toolkit {
 public:
  // `owner` is a QWidget (see HandleOf).
  std::unique_ptr<ui::ProgressView> CreateProgress(ui::WindowHandle owner,
                                                   const std::string& title) override;
  void ProcessMessages() override;
};

ui::WindowHandle HandleOf(QWidget* window);


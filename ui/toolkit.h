#pragma once

#include <memory>
#include <string>
#include <utility>

// What the card link asks of the windowing runtime, without naming a toolkit. The Qt
// window, the terminal program and the tests each provide one.
namespace ui {

// The window over which progress windows are centred; opaque outside the toolkit.
using WindowHandle = void*;

// A progress window as the card link drives it.
class ProgressView {
 public:
  virtual ~ProgressView() = default;
  virtual void SetMax(int value) = 0;       // negative counts as 0; processes messages
  virtual void SetPosition(int value) = 0;  // negative counts as 0; processes messages
  virtual void PaintNow() = 0;              // paint at once
  virtual void Release() = 0;               // close; destroyed at the next message processing
};

// A ProgressView driving a progress window that its owner may destroy first, through
// `WindowPointer`, a pointer that the toolkit half makes null then. Dropped without
// Release, it still releases the window.
template <class WindowPointer>
class GuardedProgressView : public ProgressView {
 public:
  explicit GuardedProgressView(WindowPointer window) : window_(std::move(window)) {}
  ~GuardedProgressView() override { GuardedProgressView::Release(); }

  void SetMax(int value) override {
    if (window_) window_->SetMax(value);
  }
  void SetPosition(int value) override {
    if (window_) window_->SetPosition(value);
  }
  void PaintNow() override {
    if (window_) window_->PaintNow();
  }
  void Release() override {
    if (window_) window_->Release();
    window_ = nullptr;
  }

 protected:
  // The window is gone.
  void Forget() { window_ = nullptr; }

 private:
  WindowPointer window_;
};

class Toolkit {
 public:
  virtual ~Toolkit() = default;
  // Creates and shows a progress window over `owner`, titled `title`.
  virtual std::unique_ptr<ProgressView> CreateProgress(WindowHandle owner,
                                                       const std::string& title) = 0;
  // Lets the runtime handle pending messages (also the serial component's hand-overs).
  virtual void ProcessMessages() = 0;
};

}  // namespace ui

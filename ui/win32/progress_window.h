#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "ui/win32/gauge.h"
#include "ui/win32/gdi.h"

// The small window shown while card memory moves: a title over a percentage gauge,
// without border or caption, on top of the other windows and centred over its owner.
// It takes no input. Made with new; its window deletes it when it is destroyed, by
// Release or with its owner at the latest.
class TProgressF {
 public:
  // Shown at once, without taking the focus, centred over `owner`. Titled `title`
  // (UTF-8), which is also the window's text.
  TProgressF(HWND owner, const std::string& title);
  TProgressF(const TProgressF&) = delete;
  TProgressF& operator=(const TProgressF&) = delete;

  HWND Handle() const { return handle_; }
  const ui::win32::Gauge& Gauge1() const { return gauge_; }

  // Negative values count as 0; both then process pending messages, which may destroy
  // the window (its owner closing): nothing is touched after that.
  void SetMax(int value);
  void SetPosition(int value);

  void PaintNow();
  // Hides the window now and destroys it when messages are next processed. The
  // destroyed handler no longer runs.
  void Release();

  // Runs once when the window is destroyed before Release, with its owner.
  void SetDestroyedHandler(std::function<void()> handler) { destroyed_ = std::move(handler); }

 private:
  ~TProgressF();
  static LRESULT CALLBACK WindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
  void Paint(HDC target) const;
  void PaintTitle(HDC dc) const;

  ui::win32::Font titleFont_;
  ui::win32::Font font_;
  HWND handle_;
  ui::win32::Gauge gauge_;
  std::function<void()> destroyed_;
};

#include "ui/win32/radio_group.h"

#include <algorithm>
#include <stdexcept>

#include "ui/error_report.h"
#include "ui/win32/control.h"

namespace ui::win32 {

namespace {

// The caption sits on the frame line; the items share the height below it evenly, so
// that a group at the classic pixel sizes shows every item whole.
constexpr int kCaptionHeight = 13;
constexpr int kBottomMargin = 3;
constexpr int kItemIndent = 8;

void SetStyleBit(HWND window, LONG_PTR bit, bool on) {
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  SetWindowLongPtrW(window, GWL_STYLE, on ? style | bit : style & ~bit);
}

}  // namespace

RadioGroup::RadioGroup(HWND parent, const std::string& caption,
                       const std::vector<std::string>& items, const RECT& bounds, HFONT font,
                       int firstId)
    : frame_(CreateControl(parent, L"BUTTON", caption, BS_GROUPBOX, 0, bounds, -1, font)),
      firstId_(firstId) {
  const int count = static_cast<int>(items.size());
  const int itemHeight =
      count ? (bounds.bottom - bounds.top - kCaptionHeight - kBottomMargin) / count : 0;
  for (int i = 0; i < count; ++i) {
    // WS_GROUP on the first item starts the arrows' circle, which the next control ends.
    const int top = bounds.top + kCaptionHeight + i * itemHeight;
    const RECT item{bounds.left + kItemIndent, top, bounds.right - 2, top + itemHeight};
    items_.push_back(CreateControl(parent, L"BUTTON", items[i],
                                   BS_RADIOBUTTON | (i == 0 ? WS_GROUP : 0), 0, item, firstId + i,
                                   font));
  }
  Choose(-1);
}

void RadioGroup::SetItemIndex(int index) {
  if (index < -1 || index >= static_cast<int>(items_.size()))
    throw std::runtime_error("Indice hors limites (" + std::to_string(index) + ")");
  if (index == itemIndex_) return;
  Choose(index);
  if (OnClick) OnClick();
}

void RadioGroup::Choose(int index) {
  itemIndex_ = index;
  for (int i = 0; i < static_cast<int>(items_.size()); ++i) {
    SendMessageW(items_[i], BM_SETCHECK, i == index ? BST_CHECKED : BST_UNCHECKED, 0);
    SetStyleBit(items_[i], WS_TABSTOP, i == std::max(index, 0));
  }
}

void RadioGroup::Enable(bool enabled) {
  EnableWindow(frame_, enabled);
  for (HWND item : items_) EnableWindow(item, enabled);
}

bool RadioGroup::IsEnabled() const { return IsWindowEnabled(frame_); }

bool RadioGroup::HandleClick(int id) {
  const int index = id - firstId_;
  if (index < 0 || index >= static_cast<int>(items_.size())) return false;
  // A click sent to a disabled group (BM_CLICK) changes nothing, as a user's cannot.
  if (index == itemIndex_ || !IsEnabled()) return true;
  Choose(index);
  RunGuarded([this] {
    if (OnClick) OnClick();
  });
  return true;
}

}  // namespace ui::win32

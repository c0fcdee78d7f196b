#pragma once

#include <functional>
#include <string>
#include <vector>

#include <windows.h>

namespace ui::win32 {

// A frame with a column of radio buttons and one chosen item (-1: none), made of sibling
// controls of its parent so that the parent's dialog navigation reaches the items:
// Tab stops at the chosen item (the first while none is chosen) and the arrows move
// between the items. Choosing an item, by a click or from code, runs OnClick when the
// choice changes; a click runs it inside the command guard, while from code an error
// reaches the caller.
class RadioGroup {
 public:
  // The frame and items are created now, after the parent's existing controls in the
  // tab order; item i gets the control id firstId + i.
  RadioGroup(HWND parent, const std::string& caption, const std::vector<std::string>& items,
             const RECT& bounds, HFONT font, int firstId);

  int ItemIndex() const { return itemIndex_; }
  HWND Frame() const { return frame_; }
  const std::vector<HWND>& Items() const { return items_; }
  // -1 clears the choice; other indices outside the items are refused with an error.
  void SetItemIndex(int index);
  void Enable(bool enabled);
  bool IsEnabled() const;

  // Takes the parent's click notice of control `id`: false when it is not an item.
  bool HandleClick(int id);

  std::function<void()> OnClick;  // empty: nothing runs

 private:
  void Choose(int index);

  HWND frame_;
  std::vector<HWND> items_;
  int firstId_;
  int itemIndex_ = -1;
};

}  // namespace ui::win32

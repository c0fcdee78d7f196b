#pragma once

#include <functional>
#include <utility>

namespace ui {

// Chooses item `index` of a radio group (a toolkit's, with ItemIndex, SetItemIndex and
// an OnClick handler) with the handler detached, so that choosing from code runs none;
// the handler is attached again even when the choice is refused with an error.
template <typename Group>
void SetItemIndexNoClick(Group& group, int index) {
  struct Reattach {
    Group& group;
    std::function<void()> handler;
    ~Reattach() { group.OnClick = std::move(handler); }
  } reattach{group, std::exchange(group.OnClick, nullptr)};
  group.SetItemIndex(index);
}

}  // namespace ui

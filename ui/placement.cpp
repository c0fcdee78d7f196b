#include "ui/placement.h"

namespace ui {

Point CentredOver(const Frame& owner, const Size& own) {
  // Integer division in C++ rounds toward zero, as the placement rule wants.
  return {owner.topLeft.x + (owner.size.width - own.width) / 2,
          owner.topLeft.y + (owner.size.height - own.height) / 2};
}

}  // namespace ui

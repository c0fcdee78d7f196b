#include "ui/qt/radio_group.h"

#include <QRadioButton>
#include <QVBoxLayout>
#include <stdexcept>
#include <string>

#include "ui/error_report.h"

namespace ui::qt {

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent) {
  auto* column = new QVBoxLayout(this);
  for (qsizetype i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    column->addWidget(button);
    buttons_.addButton(button, static_cast<int>(i));
  }
  connect(&buttons_, &QButtonGroup::idClicked, this, [this](int index) { Clicked(index); });
}

void RadioGroup::SetItemIndex(int index) {
  if (index < -1 || index >= buttons_.buttons().size())
    throw std::runtime_error("Indice hors limites (" + std::to_string(index) + ")");
  if (index == itemIndex_) return;
  Choose(index);
  if (OnClick) OnClick();
}

void RadioGroup::Choose(int index) {
  if (index >= 0) {
    buttons_.button(index)->setChecked(true);
  } else {
    // An exclusive group keeps one button checked; clearing needs it lifted for a moment.
    buttons_.setExclusive(false);
    buttons_.checkedButton()->setChecked(false);
    buttons_.setExclusive(true);
  }
  itemIndex_ = index;
}

void RadioGroup::Clicked(int index) {
  if (index == itemIndex_) return;
  itemIndex_ = index;
  RunGuarded([this] {
    if (OnClick) OnClick();
  });
}

}  // namespace ui::qt

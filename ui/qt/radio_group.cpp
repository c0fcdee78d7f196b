#include "ui/qt/radio_group.h"

#include <QEvent>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <stdexcept>
#include <string>

#include "ui/error_report.h"

namespace ui::qt {

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent) {
  // The caption sits on the frame line and the items share the height below it evenly,
  // so that a group set to the classic pixel sizes still shows every item whole.
  setStyleSheet(
      "QGroupBox { border: 1px solid palette(mid); margin-top: 6px; padding-top: 7px; }"
      "QGroupBox::title { subcontrol-origin: margin; left: 6px; padding: 0px 1px; }");
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(7, 0, 2, 1);
  column->setSpacing(0);
  for (qsizetype i = 0; i < items.size(); ++i) {
    auto* button = new QRadioButton(items[i], this);
    button->setFont(font());
    column->addWidget(button, 1);
    buttons_.addButton(button, static_cast<int>(i));
  }
  connect(&buttons_, &QButtonGroup::idClicked, this, [this](int index) { Clicked(index); });
  UpdateTabStop();
}

// Like one control in the tab order: Tab stops at the chosen item (the first while none
// is chosen) and the arrow keys move between the items.
void RadioGroup::UpdateTabStop() {
  const QList<QAbstractButton*> items = buttons_.buttons();
  for (qsizetype i = 0; i < items.size(); ++i) {
    const bool stop = i == std::max(itemIndex_, 0);
    items[i]->setFocusPolicy(stop ? Qt::StrongFocus : Qt::ClickFocus);
  }
}

// A style sheet stops fonts from passing on to the children by themselves.
void RadioGroup::changeEvent(QEvent* event) {
  QGroupBox::changeEvent(event);
  if (event->type() != QEvent::FontChange) return;
  for (QAbstractButton* button : buttons_.buttons()) button->setFont(font());
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
  UpdateTabStop();
}

void RadioGroup::Clicked(int index) {
  if (index == itemIndex_) return;
  itemIndex_ = index;
  UpdateTabStop();
  RunGuarded([this] {
    if (OnClick) OnClick();
  });
}

}  // namespace ui::qt

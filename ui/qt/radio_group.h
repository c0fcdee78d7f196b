#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>
#include <functional>

namespace ui::qt {

// A framed column of radio buttons with one chosen item (-1: none). Choosing an item,
// by a click or from code, runs OnClick when the choice changes; a click runs it inside
// the command guard, while from code an error reaches the caller.
class RadioGroup : public QGroupBox {
 public:
  RadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

  int ItemIndex() const { return itemIndex_; }
  // The item buttons, in order.
  QList<QAbstractButton*> Items() const { return buttons_.buttons(); }
  // -1 clears the choice; other indices outside the items are refused with an error.
  void SetItemIndex(int index);

  std::function<void()> OnClick;  // empty: nothing runs

 protected:
  void changeEvent(QEvent* event) override;

 private:
  void Choose(int index);
  void Clicked(int index);
  void UpdateTabStop();

  QButtonGroup buttons_;
  int itemIndex_ = -1;
};

}  // namespace ui::qt

#include "ui/qt/radio_group.h"

#include <QAbstractButton>
#include <gtest/gtest.h>

#include <stdexcept>

#include "support/scripted_dialogs.h"
#include "ui/qt/application.h"

namespace {

class RadioGroupTest : public ::testing::Test {
 protected:
  RadioGroupTest() {
    group.OnClick = [this] {
      chosenInHandler.push_back(group.ItemIndex());
      if (failNextClick) {
        failNextClick = false;
        throw std::runtime_error("Erreur de lecture");
      }
    };
  }
  QAbstractButton* Item(int index) { return group.findChildren<QAbstractButton*>()[index]; }
  int CheckedCount() {
    int count = 0;
    for (auto* button : group.findChildren<QAbstractButton*>()) count += button->isChecked();
    return count;
  }

  ScriptedDialogs dialogs;
  ui::qt::Application app{dialogs};
  ui::qt::RadioGroup group{" EEPROM ", {"24C16", "24C32", "24C64"}};
  std::vector<int> chosenInHandler;
  bool failNextClick = false;
};

TEST_F(RadioGroupTest, ChoosingFromCodeRunsTheHandlerAsAClickDoes) {
  EXPECT_EQ(group.ItemIndex(), -1);
  group.SetItemIndex(2);
  Item(0)->click();
  group.SetItemIndex(0);  // unchanged: no handler
  Item(0)->click();
  EXPECT_EQ(chosenInHandler, (std::vector<int>{2, 0}));
  EXPECT_TRUE(Item(0)->isChecked());
  EXPECT_EQ(CheckedCount(), 1);
}

TEST_F(RadioGroupTest, WithoutHandlerTheChoiceChangesSilently) {
  group.OnClick = nullptr;
  group.SetItemIndex(1);
  Item(2)->click();
  EXPECT_EQ(group.ItemIndex(), 2);
  group.SetItemIndex(-1);
  EXPECT_EQ(group.ItemIndex(), -1);
  EXPECT_EQ(CheckedCount(), 0);
}

TEST_F(RadioGroupTest, ErrorOfAClickIsShownErrorFromCodeReachesTheCaller) {
  failNextClick = true;
  Item(1)->click();
  EXPECT_EQ(dialogs.shown(),
            (std::vector<ScriptedDialogs::Shown>{{"error", "Belvanto", "Erreur de lecture."}}));
  failNextClick = true;
  EXPECT_THROW(group.SetItemIndex(2), std::runtime_error);
  EXPECT_EQ(dialogs.shown().size(), 1u);
  EXPECT_EQ(group.ItemIndex(), 2);
}

TEST_F(RadioGroupTest, RefusesAnIndexOutsideTheItems) {
  group.SetItemIndex(1);
  EXPECT_THROW(group.SetItemIndex(3), std::runtime_error);
  EXPECT_THROW(group.SetItemIndex(-2), std::runtime_error);
  EXPECT_EQ(group.ItemIndex(), 1);
  EXPECT_EQ(chosenInHandler, std::vector<int>{1});
}

}  // namespace

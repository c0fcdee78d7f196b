// One QApplication for the whole test binary, created before the first test.
#include <QApplication>
#include <gtest/gtest.h>

#include <memory>

namespace {

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    // Qt's own dialogs, whatever the desktop: tests answer them through their widgets.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[20] = "belvanto_gui_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const registered =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

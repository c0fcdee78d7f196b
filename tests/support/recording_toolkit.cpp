#include "recording_toolkit.h"

#include <algorithm>

namespace {

class RecordingProgress : public ui::ProgressView {
 public:
  explicit RecordingProgress(RecordingToolkit& toolkit) : toolkit_(toolkit) {}
  void SetMax(int value) override { Progress("max " + std::to_string(value)); }
  void SetPosition(int value) override { Progress("pos " + std::to_string(value)); }
  void PaintNow() override { toolkit_.log.push_back("paint"); }
  void Release() override {
    if (toolkit_.onRelease) toolkit_.onRelease();
    toolkit_.log.push_back("release");
  }

 private:
  void Progress(const std::string& entry) {
    toolkit_.log.push_back(entry);
    if (toolkit_.onProgress) toolkit_.onProgress();
  }

  RecordingToolkit& toolkit_;
};

}  // namespace

std::unique_ptr<ui::ProgressView> RecordingToolkit::CreateProgress(ui::WindowHandle owner,
                                                                   const std::string& title) {
  lastOwner = owner;
  log.push_back("create " + title);
  return std::make_unique<RecordingProgress>(*this);
}

void RecordingToolkit::ProcessMessages() {
  log.push_back("messages");
  if (onMessages) onMessages();
}

int RecordingToolkit::Count(const std::string& entry) const {
  return static_cast<int>(std::count(log.begin(), log.end(), entry));
}

#pragma once

#include <optional>
#include <string>

// The questions the window's commands put to the user. The Qt window shows real dialogs;
// tests answer from a script, so no test ever waits for a human.
namespace ui {

// Both file dialogs offer raw card images first, then the text forms that the file's
// extension chooses (card/image_formats.h); a name typed without an extension gets the
// default one.
inline constexpr char kFileFilter[] =
    "Fichiers Binaires|*.bin|Tous les fichiers|*.*"
    "|Fichiers Intel HEX|*.hex;*.ihx|Fichiers S-record Motorola|*.s19;*.s28;*.s37;*.srec;*.mot";
inline constexpr char kDefaultExtension[] = "bin";

inline constexpr char kWarningTitle[] = "Avertissement";
inline constexpr char kYesCaption[] = "&Oui";
inline constexpr char kNoCaption[] = "&Non";

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // The chosen file with its full path, or nothing when the user cancelled.
  virtual std::optional<std::string> ChooseFileToOpen() = 0;
  virtual std::optional<std::string> ChooseFileToSave() = 0;
  // Modal warning with Yes and No, centred on the screen. True only for Yes; closing the
  // box any other way counts as No. Lines of `text` are separated by CR.
  virtual bool ConfirmWarning(const std::string& text) = 0;
  // Modal error box with an error icon and one OK button.
  virtual void ShowError(const std::string& title, const std::string& text) = 0;
};

}  // namespace ui

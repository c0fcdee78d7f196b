#pragma once

#include <exception>
#include <functional>
#include <string>

#include "ui/dialogs.h"

// How errors that escape a command reach the user.
namespace ui {

// The text of the error box: `message` with a full stop added when it is not empty and
// its last byte sorts after "." ("Erreur de lecture" gets one, "... (5)" does not).
// Bytes compare unsigned, so a message ending in a UTF-8 letter such as é gets one too.
std::string WithFullStop(std::string message);

// The message an error carries; errors that are not std::exception get a fixed text.
std::string MessageOf(std::exception_ptr error);

// The default handler's box: titled `title`, the error's message with the full-stop rule.
void ShowErrorBox(Dialogs& dialogs, const std::string& title, std::exception_ptr error);

// Runs a command handler. An error escaping it goes to the application-wide handler
// (appexceptions), so that none ever unwinds into the toolkit's event loop.
void RunGuarded(const std::function<void()>& handler);

}  // namespace ui

#pragma once

#include <QWidget>

// Waits until `window` is on the screen, then saves what the screen shows of it (its
// frame included, when a window manager draws one) to `path`. False when the file
// cannot be written.
bool SaveScreenshot(QWidget& window, const char* path);

#pragma once

#include <windows.h>

// Lets `window` paint, then saves what the screen shows of it, frame included, to `path`
// as a 24-bit BMP (convert it to PNG on Linux). False when the file cannot be written.
bool SaveScreenshot(HWND window, const char* path);

#pragma once

#include <string>

// The hex listing as the window and the terminal show it.
namespace ui {

// `dump` (TBuffer::Dump) as UTF-8 text with LF line breaks. Bytes of the character
// column are read as Windows-1252, the code page card images were made with. Bytes that
// would leave their cell empty there (DEL, the five unassigned codes, the soft hyphen)
// show as "." like the control bytes, so that every byte keeps one visible cell.
std::string ListingForDisplay(const std::string& dump);

}  // namespace ui

#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

// The five root keys that an import and the registry know, by their full names.
inline constexpr std::string_view kRootKeyNames[] = {"HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",
                                                     "HKEY_LOCAL_MACHINE", "HKEY_USERS",
                                                     "HKEY_CURRENT_CONFIG"};

// The index of `name` in kRootKeyNames, letters a to z in either case.
std::optional<std::size_t> RootKeyIndex(std::string_view name);

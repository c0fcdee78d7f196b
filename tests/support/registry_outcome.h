#pragma once

#include <functional>
#include <string>

#include "serial/registry.h"

// What a read gives, or the message of the registry error it raises.
inline std::string Outcome(const std::function<std::string()>& read) {
  try {
    return read();
  } catch (const ERegistryException& e) {
    return e.what();
  }
}

// "no error", or the message of the registry error that `action` raises.
inline std::string ErrorOf(const std::function<void()>& action) {
  return Outcome([&] {
    action();
    return std::string("no error");
  });
}

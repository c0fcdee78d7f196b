#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "recording_driver.h"
#include "serial/comport.h"

// A component wired to a recording driver. The driver is declared first so that it
// outlives the component, whose destructor still closes the device. No line events are
// selected: an event thread's calls would interleave with the ones the tests expect.
class ComPortTest : public ::testing::Test {
 protected:
  ComPortTest() {
    port.SetDeviceFactory(&driver);
    port.SetEvents({});
  }

  // Opens the port and forgets the calls that opening made.
  void OpenQuietly() {
    port.Open();
    driver.ClearCalls();
  }

  // Another component on the same driver, opened, with the calls of opening forgotten.
  std::unique_ptr<TComPort> OpenedFreshPort() {
    auto fresh = std::make_unique<TComPort>();
    fresh->SetDeviceFactory(&driver);
    fresh->SetEvents({});
    fresh->Open();
    driver.ClearCalls();
    return fresh;
  }

  // Makes the connection handlers log themselves between the driver's calls.
  void LogConnectionHandlers() {
    const auto note = [this](const std::string& name) {
      return [this, name](TCustomComPort& sender) {
        driver.Note(name + (sender.Connected() ? " connected" : " closed"));
      };
    };
    const auto level = [this](const std::string& name) {
      return [this, name](TCustomComPort&, bool on) { driver.Note(name + (on ? " 1" : " 0")); };
    };
    port.OnBeforeOpen = note("OnBeforeOpen");
    port.OnAfterOpen = note("OnAfterOpen");
    port.OnBeforeClose = note("OnBeforeClose");
    port.OnAfterClose = note("OnAfterClose");
    port.OnCTSChange = level("OnCTSChange");
    port.OnDSRChange = level("OnDSRChange");
    port.OnRLSDChange = level("OnRLSDChange");
  }

  recording::RecordingDriver driver;
  TComPort port;
};

// The line group of a freshly created component, as the recording driver logs it.
inline const std::string kFreshState =
    "SetState baud=9600 flags=0x0001 xonlim=256 xofflim=256 bytesize=8 parity=0 stopbits=0 "
    "xon=0x11 xoff=0x13 error=0x00 eof=0x00 evt=0x00 length=28";
inline const std::string kFreshTimeouts = "SetTimeouts 4294967295 0 0 100 1000";

// kFreshState with one field changed, e.g. FreshStateWith("flags=0x0001", "flags=0x0005").
inline std::string FreshStateWith(const std::string& field, const std::string& value) {
  std::string state = kFreshState;
  state.replace(state.find(field), field.size(), value);
  return state;
}

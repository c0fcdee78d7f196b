// The Windows window, created for real under Wine and driven by window messages, as a
// user's clicks reach it. The command core's own tests cover the logic; these show
// that the window is wired to it and laid out as on Linux.
#include "apps/gui/win32/main_window.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include "common/windows_text.h"
#include "support/command_fixture.h"
#include "support/program_run.h"
#include "ui/win32/application.h"
#include "ui/win32/text.h"

namespace {

using driver::sim::Simulation;

std::string TextOf(HWND control) { return WideToUtf8(ui::win32::WindowText(control)).value_or("?"); }

RECT ClientBounds(HWND control) {
  RECT bounds;
  GetWindowRect(control, &bounds);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&bounds), 2);
  return bounds;
}

class Win32WindowTest : public CommandFixture {
 protected:
  Win32WindowTest() { form.Show(); }

  static void Click(HWND control) { SendMessageW(control, BM_CLICK, 0, 0); }

  std::string Status() const {
    wchar_t text[256] = {};
    SendMessageW(form.StatusBar1, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return WideToUtf8(text).value_or("?");
  }

  // As the core gave it, with LF line ends.
  std::string Listing() const {
    std::string text = TextOf(form.Memo1);
    std::erase(text, '\r');
    return text;
  }

  std::vector<bool> Enabled() const {
    std::vector<bool> enabled;
    for (HWND button : {form.btCharger, form.btEnreg, form.btVider, form.btEfface, form.btEcrire,
                        form.btVerifier, form.btLire})
      enabled.push_back(IsWindowEnabled(button));
    enabled.push_back(form.rdEEpromSize.IsEnabled());
    enabled.push_back(form.RadioGroup1.IsEnabled());
    return enabled;
  }

  std::vector<ScriptedDialogs::Shown> Errors() const {
    std::vector<ScriptedDialogs::Shown> errors;
    for (const auto& shown : dialogs.shown())
      if (shown.kind == "error") errors.push_back(shown);
    return errors;
  }

  ui::win32::Application app{dialogs};
  TForm1 form{dialogs};
};

TEST_F(Win32WindowTest, LaidOutAsTheClassicWindow) {
  RECT client;
  GetClientRect(form.Handle(), &client);
  EXPECT_EQ(client.right, 604);
  EXPECT_EQ(client.bottom, 361);
  RECT frame;
  GetWindowRect(form.Handle(), &frame);
  EXPECT_EQ(frame.left, 171);
  EXPECT_EQ(frame.top, 190);
  const LONG_PTR style = GetWindowLongPtrW(form.Handle(), GWL_STYLE);
  EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
            WS_SYSMENU | WS_MINIMIZEBOX);
  EXPECT_EQ(TextOf(form.Handle()), "Belvanto - v 0.3");

  const struct {
    HWND control;
    RECT bounds;
    std::string caption;
    bool enabled;
  } table[] = {
      {form.Memo1, {4, 4, 517, 321}, "", true},
      {form.btCharger, {524, 4, 599, 25}, "Apri", true},
      {form.btEnreg, {524, 28, 599, 49}, "Salva", false},
      {form.btVider, {524, 52, 599, 73}, "Vuota Buffer", false},
      {form.btEfface, {524, 84, 599, 105}, "Cancella", true},
      {form.btEcrire, {524, 108, 599, 129}, "Scrivi", false},
      {form.btVerifier, {524, 132, 599, 153}, "Verifica", false},
      {form.btLire, {524, 156, 599, 177}, "Leggi", true},
      {form.rdEEpromSize.Frame(), {524, 180, 599, 241}, " EEPROM ", true},
      {form.RadioGroup1.Frame(), {524, 244, 599, 321}, " Port COM ", true},
      {form.StatusBar1, {0, 340, 604, 361}, "", true},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.caption);
    const RECT bounds = ClientBounds(row.control);
    EXPECT_EQ(std::vector<LONG>({bounds.left, bounds.top, bounds.right, bounds.bottom}),
              std::vector<LONG>({row.bounds.left, row.bounds.top, row.bounds.right, row.bounds.bottom}));
    if (row.control != form.Memo1) {
      EXPECT_EQ(TextOf(row.control), row.caption);
    }
    EXPECT_EQ(IsWindowEnabled(row.control) != FALSE, row.enabled);
  }
  int edges[2] = {};
  EXPECT_EQ(SendMessageW(form.StatusBar1, SB_GETPARTS, 2, reinterpret_cast<LPARAM>(edges)), 1);
  EXPECT_EQ(edges[0], 350);
  EXPECT_EQ(Listing(), ListingOf(""));
  EXPECT_EQ(TextOf(form.Label1), "ATR :");
  EXPECT_EQ(ClientBounds(form.txtATR).left, 36);
  EXPECT_EQ(form.rdEEpromSize.ItemIndex(), 2);
  EXPECT_EQ(form.RadioGroup1.ItemIndex(), 0);
  EXPECT_EQ(SendMessageW(form.RadioGroup1.Items()[0], BM_GETCHECK, 0, 0), BST_CHECKED);

  // Tab visits the controls in the classic order, stopping at each group's chosen item.
  std::vector<HWND> visited{form.Memo1};
  for (int i = 0; i < 6; ++i)
    visited.push_back(GetNextDlgTabItem(form.Handle(), visited.back(), FALSE));
  EXPECT_EQ(visited, std::vector<HWND>({form.Memo1, form.btCharger, form.btLire,
                                        form.RadioGroup1.Items()[0], form.btEfface,
                                        form.rdEEpromSize.Items()[2], form.Memo1}));
}

TEST_F(Win32WindowTest, ReadShowsTheCardAndAMissingCardTheErrorBox) {
  const Simulation& card = Attach("COM1", Card());
  Click(form.btLire);
  EXPECT_EQ(Status(), " Lecture OK (8192 octets)");
  EXPECT_EQ(Listing(), ListingOf(card.Memory()));
  EXPECT_EQ(TextOf(form.txtATR), "3F 67 2F 00 11 14 00 03 68 90 00");
  EXPECT_EQ(Enabled(), std::vector<bool>(9, true));

  Click(form.RadioGroup1.Items()[1]);
  Click(form.btLire);
  EXPECT_EQ(Errors(), std::vector<ScriptedDialogs::Shown>(
                          {{"error", "Belvanto", "Aucune réponse, vérifiez le port."}}));
  EXPECT_EQ(Status(), " Lecture OK (8192 octets)");
  EXPECT_EQ(TextOf(form.txtATR), "");
}

TEST_F(Win32WindowTest, SizeChangeWithDataAsksFirst) {
  dialogs.AnswerFile(File("in.bin", Noise(100)));
  Click(form.btCharger);
  dialogs.AnswerWarning(false);
  Click(form.rdEEpromSize.Items()[0]);
  EXPECT_EQ(dialogs.shown().back(),
            (ScriptedDialogs::Shown{"warning", "Avertissement", "Le contenu du buffer sera perdu.\rVoulez-vous continuer ?"}));
  EXPECT_EQ(form.rdEEpromSize.ItemIndex(), 2);
  EXPECT_EQ(SendMessageW(form.rdEEpromSize.Items()[2], BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(form.rdEEpromSize.Items()[0], BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(Listing(), ListingOf(Noise(100)));
}

TEST_F(Win32WindowTest, WhileACardCommandRunsNoOtherStartsAndTheWindowStays) {
  Simulation& card = Attach("COM1", Card());
  // Dispatched at the first message processing inside the read.
  for (HWND button : {form.btLire, form.btEfface, form.btCharger, form.RadioGroup1.Items()[2]})
    PostMessageW(button, BM_CLICK, 0, 0);
  PostMessageW(form.Handle(), WM_CLOSE, 0, 0);
  Click(form.btLire);
  EXPECT_EQ(Status(), " Lecture OK (8192 octets)");
  EXPECT_EQ(CountLines(TraceLines(card), "RTS on"), 1);
  EXPECT_EQ(form.RadioGroup1.ItemIndex(), 0);
  EXPECT_TRUE(dialogs.shown().empty());
  MSG quit;
  EXPECT_FALSE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_TRUE(IsWindowVisible(form.Handle()));
}

// belvanto.exe takes the options of the Linux window, without --map.
TEST(BelvantoExe, TakesTheWindowsOptions) {
  const struct {
    std::vector<std::string> args;
    int status;
    std::string err;
  } cases[] = {
      {{"--bogus"}, 2, "belvanto: unknown option \"--bogus\"\n"},
      {{"--map", "COM1=x"}, 2, "belvanto: --map is not taken on Windows, where COMn is the device itself\n"},
      {{"--simulate=", "--help"}, 0, ""},
  };
  for (const auto& c : cases) {
    const auto result = test_support::RunProgram(test_support::BuiltProgram("belvanto"), c.args);
    EXPECT_EQ(result.status, c.status);
    EXPECT_TRUE(result.err.starts_with(c.err)) << result.err;
  }
  const auto help = test_support::RunProgram(test_support::BuiltProgram("belvanto"), {"--help"});
  EXPECT_NE(help.out.find("--simulate[=IMAGE]"), std::string::npos);
  EXPECT_EQ(help.out.find("--map"), std::string::npos);
}

}  // namespace

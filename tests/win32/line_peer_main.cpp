// The Linux side of the Windows backend suite under Wine. A Windows program cannot make
// pseudo-terminals, so this one makes them, writes the registry file that maps COM
// names onto them, and plays their far ends on the suite's behalf. The suite drives it
// through one more pty, mapped to a COM port of its own, one command a line:
//
//   SEND <line> <hex>              -> OK
//   RECV <line> <count> <ms>       -> OK <hex>      (what arrived within the time)
//   SEEN <line>                    -> OK <speed> <odd> <two stop> <raw> <rts/cts>
//   HANGUP <line>                  -> OK
//
// and anything that goes wrong answers "ERR <text>". It runs until it is ended.
//
//   belvanto_line_peer REG_FILE CONTROL_PORT FIRST_LINE_PORT LINES
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/unique_fd.h"
#include "support/hex_text.h"
#include "support/pseudo_terminal.h"

using namespace test_support;

namespace {

// Every line the suite uses, kept open beside the control channel.
class Lines {
 public:
  explicit Lines(int count) {
    for (int i = 0; i < count; ++i) lines_.push_back(std::make_unique<PseudoTerminal>());
  }
  int Count() const { return static_cast<int>(lines_.size()); }
  PseudoTerminal& At(int index) { return *lines_.at(static_cast<std::size_t>(index)); }

 private:
  std::vector<std::unique_ptr<PseudoTerminal>> lines_;
};

std::string Answer(Lines& lines, const std::string& command) {
  std::istringstream in(command);
  std::string verb;
  int index = -1;
  in >> verb >> index;
  PseudoTerminal& line = lines.At(index);
  if (verb == "SEND") {
    std::string hex;
    in >> hex;
    line.Send(BytesOfHexWord(hex));
    return "OK";
  }
  if (verb == "RECV") {
    std::size_t count = 0;
    long ms = 0;
    in >> count >> ms;
    return "OK " + HexWord(line.Receive(count, std::chrono::milliseconds(ms)));
  }
  if (verb == "SEEN") {
    const test_support::LineSeen seen = line.Seen();
    std::ostringstream out;
    out << "OK " << seen.speed << ' ' << seen.oddParity << ' ' << seen.twoStopBits << ' ' << seen.raw << ' '
        << seen.rtsCts;
    return out.str();
  }
  if (verb == "HANGUP") {
    line.HangUp();
    return "OK";
  }
  return "ERR unknown command";
}

// The control line is raw from the start: the suite's first line must not be echoed.
void MakeRaw(int fd) {
  termios t{};
  ::tcgetattr(fd, &t);
  ::cfmakeraw(&t);
  ::tcsetattr(fd, TCSANOW, &t);
}

void WriteRegistryFile(const std::string& file, const PseudoTerminal& control, int controlPort, Lines& lines,
                       int firstLinePort) {
  std::ofstream out(file);
  out << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n";
  out << "\"COM" << controlPort << "\"=\"" << control.Path() << "\"\n";
  for (int i = 0; i < lines.Count(); ++i) out << "\"COM" << firstLinePort + i << "\"=\"" << lines.At(i).Path() << "\"\n";
}

// Serves commands until the process is ended. While no Windows program holds the
// control line, this process's own open device side keeps reads from failing.
void Serve(PseudoTerminal& control, Lines& lines) {
  std::string pending;
  for (;;) {
    // A short look each time: a command is answered as soon as its line is complete.
    const std::string chunk = control.Receive(256, std::chrono::milliseconds(5));
    pending += chunk;
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
      const std::string command = pending.substr(0, end);
      pending.erase(0, end + 1);
      std::string reply;
      try {
        reply = Answer(lines, command);
      } catch (const std::exception& e) {
        reply = std::string("ERR ") + e.what();
      }
      control.Send(reply + "\n");
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: " << argv[0] << " REG_FILE CONTROL_PORT FIRST_LINE_PORT LINES\n";
    return 2;
  }
  PseudoTerminal control;
  const UniqueFd held(::open(control.Path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
  MakeRaw(control.Peer());
  Lines lines(std::stoi(argv[4]));
  WriteRegistryFile(argv[1], control, std::stoi(argv[2]), lines, std::stoi(argv[3]));
  std::cout << "ready" << std::endl;
  Serve(control, lines);
}

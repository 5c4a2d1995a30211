// tavrel-sim: the touch controller's side of the serial line, on a pseudo-terminal.
#include <signal.h>
#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string_view>

#include "app/command_line.h"
#include "platform/linux/machine_directory.h"
#include "tools/sim/controller_emulator.h"
#include "tools/sim/touch_script.h"

namespace {

using tavrel::sim::ControllerEmulator;
using tavrel::sim::EmulatorOptions;

constexpr const char* kUsage =
    "Usage: tavrel-sim [options]\n"
    "Plays a touch controller on a pseudo-terminal linked as DIR/ports/COM<N>, answers every\n"
    "request, logs each request with a timestamp on standard error, and sends the touches of a\n"
    "script. Prints \"ready COM<N>\" once the line exists; ends on SIGINT or SIGTERM.\n"
    "\n"
    "  --port N              link the line as COM<N> (default 5)\n"
    "  --machine-dir DIR     the machine directory (default $TAVREL_MACHINE_DIR, else\n"
    "                        /var/lib/tavrel)\n"
    "  --script FILE         touch commands from FILE (default, or \"-\": standard input)\n"
    "  --exit-after-script   end once the script's output has been sent\n"
    "  --memory FILE         load the 64 memory words from FILE if it exists, save them at the\n"
    "                        end (hexadecimal words separated by white space)\n"
    "  --firmware TEXT       firmware release, 4 characters (default 2.05)\n"
    "  --model TEXT          model, 6 characters (default TV4001)\n"
    "  --no-pace             send bytes as fast as the line takes them (default: one byte\n"
    "                        every 1.04 ms, as at 9600 baud)\n"
    "  --quiet               do not log requests\n"
    "  --cooked              leave the program's end of the line with a fresh terminal's\n"
    "                        defaults (echo, line editing, XON/XOFF) instead of raw\n"
    "  --help, --version     show this help, or the version, and end\n"
    "Misbehaviours:\n"
    "  --silent              answer no request\n"
    "  --late MS             answer each request MS milliseconds late\n"
    "  --split MS            send each answer in two halves MS milliseconds apart\n"
    "  --truncate N          send only the first N bytes of each answer\n"
    "  --garbage             send stray bytes before each touch report and each answer\n"
    "  --bad-checksum        start with a memory checksum word that does not match\n"
    "  --hangup-at-request N hang the line up on receiving the N-th request\n"
    "\n"
    "Touch commands:\n";

bool Number(std::string_view text, uint32_t& value) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

struct Command {
  EmulatorOptions options;
  std::string script = "-";
  std::string memoryFile;
  bool exitAfterScript = false;
  bool quiet = false;
};

// Parses the command line; an error text, empty when it is good.
std::string Parse(int argc, char** argv, Command& command) {
  EmulatorOptions& o = command.options;
  auto& m = o.misbehave;
  const std::map<std::string_view, bool*> flags = {
      {"--exit-after-script", &command.exitAfterScript},
      {"--quiet", &command.quiet},
      {"--cooked", &command.options.cooked},
      {"--silent", &m.silent},
      {"--garbage", &m.garbage},
      {"--bad-checksum", &m.badChecksum},
  };
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (auto flag = flags.find(arg); flag != flags.end()) {
      *flag->second = true;
      continue;
    }
    if (arg == "--no-pace") {
      o.pace = false;
      continue;
    }
    if (i + 1 >= argc) return "unknown option or missing value: " + std::string(arg);
    const std::string value = argv[++i];
    uint32_t n = 0;
    const bool numeric = Number(value, n);
    if (arg == "--machine-dir") {
      o.machineDir = value;
    } else if (arg == "--script") {
      command.script = value;
    } else if (arg == "--memory") {
      command.memoryFile = value;
    } else if (arg == "--firmware") {
      o.firmware = value;
    } else if (arg == "--model") {
      o.model = value;
    } else if (!numeric) {
      return "unknown option or not a number: " + std::string(arg) + " " + value;
    } else if (arg == "--port") {
      o.port = static_cast<int32_t>(n);
    } else if (arg == "--late") {
      m.lateMs = n;
    } else if (arg == "--split") {
      m.splitGapMs = n;
    } else if (arg == "--truncate") {
      m.truncateTo = n;
    } else if (arg == "--hangup-at-request") {
      m.hangUpAtRequest = n;
    } else {
      return "unknown option: " + std::string(arg);
    }
  }
  return "";
}

void PlayScript(ControllerEmulator& emulator, std::istream& in, bool exitAfter) {
  tavrel::sim::TouchScript script(emulator);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    const std::string error = script.Run(line);
    if (!error.empty()) std::cerr << "line " << number << ": " << error << std::endl;
  }
  if (!exitAfter) return;
  while (!emulator.WaitSent(std::chrono::seconds(1))) {
  }
  kill(getpid(), SIGTERM);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
    std::cout << kUsage << tavrel::sim::kTouchScriptHelp;
    return 0;
  }
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::cout << tavrel::VersionLine("tavrel-sim");
    return 0;
  }
  Command command;
  command.options.machineDir = tavrel::MachineDirectory();
  if (const std::string error = Parse(argc, argv, command); !error.empty()) {
    std::cerr << "tavrel-sim: " << error << "\n" << kUsage << tavrel::sim::kTouchScriptHelp;
    return 2;
  }
  if (!command.memoryFile.empty() && std::filesystem::exists(command.memoryFile) &&
      !command.options.memory.Load(command.memoryFile)) {
    std::cerr << "tavrel-sim: " << command.memoryFile << " does not hold 64 words\n";
    return 2;
  }
  if (!command.quiet)
    command.options.log = [](const std::string& line) { std::cerr << line << std::endl; };

  // Only the main thread takes the ending signals, and only by waiting for them.
  sigset_t ending;
  sigemptyset(&ending);
  sigaddset(&ending, SIGINT);
  sigaddset(&ending, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &ending, nullptr);

  ControllerEmulator emulator(command.options);
  if (!emulator.Start()) {
    std::cerr << "tavrel-sim: " << emulator.Error() << "\n";
    return 1;
  }
  std::cout << "ready " << emulator.PortName() << std::endl;

  std::ifstream file;
  if (command.script != "-") {
    file.open(command.script);
    if (!file) {
      std::cerr << "tavrel-sim: cannot read " << command.script << "\n";
      return 1;
    }
  }
  std::istream& in = command.script == "-" ? std::cin : file;
  std::thread([&emulator, &in, &command] {
    PlayScript(emulator, in, command.exitAfterScript);
  }).detach();

  int signal = 0;
  sigwait(&ending, &signal);
  const tavrel::sim::ControllerMemory memory = emulator.Memory();
  if (!command.memoryFile.empty() && !memory.Save(command.memoryFile)) {
    std::cerr << "tavrel-sim: cannot save " << command.memoryFile << "\n";
  }
  // The script thread may sit in a read of standard input: end without waiting for it.
  emulator.Stop();
  std::fflush(nullptr);
  _exit(0);
}

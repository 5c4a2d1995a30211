#pragma once

#include <atomic>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "testing/fake_serial.h"
#include "tools/sim/controller_answers.h"

namespace tavrel {

// The controller on the far side of fake lines: answers at once as the emulator does, from its
// memory; each way it misbehaves is a field.
struct FakeController {
  sim::ControllerMemory memory;
  std::string firmware = "2.05";
  std::string model = "TV4001";
  std::set<uint8_t> unanswered;                 // commands it keeps quiet on
  std::map<uint8_t, std::vector<Bytes>> given;  // commands answered with these segments instead
  int failAtRead = 0;                           // this word read and those after go unanswered
  bool hangUpAtFailure = false;                 // and the line hangs up at that read
  bool refuseDefaults = false;  // the defaults command after the checksum's read stops short
  std::atomic<int> wordReads = 0;

  // Answers on line from now on; the controller outlives the line's use.
  void Attach(FakeLine& line) {
    line.answer = [this, &line](const Bytes& request) { return Answer(line, request); };
  }

  std::vector<Bytes> Answer(FakeLine& line, const Bytes& request) {
    const uint8_t command = request.size() > 2 ? request[2] : 0;
    if (request.size() > 2 && request[0] == sim::kStart) {
      if (unanswered.contains(command)) return {};
      if (auto it = given.find(command); it != given.end()) return it->second;
      if (command == sim::kReadWord && !ReadAnswered(line, request)) return {};
    }
    const std::optional<Bytes> answer = sim::AnswerRequest(request, memory, firmware, model);
    if (!answer || answer->empty()) return {};
    return {*answer};
  }

 private:
  bool ReadAnswered(FakeLine& line, const Bytes& request) {
    ++wordReads;
    if (failAtRead > 0 && wordReads == failAtRead) line.hungUp = hangUpAtFailure;
    if (request.size() > 3 && request[3] == sim::ControllerMemory::kChecksumWord &&
        refuseDefaults) {
      line.writeLimit = 1;
    }
    return failAtRead == 0 || wordReads < failAtRead;
  }
};

}  // namespace tavrel

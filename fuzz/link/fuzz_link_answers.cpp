// The command half on any answer bytes: each request is answered by the next piece of the input,
// cut into reads. Nothing may read outside its buffers, and a found header must be where it
// says.
#include <cstdint>
#include <cstdlib>

#include "link/serial_port.h"
#include "testing/fake_clock.h"
#include "testing/fake_events.h"
#include "testing/fake_serial.h"
#include "testing/fake_threads.h"
#include "testing/link_test_support.h"

namespace {

using namespace tavrel;

struct Program {
  Program() {
    // Commands run without a reader: nothing competes for the answers.
    threads.fail = true;
    port.OpenSerialPort("COM1:");
  }
  ProgramSide side{16};
  FakeClock clock;
  FakeEventService events{clock};
  FakeSerialPorts ports{events};
  FakeLine& line = ports.Add("COM1:");
  FakeThreadService threads;
  CTvSerialPort port{side.settings, side.decoder, {ports, events, threads, clock}};
};

// Hands out the input piece by piece: a length byte, then that many bytes.
class Pieces {
 public:
  Pieces(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  Bytes Next() {
    if (at_ >= size_) return {};
    const uint8_t wanted = data_[at_++];
    const size_t length = std::min<size_t>(wanted, size_ - at_);
    Bytes piece(data_ + at_, data_ + at_ + length);
    at_ += length;
    return piece;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  // A fresh program each time: the fakes keep a record of every write and pause.
  Program program;
  Pieces pieces(data + 1, size - 1);
  program.ports.With(program.line, [&](FakeLine& line) {
    // Each answer comes as up to three reads; an empty piece is a read that finds nothing.
    line.answer = [&](const Bytes&) { return std::vector<Bytes>{pieces.Next(), pieces.Next()}; };
  });
  CTvSerialPort& port = program.port;
  const Bytes all(data, data + size);
  uint32_t offset = 0;
  if (CTvSerialPort::FindHeader(all.data(), static_cast<uint32_t>(all.size()), 0x0A, 0x04, 0x43,
                                offset) == 1) {
    if (offset < 3 || offset > all.size() || all[offset - 3] != 0x0A || all[offset - 1] != 0x43) {
      std::abort();
    }
  }
  uint8_t low = 0, high = 0, echo = 0;
  switch (data[0] % 6) {
    case 0:
      port.CheckController();
      break;
    case 1:
      port.ReadMemoryWord(data[0], low, high, echo);
      break;
    case 2:
      port.WriteMemoryWord(data[0] % 64, 0x34, 0x12, echo);
      break;
    case 3:
      port.CheckMemory();
      break;
    case 4:
      port.ReadCalibration();
      break;
    case 5: {
      port.RequestModel();
      uint8_t answer[256] = {};
      uint32_t received = 0;
      port.ReadData(answer, 255, received);
      if (received > 255) std::abort();
      break;
    }
  }
  return 0;
}

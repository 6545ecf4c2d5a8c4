// libFuzzer target: the command line. Any text chooses one of the five modes.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "shell/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const qm::CommandLineChoice choice =
      qm::ParseCommandLine(std::string_view(reinterpret_cast<const char*>(data), size));
  if (choice.mode < qm::Config || choice.mode > qm::ChangePassword) std::abort();
  return 0;
}

// libFuzzer target: the default-settings text. Any bytes parse into at most its capacity of
// pairs, and every key it holds is found again.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "shell/DefaultSettings.h"
#include "shell/MessageBox.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A missing key shows a message box; here it has nowhere to go.
  qm::SetMessageBoxSink([](HWND, std::string_view, std::string_view, UINT) {});
  static qm::DefaultSettingsText text;
  text = qm::DefaultSettingsText();
  text.Parse(std::span(data, size));
  if (text.Count() > qm::DefaultSettingsText::kCapacity) std::abort();
  for (std::size_t i = 0; i < text.Count(); ++i) {
    const qm::DefaultPair& pair = text.Pair(i);
    volatile std::int32_t number = text.GetDefaultInt(pair.key.c_str());
    (void)number;
  }
  volatile std::int32_t missing = text.GetDefaultInt("no such key");
  (void)missing;
  return 0;
}

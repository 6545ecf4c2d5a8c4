// libFuzzer target: the label table. Any bytes load into at most its capacity of lines, and
// every lookup answers.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "shell/LabelTable.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qm::LabelTable table;
  table.Load(std::span(data, size));
  if (table.LineCount() > qm::LabelTable::kMaxLines) std::abort();
  if (table.AboutLines().size() != qm::LabelTable::kAboutLines) std::abort();
  for (const char* key : {"screensaver_configuration", "about_text", "", "#"}) {
    volatile std::size_t length = table.GetLabel(std::string_view(key)).size();
    (void)length;
  }
  return 0;
}

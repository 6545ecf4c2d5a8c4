#include "platform/EmbeddedResources.h"

#include "platform/AsciiCase.h"

#include <cstddef>

namespace {

// One row of the table that resources/CMakeLists.txt writes in assembly.
struct ResourceRow {
  const char* type;
  std::uint64_t id;
  const std::uint8_t* begin;
  const std::uint8_t* end;
};


}  // namespace

extern "C" const ResourceRow qm_resource_table[];

namespace qm {

std::span<const std::uint8_t> FindEmbeddedResource(std::string_view type, int id) {
  for (const ResourceRow* row = qm_resource_table; row->type != nullptr; ++row) {
    if (row->id == static_cast<std::uint64_t>(id) && EqualNoCaseAscii(row->type, type))
      return {row->begin, static_cast<std::size_t>(row->end - row->begin)};
  }
  return {};
}

}  // namespace qm

#include "platform/EmbeddedResources.h"

#include <cstddef>

namespace {

// One row of the table that resources/CMakeLists.txt writes in assembly.
struct ResourceRow {
  const char* type;
  std::uint64_t id;
  const std::uint8_t* begin;
  const std::uint8_t* end;
};

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

extern "C" const ResourceRow qm_resource_table[];

namespace qm {

std::span<const std::uint8_t> FindEmbeddedResource(std::string_view type, int id) {
  for (const ResourceRow* row = qm_resource_table; row->type != nullptr; ++row) {
    if (row->id == static_cast<std::uint64_t>(id) && EqualNoCase(row->type, type))
      return {row->begin, static_cast<std::size_t>(row->end - row->begin)};
  }
  return {};
}

}  // namespace qm

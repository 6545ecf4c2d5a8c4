// EmbeddedResources: the module's resources, linked into the executable at build time.
//
// resources/resources.list names every resource (type name, numeric id, file); the build
// embeds the bytes and a table of them. FindEmbeddedResource looks a resource up by type
// name (without regard to case) and id and returns a read-only view of its bytes, empty when
// the executable carries no such resource. The bytes live for the whole process.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace qm {

std::span<const std::uint8_t> FindEmbeddedResource(std::string_view type, int id);

}  // namespace qm

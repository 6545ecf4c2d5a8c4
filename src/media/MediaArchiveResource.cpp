// LoadMediaArchive lives apart from the reader: it is the one piece that needs the
// executable's embedded resources, and the packer tool links the reader without them.
#include "media/MediaArchive.h"

#include "media/ResourceCatalogue.h"
#include "platform/EmbeddedResources.h"

namespace qm {

MediaArchive LoadMediaArchive(int resourceId) {
  const auto bytes = FindEmbeddedResource(kMediaDataType, resourceId);
  MediaArchive archive;
  if (bytes.empty() || bytes.size() > 0xFFFFFFFFu) return archive;
  archive.pData = bytes.data();
  archive.nSize = static_cast<std::uint32_t>(bytes.size());
  return archive;
}

}  // namespace qm

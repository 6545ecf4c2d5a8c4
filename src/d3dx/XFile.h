// XFile: the entry point of the X-file parser (IDirectXFile of the DirectX file services).
//
// Usage, as the scene's model loader does it:
//   std::unique_ptr<XFile> file;  DirectXFileCreate(&file);
//   XFileRegisterStandardTemplates(file.get());
//   std::unique_ptr<XFileEnumObject> objects;
//   DXFILELOADMEMORY memory{data, size};
//   file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &objects);
//   const XFileData* object;
//   while (SUCCEEDED(objects->GetNextDataObject(&object))) { ... object->GetType() ... }
// The whole file is parsed by CreateEnumObject; a failure there carries a DXFILEERR_* code.
// An enumeration keeps what it needs of the XFile alive, so either may be destroyed first.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "d3dx/XFileData.h"
#include "d3dx/XFileTemplate.h"

// The top-level data objects of one parsed file, handed out in file order.
class XFileEnumObject {
 public:
  // The next top-level object; DXFILEERR_NOMOREOBJECTS after the last one.
  HRESULT GetNextDataObject(const XFileData** object);
  // All top-level objects at once, for tools and tests.
  const std::vector<std::unique_ptr<XFileData>>& Objects() const { return m_objects; }
  // The templates the file declared itself (not the registered ones).
  const XFileTemplateSet& FileTemplates() const { return *m_fileTemplates; }

 private:
  friend class XFile;
  std::shared_ptr<const XFileTemplateSet> m_registered;  // outlives the file templates
  std::unique_ptr<XFileTemplateSet> m_fileTemplates;
  std::vector<std::unique_ptr<XFileData>> m_objects;
  size_t m_next = 0;
};

class XFile {
 public:
  XFile();
  // Adds the templates of an X file held in memory (data objects in it are ignored).
  HRESULT RegisterTemplates(const void* data, DWORD size);
  // Parses a file: `source` is a file name (const char*) for DXFILELOAD_FROMFILE or a
  // DXFILELOADMEMORY for DXFILELOAD_FROMMEMORY.
  HRESULT CreateEnumObject(const void* source, DXFILELOADOPTIONS options,
                           std::unique_ptr<XFileEnumObject>* out);
  // Why the last RegisterTemplates or CreateEnumObject failed (empty after success).
  const std::string& LastError() const { return m_lastError; }
  const XFileTemplateSet& Templates() const { return *m_registered; }

 private:
  std::shared_ptr<XFileTemplateSet> m_registered;
  std::string m_lastError;
};

// Creates the parser object (DirectXFileCreate); never fails short of memory.
HRESULT DirectXFileCreate(std::unique_ptr<XFile>* out);

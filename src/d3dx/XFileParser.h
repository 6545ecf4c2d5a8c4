// XFileParser: reads a whole X-file image into templates and data objects.
//
// Checks the 16-byte header ("xof ", version 0302/0303, txt/bin/tzip/bzip, 0032/0064),
// decompresses MSZIP bodies, then reads template declarations into the given template set
// and data objects into a list of top-level objects, their values laid out by template.
// Objects of unknown templates are skipped whole; references are resolved at the end and a
// reference to a missing object fails the parse. XFile uses it for RegisterTemplates and
// CreateEnumObject; nothing else needs to.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "d3dx/XFileData.h"
#include "d3dx/XFileLexer.h"
#include "d3dx/XFileTemplate.h"

// The parts of the 16-byte file header.
struct XFileHeader {
  bool binary = false;
  bool compressed = false;
  bool doubles = false;  // floats are 64-bit in binary float lists
  int minorVersion = 3;
};

// Checks the header; DXFILEERR_BADFILETYPE / BADFILEVERSION / BADFILEFLOATSIZE on failure.
HRESULT XFileReadHeader(std::span<const BYTE> file, XFileHeader* header);

class XFileParser {
 public:
  explicit XFileParser(XFileTemplateSet* templates) : m_templates(templates) {}

  // Parses a complete file image; declared templates go to the template set.
  HRESULT Parse(std::span<const BYTE> file, std::vector<std::unique_ptr<XFileData>>* objects);
  // What went wrong, with the byte offset in the (uncompressed) body; empty after success.
  const std::string& Error() const { return m_error; }

 private:
  HRESULT ParseBody(XFileLexer& lex, std::vector<std::unique_ptr<XFileData>>* objects);
  HRESULT ParseTemplate(XFileLexer& lex);
  HRESULT ParseMember(XFileLexer& lex, XFileTemplate* templ);
  HRESULT ParseRestriction(XFileLexer& lex, XFileTemplate* templ);
  HRESULT ParseObject(XFileLexer& lex, int depth, std::unique_ptr<XFileData>* out);
  HRESULT ParseValues(XFileLexer& lex, const XFileTemplate& templ, XFileData* object, int depth);
  HRESULT ParseFloatRun(XFileLexer& lex, unsigned long long count, XFileData* object);
  HRESULT ParseValue(XFileLexer& lex, XFileValueType type, XFileData* object, DWORD* integer);
  HRESULT ParseChildren(XFileLexer& lex, XFileData* object, int depth);
  HRESULT ParseReference(XFileLexer& lex, XFileData* object);
  HRESULT SkipBody(XFileLexer& lex);
  HRESULT Fail(HRESULT hr, const XFileLexer& lex, const char* what);
  HRESULT ResolveReferences(std::vector<std::unique_ptr<XFileData>>& objects);

  XFileTemplateSet* m_templates;
  std::string m_error;
  std::vector<DWORD> m_values;  // scalar integers of the levels being read, for array sizes
};

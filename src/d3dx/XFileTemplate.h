// XFileTemplate: the declared shape of X-file data objects, and the set of known templates.
//
// A template lists typed members (primitive values, strings, other templates, arrays whose
// sizes are numbers or earlier members) and which child objects it admits. The parser reads
// every data object's values by walking its template; the writer writes them back the same
// way. XFile owns one XFileTemplateSet: the registered blocks plus the file's own templates.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "d3dx/XFileTypes.h"

// The primitive kinds a member can have; Template means another template's members inline.
enum class XFileValueType : BYTE {
  Word, Dword, Float, Double, Char, Uchar, Sword, Sdword, String, Template
};

// Bytes a value of this kind takes in a data object's layout (strings: a 4-byte index).
size_t XFileValueSize(XFileValueType type);
// True for the kinds that hold integers.
bool XFileValueIsInteger(XFileValueType type);

struct XFileTemplate;

// One array dimension: a fixed count, or the value of an earlier integer member.
struct XFileDimension {
  DWORD count = 0;
  int memberIndex = -1;  // >= 0: the member whose value gives the count
};

// One member of a template.
struct XFileMember {
  XFileValueType type = XFileValueType::Dword;
  const XFileTemplate* templ = nullptr;  // for Template members
  std::string name;
  std::vector<XFileDimension> dims;  // empty for a single value
};

// Which children a template admits.
enum class XFileRestriction : BYTE { Closed, Open, Restricted };

// One template declaration.
struct XFileTemplate {
  std::string name;
  XFileGuid guid;
  std::vector<XFileMember> members;
  XFileRestriction restriction = XFileRestriction::Closed;
  std::vector<std::string> allowed;  // names of admitted child templates when Restricted
  bool holdsValues = false;  // some member (possibly nested) holds a value
  DWORD flatFloats = 0;  // > 0: the template is exactly this many FLOATs (Vector: 3)
};

// The templates known to one parser, found by name or GUID. The first declaration of a
// name wins: files redeclare the standard templates, and keeping the earlier one also
// keeps templates from ever containing themselves. A set may sit on a base set (the
// registered templates) that it consults first and never changes. Names are matched exactly
// first, then ignoring case: exporters write "TextureFileName" for TextureFilename.
class XFileTemplateSet {
 public:
  explicit XFileTemplateSet(const XFileTemplateSet* base = nullptr) : m_base(base) {}
  XFileTemplateSet(const XFileTemplateSet&) = delete;
  XFileTemplateSet& operator=(const XFileTemplateSet&) = delete;

  // Takes the template unless one with that name exists (then returns the existing one).
  const XFileTemplate* Add(std::unique_ptr<XFileTemplate> templ);
  const XFileTemplate* Find(std::string_view name) const;
  const XFileTemplate* Find(const XFileGuid& guid) const;
  // The set's own templates (not the base's), in declaration order.
  size_t Count() const { return m_templates.size(); }
  const XFileTemplate& At(size_t i) const { return *m_templates[i]; }

 private:
  const XFileTemplateSet* m_base;
  std::vector<std::unique_ptr<XFileTemplate>> m_templates;
  const XFileTemplate* FindExact(const std::string& name) const;
  const XFileTemplate* FindFolded(const std::string& folded) const;

  std::unordered_map<std::string, const XFileTemplate*> m_byName;
  std::unordered_map<std::string, const XFileTemplate*> m_byFoldedName;  // lower case
};

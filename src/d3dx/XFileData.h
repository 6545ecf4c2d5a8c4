// XFileData: one data object of an X file (the IDirectXFileData of the DirectX file services).
//
// Holds the object's template, name, optional instance GUID, its values packed in template
// order (WORD 2 bytes, DWORD and FLOAT 4, DOUBLE 8, CHAR 1, strings as a 4-byte index into
// the object's string table), and its children: nested data objects and references to
// objects elsewhere in the file. The parser fills it; XFileModel, XMeshBuilder and the tools
// read it; tests and generators build objects by hand and hand them to XFileWriter.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "d3dx/XFileTemplate.h"

class XFileData;

// One child of a data object: a nested object, or a reference ("{name}") to another one.
struct XFileChild {
  const XFileData* object = nullptr;  // resolved target for references
  bool isReference = false;
  std::string referenceName;  // as written in the file, for references
  XFileGuid referenceGuid;
};

class XFileData {
 public:
  XFileData(const XFileTemplate* templ, std::string name);

  // ---- What the loaders read --------------------------------------------------------------
  const XFileGuid& GetType() const { return m_template->guid; }
  const XFileTemplate& Template() const { return *m_template; }
  const std::string& GetName() const { return m_name; }
  const XFileGuid& GetId() const { return m_id; }
  // The whole value block (member null or empty) or one top-level member's bytes, as
  // IDirectXFileData::GetData gives them; DXFILEERR_BADVALUE for an unknown member.
  HRESULT GetData(const char* member, DWORD* size, const void** data) const;
  std::span<const BYTE> Bytes() const { return m_bytes; }
  // The string a STRING value's index names; empty for a bad index.
  const std::string& StringAt(DWORD index) const;
  const std::vector<XFileChild>& Children() const { return m_children; }
  // Children whose template (or referenced object's template) has this GUID, in order.
  std::vector<const XFileData*> ChildrenOfType(const XFileGuid& type) const;

  // ---- Building ---------------------------------------------------------------------------
  void SetId(const XFileGuid& id) { m_id = id; }
  void AppendWord(WORD value) { AppendRaw(&value, sizeof(value)); }
  void AppendDword(DWORD value) { AppendRaw(&value, sizeof(value)); }
  void AppendFloat(float value) { AppendRaw(&value, sizeof(value)); }
  void AppendDouble(double value) { AppendRaw(&value, sizeof(value)); }
  void AppendByte(BYTE value) { m_bytes.push_back(value); }
  void AppendString(std::string_view text);
  void AppendRaw(const void* data, size_t size);
  // Checks the values against the template and records where each member lies; false when
  // they do not fit (missing values, bad string index). The parser calls it once per object.
  bool FinishValues();
  // Grows the value block by `size` bytes and returns where they start; the parser's bulk
  // path fills them. Followed by FinishValues or the member spans below.
  BYTE* AppendSpace(size_t size);
  // Records where the next top-level member lies (the parser knows it while reading).
  void AddMemberSpan(DWORD offset, DWORD size) { m_members.push_back({offset, size}); }
  XFileData* AddChild(std::unique_ptr<XFileData> child);
  // A reference to be resolved by name later (the parser), or to a known object (builders).
  void AddReference(std::string name, const XFileGuid& guid);
  void AddReference(const XFileData* target);
  // Points unresolved references at their targets; the parser's resolution pass.
  std::vector<XFileChild>& MutableChildren() { return m_children; }

 private:
  // Where one top-level member's values lie in m_bytes.
  struct MemberSpan {
    DWORD offset;
    DWORD size;
  };

  const XFileTemplate* m_template;
  std::string m_name;
  XFileGuid m_id;
  std::vector<BYTE> m_bytes;
  std::vector<std::string> m_strings;
  std::vector<MemberSpan> m_members;
  std::vector<XFileChild> m_children;
  std::vector<std::unique_ptr<XFileData>> m_owned;
};

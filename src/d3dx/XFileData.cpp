// XFileData: storage, member lookup and building of X-file data objects.
#include "d3dx/XFileData.h"

#include <cstring>

#include "d3dx/XFileLayout.h"

namespace {

// Records where each top-level member lies and checks string indexes.
class SpanRecorder : public XFileLayoutVisitor {
 public:
  SpanRecorder(std::span<const BYTE> bytes, size_t stringCount)
      : m_bytes(bytes), m_stringCount(stringCount) {}

  void BeginMember(const XFileMember&, int depth, size_t offset, DWORD) override {
    if (depth == 0) m_start = offset;
  }
  void Value(XFileValueType type, size_t offset) override {
    if (type != XFileValueType::String) return;
    DWORD index;
    std::memcpy(&index, m_bytes.data() + offset, 4);
    if (index >= m_stringCount) m_badString = true;
  }
  void ElementSeparator(const XFileMember&, int) override {}
  void EndMember(const XFileMember&, int depth, size_t endOffset) override {
    if (depth == 0) {
      spans.push_back({static_cast<DWORD>(m_start), static_cast<DWORD>(endOffset - m_start)});
    }
  }

  std::vector<std::pair<DWORD, DWORD>> spans;
  bool BadString() const { return m_badString; }

 private:
  std::span<const BYTE> m_bytes;
  size_t m_stringCount;
  size_t m_start = 0;
  bool m_badString = false;
};

}  // namespace

XFileData::XFileData(const XFileTemplate* templ, std::string name)
    : m_template(templ), m_name(std::move(name)) {}

HRESULT XFileData::GetData(const char* member, DWORD* size, const void** data) const {
  if (size == nullptr || data == nullptr) return E_INVALIDARG;
  if (member == nullptr || member[0] == '\0') {
    *size = static_cast<DWORD>(m_bytes.size());
    *data = m_bytes.data();
    return S_OK;
  }
  for (size_t i = 0; i < m_members.size() && i < m_template->members.size(); ++i) {
    if (m_template->members[i].name == member) {
      *size = m_members[i].size;
      *data = m_bytes.data() + m_members[i].offset;
      return S_OK;
    }
  }
  return DXFILEERR_BADVALUE;
}

const std::string& XFileData::StringAt(DWORD index) const {
  static const std::string kEmpty;
  return index < m_strings.size() ? m_strings[index] : kEmpty;
}

std::vector<const XFileData*> XFileData::ChildrenOfType(const XFileGuid& type) const {
  std::vector<const XFileData*> found;
  for (const XFileChild& child : m_children) {
    if (child.object != nullptr && child.object->GetType() == type) found.push_back(child.object);
  }
  return found;
}

void XFileData::AppendString(std::string_view text) {
  AppendDword(static_cast<DWORD>(m_strings.size()));
  m_strings.emplace_back(text);
}

void XFileData::AppendRaw(const void* data, size_t size) {
  size_t at = m_bytes.size();
  m_bytes.resize(at + size);
  std::memcpy(m_bytes.data() + at, data, size);
}

BYTE* XFileData::AppendSpace(size_t size) {
  size_t at = m_bytes.size();
  m_bytes.resize(at + size);
  return m_bytes.data() + at;
}

bool XFileData::FinishValues() {
  SpanRecorder recorder(m_bytes, m_strings.size());
  size_t consumed = 0;
  if (!XFileWalkLayout(*m_template, m_bytes, &recorder, &consumed)) return false;
  if (consumed != m_bytes.size() || recorder.BadString()) return false;
  m_members.clear();
  for (const auto& [offset, size] : recorder.spans) m_members.push_back({offset, size});
  return true;
}

XFileData* XFileData::AddChild(std::unique_ptr<XFileData> child) {
  XFileData* raw = child.get();
  m_owned.push_back(std::move(child));
  m_children.push_back({raw, false, {}, {}});
  return raw;
}

void XFileData::AddReference(std::string name, const XFileGuid& guid) {
  m_children.push_back({nullptr, true, std::move(name), guid});
}

void XFileData::AddReference(const XFileData* target) {
  m_children.push_back({target, true, target->GetName(), target->GetId()});
}

// XFileLayout: the template-order walk over packed values.
#include "d3dx/XFileLayout.h"

#include <cstring>
#include <vector>

namespace {

constexpr int kMaxTemplateDepth = 32;  // templates nest only a few levels in practice

// Reads an integer value of the given kind as a DWORD (array sizes).
DWORD ReadInteger(XFileValueType type, const BYTE* p) {
  switch (type) {
    case XFileValueType::Word:
    case XFileValueType::Sword: {
      WORD w;
      std::memcpy(&w, p, 2);
      return w;
    }
    case XFileValueType::Char:
    case XFileValueType::Uchar:
      return *p;
    default: {
      DWORD d;
      std::memcpy(&d, p, 4);
      return d;
    }
  }
}

class Walker {
 public:
  Walker(std::span<const BYTE> bytes, XFileLayoutVisitor* visitor)
      : m_bytes(bytes), m_visitor(visitor) {}

  bool Walk(const XFileTemplate& templ, int depth) {
    if (depth > kMaxTemplateDepth) return false;
    // Scalar integer values of this level, for the array sizes that name them; kept on one
    // stack so that arrays of small templates cost no allocation per element.
    size_t base = m_values.size();
    m_values.resize(base + templ.members.size(), 0);
    for (size_t i = 0; i < templ.members.size(); ++i) {
      const XFileMember& member = templ.members[i];
      unsigned long long count = 1;
      for (const XFileDimension& dim : member.dims) {
        count *= dim.memberIndex >= 0 ? m_values[base + static_cast<size_t>(dim.memberIndex)]
                                      : dim.count;
        if (count > m_bytes.size()) return false;  // every element takes at least one byte
      }
      bool holdsValues = member.type != XFileValueType::Template || member.templ->holdsValues;
      if (!holdsValues) count = 0;
      if (m_visitor) m_visitor->BeginMember(member, depth, m_pos, static_cast<DWORD>(count));
      for (unsigned long long k = 0; k < count; ++k) {
        if (k > 0 && m_visitor) m_visitor->ElementSeparator(member, depth);
        if (member.type == XFileValueType::Template) {
          if (!Walk(*member.templ, depth + 1)) return false;
        } else {
          size_t size = XFileValueSize(member.type);
          if (size > m_bytes.size() - m_pos) return false;
          if (member.dims.empty() && XFileValueIsInteger(member.type)) {
            m_values[base + i] = ReadInteger(member.type, m_bytes.data() + m_pos);
          }
          if (m_visitor) m_visitor->Value(member.type, m_pos);
          m_pos += size;
        }
      }
      if (m_visitor) m_visitor->EndMember(member, depth, m_pos);
    }
    m_values.resize(base);
    return true;
  }

  size_t Position() const { return m_pos; }

 private:
  std::span<const BYTE> m_bytes;
  XFileLayoutVisitor* m_visitor;
  size_t m_pos = 0;
  std::vector<DWORD> m_values;
};

}  // namespace

bool XFileWalkLayout(const XFileTemplate& templ, std::span<const BYTE> bytes,
                     XFileLayoutVisitor* visitor, size_t* consumed) {
  Walker walker(bytes, visitor);
  if (!walker.Walk(templ, 0)) return false;
  *consumed = walker.Position();
  return true;
}

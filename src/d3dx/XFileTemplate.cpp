// XFileTemplate: value sizes and the template registry.
#include "d3dx/XFileTemplate.h"

#include <cctype>

size_t XFileValueSize(XFileValueType type) {
  switch (type) {
    case XFileValueType::Word:
    case XFileValueType::Sword:
      return 2;
    case XFileValueType::Char:
    case XFileValueType::Uchar:
      return 1;
    case XFileValueType::Double:
      return 8;
    case XFileValueType::Dword:
    case XFileValueType::Sdword:
    case XFileValueType::Float:
    case XFileValueType::String:
      return 4;
    case XFileValueType::Template:
      return 0;
  }
  return 0;
}

bool XFileValueIsInteger(XFileValueType type) {
  switch (type) {
    case XFileValueType::Word:
    case XFileValueType::Dword:
    case XFileValueType::Char:
    case XFileValueType::Uchar:
    case XFileValueType::Sword:
    case XFileValueType::Sdword:
      return true;
    default:
      return false;
  }
}

namespace {

std::string Folded(std::string_view name) {
  std::string folded(name);
  for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return folded;
}

}  // namespace

const XFileTemplate* XFileTemplateSet::Add(std::unique_ptr<XFileTemplate> templ) {
  if (const XFileTemplate* existing = FindExact(templ->name)) return existing;
  const XFileTemplate* added = templ.get();
  m_byName.emplace(templ->name, added);
  m_byFoldedName.emplace(Folded(templ->name), added);  // the first of a folded name wins
  m_templates.push_back(std::move(templ));
  return added;
}

const XFileTemplate* XFileTemplateSet::FindExact(const std::string& name) const {
  if (m_base != nullptr) {
    if (const XFileTemplate* found = m_base->FindExact(name)) return found;
  }
  auto it = m_byName.find(name);
  return it == m_byName.end() ? nullptr : it->second;
}

const XFileTemplate* XFileTemplateSet::FindFolded(const std::string& folded) const {
  if (m_base != nullptr) {
    if (const XFileTemplate* found = m_base->FindFolded(folded)) return found;
  }
  auto it = m_byFoldedName.find(folded);
  return it == m_byFoldedName.end() ? nullptr : it->second;
}

const XFileTemplate* XFileTemplateSet::Find(std::string_view name) const {
  std::string exact(name);
  if (const XFileTemplate* found = FindExact(exact)) return found;
  return FindFolded(Folded(name));
}

const XFileTemplate* XFileTemplateSet::Find(const XFileGuid& guid) const {
  if (m_base != nullptr) {
    if (const XFileTemplate* found = m_base->Find(guid)) return found;
  }
  for (const auto& templ : m_templates) {
    if (templ->guid == guid) {
      return templ.get();
    }
  }
  return nullptr;
}

// XFileParser: header, templates, data objects and reference resolution.
//
// Sections: header; file body; templates; data objects; references.
#include "d3dx/XFileParser.h"

#include <cstring>
#include <strings.h>
#include <unordered_map>

#include "d3dx/XFileMszip.h"

namespace {

constexpr size_t kHeaderSize = 16;
constexpr int kMaxObjectDepth = 100;   // nesting of data objects (frame trees are far flatter)
constexpr int kMaxTemplateDepth = 32;  // nesting of template members

bool IsSeparator(const XFileToken& token) {
  return token.kind == XFileTokenKind::Comma || token.kind == XFileTokenKind::Semicolon;
}

bool IsNameLike(const XFileToken& token) {
  return token.kind == XFileTokenKind::Name || token.kind == XFileTokenKind::Number;
}

bool Is(const XFileToken& token, const char* keyword) {
  return token.kind == XFileTokenKind::Name && token.text.size() == std::strlen(keyword) &&
         strncasecmp(token.text.data(), keyword, token.text.size()) == 0;
}

// The primitive type a keyword names; false for template names.
bool PrimitiveType(const XFileToken& token, XFileValueType* type) {
  static const struct {
    const char* keyword;
    XFileValueType type;
  } kKeywords[] = {
      {"WORD", XFileValueType::Word},     {"DWORD", XFileValueType::Dword},
      {"FLOAT", XFileValueType::Float},   {"DOUBLE", XFileValueType::Double},
      {"CHAR", XFileValueType::Char},     {"UCHAR", XFileValueType::Uchar},
      {"BYTE", XFileValueType::Uchar},    {"SWORD", XFileValueType::Sword},
      {"SDWORD", XFileValueType::Sdword}, {"STRING", XFileValueType::String},
      {"LPSTR", XFileValueType::String},  {"CSTRING", XFileValueType::String},
      {"UNICODE", XFileValueType::String},
  };
  for (const auto& entry : kKeywords) {
    if (Is(token, entry.keyword)) {
      *type = entry.type;
      return true;
    }
  }
  return false;
}

bool HoldsValues(const XFileTemplate& templ) {
  for (const XFileMember& member : templ.members) {
    if (member.type != XFileValueType::Template || member.templ->holdsValues) return true;
  }
  return false;
}

// How many FLOATs the template is made of when it holds nothing else (0 otherwise).
DWORD FlatFloats(const XFileTemplate& templ) {
  unsigned long long total = 0;
  for (const XFileMember& member : templ.members) {
    unsigned long long count = 1;
    for (const XFileDimension& dim : member.dims) {
      if (dim.memberIndex >= 0) return 0;
      count *= dim.count;
      if (count > 4096) return 0;
    }
    if (member.type == XFileValueType::Float) {
      total += count;
    } else if (member.type == XFileValueType::Template && member.templ->flatFloats > 0) {
      total += count * member.templ->flatFloats;
    } else {
      return 0;
    }
    if (total > 4096) return 0;
  }
  return static_cast<DWORD>(total);
}

}  // namespace

// ---- Header ------------------------------------------------------------------------------

HRESULT XFileReadHeader(std::span<const BYTE> file, XFileHeader* header) {
  if (file.size() < kHeaderSize || std::memcmp(file.data(), "xof ", 4) != 0) {
    return DXFILEERR_BADFILETYPE;
  }
  const char* text = reinterpret_cast<const char*>(file.data());
  if (std::memcmp(text + 4, "03", 2) != 0 ||
      (std::memcmp(text + 6, "02", 2) != 0 && std::memcmp(text + 6, "03", 2) != 0)) {
    return DXFILEERR_BADFILEVERSION;
  }
  header->minorVersion = text[7] - '0';
  if (std::memcmp(text + 8, "txt ", 4) == 0) {
    header->binary = false, header->compressed = false;
  } else if (std::memcmp(text + 8, "bin ", 4) == 0) {
    header->binary = true, header->compressed = false;
  } else if (std::memcmp(text + 8, "tzip", 4) == 0) {
    header->binary = false, header->compressed = true;
  } else if (std::memcmp(text + 8, "bzip", 4) == 0) {
    header->binary = true, header->compressed = true;
  } else {
    return DXFILEERR_BADFILETYPE;
  }
  if (std::memcmp(text + 12, "0032", 4) == 0) {
    header->doubles = false;
  } else if (std::memcmp(text + 12, "0064", 4) == 0) {
    header->doubles = true;
  } else {
    return DXFILEERR_BADFILEFLOATSIZE;
  }
  return S_OK;
}

// ---- File body ---------------------------------------------------------------------------

HRESULT XFileParser::Parse(std::span<const BYTE> file,
                           std::vector<std::unique_ptr<XFileData>>* objects) {
  m_error.clear();
  XFileHeader header;
  HRESULT hr = XFileReadHeader(file, &header);
  if (FAILED(hr)) {
    m_error = "not an X file of a known version, encoding and float size";
    return hr;
  }
  std::span<const BYTE> body = file.subspan(kHeaderSize);
  std::vector<BYTE> unpacked;
  if (header.compressed) {
    const XFileMszipResult unpackedResult = XFileMszipDecompress(body, &unpacked);
    if (unpackedResult == XFileMszipResult::TooLarge) {
      m_error = "compressed file would expand to more than " +
                std::to_string(XFileMszipAllowance(body.size()) >> 20) + " MB; refused";
      return DXFILEERR_BADFILECOMPRESSIONTYPE;
    }
    if (unpackedResult != XFileMszipResult::Ok) {
      m_error = "corrupt MSZIP data";
      return DXFILEERR_BADFILECOMPRESSIONTYPE;
    }
    body = unpacked;
  }
  XFileLexer lex(body.data(), body.size(), header.binary, header.doubles);
  hr = ParseBody(lex, objects);
  if (SUCCEEDED(hr)) hr = ResolveReferences(*objects);
  if (FAILED(hr)) objects->clear();
  return hr;
}

HRESULT XFileParser::ParseBody(XFileLexer& lex, std::vector<std::unique_ptr<XFileData>>* objects) {
  for (;;) {
    const XFileToken& token = lex.Peek();
    if (token.kind == XFileTokenKind::End) return S_OK;
    if (IsSeparator(token)) {
      lex.Take();
      continue;
    }
    if (token.kind != XFileTokenKind::Name) {
      return Fail(DXFILEERR_PARSEERROR, lex, "template or data object expected");
    }
    HRESULT hr;
    if (Is(token, "template")) {
      hr = ParseTemplate(lex);
    } else {
      std::unique_ptr<XFileData> object;
      hr = ParseObject(lex, 0, &object);
      if (object) objects->push_back(std::move(object));
    }
    if (FAILED(hr)) return hr;
  }
}

HRESULT XFileParser::Fail(HRESULT hr, const XFileLexer& lex, const char* what) {
  if (m_error.empty()) m_error = std::string(what) + " at byte " + std::to_string(lex.Offset());
  return hr;
}

// ---- Templates ---------------------------------------------------------------------------

HRESULT XFileParser::ParseTemplate(XFileLexer& lex) {
  lex.Take();  // "template"
  XFileToken name = lex.Take();
  if (!IsNameLike(name) || lex.Take().kind != XFileTokenKind::OBrace) {
    return Fail(DXFILEERR_PARSEERROR, lex, "template name and '{' expected");
  }
  auto templ = std::make_unique<XFileTemplate>();
  templ->name = std::string(name.text);
  if (lex.Peek().kind == XFileTokenKind::Guid) templ->guid = lex.Take().guid;
  for (;;) {
    const XFileToken& token = lex.Peek();
    HRESULT hr = S_OK;
    if (token.kind == XFileTokenKind::CBrace) {
      lex.Take();
      break;
    } else if (IsSeparator(token)) {
      lex.Take();
    } else if (token.kind == XFileTokenKind::OBracket) {
      hr = ParseRestriction(lex, templ.get());
    } else if (token.kind == XFileTokenKind::Name) {
      hr = ParseMember(lex, templ.get());
    } else {
      hr = Fail(DXFILEERR_PARSEERROR, lex, "template member expected");
    }
    if (FAILED(hr)) return hr;
  }
  templ->holdsValues = HoldsValues(*templ);
  templ->flatFloats = FlatFloats(*templ);
  m_templates->Add(std::move(templ));
  return S_OK;
}

HRESULT XFileParser::ParseMember(XFileLexer& lex, XFileTemplate* templ) {
  XFileToken token = lex.Take();
  bool isArray = Is(token, "array");
  if (isArray) token = lex.Take();
  XFileMember member;
  if (!PrimitiveType(token, &member.type)) {
    member.type = XFileValueType::Template;
    member.templ = token.kind == XFileTokenKind::Name ? m_templates->Find(token.text) : nullptr;
    if (member.templ == nullptr) return Fail(DXFILEERR_NOTEMPLATE, lex, "unknown member type");
  }
  if (lex.Peek().kind == XFileTokenKind::Name) member.name = std::string(lex.Take().text);
  while (lex.Peek().kind == XFileTokenKind::OBracket) {
    lex.Take();
    XFileToken size = lex.Take();
    XFileDimension dim;
    if (size.kind == XFileTokenKind::Name) {
      for (size_t i = 0; i < templ->members.size(); ++i) {
        const XFileMember& earlier = templ->members[i];
        if (earlier.name == size.text && earlier.dims.empty() &&
            XFileValueIsInteger(earlier.type)) {
          dim.memberIndex = static_cast<int>(i);
        }
      }
      if (dim.memberIndex < 0) return Fail(DXFILEERR_BADARRAYSIZE, lex, "unknown array size");
    } else if (!XFileTokenToDword(size, &dim.count)) {
      return Fail(DXFILEERR_BADARRAYSIZE, lex, "array size expected");
    }
    if (lex.Take().kind != XFileTokenKind::CBracket) {
      return Fail(DXFILEERR_PARSEERROR, lex, "']' expected");
    }
    member.dims.push_back(dim);
  }
  if (isArray && member.dims.empty()) return Fail(DXFILEERR_PARSEERROR, lex, "array size expected");
  templ->members.push_back(std::move(member));
  return S_OK;
}

HRESULT XFileParser::ParseRestriction(XFileLexer& lex, XFileTemplate* templ) {
  lex.Take();  // '['
  templ->restriction = XFileRestriction::Restricted;
  for (;;) {
    XFileToken token = lex.Take();
    if (token.kind == XFileTokenKind::CBracket) return S_OK;
    if (token.kind == XFileTokenKind::Dot || token.kind == XFileTokenKind::Ellipsis) {
      templ->restriction = XFileRestriction::Open;
    } else if (token.kind == XFileTokenKind::Name) {
      templ->allowed.emplace_back(token.text);
    } else if (!IsSeparator(token) && token.kind != XFileTokenKind::Guid) {
      return Fail(DXFILEERR_PARSEERROR, lex, "bad template restriction");
    }
  }
}

// ---- Data objects ------------------------------------------------------------------------

HRESULT XFileParser::ParseObject(XFileLexer& lex, int depth, std::unique_ptr<XFileData>* out) {
  if (depth > kMaxObjectDepth) return Fail(DXFILEERR_PARSEERROR, lex, "objects nest too deep");
  XFileToken type = lex.Take();
  std::string name;
  if (IsNameLike(lex.Peek())) name = std::string(lex.Take().text);
  if (lex.Take().kind != XFileTokenKind::OBrace) {
    return Fail(DXFILEERR_PARSEERROR, lex, "'{' expected after object name");
  }
  XFileGuid id;
  if (lex.Peek().kind == XFileTokenKind::Guid) id = lex.Take().guid;
  const XFileTemplate* templ = m_templates->Find(type.text);
  if (templ == nullptr) return SkipBody(lex);  // objects of unknown templates are left out
  auto object = std::make_unique<XFileData>(templ, std::move(name));
  object->SetId(id);
  m_values.clear();
  HRESULT hr = ParseValues(lex, *templ, object.get(), 0);
  if (SUCCEEDED(hr)) hr = ParseChildren(lex, object.get(), depth);
  if (SUCCEEDED(hr)) *out = std::move(object);
  return hr;
}

HRESULT XFileParser::ParseValues(XFileLexer& lex, const XFileTemplate& templ, XFileData* object,
                                 int depth) {
  if (depth > kMaxTemplateDepth) return Fail(DXFILEERR_PARSEERROR, lex, "templates nest too deep");
  size_t base = m_values.size();
  m_values.resize(base + templ.members.size(), 0);
  for (size_t i = 0; i < templ.members.size(); ++i) {
    const XFileMember& member = templ.members[i];
    size_t start = object->Bytes().size();
    unsigned long long count = 1;
    for (const XFileDimension& dim : member.dims) {
      count *= dim.memberIndex >= 0 ? m_values[base + static_cast<size_t>(dim.memberIndex)]
                                    : dim.count;
      // Every value takes at least one byte of the file, so larger counts cannot be right.
      if (count > lex.Remaining()) return Fail(DXFILEERR_BADARRAYSIZE, lex, "array too large");
    }
    HRESULT hr = S_OK;
    DWORD flat = member.type == XFileValueType::Float ? 1
                 : member.type == XFileValueType::Template ? member.templ->flatFloats : 0;
    if (flat > 0) {
      hr = ParseFloatRun(lex, count * flat, object);
    } else if (member.type != XFileValueType::Template || member.templ->holdsValues) {
      for (unsigned long long k = 0; k < count && SUCCEEDED(hr); ++k) {
        hr = member.type == XFileValueType::Template
                 ? ParseValues(lex, *member.templ, object, depth + 1)
                 : ParseValue(lex, member.type, object, &m_values[base + i]);
      }
    }
    if (FAILED(hr)) return hr;
    if (depth == 0) {
      object->AddMemberSpan(static_cast<DWORD>(start),
                            static_cast<DWORD>(object->Bytes().size() - start));
    }
  }
  m_values.resize(base);
  return S_OK;
}

HRESULT XFileParser::ParseFloatRun(XFileLexer& lex, unsigned long long count, XFileData* object) {
  if (count > lex.Remaining()) return Fail(DXFILEERR_BADARRAYSIZE, lex, "array too large");
  BYTE* out = object->AppendSpace(count * sizeof(float));
  for (size_t done = 0; done < count;) {
    size_t bulk = lex.TakeFloatRun(out + 4 * done, count - done);
    if (bulk > 0) {
      done += bulk;
      continue;
    }
    while (IsSeparator(lex.Peek())) lex.Drop();
    double real = 0.0;
    if (!XFileTokenToDouble(lex.Peek(), &real)) {
      return Fail(DXFILEERR_BADVALUE, lex, "number expected");
    }
    lex.Drop();
    float value = static_cast<float>(real);
    std::memcpy(out + 4 * done++, &value, 4);
  }
  return S_OK;
}

HRESULT XFileParser::ParseValue(XFileLexer& lex, XFileValueType type, XFileData* object,
                                DWORD* integer) {
  while (IsSeparator(lex.Peek())) lex.Drop();
  const XFileToken& token = lex.Peek();  // read in place: this is the parser's hot path
  double real = 0.0;
  bool ok = false;
  switch (type) {
    case XFileValueType::String:
      ok = token.kind == XFileTokenKind::String;
      if (ok) object->AppendString(token.text);
      break;
    case XFileValueType::Float:
      ok = XFileTokenToDouble(token, &real);
      if (ok) object->AppendFloat(static_cast<float>(real));
      break;
    case XFileValueType::Double:
      ok = XFileTokenToDouble(token, &real);
      if (ok) object->AppendDouble(real);
      break;
    default:
      ok = XFileTokenToDword(token, integer);
      if (!ok) break;
      if (XFileValueSize(type) == 1) {
        object->AppendByte(static_cast<BYTE>(*integer));
      } else if (XFileValueSize(type) == 2) {
        object->AppendWord(static_cast<WORD>(*integer));
      } else {
        object->AppendDword(*integer);
      }
      break;
  }
  if (!ok) return Fail(DXFILEERR_BADVALUE, lex, "value of the template's type expected");
  lex.Drop();
  return S_OK;
}

HRESULT XFileParser::ParseChildren(XFileLexer& lex, XFileData* object, int depth) {
  for (;;) {
    const XFileToken& token = lex.Peek();
    HRESULT hr = S_OK;
    if (token.kind == XFileTokenKind::CBrace) {
      lex.Take();
      return S_OK;
    } else if (IsSeparator(token)) {
      lex.Take();
    } else if (token.kind == XFileTokenKind::OBrace) {
      hr = ParseReference(lex, object);
    } else if (token.kind == XFileTokenKind::Name) {
      std::unique_ptr<XFileData> child;
      hr = ParseObject(lex, depth + 1, &child);
      if (child) object->AddChild(std::move(child));
    } else {
      hr = Fail(DXFILEERR_PARSEERROR, lex, "child object, reference or '}' expected");
    }
    if (FAILED(hr)) return hr;
  }
}

HRESULT XFileParser::ParseReference(XFileLexer& lex, XFileData* object) {
  lex.Take();  // '{'
  std::string name;
  XFileGuid guid;
  for (;;) {
    XFileToken token = lex.Take();
    if (token.kind == XFileTokenKind::CBrace) break;
    if (IsNameLike(token) && name.empty()) {
      name = std::string(token.text);
    } else if (token.kind == XFileTokenKind::Guid) {
      guid = token.guid;
    } else {
      return Fail(DXFILEERR_PARSEERROR, lex, "bad reference");
    }
  }
  if (name.empty() && guid.IsNull()) return Fail(DXFILEERR_PARSEERROR, lex, "empty reference");
  object->AddReference(std::move(name), guid);
  return S_OK;
}

HRESULT XFileParser::SkipBody(XFileLexer& lex) {
  for (int open = 1; open > 0;) {
    XFileToken token = lex.Take();
    if (token.kind == XFileTokenKind::OBrace) {
      ++open;
    } else if (token.kind == XFileTokenKind::CBrace) {
      --open;
    } else if (token.kind == XFileTokenKind::End || token.kind == XFileTokenKind::Error) {
      return Fail(DXFILEERR_PARSEERROR, lex, "unterminated object");
    }
  }
  return S_OK;
}

// ---- References --------------------------------------------------------------------------

namespace {

// Every object of the file in depth-first order, for reference lookup.
void CollectObjects(XFileData* object, std::vector<XFileData*>* all) {
  all->push_back(object);
  for (const XFileChild& child : object->Children()) {
    if (!child.isReference) CollectObjects(const_cast<XFileData*>(child.object), all);
  }
}

}  // namespace

HRESULT XFileParser::ResolveReferences(std::vector<std::unique_ptr<XFileData>>& objects) {
  std::vector<XFileData*> all;
  for (auto& object : objects) CollectObjects(object.get(), &all);
  std::unordered_map<std::string, const XFileData*> byName;
  std::unordered_map<std::string, const XFileData*> byId;
  for (const XFileData* object : all) {
    if (!object->GetName().empty()) byName.emplace(object->GetName(), object);  // first wins
    if (!object->GetId().IsNull()) byId.emplace(XFileGuidToString(object->GetId()), object);
  }
  for (XFileData* object : all) {
    for (XFileChild& child : object->MutableChildren()) {
      if (!child.isReference || child.object != nullptr) continue;
      if (!child.referenceName.empty()) {
        auto it = byName.find(child.referenceName);
        if (it != byName.end()) child.object = it->second;
      } else {
        auto it = byId.find(XFileGuidToString(child.referenceGuid));
        if (it != byId.end()) child.object = it->second;
      }
      if (child.object == nullptr) {
        m_error = "reference to a missing object '" + child.referenceName + "'";
        return DXFILEERR_BADDATAREFERENCE;
      }
    }
  }
  return S_OK;
}

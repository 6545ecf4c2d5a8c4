// XFileWriter: text and binary serialisation of templates and data objects.
//
// Sections: text body; binary body; file assembly.
#include "d3dx/XFileWriter.h"

#include <charconv>
#include <cstring>
#include <string>

#include "d3dx/XFileLayout.h"
#include "d3dx/XFileMszip.h"

namespace {

// ---- Shared -------------------------------------------------------------------------------

const char* PrimitiveKeyword(XFileValueType type) {
  switch (type) {
    case XFileValueType::Word: return "WORD";
    case XFileValueType::Dword: return "DWORD";
    case XFileValueType::Float: return "FLOAT";
    case XFileValueType::Double: return "DOUBLE";
    case XFileValueType::Char: return "CHAR";
    case XFileValueType::Uchar: return "UCHAR";
    case XFileValueType::Sword: return "SWORD";
    case XFileValueType::Sdword: return "SDWORD";
    case XFileValueType::String: return "STRING";
    case XFileValueType::Template: return "";
  }
  return "";
}

template <typename T>
T Load(const BYTE* p) {
  T value;
  std::memcpy(&value, p, sizeof(T));
  return value;
}

// ---- Text body ----------------------------------------------------------------------------

class TextWriter : public XFileLayoutVisitor {
 public:
  explicit TextWriter(std::string* out) : m_out(*out) {}

  void Template(const XFileTemplate& templ) {
    m_out += "template " + templ.name + " {\n <" + XFileGuidToString(templ.guid) + ">\n";
    for (const XFileMember& member : templ.members) {
      m_out += member.dims.empty() ? " " : " array ";
      m_out += member.templ ? member.templ->name : PrimitiveKeyword(member.type);
      m_out += " " + member.name;
      for (const XFileDimension& dim : member.dims) {
        m_out += "[";
        m_out += dim.memberIndex >= 0 ? templ.members[static_cast<size_t>(dim.memberIndex)].name
                                      : std::to_string(dim.count);
        m_out += "]";
      }
      m_out += ";\n";
    }
    if (templ.restriction == XFileRestriction::Open) m_out += " [...]\n";
    if (templ.restriction == XFileRestriction::Restricted) {
      m_out += " [";
      for (size_t i = 0; i < templ.allowed.size(); ++i) {
        m_out += (i ? ", " : "") + templ.allowed[i];
      }
      m_out += "]\n";
    }
    m_out += "}\n\n";
  }

  bool Object(const XFileData& object, const std::string& indent) {
    m_object = &object;
    m_indent = indent + " ";
    m_out += indent + object.Template().name;
    if (!object.GetName().empty()) m_out += " " + object.GetName();
    m_out += " {\n";
    if (!object.GetId().IsNull()) m_out += m_indent + "<" + XFileGuidToString(object.GetId()) + ">\n";
    m_out += m_indent;
    size_t consumed = 0;
    if (!XFileWalkLayout(object.Template(), object.Bytes(), this, &consumed)) return false;
    m_out += "\n";
    for (const XFileChild& child : object.Children()) {
      if (child.isReference) {
        m_out += indent + " { " + (child.object ? child.object->GetName() : child.referenceName) +
                 " }\n";
      } else if (!Object(*child.object, indent + " ")) {
        return false;
      }
    }
    m_out += indent + "}\n";
    return true;
  }

  void BeginMember(const XFileMember&, int, size_t, DWORD) override {}
  void Value(XFileValueType type, size_t offset) override {
    const BYTE* p = m_object->Bytes().data() + offset;
    switch (type) {
      case XFileValueType::Float: Number(Load<float>(p)); break;
      case XFileValueType::Double: Number(Load<double>(p)); break;
      case XFileValueType::Word: Number(Load<WORD>(p)); break;
      case XFileValueType::Sword: Number(Load<std::int16_t>(p)); break;
      case XFileValueType::Dword: Number(Load<DWORD>(p)); break;
      case XFileValueType::Sdword: Number(Load<std::int32_t>(p)); break;
      case XFileValueType::Char: Number(Load<std::int8_t>(p)); break;
      case XFileValueType::Uchar: Number(Load<BYTE>(p)); break;
      case XFileValueType::String:
        m_out += "\"" + m_object->StringAt(Load<DWORD>(p)) + "\"";
        break;
      case XFileValueType::Template: break;
    }
  }
  void ElementSeparator(const XFileMember& member, int) override {
    m_out += member.type == XFileValueType::Template ? ",\n" + m_indent : ",";
  }
  void EndMember(const XFileMember&, int depth, size_t) override {
    m_out += depth == 0 ? ";\n" + m_indent : ";";
  }

 private:
  template <typename T>
  void Number(T value) {
    char text[40];
    auto result = std::to_chars(text, text + sizeof(text), value);
    m_out.append(text, result.ptr);
  }

  std::string& m_out;
  const XFileData* m_object = nullptr;
  std::string m_indent;
};

// ---- Binary body --------------------------------------------------------------------------

constexpr WORD kTokName = 1, kTokString = 2, kTokInteger = 3, kTokGuid = 5, kTokIntegerList = 6,
               kTokFloatList = 7, kTokOBrace = 10, kTokCBrace = 11, kTokOBracket = 14,
               kTokCBracket = 15, kTokDot = 18, kTokComma = 19, kTokSemicolon = 20,
               kTokTemplate = 31, kTokArray = 52;

WORD PrimitiveToken(XFileValueType type) {
  switch (type) {
    case XFileValueType::Word: return 40;
    case XFileValueType::Dword: return 41;
    case XFileValueType::Float: return 42;
    case XFileValueType::Double: return 43;
    case XFileValueType::Char: return 44;
    case XFileValueType::Uchar: return 45;
    case XFileValueType::Sword: return 46;
    case XFileValueType::Sdword: return 47;
    case XFileValueType::String: return 49;
    case XFileValueType::Template: return 0;
  }
  return 0;
}

class BinaryWriter : public XFileLayoutVisitor {
 public:
  BinaryWriter(std::vector<BYTE>* out, bool doubles) : m_out(*out), m_doubles(doubles) {}

  void Template(const XFileTemplate& templ) {
    Token(kTokTemplate);
    Name(templ.name);
    Token(kTokOBrace);
    Guid(templ.guid);
    for (const XFileMember& member : templ.members) {
      if (!member.dims.empty()) Token(kTokArray);
      if (member.templ) {
        Name(member.templ->name);
      } else {
        Token(PrimitiveToken(member.type));
      }
      Name(member.name);
      for (const XFileDimension& dim : member.dims) {
        Token(kTokOBracket);
        if (dim.memberIndex >= 0) {
          Name(templ.members[static_cast<size_t>(dim.memberIndex)].name);
        } else {
          Token(kTokInteger);
          Put(&dim.count, 4);
        }
        Token(kTokCBracket);
      }
      Token(kTokSemicolon);
    }
    if (templ.restriction != XFileRestriction::Closed) {
      Token(kTokOBracket);
      if (templ.restriction == XFileRestriction::Open) {
        Token(kTokDot), Token(kTokDot), Token(kTokDot);
      }
      for (size_t i = 0; i < templ.allowed.size(); ++i) {
        if (i > 0) Token(kTokComma);
        Name(templ.allowed[i]);
      }
      Token(kTokCBracket);
    }
    Token(kTokCBrace);
  }

  bool Object(const XFileData& object) {
    m_object = &object;
    Name(object.Template().name);
    if (!object.GetName().empty()) Name(object.GetName());
    Token(kTokOBrace);
    if (!object.GetId().IsNull()) Guid(object.GetId());
    size_t consumed = 0;
    if (!XFileWalkLayout(object.Template(), object.Bytes(), this, &consumed)) return false;
    Flush();
    for (const XFileChild& child : object.Children()) {
      if (child.isReference) {
        Token(kTokOBrace);
        Name(child.object ? child.object->GetName() : child.referenceName);
        Token(kTokCBrace);
      } else if (!Object(*child.object)) {
        return false;
      }
    }
    Token(kTokCBrace);
    return true;
  }

  void BeginMember(const XFileMember&, int, size_t, DWORD) override {}
  void ElementSeparator(const XFileMember&, int) override {}
  void EndMember(const XFileMember&, int, size_t) override {}
  void Value(XFileValueType type, size_t offset) override {
    const BYTE* p = m_object->Bytes().data() + offset;
    switch (type) {
      case XFileValueType::Float: Real(Load<float>(p)); break;
      case XFileValueType::Double: Real(Load<double>(p)); break;
      case XFileValueType::Word: Integer(Load<WORD>(p)); break;
      case XFileValueType::Sword: Integer(static_cast<DWORD>(Load<std::int16_t>(p))); break;
      case XFileValueType::Dword:
      case XFileValueType::Sdword: Integer(Load<DWORD>(p)); break;
      case XFileValueType::Char: Integer(static_cast<DWORD>(Load<std::int8_t>(p))); break;
      case XFileValueType::Uchar: Integer(*p); break;
      case XFileValueType::String: {
        Flush();
        const std::string& text = m_object->StringAt(Load<DWORD>(p));
        Token(kTokString);
        DWORD length = static_cast<DWORD>(text.size());
        Put(&length, 4);
        Put(text.data(), text.size());
        Token(kTokSemicolon);
        break;
      }
      case XFileValueType::Template: break;
    }
  }

 private:
  void Put(const void* data, size_t size) {
    const BYTE* p = static_cast<const BYTE*>(data);
    m_out.insert(m_out.end(), p, p + size);
  }
  void Token(WORD code) { Put(&code, 2); }
  void Name(const std::string& name) {
    Token(kTokName);
    DWORD length = static_cast<DWORD>(name.size());
    Put(&length, 4);
    Put(name.data(), name.size());
  }
  void Guid(const XFileGuid& guid) {
    Token(kTokGuid);
    Put(&guid.data1, 4), Put(&guid.data2, 2), Put(&guid.data3, 2), Put(guid.data4, 8);
  }
  // Consecutive numbers of one kind share one list token, as exporters write them.
  void Integer(DWORD value) {
    if (m_floats.size()) Flush();
    m_integers.push_back(value);
  }
  void Real(double value) {
    if (m_integers.size()) Flush();
    m_floats.push_back(value);
  }
  void Flush() {
    if (!m_integers.empty()) {
      Token(kTokIntegerList);
      DWORD count = static_cast<DWORD>(m_integers.size());
      Put(&count, 4);
      Put(m_integers.data(), m_integers.size() * 4);
      m_integers.clear();
    }
    if (!m_floats.empty()) {
      Token(kTokFloatList);
      DWORD count = static_cast<DWORD>(m_floats.size());
      Put(&count, 4);
      for (double value : m_floats) {
        if (m_doubles) {
          Put(&value, 8);
        } else {
          float single = static_cast<float>(value);
          Put(&single, 4);
        }
      }
      m_floats.clear();
    }
  }

  std::vector<BYTE>& m_out;
  bool m_doubles;
  const XFileData* m_object = nullptr;
  std::vector<DWORD> m_integers;
  std::vector<double> m_floats;
};

// ---- File assembly ------------------------------------------------------------------------

const char* EncodingTag(XFileEncoding encoding) {
  switch (encoding) {
    case XFileEncoding::Text: return "txt ";
    case XFileEncoding::Binary: return "bin ";
    case XFileEncoding::CompressedText: return "tzip";
    case XFileEncoding::CompressedBinary: return "bzip";
  }
  return "txt ";
}

}  // namespace

HRESULT XFileWrite(const std::vector<const XFileData*>& objects, const XFileWriteOptions& options,
                   std::vector<BYTE>* out) {
  if (out == nullptr) return E_INVALIDARG;
  bool binary = options.encoding == XFileEncoding::Binary ||
                options.encoding == XFileEncoding::CompressedBinary;
  std::vector<BYTE> body;
  if (binary) {
    BinaryWriter writer(&body, options.doubles);
    for (const XFileTemplate* templ : options.templates) writer.Template(*templ);
    for (const XFileData* object : objects) {
      if (!writer.Object(*object)) return E_FAIL;
    }
  } else {
    std::string text;
    TextWriter writer(&text);
    for (const XFileTemplate* templ : options.templates) writer.Template(*templ);
    for (const XFileData* object : objects) {
      if (!writer.Object(*object, "")) return E_FAIL;
      text += "\n";
    }
    body.assign(text.begin(), text.end());
  }
  std::string header = std::string("xof 0303") + EncodingTag(options.encoding) +
                       (options.doubles ? "0064" : "0032");
  out->assign(header.begin(), header.end());
  if (options.encoding == XFileEncoding::CompressedText ||
      options.encoding == XFileEncoding::CompressedBinary) {
    std::vector<BYTE> packed;
    if (!XFileMszipCompress(body, &packed)) return E_FAIL;
    out->insert(out->end(), packed.begin(), packed.end());
  } else {
    out->insert(out->end(), body.begin(), body.end());
  }
  return S_OK;
}

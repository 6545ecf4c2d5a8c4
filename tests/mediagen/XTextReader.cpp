// Test helper X text reader: see XTextReader.h.
#include "XTextReader.h"

#include <cctype>
#include <cstdlib>

namespace qm::test {

namespace {

// Tokens: words, numbers, strings, and the punctuation { } ; ,
class Lexer {
 public:
  explicit Lexer(const std::string& s) : m_s(s) {}
  std::string Next() {
    Skip();
    if (m_i >= m_s.size()) return "";
    char c = m_s[m_i];
    if (c == '{' || c == '}' || c == ';' || c == ',') {
      ++m_i;
      return std::string(1, c);
    }
    if (c == '"') {
      size_t e = m_s.find('"', m_i + 1);
      if (e == std::string::npos) e = m_s.size() - 1;
      std::string t = m_s.substr(m_i, e - m_i + 1);
      m_i = e + 1;
      return t;
    }
    size_t b = m_i;
    while (m_i < m_s.size() && !std::isspace(static_cast<unsigned char>(m_s[m_i])) &&
           std::string("{};,\"").find(m_s[m_i]) == std::string::npos)
      ++m_i;
    return m_s.substr(b, m_i - b);
  }
  std::string Peek() {
    size_t keep = m_i;
    std::string t = Next();
    m_i = keep;
    return t;
  }

 private:
  void Skip() {
    while (m_i < m_s.size() && std::isspace(static_cast<unsigned char>(m_s[m_i]))) ++m_i;
  }
  const std::string& m_s;
  size_t m_i = 0;
};

class Parser {
 public:
  Parser(const std::string& text, std::string& error) : m_lex(text), m_error(error) {}

  bool Model(ReadModel& m) {
    if (m_lex.Next() != "xof" || m_lex.Next() != "0303txt" || m_lex.Next() != "0032") return Fail("header");
    while (!m_lex.Peek().empty()) {
      std::string word = m_lex.Next();
      if (word == "Frame") {
        m.frames.emplace_back();
        if (!Frame(m.frames.back())) return false;
      } else if (word == "AnimTicksPerSecond") {
        if (!Expect("{")) return false;
        m.ticksPerSecond = static_cast<unsigned>(Int());
        if (!Expect(";") || !Expect("}")) return false;
      } else if (word == "AnimationSet") {
        m.sets.emplace_back();
        if (!Set(m.sets.back())) return false;
      } else {
        return Fail("unexpected " + word);
      }
    }
    return m_error.empty();
  }

 private:
  bool Fail(const std::string& what) {
    if (m_error.empty()) m_error = what;
    return false;
  }
  bool Expect(const std::string& t) {
    std::string got = m_lex.Next();
    return got == t || Fail("expected " + t + " got " + got);
  }
  long Int() { return std::strtol(m_lex.Next().c_str(), nullptr, 10); }
  float Float() { return std::strtof(m_lex.Next().c_str(), nullptr); }
  // Separator after an element: ',' between elements, ';' after the last.
  bool Sep(bool last) { return Expect(last ? ";" : ","); }

  bool Frame(ReadFrame& f) {
    f.name = m_lex.Next();
    if (!Expect("{")) return false;
    for (;;) {
      std::string w = m_lex.Next();
      if (w == "}") return true;
      if (w == "FrameTransformMatrix") {
        if (!Expect("{")) return false;
        for (int i = 0; i < 16; ++i) {
          f.matrix[i] = Float();
          if (!Expect(i == 15 ? ";" : ",")) return false;
        }
        if (!Expect(";") || !Expect("}")) return false;
      } else if (w == "Mesh") {
        f.meshes.emplace_back();
        if (!Mesh(f.meshes.back())) return false;
      } else if (w == "Frame") {
        f.children.emplace_back();
        if (!Frame(f.children.back())) return false;
      } else {
        return Fail("unexpected in frame: " + w);
      }
    }
  }

  bool Vectors(std::vector<std::array<float, 3>>& out) {
    long n = Int();
    if (n < 0 || !Expect(";")) return Fail("count");
    for (long i = 0; i < n; ++i) {
      std::array<float, 3> v{};
      for (int k = 0; k < 3; ++k)
        if ((v[k] = Float(), !Expect(";"))) return false;
      if (!Sep(i + 1 == n)) return false;
      out.push_back(v);
    }
    return true;
  }

  bool Faces(std::vector<std::array<unsigned, 3>>& out) {
    long n = Int();
    if (n < 0 || !Expect(";")) return Fail("face count");
    for (long i = 0; i < n; ++i) {
      if (Int() != 3 || !Expect(";")) return Fail("triangle");
      std::array<unsigned, 3> f{};
      for (int k = 0; k < 3; ++k) {
        f[k] = static_cast<unsigned>(Int());
        if (!Expect(k == 2 ? ";" : ",")) return false;
      }
      if (!Sep(i + 1 == n)) return false;
      out.push_back(f);
    }
    return true;
  }

  bool Mesh(ReadMesh& m) {
    if (m_lex.Peek() != "{") m_lex.Next();
    if (!Expect("{") || !Vectors(m.positions) || !Faces(m.faces)) return false;
    for (;;) {
      std::string w = m_lex.Next();
      if (w == "}") return true;
      if (!Expect("{")) return false;
      if (w == "MeshNormals") {
        std::vector<std::array<unsigned, 3>> nf;
        if (!Vectors(m.normals) || !Faces(nf)) return false;
        m.normalFaces = nf.size();
      } else if (w == "MeshTextureCoords") {
        long n = Int();
        if (!Expect(";")) return false;
        for (long i = 0; i < n; ++i) {
          Float();
          if (!Expect(";")) return false;
          Float();
          if (!Expect(";") || !Sep(i + 1 == n)) return false;
        }
        m.uvCount = static_cast<size_t>(n);
      } else if (w == "MeshMaterialList") {
        if (!MaterialList(m)) return false;
        continue;
      } else {
        return Fail("unexpected in mesh: " + w);
      }
      if (!Expect("}")) return false;
    }
  }

  bool MaterialList(ReadMesh& m) {
    m.materialCount = static_cast<size_t>(Int());
    if (!Expect(";")) return false;
    long n = Int();
    if (!Expect(";")) return false;
    for (long i = 0; i < n; ++i) {
      m.faceMaterials.push_back(static_cast<unsigned>(Int()));
      if (!Expect(i + 1 == n ? ";" : ",")) return false;
    }
    if (!Expect(";")) return false;
    for (;;) {
      std::string w = m_lex.Next();
      if (w == "}") return true;
      if (w != "Material" || !Expect("{")) return Fail("material");
      // faceColor (4), power, specular (3), emissive (3)
      const int groups[4] = {4, 1, 3, 3};
      for (int g = 0; g < 4; ++g) {
        for (int k = 0; k < groups[g]; ++k)
          if ((Float(), !Expect(";"))) return false;
        if (g != 1 && !Expect(";")) return false;
      }
      std::string t = m_lex.Next();
      if (t == "TextureFilename") {
        if (!Expect("{")) return false;
        std::string name = m_lex.Next();
        if (name.size() < 2 || name.front() != '"') return Fail("texture name");
        m.textures.push_back(name.substr(1, name.size() - 2));
        if (!Expect(";") || !Expect("}") || !Expect("}")) return false;
      } else if (t != "}") {
        return Fail("material end");
      }
    }
  }

  bool Set(ReadSet& s) {
    s.name = m_lex.Next();
    if (!Expect("{")) return false;
    for (;;) {
      std::string w = m_lex.Next();
      if (w == "}") return true;
      if (w != "Animation" || !Expect("{")) return Fail("animation");
      ReadAnimation a;
      for (;;) {
        std::string t = m_lex.Next();
        if (t == "}") break;
        if (t == "{") {
          a.frame = m_lex.Next();
          if (!Expect("}")) return false;
        } else if (t == "AnimationKey") {
          if (!Expect("{") || Int() != 0 || !Expect(";")) return Fail("rotation key type");
          long n = Int();
          if (!Expect(";")) return false;
          for (long i = 0; i < n; ++i) {
            std::array<float, 5> k{};
            k[0] = static_cast<float>(Int());
            if (!Expect(";") || Int() != 4 || !Expect(";")) return Fail("key");
            for (int c = 1; c <= 4; ++c) {
              k[c] = Float();
              if (!Expect(c == 4 ? ";" : ",")) return false;
            }
            if (!Expect(";") || !Sep(i + 1 == n)) return false;
            a.keys.push_back(k);
          }
          if (!Expect("}")) return false;
        } else {
          return Fail("unexpected in animation: " + t);
        }
      }
      s.animations.push_back(a);
    }
  }

  Lexer m_lex;
  std::string& m_error;
};

}  // namespace

bool ReadXText(const std::string& text, ReadModel& model, std::string& error) {
  error.clear();
  Parser p(text, error);
  return p.Model(model);
}

}  // namespace qm::test

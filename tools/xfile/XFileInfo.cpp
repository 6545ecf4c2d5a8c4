// XFileInfo: JSON rendering of an XFileSummary.
#include "XFileInfo.h"

#include <cstdio>

#include "XFileSceneSummary.h"

namespace qm {
namespace {

std::string Quote(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof(escape), "\\u%04x", c);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.6g", value);
  return text;
}

const char* KeyKind(DWORD type) {
  switch (type) {
    case 0: return "rotation";
    case 1: return "scale";
    case 2: return "position";
    case 4: return "matrix";
    default: return "invalid";
  }
}

class JsonPrinter {
 public:
  explicit JsonPrinter(std::ostream& out) : m_out(out) {}

  void Mesh(const XMeshData& mesh, const std::string& pad) {
    m_out << pad << "{\"name\": " << Quote(mesh.name) << ", \"vertices\": "
          << mesh.declaredVertices << ", \"faces\": " << mesh.declaredFaces
          << ", \"triangles\": " << mesh.TriangleCount() << ", \"builtVertices\": "
          << mesh.VertexCount() << ", \"materials\": " << mesh.declaredMaterials
          << ", \"subsets\": " << mesh.subsets.size() << ", \"normals\": "
          << (mesh.normals.empty() ? "false" : "true") << ", \"textureCoords\": "
          << (mesh.texCoords.empty() ? "false" : "true") << ", \"vertexColors\": "
          << (mesh.colors.empty() ? "false" : "true") << ", \"textures\": [";
    const char* separator = "";
    for (const XMeshMaterial& material : mesh.materials) {
      if (material.textureFilename.empty()) continue;
      m_out << separator << Quote(material.textureFilename);
      separator = ", ";
    }
    m_out << "]";
    if (mesh.hasSkin) {
      m_out << ", \"skin\": {\"bones\": " << mesh.skin.bones.size() << ", \"boneNames\": [";
      for (size_t b = 0; b < mesh.skin.bones.size(); ++b) {
        m_out << (b ? ", " : "") << Quote(mesh.skin.bones[b].name);
      }
      m_out << "]}";
    }
    m_out << "}";
  }

  void Frame(const XFileSummaryFrame& frame, const std::string& pad) {
    m_out << pad << "{\"name\": " << Quote(frame.name) << ", \"matrix\": [";
    for (int i = 0; i < 16; ++i) m_out << (i ? ", " : "") << Number(frame.matrix.m[i / 4][i % 4]);
    m_out << "],\n" << pad << " \"meshes\": [";
    for (size_t i = 0; i < frame.meshes.size(); ++i) {
      m_out << (i ? ",\n" : "\n");
      Mesh(frame.meshes[i].mesh, pad + "  ");
    }
    m_out << "],\n" << pad << " \"children\": [";
    for (size_t i = 0; i < frame.children.size(); ++i) {
      m_out << (i ? ",\n" : "\n");
      Frame(frame.children[i], pad + "  ");
    }
    m_out << "]}";
  }

  void AnimationSet(const XFileSummaryAnimationSet& set, const std::string& pad) {
    m_out << pad << "{\"name\": " << Quote(set.name) << ", \"lengthTicks\": " << set.lengthTicks
          << ", \"lastKeyTicks\": " << set.lastKeyTicks << ", \"animations\": [";
    for (size_t i = 0; i < set.animations.size(); ++i) {
      const XFileSummaryAnimation& animation = set.animations[i];
      m_out << (i ? ",\n" : "\n") << pad << "  {\"name\": " << Quote(animation.name)
            << ", \"target\": " << Quote(animation.target) << ", \"keys\": [";
      for (size_t k = 0; k < animation.keys.size(); ++k) {
        const XFileSummaryKeys& keys = animation.keys[k];
        m_out << (k ? ", " : "") << "{\"kind\": \"" << KeyKind(keys.keyType)
              << "\", \"count\": " << keys.count << ", \"lastTime\": " << keys.lastTime << "}";
      }
      m_out << "]}";
    }
    m_out << "]}";
  }

 private:
  std::ostream& m_out;
};

struct Totals {
  size_t frames = 0, meshes = 0, vertices = 0, faces = 0, triangles = 0;
};

void Count(const XFileSummaryFrame& frame, Totals* totals) {
  for (const XFileSummaryMesh& mesh : frame.meshes) {
    ++totals->meshes;
    totals->vertices += mesh.mesh.declaredVertices;
    totals->faces += mesh.mesh.declaredFaces;
    totals->triangles += mesh.mesh.TriangleCount();
  }
  for (const XFileSummaryFrame& child : frame.children) {
    ++totals->frames;
    Count(child, totals);
  }
}

}  // namespace

int PrintXFileInfo(const std::string& label, const std::vector<BYTE>& file, std::ostream& out,
                   std::ostream& err) {
  XFileSummary summary;
  std::string error;
  HRESULT hr = SummariseXFile(file, &summary, &error);
  if (FAILED(hr)) {
    char code[16];
    std::snprintf(code, sizeof(code), "0x%08X", static_cast<unsigned>(hr));
    err << label << ": cannot load (" << code << "): " << error << "\n";
    return 1;
  }
  Totals totals;
  Count(summary.root, &totals);
  JsonPrinter printer(out);
  out << "{\"file\": " << Quote(label) << ",\n \"header\": " << Quote(file.size() >= 16 ? std::string(file.begin(), file.begin() + 16) : "")
      << ",\n \"totals\": {\"frames\": " << totals.frames << ", \"meshes\": " << totals.meshes
      << ", \"vertices\": " << totals.vertices << ", \"faces\": " << totals.faces
      << ", \"triangles\": " << totals.triangles << ", \"animationSets\": "
      << summary.animationSets.size() << "},\n \"animTicksPerSecond\": [";
  for (size_t i = 0; i < summary.animTicksPerSecond.size(); ++i) {
    out << (i ? ", " : "") << summary.animTicksPerSecond[i];
  }
  out << "],\n \"boundingSphere\": {\"center\": [" << Number(summary.center[0]) << ", "
      << Number(summary.center[1]) << ", " << Number(summary.center[2])
      << "], \"radius\": " << Number(summary.radius) << "},\n \"topLevelMeshes\": [";
  for (size_t i = 0; i < summary.root.meshes.size(); ++i) {
    out << (i ? ",\n" : "\n");
    printer.Mesh(summary.root.meshes[i].mesh, "  ");
  }
  out << "],\n \"frames\": [";
  for (size_t i = 0; i < summary.root.children.size(); ++i) {
    out << (i ? ",\n" : "\n");
    printer.Frame(summary.root.children[i], "  ");
  }
  out << "],\n \"animationSets\": [";
  for (size_t i = 0; i < summary.animationSets.size(); ++i) {
    out << (i ? ",\n" : "\n");
    printer.AnimationSet(summary.animationSets[i], "  ");
  }
  out << "],\n \"otherObjects\": [";
  for (size_t i = 0; i < summary.otherObjects.size(); ++i) {
    out << (i ? ", " : "") << Quote(summary.otherObjects[i]);
  }
  out << "]}\n";
  return 0;
}

}  // namespace qm

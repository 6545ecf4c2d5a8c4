// XFileBench: grid generation, our timing and assimp's timing.
#include "XFileBench.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "d3dx/XFile.h"
#include "d3dx/XFileStandardTemplates.h"
#include "d3dx/XFileWriter.h"
#include "d3dx/XMeshBuilder.h"

namespace qm {
namespace {

using Clock = std::chrono::steady_clock;

double Millis(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A wavy grid of quads split into triangles, as one Frame with one Mesh.
std::unique_ptr<XFileData> MakeGrid(const XFile& file, unsigned columns, unsigned rows) {
  const XFileTemplateSet& t = file.Templates();
  auto frame = std::make_unique<XFileData>(t.Find("Frame"), "bench_grid");
  auto matrix = std::make_unique<XFileData>(t.Find("FrameTransformMatrix"), "");
  for (int i = 0; i < 16; ++i) matrix->AppendFloat(i % 5 == 0 ? 1.0f : 0.0f);
  matrix->FinishValues();
  frame->AddChild(std::move(matrix));

  auto mesh = std::make_unique<XFileData>(t.Find("Mesh"), "grid");
  auto normals = std::make_unique<XFileData>(t.Find("MeshNormals"), "");
  auto coords = std::make_unique<XFileData>(t.Find("MeshTextureCoords"), "");
  DWORD vertices = (columns + 1) * (rows + 1);
  mesh->AppendDword(vertices);
  normals->AppendDword(vertices);
  coords->AppendDword(vertices);
  for (unsigned y = 0; y <= rows; ++y) {
    for (unsigned x = 0; x <= columns; ++x) {
      float fx = static_cast<float>(x) * 0.1f, fy = static_cast<float>(y) * 0.1f;
      float z = 0.25f * std::sin(fx) * std::cos(fy);
      mesh->AppendFloat(fx), mesh->AppendFloat(fy), mesh->AppendFloat(z);
      float nx = -0.25f * std::cos(fx) * std::cos(fy), ny = 0.25f * std::sin(fx) * std::sin(fy);
      float length = std::sqrt(nx * nx + ny * ny + 1.0f);
      normals->AppendFloat(nx / length), normals->AppendFloat(ny / length);
      normals->AppendFloat(1.0f / length);
      coords->AppendFloat(static_cast<float>(x) / static_cast<float>(columns));
      coords->AppendFloat(static_cast<float>(y) / static_cast<float>(rows));
    }
  }
  DWORD faces = columns * rows * 2;
  mesh->AppendDword(faces);
  normals->AppendDword(faces);
  for (unsigned y = 0; y < rows; ++y) {
    for (unsigned x = 0; x < columns; ++x) {
      DWORD a = y * (columns + 1) + x, b = a + 1, c = a + columns + 1, d = c + 1;
      for (XFileData* target : {mesh.get(), normals.get()}) {
        for (DWORD index : {3u, a, c, b, 3u, b, c, d}) target->AppendDword(index);
      }
    }
  }
  auto materials = std::make_unique<XFileData>(t.Find("MeshMaterialList"), "");
  materials->AppendDword(1);
  materials->AppendDword(faces);
  for (DWORD f = 0; f < faces; ++f) materials->AppendDword(0);
  auto material = std::make_unique<XFileData>(t.Find("Material"), "bark");
  for (float value : {0.6f, 0.5f, 0.4f, 1.0f, 8.0f, 0.2f, 0.2f, 0.2f, 0.0f, 0.0f, 0.0f}) {
    material->AppendFloat(value);
  }
  for (XFileData* object : {mesh.get(), normals.get(), coords.get(), materials.get(),
                            material.get()}) {
    object->FinishValues();
  }
  materials->AddChild(std::move(material));
  mesh->AddChild(std::move(normals));
  mesh->AddChild(std::move(coords));
  mesh->AddChild(std::move(materials));
  frame->AddChild(std::move(mesh));
  return frame;
}

bool WriteFile(const std::string& path, const std::vector<BYTE>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

// Reads, parses and builds every mesh of a file, as the scene loader would.
bool ParseAndBuild(const std::string& path, size_t* triangles) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::vector<BYTE> bytes(static_cast<size_t>(std::max<std::streamoff>(0, in.tellg())));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  std::unique_ptr<XFile> file;
  DirectXFileCreate(&file);
  XFileRegisterStandardTemplates(file.get());
  std::unique_ptr<XFileEnumObject> objects;
  DXFILELOADMEMORY memory{bytes.data(), static_cast<DWORD>(bytes.size())};
  if (FAILED(file->CreateEnumObject(&memory, DXFILELOAD_FROMMEMORY, &objects))) return false;
  *triangles = 0;
  for (const auto& object : objects->Objects()) {
    for (const XFileData* mesh : object->ChildrenOfType(TID_D3DRMMesh)) {
      XMeshData data;
      if (FAILED(XMeshBuild(*mesh, &data))) return false;
      *triangles += data.TriangleCount();
    }
  }
  return true;
}

struct Timing {
  double best = 0, median = 0;
  bool ok = true;
};

template <typename Step>
Timing Time(int runs, Step step) {
  std::vector<double> times;
  Timing timing;
  for (int i = 0; i < runs; ++i) {
    auto start = Clock::now();
    timing.ok = step() && timing.ok;
    times.push_back(Millis(start));
  }
  std::sort(times.begin(), times.end());
  timing.best = times.front();
  timing.median = times[times.size() / 2];
  return timing;
}

std::string Cell(const Timing& timing) {
  if (!timing.ok) return "failed";
  char text[48];
  std::snprintf(text, sizeof(text), "%8.1f / %8.1f", timing.best, timing.median);
  return text;
}

}  // namespace

int RunXFileBench(const XFileBenchOptions& options, std::ostream& out, std::ostream& err) {
  std::unique_ptr<XFile> file;
  DirectXFileCreate(&file);
  XFileRegisterStandardTemplates(file.get());
  unsigned columns = 250;
  unsigned rows = std::max(1u, options.triangles / (2 * columns));
  std::unique_ptr<XFileData> grid = MakeGrid(*file, columns, rows);
  mkdir(options.directory.c_str(), 0755);
  const struct {
    const char* name;
    XFileEncoding encoding;
  } kForms[] = {{"grid_text.x", XFileEncoding::Text}, {"grid_binary.x", XFileEncoding::Binary}};
  bool haveAssimp = options.withAssimp && std::system("command -v assimp >/dev/null 2>&1") == 0;
  out << "X-file benchmark: " << rows * columns * 2 << " triangles, " << (rows + 1) * (columns + 1)
      << " vertices; times in ms, best / median of " << options.runs << " runs\n";
  out << "file            bytes      quillmoor parse+build   assimp info -r       assimp info\n";
  for (const auto& form : kForms) {
    XFileWriteOptions write;
    write.encoding = form.encoding;
    std::vector<BYTE> bytes;
    std::string path = options.directory + "/" + form.name;
    if (FAILED(XFileWrite({grid.get()}, write, &bytes)) || !WriteFile(path, bytes)) {
      err << "cannot write " << path << "\n";
      return 1;
    }
    size_t triangles = 0;
    Timing ours = Time(options.runs, [&] { return ParseAndBuild(path, &triangles); });
    std::string raw = "not run", processed = "not run";
    if (haveAssimp) {
      // assimp takes its options after the file name.
      std::string command = "assimp info '" + path + "'";
      std::string quiet = " >/dev/null 2>&1";
      raw = Cell(Time(options.runs, [&] { return std::system((command + " -r" + quiet).c_str()) == 0; }));
      processed = Cell(Time(options.runs, [&] { return std::system((command + quiet).c_str()) == 0; }));
    }
    char line[200];
    std::snprintf(line, sizeof(line), "%-14s %9zu  %s   %s  %s\n", form.name, bytes.size(),
                  Cell(ours).c_str(), raw.c_str(), processed.c_str());
    out << line;
    if (triangles != size_t{rows} * columns * 2) err << form.name << ": triangle count differs\n";
  }
  out << "(assimp figures include starting its process; files in " << options.directory << ")\n";
  return 0;
}

}  // namespace qm

// The media generator's driver: see MediaGenerator.h.
#include "MediaGenerator.h"

#include <cstdio>
#include <map>

#include "Creatures.h"
#include "ForestModel.h"
#include "ImageFiles.h"
#include "Music.h"
#include "Pictures.h"
#include "Preview.h"
#include "Textures.h"

namespace qm::gen {

namespace {

constexpr int kJpegQuality = 85;
constexpr int kBackdropSize = 1024;  // backdrop files are square; see BackdropTexture

// Collects the files of one run and reports the first failure.
class Output {
 public:
  explicit Output(std::string dir) : m_dir(std::move(dir)) {}
  void Put(const std::string& name, const Bytes& data) {
    if (!WriteFileBytes(m_dir + "/" + name, data)) {
      std::fprintf(stderr, "qm-mediagen: cannot write %s/%s\n", m_dir.c_str(), name.c_str());
      m_failed = true;
    }
  }
  void PutText(const std::string& name, const std::string& text) { Put(name, Bytes(text.begin(), text.end())); }
  bool Failed() const { return m_failed; }

 private:
  std::string m_dir;
  bool m_failed = false;
};

// Textures of the scene archive, kept for the previews.
std::map<std::string, Image> SceneTextures() {
  std::map<std::string, Image> t;
  t["Tree_big.jpg"] = PaintBark(512, true);
  t["Tree_small.jpg"] = PaintBark(256, false);
  t["Ground.jpg"] = PaintForestFloor(512);
  t["Leaves.dds"] = PaintLeaf(512);
  t["Leaves_brunch.dds"] = PaintLeafSpray(512);
  t["spider01.jpg"] = PaintSpiderSkin(256);
  t["ant01.jpg"] = PaintAntSkin(128);
  t["bug.jpg"] = PaintBugSkin(256);
  t["ladybirdWings01.jpg"] = PaintLadybirdSkin(256);
  t["radii.jpg"] = PaintThread(32, false);
  t["spirals.jpg"] = PaintThread(32, true);
  t["Rays.jpg"] = PaintRays(256);
  t["env.jpg"] = PaintEnvironment(256);
  return t;
}

void WriteSceneArchiveFiles(Output& out, const std::map<std::string, Image>& textures,
                            const std::map<std::string, Image>& backgrounds, const std::vector<NamedModel>& models) {
  for (const auto& [name, img] : textures) {
    bool dds = name.size() > 4 && name.substr(name.size() - 4) == ".dds";
    out.Put("forest/" + name, dds ? EncodeDds(img) : EncodeJpeg(img, kJpegQuality));
  }
  for (const auto& [name, img] : backgrounds) out.Put("forest/" + name, EncodeJpeg(img, kJpegQuality));
  for (const NamedModel& m : models) out.PutText("forest/" + m.fileName, WriteXText(m.model));
}

void WriteLooseResources(Output& out, const std::vector<Image>& backdrops) {
  // Thumbnails: bright 470..473 and 469 for backdrops 1..5, dim 475..478 and 474.
  const int bright[5] = {470, 471, 472, 473, 469}, dim[5] = {475, 476, 477, 478, 474};
  for (int i = 0; i < 5; ++i) {
    out.Put(std::to_string(bright[i]) + ".jpg", EncodeJpeg(Thumbnail(backdrops[i], 84, false), 90));
    out.Put(std::to_string(dim[i]) + ".jpg", EncodeJpeg(Thumbnail(backdrops[i], 84, true), 90));
  }
  out.Put("487.jpg", EncodeJpeg(PaintLoadingBackdrop(backdrops[0]), kJpegQuality));
  out.Put("490.tga", EncodeTga(PaintLogo()));
  for (int id = 491; id <= 493; ++id) out.Put(std::to_string(id) + ".tga", EncodeTga(PaintBlankCorner()));
  out.Put("432.bmp", EncodeBmp(PaintEmblemPicture(backdrops[2], 155, 115)));
  out.Put("434.bmp", EncodeBmp(PaintEmblemPicture(backdrops[1], 190, 144)));
  out.Put("437.bmp", EncodeBmp(PaintEmblemPicture(backdrops[4], 70, 70)));
  out.Put("icon.png", EncodePng(PaintIcon(64)));
  const char* glyphs[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9", "A", "M", "P", "ddot", "dot"};
  for (const char* g : glyphs) out.Put(std::string("digits/Digits/digit_") + g + ".jpg", EncodeJpeg(PaintDigit(g, 64), 90));
}

// PNG pictures of what was made: the glade from the saver's camera with each backdrop, every
// creature in every animation set, and the textures.
void WritePreviews(const std::string& dir, const std::map<std::string, Image>& textures,
                   const std::vector<Image>& backdrops, std::vector<NamedModel>& models) {
  Output out(dir);
  Previewer pv(&textures);
  for (NamedModel& m : models) {
    Vec3 centre;
    float radius = 0;
    size_t count = 0;
    MeasureModel(m.model, centre, radius, count);
    Mat4 recentre = Translation(-centre);
    if (m.fileName == "forest.X") {
      for (int b = 0; b < 5; ++b) {
        pv.Begin(800, 600, SaverCamera(), &backdrops[b], {0, 0, 0, 1});
        pv.Draw(m.model, recentre);
        out.Put("forest_bg" + std::to_string(b + 1) + ".png", EncodePng(pv.Result()));
      }
      std::printf("forest: %zu vertices, radius %.1f\n", count, static_cast<double>(radius));
      continue;
    }
    for (const XAnimationSet& set : m.model.sets) {
      XModel posed = m.model;
      PoseModel(posed, set.name, 0.23f);
      PreviewCamera cam;
      cam.eye = Vec3{-1.0f, -1.7f, 1.0f} * radius;
      cam.at = {0, 0, 0};
      pv.Begin(320, 240, cam, nullptr, {0.55f, 0.62f, 0.5f, 1});
      pv.Draw(posed, recentre);
      out.Put(m.fileName.substr(0, m.fileName.size() - 2) + "_" + set.name + ".png", EncodePng(pv.Result()));
    }
  }
  for (const auto& [name, img] : textures) out.Put("tex_" + name + ".png", EncodePng(img));
}

}  // namespace

int GenerateMedia(const GeneratorOptions& options) {
  Output out(options.outDir);
  std::map<std::string, Image> textures = SceneTextures();
  std::vector<Image> backdrops;
  std::map<std::string, Image> backgroundFiles;
  for (int mood = 1; mood <= 5; ++mood) {
    backdrops.push_back(PaintBackdropView(mood, kBackdropSize));
    backgroundFiles["background_0" + std::to_string(mood) + ".jpg"] = BackdropTexture(backdrops.back(), kBackdropSize);
  }
  std::vector<NamedModel> models = {{"forest.X", BuildForest()}};
  for (NamedModel& c : BuildCreatures()) models.push_back(std::move(c));
  WriteSceneArchiveFiles(out, textures, backgroundFiles, models);
  WriteLooseResources(out, backdrops);
  if (!options.skipMusic) out.Put("468.ogg", ComposeMusicOgg());
  if (!options.previewDir.empty()) WritePreviews(options.previewDir, textures, backdrops, models);
  return out.Failed() ? 1 : 0;
}

}  // namespace qm::gen

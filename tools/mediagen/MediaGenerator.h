// Writes every media file of the saver into one output folder, deterministically:
//   forest/      the entries of the scene archive (481), named as the scene asks for them
//   digits/Digits/  the fifteen clock glyphs (archive 452, folder "Digits")
//   487.jpg, 490.tga, 491.tga .. 493.tga, 469.jpg .. 478.jpg, 468.ogg, 432.bmp, 434.bmp,
//   437.bmp, icon.png   the loose resources, named by id
// With a preview folder it also renders PNG pictures of the models and textures to look at.
#pragma once

#include <string>

namespace qm::gen {

// Options of one generator run.
struct GeneratorOptions {
  std::string outDir;
  std::string previewDir;  // empty: no previews
  bool skipMusic = false;  // for quick runs (tests of the pictures and meshes)
};

// Returns 0 on success, else a non-zero exit code (a message was printed).
int GenerateMedia(const GeneratorOptions& options);

}  // namespace qm::gen

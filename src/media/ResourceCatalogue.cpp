#include "media/ResourceCatalogue.h"

#include "platform/AsciiCase.h"

#include "platform/EmbeddedResources.h"

namespace qm {
namespace {

constexpr int R = kLanguageRussian;
constexpr int E = kLanguageEnglish;

constexpr ResourceInfo kCatalogue[] = {
    {kMediaDataType, kDigitsArchiveId, R, "clock digit pictures in folder Digits",
     "RAR 2.0 archive, stored", "clock overlay (password kDigitsPassword)"},
    {kMediaDataType, kSceneArchiveId, R, "scene meshes, textures and cobweb start files",
     "RAR 2.0 archive, compressed and encrypted",
     "X-file loader, scene, light rays, cobweb (password kMediaPassword)"},
    {kCustomDataType, kLabelTableId, R, "label table of the configuration dialog",
     "UTF-8 text, #key# line then value line", "label table"},
    {"CustomData.de", kLabelTableId, kLanguageGerman, "German label table",
     "UTF-8 text, #key# line then value line", "label table, for a German locale"},
    {kCustomDataType, kLoadingBackgroundId, R, "loading-screen background", "JPEG 512 x 512",
     "loading screen"},
    {kCustomDataType, kLoadingCornerId, R, "loading-screen corner picture",
     "TGA 256 x 128, 32 bits with alpha", "loading screen"},
    {kCustomDataType, kLoadingBlankCornerFirstId, R, "loading-screen corner picture",
     "TGA 1 x 1, white, alpha 0", "loading screen"},
    {kCustomDataType, kLoadingBlankCornerFirstId + 1, R, "loading-screen corner picture",
     "TGA 1 x 1, white, alpha 0", "loading screen"},
    {kCustomDataType, kLoadingBlankCornerFirstId + 2, R, "loading-screen corner picture",
     "TGA 1 x 1, white, alpha 0", "loading screen"},
    {kCustomDataType, kDefaultSettingsId, R, "default-settings text",
     "key = value lines with comments, Windows-1251", "saver settings"},
    {kImagesType, kForestPictureFirstId + 0, R, "forest saver picture", "JPEG 84 x 84", "forest saver"},
    {kImagesType, kForestPictureFirstId + 1, R, "forest saver picture", "JPEG 84 x 84", "forest saver"},
    {kImagesType, kForestPictureFirstId + 2, R, "forest saver picture", "JPEG 84 x 84", "forest saver"},
    {kImagesType, kForestPictureFirstId + 3, R, "forest saver picture", "JPEG 84 x 84", "forest saver"},
    {kImagesType, kForestPictureFirstId + 4, R, "forest saver picture", "JPEG 84 x 84", "forest saver"},
    {kImagesType, kForestPictureFirstId + 5, R, "forest saver picture", "JPEG 84 x 84", "forest saver"},
    {kImagesType, kForestPictureFirstId + 6, R, "forest saver picture", "JPEG 84 x 84", "forest saver"},
    {kImagesType, kForestPictureFirstId + 7, R, "forest saver picture", "JPEG 84 x 84", "forest saver"},
    {kImagesType, kForestPictureFirstId + 8, R, "forest saver picture", "JPEG 84 x 84", "forest saver"},
    {kImagesType, kForestPictureFirstId + 9, R, "forest saver picture", "JPEG 84 x 84", "forest saver"},
    {kSoundType, kMusicId, R, "the music", "Ogg Vorbis, 44100 Hz, 2 channels", "music player"},
    {kSoundType, kAudioLibraryId, R, "the audio library", "shared library", "music player"},
    {kBitmapType, kPreviewBitmapId, R, "preview window picture", "155 x 115, 24 bits",
     "application core"},
    {kBitmapType, kConfigBitmapId, R, "configuration dialog picture", "190 x 144, 24 bits",
     "configuration dialog"},
    {kBitmapType, kAboutBitmapId, R, "About box picture", "70 x 70, 24 bits",
     "configuration dialog"},
    {kDialogType, kConfigDialogId, E, "configuration dialog", "dialog template",
     "configuration dialog"},
    {kDialogType, kAboutDialogId, E, "About box", "dialog template", "configuration dialog"},
    {kIconType, kIconId, R, "program icon", "icon", "application core"},
    {kGroupIconType, kGroupIconId, R, "program icon group", "group icon", "application core"},
};


}  // namespace

std::span<const ResourceInfo> ResourceCatalogue() { return kCatalogue; }

const ResourceInfo* FindCatalogueEntry(std::string_view type, int id) {
  for (const ResourceInfo& info : kCatalogue)
    if (info.id == id && EqualNoCaseAscii(info.type, type)) return &info;
  return nullptr;
}

std::span<const std::uint8_t> LoadRawResource(std::string_view type, int id) {
  return FindEmbeddedResource(type, id);
}

}  // namespace qm

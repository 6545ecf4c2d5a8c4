// ResourceCatalogue: every resource the saver carries, with its type, id, format and reader.
//
// The saver is one executable: archives, texts, pictures, the music and the dialogs are
// resources found by numeric id and type (custom types by name, compared without regard to
// case). Readers take their ids from here instead of repeating numbers; LoadMediaArchive
// reads the "MediaData" rows, LoadRawResource the "CustomData", "SOUND" and "Images" rows.
// The build list resources/resources.list must agree with this table.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace qm {

// ---- Types ----------------------------------------------------------------------------
inline constexpr char kMediaDataType[] = "MediaData";
inline constexpr char kCustomDataType[] = "CustomData";
inline constexpr char kSoundType[] = "SOUND";
inline constexpr char kImagesType[] = "Images";
inline constexpr char kBitmapType[] = "BITMAP";
inline constexpr char kDialogType[] = "DIALOG";
inline constexpr char kIconType[] = "ICON";
inline constexpr char kGroupIconType[] = "GROUP_ICON";

inline constexpr int kLanguageRussian = 1049;   // the custom resources
inline constexpr int kLanguageEnglish = 1033;   // the dialogs
inline constexpr int kLanguageGerman = 1031;    // the German label table

// ---- Ids ------------------------------------------------------------------------------
inline constexpr int kDigitsArchiveId = 452;
inline constexpr int kSceneArchiveId = 481;
inline constexpr int kLabelTableId = 484;
inline constexpr int kLoadingBackgroundId = 487;
inline constexpr int kLoadingCornerId = 490;
inline constexpr int kLoadingBlankCornerFirstId = 491;   // 491, 492, 493
inline constexpr int kLoadingBlankCornerCount = 3;
inline constexpr int kDefaultSettingsId = 496;
inline constexpr int kForestPictureFirstId = 469;        // 469 .. 478
inline constexpr int kForestPictureCount = 10;
inline constexpr int kMusicId = 468;
inline constexpr int kAudioLibraryId = 482;
inline constexpr int kPreviewBitmapId = 432;
inline constexpr int kConfigBitmapId = 434;
inline constexpr int kAboutBitmapId = 437;
inline constexpr int kConfigDialogId = 2003;
inline constexpr int kAboutDialogId = 235;
inline constexpr int kIconId = 1;
inline constexpr int kGroupIconId = 224;

// ---- Archive entries ------------------------------------------------------------------
// Clock pictures of archive 452 (folder "Digits", stored, not encrypted).
inline constexpr std::array<const char*, 15> kDigitEntries = {
    "Digits\\digit_0.jpg", "Digits\\digit_1.jpg", "Digits\\digit_2.jpg", "Digits\\digit_3.jpg",
    "Digits\\digit_4.jpg", "Digits\\digit_5.jpg", "Digits\\digit_6.jpg", "Digits\\digit_7.jpg",
    "Digits\\digit_8.jpg", "Digits\\digit_9.jpg", "Digits\\digit_A.jpg", "Digits\\digit_M.jpg",
    "Digits\\digit_P.jpg", "Digits\\digit_ddot.jpg", "Digits\\digit_dot.jpg"};

// Scene media of archive 481 (root folder, compressed and encrypted).
inline constexpr std::array<const char*, 24> kSceneEntries = {
    "ant.X", "bug.X", "forest.X", "ladybird.X", "spider.X",
    "ant01.jpg", "background_01.jpg", "background_02.jpg", "background_03.jpg",
    "background_04.jpg", "background_05.jpg", "bug.jpg", "env.jpg", "ladybirdWings01.jpg",
    "Leaves.dds", "Leaves_brunch.dds", "radii.jpg", "Rays.jpg", "spider01.jpg", "spirals.jpg",
    "Tree_big.jpg", "Tree_small.jpg", "cobweb_half.dat", "cobweb_quarter.dat"};

// One row of the catalogue.
struct ResourceInfo {
  const char* type;
  int id;
  int language;
  const char* content;
  const char* format;
  const char* reader;
};

// Every resource of the saver, in the order of the design's table.
std::span<const ResourceInfo> ResourceCatalogue();

// The catalogue row of (type, id), type compared without regard to case; null if none.
const ResourceInfo* FindCatalogueEntry(std::string_view type, int id);

// The bytes of a raw custom resource ("CustomData", "SOUND", "Images"), used in place;
// empty when the executable does not carry it, and the reader then skips its item.
std::span<const std::uint8_t> LoadRawResource(std::string_view type, int id);

}  // namespace qm

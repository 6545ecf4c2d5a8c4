// Rar20Format: the numbers of the RAR 2.0 archive format shared by reader and packer.
//
// MediaArchive walks the block headers with these values, Rar20Decoder and the packer's
// encoder agree through them on symbols, base tables and table sizes. Nothing here has
// behaviour; a change to one value changes the file format.
#pragma once

#include <array>
#include <cstdint>

namespace qm::rar20 {

// ---- Archive blocks -------------------------------------------------------------------
inline constexpr std::array<std::uint8_t, 7> kMarker = {0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00};
inline constexpr std::array<std::uint8_t, 7> kAltMarker = {0x55, 0x6E, 0x69, 0x71, 0x75, 0x45, 0x21};
inline constexpr std::uint32_t kMarkerSize = 7;
inline constexpr std::uint32_t kMainHeaderSize = 13;
inline constexpr std::uint32_t kBlockHeaderSize = 7;   // CRC, type, flags, size
inline constexpr std::uint32_t kFileHeaderSize = 32;   // fixed part before the name
inline constexpr std::uint32_t kMaxNameSize = 259;

inline constexpr std::uint8_t kMainBlock = 0x73;
inline constexpr std::uint8_t kFileBlock = 0x74;
inline constexpr std::uint8_t kSubBlock = 0x77;
inline constexpr std::uint8_t kEndBlock = 0x7B;

inline constexpr std::uint16_t kMainSolid = 0x0008;
inline constexpr std::uint16_t kFileEncrypted = 0x0004;
inline constexpr std::uint16_t kFileContinuesSolid = 0x0010;
inline constexpr std::uint16_t kFileWindowMask = 0x00E0;   // dictionary size bits
inline constexpr std::uint16_t kFileWindow1024K = 0x0080;
inline constexpr std::uint16_t kFileDirectory = 0x00E0;    // all window bits set
inline constexpr std::uint16_t kLongBlock = 0x8000;        // a 32-bit data size follows

inline constexpr std::uint8_t kMethodStored = 0x30;
inline constexpr std::uint8_t kMethodFastest = 0x31;
inline constexpr std::uint8_t kMethodBest = 0x35;
inline constexpr std::uint8_t kMinUnpackVersion = 13;
inline constexpr std::uint8_t kMaxUnpackVersion = 20;
// Compressed data of unpack versions below this (RAR 1.3 and 1.5) uses the older LZ format,
// which the 2.0 decoder does not read.
inline constexpr std::uint8_t kMinLzUnpackVersion = 20;
inline constexpr std::uint8_t kCipherUnpackVersion = 20;   // older versions used other ciphers
inline constexpr std::uint8_t kHostWin32 = 2;
inline constexpr std::uint32_t kAttrArchive = 0x20;
inline constexpr std::uint32_t kAttrDirectory = 0x10;

// ---- Compressed stream ----------------------------------------------------------------
inline constexpr std::uint32_t kWindowSize = 0x100000;
inline constexpr std::uint32_t kWindowMask = kWindowSize - 1;
inline constexpr std::uint32_t kFlushMargin = 270;   // longest match plus slack

inline constexpr int kMainSymbols = 298;
inline constexpr int kDistSymbols = 48;
inline constexpr int kRepLenSymbols = 28;
inline constexpr int kLzTableSize = kMainSymbols + kDistSymbols + kRepLenSymbols;
inline constexpr int kAudioSymbols = 257;
inline constexpr int kMaxChannels = 4;
inline constexpr int kRememberedLengths = kAudioSymbols * kMaxChannels;   // 1028
inline constexpr int kBitLengthSymbols = 19;
inline constexpr int kMaxCodeLength = 15;

inline constexpr int kSymRepeatLast = 256;
inline constexpr int kSymRingFirst = 257;    // 257..260: distance 1..4 places back
inline constexpr int kSymShortFirst = 261;   // 261..268: length 2, short distance
inline constexpr int kSymNewTables = 269;
inline constexpr int kSymLongFirst = 270;    // 270..297
inline constexpr int kSymAudioNewTables = 256;

// Table header bits: multimedia block, keep the remembered lengths.
inline constexpr std::uint32_t kTableAudioBit = 0x8000;
inline constexpr std::uint32_t kTableKeepBit = 0x4000;

inline constexpr std::array<std::uint8_t, 28> kLengthBase = {
    0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 12, 14, 16, 20, 24, 28, 32, 40, 48, 56, 64, 80, 96, 112,
    128, 160, 192, 224};
inline constexpr std::array<std::uint8_t, 28> kLengthBits = {
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5};
inline constexpr std::array<std::uint32_t, 48> kDistBase = {
    0, 1, 2, 3, 4, 6, 8, 12, 16, 24, 32, 48, 64, 96, 128, 192, 256, 384, 512, 768, 1024, 1536,
    2048, 3072, 4096, 6144, 8192, 12288, 16384, 24576, 32768, 49152, 65536, 98304, 131072,
    196608, 262144, 327680, 393216, 458752, 524288, 589824, 655360, 720896, 786432, 851968,
    917504, 983040};
inline constexpr std::array<std::uint8_t, 48> kDistBits = {
    0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12,
    13, 13, 14, 14, 15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16};
inline constexpr std::array<std::uint8_t, 8> kShortBase = {0, 4, 8, 16, 32, 64, 128, 192};
inline constexpr std::array<std::uint8_t, 8> kShortBits = {2, 2, 3, 4, 5, 6, 6, 6};

// Distances at which a match grows by one byte (long matches use the last two only).
inline constexpr std::uint32_t kDistBonus1 = 0x101;
inline constexpr std::uint32_t kDistBonus2 = 0x2000;
inline constexpr std::uint32_t kDistBonus3 = 0x40000;

}  // namespace qm::rar20

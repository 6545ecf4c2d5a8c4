// XFileMszip: the MSZIP block compression of compressed X files ("tzip" and "bzip").
//
// After the 16-byte header a compressed file holds a DWORD with the size of the whole
// uncompressed file (header included), then blocks: WORD uncompressed size, WORD compressed
// size, the signature "CK" and raw deflate data, each block using the previous 32 KB of
// output as its dictionary. XFile decompresses before lexing; XFileWriter compresses.
#pragma once

#include <span>
#include <vector>

#include "d3d/WinTypes.h"

// Largest body a compressed file may expand to, whatever its size.
inline constexpr size_t kXFileMaxExpandedBytes = 256u << 20;
// A compressed file may expand to this many times its own size (or to
// kXFileMinExpansionAllowance, for small files); real files expand some 3 to 20 times, and
// a file that claims more is made to fill the memory.
inline constexpr size_t kXFileMaxExpansionRatio = 64;
inline constexpr size_t kXFileMinExpansionAllowance = 16u << 20;

// The most a compressed file of this size (without its header) may expand to.
size_t XFileMszipAllowance(size_t compressedSize);

// Why a decompression failed.
enum class XFileMszipResult { Ok, Corrupt, TooLarge };

// Decompresses the part after the header into *out (the uncompressed body without header).
// Corrupt when a block is malformed, overruns the input or does not give the sizes
// declared; TooLarge, before anything is unpacked, when the declared size passes the caps
// above.
XFileMszipResult XFileMszipDecompress(std::span<const BYTE> compressed, std::vector<BYTE>* out);

// Compresses `body` (an uncompressed file without its 16-byte header) into the size DWORD
// and MSZIP blocks that follow the header of a compressed file.
bool XFileMszipCompress(std::span<const BYTE> body, std::vector<BYTE>* out);

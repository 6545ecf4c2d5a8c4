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

// Decompresses the part after the header into *out (the uncompressed body without header).
// Fails when a block is malformed, overruns the input or does not give the sizes declared.
bool XFileMszipDecompress(std::span<const BYTE> compressed, std::vector<BYTE>* out);

// Compresses `body` (an uncompressed file without its 16-byte header) into the size DWORD
// and MSZIP blocks that follow the header of a compressed file.
bool XFileMszipCompress(std::span<const BYTE> body, std::vector<BYTE>* out);

// XFileWriter: writes data objects (and template declarations) as an X file.
//
// The counterpart of the parser, for the media generator, the benchmark and tests: objects
// built by hand or read from another file are written as text, binary or MSZIP-compressed
// text/binary, with 32- or 64-bit floats. Text follows the usual exporter layout (members
// end in ';', array elements are separated by ','), so other X readers take the files too.
#pragma once

#include <vector>

#include "d3dx/XFileData.h"

// The body encodings of the header ("txt ", "bin ", "tzip", "bzip").
enum class XFileEncoding : BYTE { Text, Binary, CompressedText, CompressedBinary };

// How XFileWrite lays out a file.
struct XFileWriteOptions {
  XFileEncoding encoding = XFileEncoding::Text;
  bool doubles = false;  // "0064": binary float lists hold 8-byte doubles
  std::vector<const XFileTemplate*> templates;  // declared before the objects, in order
};

// Writes a whole file image (header included) of the given top-level objects.
HRESULT XFileWrite(const std::vector<const XFileData*>& objects, const XFileWriteOptions& options,
                   std::vector<BYTE>* out);

// XFileLayout: walks a data object's packed values in template order.
//
// The layout of a value block follows from the template alone (array sizes come from
// earlier members), so one walker serves every reader of raw values: XFileData checks a
// block and finds its members with it, XFileWriter writes values back as text or binary.
#pragma once

#include <span>

#include "d3dx/XFileTemplate.h"

// Receives the structure of a value block as the walker meets it.
class XFileLayoutVisitor {
 public:
  virtual ~XFileLayoutVisitor() = default;
  // A member starts; depth 0 is the object's own template.
  virtual void BeginMember(const XFileMember& member, int depth, size_t offset, DWORD count) = 0;
  // One primitive value at bytes[offset].
  virtual void Value(XFileValueType type, size_t offset) = 0;
  // Between two elements of an array.
  virtual void ElementSeparator(const XFileMember& member, int depth) = 0;
  virtual void EndMember(const XFileMember& member, int depth, size_t endOffset) = 0;
};

// Walks `bytes` as values of `templ`; false when the bytes end early or nest too deep.
// On success *consumed is the number of bytes the template's values take.
bool XFileWalkLayout(const XFileTemplate& templ, std::span<const BYTE> bytes,
                     XFileLayoutVisitor* visitor, size_t* consumed);

// CallLog: the ordered record of Direct3D calls that the recording back end keeps.
//
// The recording catalogue and every device it creates append to one shared log, so a
// test sees enumeration, creation and drawing in the order the saver made them. Each call
// is its method name and its arguments as text ("SetRenderState", "D3DRS_ZENABLE, 1").
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "d3d/D3D8Types.h"

namespace qm {

// One recorded call.
struct RecordedCall {
  std::string name;
  std::string args;
  // "name(args)", the form tests compare against.
  std::string Text() const { return name + "(" + args + ")"; }
};

class CallLog {
 public:
  void Add(std::string name, std::string args) {
    m_calls.push_back({std::move(name), std::move(args)});
  }
  const std::vector<RecordedCall>& Calls() const { return m_calls; }
  void Clear() { m_calls.clear(); }

  // Every call as "name(args)", optionally only those with the given name.
  std::vector<std::string> Texts(std::string_view onlyName = {}) const;
  size_t Count(std::string_view name) const;
  // Index of the first call whose text equals `text` at or after `from`; -1 when none.
  int IndexOf(std::string_view text, size_t from = 0) const;

 private:
  std::vector<RecordedCall> m_calls;
};

// Argument formatting shared by the recording classes: integers below 65536 in decimal,
// larger ones in hex (colours, flags), floats in shortest form, pointers as "null"/"ptr".
std::string FormatArg(DWORD value);
std::string FormatFloat(float value);
std::string FormatPointer(const void* pointer);
std::string FormatMatrix(const D3DMATRIX* matrix);
std::string JoinArgs(std::initializer_list<std::string> args);

}  // namespace qm

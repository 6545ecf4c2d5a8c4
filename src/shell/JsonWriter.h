// JsonWriter: a small streaming writer for the scene report (--report FILE.json).
//
// Scene objects write their state through it without knowing the file: Key, then a value
// or a nested object or array. Numbers that are not finite cannot be written as JSON; they
// come out as null and are counted, so that a report says plainly whether the simulation
// produced a NaN or an infinity anywhere. Output is indented, keys keep the order written.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qm {

class JsonWriter {
 public:
  JsonWriter();

  void BeginObject();
  void EndObject();
  void BeginArray();
  void EndArray();
  // The name of the next member; only inside an object.
  void Key(std::string_view name);

  void Number(double value);  // a non-finite value is written as null and counted
  void Int(std::int64_t value);
  void Bool(bool value);
  void String(std::string_view value);
  void Null();
  // Three numbers as an array, the usual form of a position or a vector.
  void Vector3(float x, float y, float z);

  // Shorthands for a member: Key then value.
  void Member(std::string_view name, double value) { Key(name); Number(value); }
  void MemberInt(std::string_view name, std::int64_t value) { Key(name); Int(value); }
  void MemberBool(std::string_view name, bool value) { Key(name); Bool(value); }
  void MemberString(std::string_view name, std::string_view value) { Key(name); String(value); }

  // How many non-finite numbers were written so far.
  int NonFiniteCount() const { return m_nonFinite; }
  // Any number reported elsewhere as non-finite (a check over data not written whole).
  void CountNonFinite(int count) { m_nonFinite += count; }
  const std::string& Text() const { return m_text; }

 private:
  void BeforeValue();
  void NewLine();
  void WriteQuoted(std::string_view value);
  void AppendNumber(double value);

  std::string m_text;
  int m_depth = 0;
  bool m_first = true;      // no member or element yet at this depth
  bool m_afterKey = false;  // a key was written; its value follows on the same line
  int m_nonFinite = 0;
};

// Writes text to path through a temporary file renamed over it; false when that fails.
bool WriteTextFileAtomically(const std::string& path, const std::string& text);

}  // namespace qm

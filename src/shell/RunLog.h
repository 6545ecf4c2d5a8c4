// RunLog: the diagnostic log of a run, one line per completed or failed step.
//
// Switched off in the shipped configuration: with the switch off nothing is created or
// shown. With it on, Open replaces the file and writes a header, every Write appends a line
// and flushes at once (so a crash keeps every line), Close writes the footer. Owned by the
// application; LogLine lets code without access to it (device code, scene loaders) write.
#pragma once

#include <cstdio>
#include <string_view>

namespace qm {

class RunLog {
 public:
  RunLog();
  ~RunLog();
  RunLog(const RunLog&) = delete;
  RunLog& operator=(const RunLog&) = delete;

  void Open(const char* fileName);
  void Write(std::string_view text);
  void Close();

  bool m_bEnabled = true;  // overwritten by the start-up with the application's switch
  bool IsOpen() const { return m_bOpen; }

 private:
  void WriteRaw(std::string_view text);

  std::FILE* m_file = nullptr;
  bool m_bOpen = false;
};

// The process-wide log that LogLine writes to (the application's), or null.
void SetProcessLog(RunLog* log);
void LogLine(std::string_view text);

}  // namespace qm

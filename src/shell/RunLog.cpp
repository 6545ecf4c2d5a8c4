#include "shell/RunLog.h"

#include "shell/MessageBox.h"

namespace qm {

namespace {
RunLog* g_processLog = nullptr;
}  // namespace

RunLog::RunLog() = default;

RunLog::~RunLog() {
  // A run that ends without EndRun leaves the log unclosed; the lines are on disk already.
  if (m_file) std::fclose(m_file);
}

void RunLog::WriteRaw(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), m_file);
}

void RunLog::Open(const char* fileName) {
  if (!m_bEnabled) return;
  m_bOpen = false;
  if (m_file) std::fclose(m_file);
  m_file = std::fopen(fileName, "wb");
  if (!m_file) {
    MessageBoxA(0, "Warning", "Cant create log  file", MB_OK);
    return;
  }
  // Lines end with CR LF, as the text-mode stream of the design writes them.
  WriteRaw("Log started\r\n");
  std::fflush(m_file);
  WriteRaw("\r\n");
  std::fflush(m_file);
  m_bOpen = true;
}

void RunLog::Write(std::string_view text) {
  if (!m_bEnabled || !m_bOpen) return;
  WriteRaw(text);
  WriteRaw("\r\n");
  std::fflush(m_file);
}

void RunLog::Close() {
  if (!m_bEnabled || !m_bOpen) return;
  WriteRaw("\r\n");
  std::fflush(m_file);
  WriteRaw("Log finished\r\n");
  std::fflush(m_file);
  std::fclose(m_file);
  m_file = nullptr;
  m_bOpen = false;
}

void SetProcessLog(RunLog* log) { g_processLog = log; }

void LogLine(std::string_view text) {
  if (g_processLog) g_processLog->Write(text);
}

}  // namespace qm

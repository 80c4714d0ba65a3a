#include "line_file.h"

namespace recorder {

std::string SystemMessage(DWORD error) {
  char text[512] = "";
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                error, 0, text, sizeof text, nullptr);
  while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' ||
                        text[length - 1] == ' ' || text[length - 1] == '.')) {
    text[--length] = '\0';
  }
  std::string message = length > 0 ? std::string(text) + " " : "";
  return message + "(error " + std::to_string(error) + ")";
}

LineFile::~LineFile() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

bool LineFile::Create(const std::string &path, std::string *error) {
  // Others may read it while it grows (a person looking in).
  file_ = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file_ == INVALID_HANDLE_VALUE) {
    *error = SystemMessage(GetLastError());
    return false;
  }
  path_ = path;
  return true;
}

bool LineFile::Write(const std::vector<std::string> &lines, std::string *error) {
  std::string text;
  for (const std::string &line : lines) text += line + "\r\n";
  DWORD written = 0;
  if (WriteFile(file_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
      written == text.size()) {
    return true;
  }
  *error = SystemMessage(GetLastError());
  return false;
}

bool LineFile::Close(std::string *error) {
  bool ok = FlushFileBuffers(file_) != FALSE;
  if (!ok) *error = SystemMessage(GetLastError());
  if (!CloseHandle(file_) && ok) {
    *error = SystemMessage(GetLastError());
    ok = false;
  }
  file_ = INVALID_HANDLE_VALUE;
  return ok;
}

void LineFile::Discard() {
  CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
  DeleteFileA(path_.c_str());
}

}  // namespace recorder

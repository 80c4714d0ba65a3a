// The recording's file: each event's lines go out in one write, whole, so
// that a recording cut short (a crash, a pulled power cord) still ends
// with a whole line and replays up to it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace recorder {

// The system's text for an error code, e.g. "Access is denied. (error 5)".
std::string SystemMessage(DWORD error);

class LineFile {
 public:
  LineFile() = default;
  ~LineFile();
  LineFile(const LineFile &) = delete;
  LineFile &operator=(const LineFile &) = delete;

  // Creates (or empties) the file; false with the system's reason.
  bool Create(const std::string &path, std::string *error);
  // The lines, each ended by CR LF, in one write.
  bool Write(const std::vector<std::string> &lines, std::string *error);
  // Flushes the file to the disk and closes it.
  bool Close(std::string *error);
  // Closes and deletes it: nothing was recorded.
  void Discard();

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  std::string path_;
};

}  // namespace recorder

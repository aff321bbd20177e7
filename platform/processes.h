#pragma once

#include <optional>
#include <string>

namespace platform {

// Starting other programs. Nothing here waits for the started program; each
// call reports only whether the start itself succeeded. Single thread.
class Processes {
 public:
  virtual ~Processes() = default;

  // Runs a command line with a normal window that gets the focus. A program
  // named without a folder ("RUNDLL32.EXE ...", "explorer.exe ...") is the one
  // in the system directory, else the Windows directory, never one found
  // beside this program or in the working directory; false when neither has
  // it. The program receives the command line as given.
  virtual bool StartCommandLine(const std::string& commandLine) = 0;

  // Runs the program file at `path` with no arguments, normal and focused.
  virtual bool StartProgram(const std::string& path) = 0;

  // Runs a batch file through the command interpreter with a hidden window,
  // in the current working directory. The path is handed over whole, however
  // many blanks, "&", "^" or parentheses it holds; a path with "%" or a quote
  // is refused (false), since no interpreter takes those literally.
  virtual bool StartHiddenBatch(const std::string& path) = 0;

  // `text` (ANSI) in the code page the interpreter reads batch files in;
  // std::nullopt when a character has no exact equivalent there, for a
  // look-alike could name another directory.
  virtual std::optional<std::string> BatchText(const std::string& text) const = 0;
};

}  // namespace platform

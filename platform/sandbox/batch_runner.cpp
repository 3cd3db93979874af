#include "platform/sandbox/batch_runner.h"

#include "platform/exception.h"
#include "platform/file_search.h"
#include "platform/text.h"
#include "platform/windows_path.h"

namespace vurerode::platform::sandbox {

namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t"), e = s.find_last_not_of(" \t");
  return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

// The command word and its argument: "cd.." and "cd\" are cd with ".." and "\".
void Split(const std::string& line, std::string& word, std::string& argument) {
  size_t end = line.find_first_of(" \t\\.");
  word = UpperCase(line.substr(0, end));
  argument = end == std::string::npos ? std::string() : Trim(line.substr(end));
}

// An argument as cmd hands it to del, rd and cd: its double quotes only group.
std::string Unquoted(const std::string& argument) {
  std::string plain;
  for (const char c : argument)
    if (c != '"') plain += c;
  return Trim(plain);
}

// A batch file's line as cmd reads it: %% stands for a percent sign.
std::string Expanded(const std::string& line) {
  std::string out;
  for (size_t i = 0; i < line.size(); ++i) {
    out += line[i];
    if (line[i] == '%' && i + 1 < line.size() && line[i + 1] == '%') ++i;
  }
  return out;
}

}  // namespace

bool BatchRunner::Run(const std::string& batchPath) {
  std::string text;
  try {
    auto file = fs_.OpenFile(batchPath, FileAccess::Read);
    text.resize(static_cast<size_t>(file->Size()));
    if (!text.empty()) file->ReadBuffer(text.data(), text.size());
  } catch (const Exception&) {
    journal_.Record("Batch " + JournalQuote(batchPath) + " -> cannot be read");
    return false;
  }
  batch_ = batchPath;
  cwd_ = IncludeTrailingBackslash(fs_.CurrentDirectory());
  exited_ = false;
  utf8_ = false;
  size_t start = 0;
  while (start < text.size() && !exited_) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // Each line in the code page in force when cmd reaches it.
    Command(Trim(utf8_ ? line : Cp1252ToUtf8(line)));
    start = end + 1;
  }
  return true;
}

void BatchRunner::Note(const std::string& command, const std::string& outcome) {
  journal_.Record("Batch " + JournalQuote(batch_) + " " + JournalQuote(command) + " -> " + outcome);
}

void BatchRunner::Command(const std::string& raw) {
  std::string line = !raw.empty() && raw[0] == '@' ? Trim(raw.substr(1)) : raw;
  if (line.empty()) return;
  std::string word, argument;
  Split(line, word, argument);
  if (word != "REM") line = Expanded(line);
  argument = Unquoted(Expanded(argument));
  if (word == "REM") return;
  if (line.size() == 2 && line[1] == ':' && std::isalpha(static_cast<unsigned char>(line[0]))) {
    const std::string root = std::string(1, AsciiUpper(line[0])) + ":\\";
    if (fs_.DirectoryExists(root)) {
      cwd_ = root;
      Note(line, "now in " + root);
    } else {
      Note(line, "the system cannot find the drive specified");
    }
    return;
  }
  if (word == "CD" || word == "CHDIR") return ChangeDirectory(argument);
  if (word == "DEL" || word == "ERASE") return Delete(argument);
  if (word == "RD" || word == "RMDIR") return RemoveDirectory(argument);
  if (word == "CHCP") return ChangeCodePage(argument);
  if (word == "EXIT") {
    exited_ = true;
    return;
  }
  Note(line, "not run");
}

void BatchRunner::ChangeCodePage(const std::string& argument) {
  // The code page alone; what follows it (a redirection such as ">nul") only hides the answer.
  const std::string page = argument.substr(0, argument.find_first_not_of("0123456789"));
  const std::string command = "chcp " + page;
  if (page != "65001" && page != "1252") return Note(command, "invalid code page");
  utf8_ = page == "65001";
  Note(command, "active code page " + page);
}

void BatchRunner::ChangeDirectory(const std::string& argument) {
  const std::string command = "cd " + argument;
  if (argument.empty()) return Note(command, "in " + cwd_);
  std::string target = MakeFullPath(argument, ExcludeTrailingBackslash(cwd_));
  if (target.empty() || !fs_.DirectoryExists(target)) return Note(command, "the system cannot find the path specified");
  cwd_ = IncludeTrailingBackslash(target);
  Note(command, "now in " + cwd_);
}

void BatchRunner::Delete(const std::string& argument) {
  const std::string command = "del " + argument;
  const std::string pattern = MakeFullPath(argument, ExcludeTrailingBackslash(cwd_));
  const std::string dir = ExtractFilePath(pattern);
  std::vector<std::string> matched;
  {
    TFileSearch search(fs_, pattern, 0);
    TSearchRec rec;
    while (search.Next(rec))
      if (!(rec.Attr & faDirectory)) matched.push_back(dir + rec.Name);
  }
  if (matched.empty()) return Note(command, "could not find " + pattern);
  for (const std::string& path : matched) {
    // The interpreter's del leaves read-only files alone, as without /f.
    const bool readOnly = (fs_.GetAttributes(path) & faReadOnly) != 0;
    Note(command, !readOnly && fs_.DeleteFile(path) ? "deleted " + path : "access is denied: " + path);
  }
}

void BatchRunner::RemoveDirectory(const std::string& argument) {
  const std::string command = "rd " + argument;
  const std::string dir = MakeFullPath(argument, ExcludeTrailingBackslash(cwd_));
  if (dir.empty() || !fs_.DirectoryExists(dir)) return Note(command, "the system cannot find the path specified");
  if (IncludeTrailingBackslash(UpperCase(dir)) == UpperCase(cwd_)) return Note(command, "the directory is in use");
  Note(command, fs_.RemoveDirectory(dir) ? "removed " + dir : "the directory is not empty");
}

}  // namespace vurerode::platform::sandbox

#include "platform/sandbox/program_runner.h"

#include "platform/sandbox/host_io.h"
#include "platform/shell.h"
#include "platform/windows_path.h"

namespace vurerode::platform::sandbox {

std::string ProgramRunner::Locate(const std::string& name, const std::string& firstFolder, bool tryBareName) {
  if (name.empty()) return {};
  std::string fileName = ExtractFileName(name);
  bool hasExtension = fileName.find('.') != std::string::npos;
  std::vector<std::string> forms;
  if (hasExtension || tryBareName) forms.push_back(name);
  if (!hasExtension) forms.push_back(name + ".exe");

  std::vector<std::string> folders;
  bool hasPath = name.find_first_of("\\/:") != std::string::npos;
  if (!firstFolder.empty()) folders.push_back(fs_.FullPathName(firstFolder));
  if (!hasPath) {
    std::string windows = fs_.WindowsDirectory();
    for (const std::string& f : {fs_.CurrentDirectory(), windows + "\\System32", windows + "\\System", windows})
      folders.push_back(f);
  } else if (folders.empty()) {
    folders.push_back(fs_.CurrentDirectory());
  }
  for (const std::string& folder : folders) {
    for (const std::string& form : forms) {
      std::string full = MakeFullPath(form, folder);
      if (!full.empty() && IsFile(full)) return full;
    }
  }
  return {};
}

std::optional<int> ProgramRunner::Run(const std::string& path, const std::vector<std::string>& args, int showState,
                                      const std::string& workingFolder) {
  if (!runHostPrograms_) return std::nullopt;
  stdfs::path host = fs_.HostProgram(path);
  if (host.empty()) return std::nullopt;
  std::vector<std::string> env = {"VURERODE_SANDBOX=" + HostName(fs_.root()),
                                  "VURERODE_SHOW=" + ShowStateName(showState)};
  std::string folder = workingFolder.empty() ? fs_.CurrentDirectory() : fs_.FullPathName(workingFolder);
  if (!fs_.DirectoryExists(folder)) folder = fs_.CurrentDirectory();
  stdfs::path hostFolder = fs_.ToHostPath(folder);
  if (hostFolder.empty()) return std::nullopt;
  std::optional<int> code = RunHostProgram(host, args, hostFolder, env);
  fs_.ForgetListings();  // the program may have changed any folder of the machine
  return code;
}

}  // namespace vurerode::platform::sandbox

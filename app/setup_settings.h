// The single settings of install.cfg's "Setup Screen" section that other parts of the program keep
// using after the configuration has been read.
#pragma once

#include <cstdint>
#include <string>

namespace vurerode::setup {

struct TSetupSettings {
  std::string DisplayStyle = "Horiz In";
  std::string LogoPos = "Upper Right";
  std::string LogoFile;  // relative to ExpandDir (install mode) or a file name (uninstall mode)
  std::string BitMap;    // the same rule
  bool RebootOption = false;
  bool RestartOption = false;
  std::string LaunchApplication;
  std::string MainDirectory = "LKS";
  bool Bit16App = false;
  bool Bit32App = true;
  bool UnderProgramFiles = true;
  std::string DesktopFolder = "Applications";
  bool DisplayDesktopOptions = true;
  // Shown by Add/Remove Programs when given.
  std::string DisplayVersion;
  std::string Publisher;
};

// Integer values of install.cfg: decimal, or hexadecimal after "$" or "0x"; false when malformed.
bool ParseConfigInteger(const std::string& text, long long& value);
// "fsBold,fsItalic," and the like: only names followed by a comma count.
uint8_t ParseFontStyle(const std::string& text);

}  // namespace vurerode::setup

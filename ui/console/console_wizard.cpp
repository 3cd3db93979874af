#include "ui/console/console_wizard.h"

#include <cctype>
#include <string>

#include "ui/console/interrupt.h"

namespace vurerode::setup::console {

namespace {

// Next on the ready page: the installation runs, and Ctrl+C cancels it.
void Install(TDisplayScreen& s) {
  InterruptAsCancel ctrlC;
  s.Next1Click();
}

char Key(const std::string& line) {
  return line.empty() ? '\n' : static_cast<char>(std::toupper(static_cast<unsigned char>(line[0])));
}

void ShowPage(TDisplayScreen& s, TextOutput& out) {
  out << "\n";
  switch (s.PageIndex) {
    case kPageWelcome: out << s.ExitProgramsWarning.Caption << "\n"; break;
    case kPageLicence:
      out << "Click on Accept to continue with install process.\n\n";
      for (const std::string& line : s.LicenceMemo) out << "  " << line << "\n";
      out << "\nYou must select Accept or Decline to Continue with installation.\n";
      break;
    case kPageScope:
      out << s.ScopeQuestion.Caption << "\n"
          << "  [1] " << (s.AllUsersOption.Checked ? "(*) " : "( ) ") << s.AllUsersOption.Caption << "\n"
          << "  [2] " << (s.CurrentUserOption.Checked ? "(*) " : "( ) ") << s.CurrentUserOption.Caption << "\n";
      break;
    case kPageDestination: out << "Destination Directory: " << s.Main_Dir << "\n"; break;
    case kPageShortcuts:
      out << "Program folder: " << s.CreateFolder.Caption << "\n"
          << "  [S] " << (s.AddFolderToStartMenu.Checked ? "[x] " : "[ ] ") << s.AddFolderToStartMenu.Caption << "\n"
          << "  [D] " << (s.AddFolderToDesktop.Checked ? "[x] " : "[ ] ") << s.AddFolderToDesktop.Caption << "\n";
      for (size_t i = 0; i < s.ShortcutList.Items.size(); ++i) {
        const TListRow& r = s.ShortcutList.Items[i];
        out << "  [" << std::to_string(i + 1) << "] " << (r.Checked ? "[x] " : "[ ] ") << r.Caption << "  (" << r.Where
            << ")\n";
      }
      break;
    case kPageReady:
      out << "Ready to Install Application:\n";
      for (const std::string& line : s.SummaryMemo) out << "  " << line << "\n";
      break;
    case kPageFinished:
      out << "Installation Completed: " << s.FinishTitle.Caption << "\n";
      if (s.reboot.Visible) out << "  [R] " << (s.reboot.Checked ? "(*) " : "( ) ") << s.reboot.Caption << "\n";
      if (s.LaunchItOption.Visible)
        out << "  [L] " << (s.LaunchItOption.Checked ? "(*) " : "( ) ") << s.LaunchItOption.Caption << ": "
            << s.LaunchIt.Caption << "\n";
      out << "  [W] " << (s.ReturnToWindows.Checked ? "(*) " : "( ) ") << s.ReturnToWindows.Caption << "\n";
      break;
    case kPageUninstaller:
      out << s.Screen.TitleLine.Caption << "\n";
      for (const TLabel& l : s.StartLabels) out << "  " << l.Caption << "\n";
      break;
    default: break;
  }
}

std::string Buttons(TDisplayScreen& s) {
  std::string b;
  auto add = [&](bool visible, const char* text) {
    if (visible) b += (b.empty() ? "" : ", ") + std::string(text);
  };
  if (s.PageIndex == kPageFinished) return "[Enter] Finished";
  if (s.PageIndex == kPageUninstaller) {
    add(s.Remove.Visible, "[S]tart");
    add(true, "[C]ancel");
    return b;
  }
  add(s.Accept.Visible, "[A]ccept");
  add(s.decline.Visible, "[D]ecline");
  add(s.NextButton.Visible, s.PageIndex == kPageReady ? "[I]nstall" : "[N]ext (Enter)");
  add(s.BackButton.Visible, "[B]ack");
  add(s.CancelButton.Visible, "[C]ancel");
  if (s.PageIndex == kPageDestination) b += "; or type a new destination";
  if (s.PageIndex == kPageShortcuts) b += "; or a row number, S or D to tick";
  if (s.PageIndex == kPageScope) b += "; or 1 or 2 to choose";
  return b;
}

}  // namespace

void DriveInteractive(TDisplayScreen& s, ConsoleView& view) {
  TextOutput& out = view.out();
  std::string line;
  while (!s.Closed) {
    ShowPage(s, out);
    out << Buttons(s) << " > ";
    out.Flush();
    if (!view.ReadLine(line)) {
      out << "\n";
      if (s.PageIndex == kPageUninstaller)
        s.UninstallCancelClick();
      else
        s.Cancel1Click();
      break;
    }
    const char k = Key(line);
    switch (s.PageIndex) {
      case kPageFinished:
        if (k == 'R' && s.reboot.Visible)
          s.SelectFinishChoice(s.reboot);
        else if (k == 'L' && s.LaunchItOption.Visible)
          s.SelectFinishChoice(s.LaunchItOption);
        else if (k == 'W')
          s.SelectFinishChoice(s.ReturnToWindows);
        else if (k == '\n')
          s.FinishedClick();
        continue;
      case kPageUninstaller:
        if (k == 'S' && s.Remove.Visible)
          s.RemoveClick();
        else if (k == 'C')
          s.UninstallCancelClick();
        continue;
      case kPageDestination:
        if (line.size() > 1) {
          s.Main_Dir = line;
          continue;
        }
        break;
      case kPageScope:
        if (k == '1' || k == '2') {
          s.SelectScopeChoice(k == '1' ? s.AllUsersOption : s.CurrentUserOption);
          continue;
        }
        break;
      case kPageShortcuts:
        if (std::isdigit(static_cast<unsigned char>(k))) {
          size_t row = std::stoul(line) - 1;
          if (row < s.ShortcutList.Items.size()) s.SetRowChecked(row, !s.ShortcutList.Items[row].Checked);
          continue;
        }
        if (k == 'S') {
          s.AddFolderToStartMenu.Checked = !s.AddFolderToStartMenu.Checked;
          continue;
        }
        if (k == 'D') {
          s.AddFolderToDesktop.Checked = !s.AddFolderToDesktop.Checked;
          continue;
        }
        break;
      default: break;
    }
    if (k == 'A' && s.Accept.Visible)
      s.acceptClick();
    else if (k == 'D' && s.decline.Visible)
      s.declineClick();
    else if ((k == 'N' || k == '\n' || (k == 'I' && s.PageIndex == kPageReady)) && s.NextButton.Visible)
      s.PageIndex == kPageReady ? Install(s) : s.Next1Click();
    else if (k == 'B' && s.BackButton.Visible)
      s.Back1Click();
    else if (k == 'C' && s.CancelButton.Visible)
      s.Cancel1Click();
  }
}

void DriveSilent(TDisplayScreen& s, ConsoleView& view, const ConsoleOptions& options) {
  // Every page has one safe way on; a page that does not move on ends the run.
  for (int steps = 0; !s.Closed && steps < 32; ++steps) {
    const int page = s.PageIndex;
    switch (page) {
      case kPageWelcome: s.Next1Click(); break;
      case kPageLicence: s.acceptClick(); break;
      case kPageDestination:
        if (options.dir) s.Main_Dir = *options.dir;
        view.out() << "Destination Directory: " << s.Main_Dir << "\n";
        view.out().Flush();
        s.Next1Click();
        break;
      case kPageShortcuts:
      case kPageScope: s.Next1Click(); break;
      case kPageReady: Install(s); break;
      case kPageFinished:
        s.SelectFinishChoice(s.ReturnToWindows);
        s.FinishedClick();
        break;
      case kPageUninstaller:
        if (s.Remove.Visible)
          s.RemoveClick();
        else
          s.UninstallCancelClick();
        break;
      default: break;
    }
    if (!s.Closed && s.PageIndex == page) s.GiveUp("setup could not go on past page " + std::to_string(page));
  }
}

}  // namespace vurerode::setup::console

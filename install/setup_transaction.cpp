#include "install/setup_transaction.h"

#include "install/journal_rollback.h"
#include "platform/exception.h"
#include "platform/windows_path.h"
#include "shell/del_tree.h"
#include "shell/shell_folders.h"

namespace vurerode::setup {

TSetupTransaction::TSetupTransaction(platform::Platform& machine, const std::string& journalBase)
    : machine_(machine),
      journal_(machine.fs(),
               journalBase.empty() ? platform::IncludeTrailingBackslash(machine.fs().WindowsDirectory()) : journalBase),
      platform_(machine, journal_) {
  if (journal_.Exists())
    throw Exception("An earlier installation that was interrupted could not be undone completely: its journal " +
                    journal_.Path() + " is still there.");
}

TSetupTransaction::~TSetupTransaction() = default;

void TSetupTransaction::NoteTemporaryFolder(const std::string& dir) {
  platform_.ledger().NoteTemporaryFolder(dir);
  temporaryFolders_.push_back(platform_.ledger().Full(dir));
}

void TSetupTransaction::Commit() {
  if (state_ != State::Open) return;
  TJournalLedger& ledger = platform_.ledger();
  ledger.Stop();
  state_ = State::Committed;
  if (!journal_.Exists()) return;
  // On the disk before the first saved copy goes: a power loss after that must not roll back to
  // copies that are gone.
  journal_.Append(MakeRecord(TJournalKind::Commit), true);
  for (const std::string& copy : ledger.Copies()) machine_.fs().DeleteFile(copy);
  bool temporaryLeft = false;
  for (const std::string& dir : temporaryFolders_) temporaryLeft |= machine_.fs().DirectoryExists(dir);
  if (!temporaryLeft) {
    journal_.Remove();
    state_ = State::Done;
  }
}

void TSetupTransaction::Finish() {
  if (state_ != State::Committed) return;
  const std::string current = machine_.fs().CurrentDirectory();  // the tree removal walks by it
  for (const std::string& dir : temporaryFolders_) {
    TMPDelTree tree(machine_, nullptr);
    tree.Path = dir;
    tree.Execute();
  }
  machine_.fs().ChangeDirectory(current);
  journal_.Remove();
  state_ = State::Done;
}

std::vector<std::string> TSetupTransaction::RollBack() {
  if (state_ != State::Open) return {};
  platform_.ledger().Stop();
  state_ = State::Done;
  const TJournalContents contents = journal_.Read();
  std::vector<std::string> problems = UndoJournal(machine_, contents.records);
  if (!JournalHoldsCopies(machine_.fs(), contents.records)) journal_.Remove();
  return problems;
}

namespace {

TRecoveryResult RecoverJournal(platform::Platform& machine, TJournalFile& journal) {
  TRecoveryResult result;
  if (!journal.Exists()) {
    // Copies a kill left after the journal went are only clutter.
    journal.Remove();
    return result;
  }
  result.Found = true;
  const TJournalContents contents = journal.Read();
  for (const TJournalRecord& r : contents.records) {
    if (r.kind == TJournalKind::Commit) result.Committed = true;
    if (r.kind == TJournalKind::Title && result.Title.empty()) result.Title = r.path;
  }
  if (result.Committed) {
    result.Problems = ClearCommittedJournal(machine, contents.records);
  } else {
    result.Problems = UndoJournal(machine, contents.records);
    result.RolledBack = true;
  }
  if (!JournalHoldsCopies(machine.fs(), contents.records)) journal.Remove();
  return result;
}

}  // namespace

TRecoveryResult RecoverInterruptedSetup(platform::Platform& machine) {
  TJournalFile machineJournal(machine.fs());
  TRecoveryResult result = RecoverJournal(machine, machineJournal);
  std::string userBase;
  try {
    userBase = UserShellFolder(machine, "Local AppData");
  } catch (const Exception&) {
    return result;  // a machine without user profiles has no journal of a user's
  }
  TJournalFile userJournal(machine.fs(), userBase);
  if (!machine.fs().DirectoryExists(userJournal.Folder())) return result;
  TRecoveryResult user = RecoverJournal(machine, userJournal);
  if (!result.Found) return user;
  result.Problems.insert(result.Problems.end(), user.Problems.begin(), user.Problems.end());
  return result;
}

std::string TRecoveryResult::Text() const {
  if (!Found) return {};
  const std::string what = Title.empty() ? "An earlier installation" : "An earlier installation of " + Title;
  std::string text = Committed
                         ? what + " had finished; what it had left to clear away has been removed."
                         : what + " was interrupted. It has been undone, and the computer is as it was before it.";
  if (!Problems.empty()) {
    text += "\nThese could not be " + std::string(Committed ? "removed" : "put back") + ":";
    for (const std::string& p : Problems) text += "\n" + p;
  }
  return text;
}

}  // namespace vurerode::setup

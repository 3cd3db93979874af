// A file system that writes behind the caller's back: files created through it are opened,
// written, dated and closed by a worker thread, in the order the caller asked for, while the caller
// goes on (decoding the next file, say). Everything else waits until the worker is done with the
// files it concerns and then goes to the wrapped file system, so the caller sees the files it
// closed as it left them.
//
// What changes for the caller is when failures arrive: a file that cannot be created or written
// raises its exception (EFCreateError, EWriteError, ...) from a later CreateFile of a file written
// behind, from a later call on one of those files, or from Finish(). Other calls raise nothing of
// it: their own failures stay theirs, and cleanup code can run. After a failure nothing more is
// written, but every file opened is closed. The failure is raised once by those calls, and again
// by every Finish(): callers that must not report success after a failed write call Finish()
// before they do, and call it too when they fail, since the write failure is the cause.
//
// A call about one path waits only for the work queued for that path, as Windows names it: other
// spellings of the same file (short names, "." parts) are not recognised, and bytes written to a
// file still open here reach the queue (and other calls) only as 64 KiB pieces or when it closes.
// SetAttributes on a file whose work is still queued is queued behind it and reports true. The
// file system and its files are for one calling thread; the wrapped file system is used by that
// thread and the worker at once, each time on different files.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "platform/file_system.h"

namespace vurerode::platform {

class WriteBehindFileSystem : public FileSystem {
 public:
  // pendingLimit bounds the memory the queue holds (the bytes waiting to be written and what each
  // job costs besides); a writer that would exceed it waits.
  explicit WriteBehindFileSystem(FileSystem& inner, size_t pendingLimit = 4 * 1024 * 1024);
  // Waits for the queued work; a failure not yet raised is lost, so call Finish() first.
  ~WriteBehindFileSystem() override;
  WriteBehindFileSystem(const WriteBehindFileSystem&) = delete;
  WriteBehindFileSystem& operator=(const WriteBehindFileSystem&) = delete;

  // Waits until every queued write is done, then raises the failure if there was one.
  void Finish();
  // Waits until every queued write is done; raises nothing.
  void Wait() { CatchUp(false); }
  // Files created below this folder are written at once, not behind: meant for a work folder whose
  // files are read back as soon as they are written, which would otherwise wait for the queue.
  void SetDirectFolder(const std::string& folder);

  uint32_t GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  std::unique_ptr<TFileStream> OpenFile(const std::string& path, FileAccess access) override;
  std::unique_ptr<TFileStream> CreateFile(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  bool RenameFile(const std::string& source, const std::string& target) override;
  int CreateDirectory(const std::string& path) override;
  bool RemoveDirectory(const std::string& path) override;
  std::unique_ptr<DirectorySearch> FindFirst(const std::string& pattern, FindData& first) override;
  std::string CurrentDirectory() override;
  bool ChangeDirectory(const std::string& path) override;
  std::string WindowsDirectory() override;
  std::string ShortPathName(const std::string& path) override;
  std::string FullPathName(const std::string& path) override;
  double DiskFreeBytes(const std::string& root) override;

 private:
  friend class WriteBehindFile;
  struct Job {
    std::function<void()> work;
    size_t bytes = 0;       // data the job carries; once queued with its overhead, as counted against the limit
    bool releases = false;  // closes a file: runs even after a failure
    std::string key;        // PathKey of the file whose work this is, or empty
  };

  // Queues a job, waiting while the data queued would exceed the limit; with raise, a failure not
  // yet raised is raised instead.
  void Enqueue(Job job, bool raise);
  // Waits until the queue is empty and the worker idle, or with a path until no work for that path
  // is queued; with raise, then raises a failure not yet raised.
  void CatchUp(bool raise);
  void WaitFor(const std::string* path, bool raise);
  // Paths are told apart as Windows tells them apart, letter case aside.
  static std::string PathKey(const std::string& path);
  void RaiseUnreported();
  void Fail(std::exception_ptr failure);  // keeps the first failure
  void WakeWorker();                      // with the mutex held
  void Work();

  FileSystem& inner_;
  const size_t pendingLimit_;
  std::mutex mutex_;
  std::condition_variable jobQueued_;
  std::condition_variable progressMade_;
  std::deque<Job> queue_;
  size_t pendingBytes_ = 0;
  bool busy_ = false;  // the worker runs a job
  bool stopping_ = false;
  bool workerWaiting_ = false;
  bool wakeWorker_ = false;
  int callerWaiting_ = 0;       // a caller waits for the queue or a path
  bool roomWaiting_ = false;    // a caller waits for room under the limit
  std::exception_ptr failure_;  // the first failure: nothing is written after it
  bool failureRaised_ = false;
  // Files with queued work, by the path they were created with: how many jobs of each are waiting.
  std::unordered_map<std::string, size_t> pendingPaths_;
  std::string directFolder_;
  std::thread worker_;
};

}  // namespace vurerode::platform

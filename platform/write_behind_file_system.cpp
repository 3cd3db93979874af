#include "platform/write_behind_file_system.h"

#include <algorithm>
#include <vector>

#include "platform/exception.h"

namespace vurerode::platform {

namespace {
// Writes are gathered into pieces of this size before they are queued: one system call each.
constexpr size_t kPieceSize = 64 * 1024;
constexpr size_t kShortWrite = 8 * 1024;
// A waiting worker is woken once this many jobs, or bytes, are queued (or when a caller waits).
constexpr size_t kBatchJobs = 32;
constexpr size_t kBatchBytes = 256 * 1024;
// What a queued job holds besides its data (the job, its closure, a path), counted against the
// limit with the data: a queue of many small files is mostly this.
constexpr size_t kJobOverhead = 256;

using Slot = std::shared_ptr<std::unique_ptr<TFileStream>>;

// The real file of a slot the worker filled. Work after a failure is never run, so an empty slot
// means a file that should have been created and was not.
TFileStream& Opened(const Slot& slot, const std::string& path) {
  if (!*slot) throw EFCreateError(path);
  return **slot;
}
}  // namespace

// A file whose opening, writes, date and closing are queued for the worker. Anything else first
// waits for the worker and then goes to the real file.
class WriteBehindFile : public TFileStream {
 public:
  WriteBehindFile(WriteBehindFileSystem& owner, std::string path, Slot slot)
      : owner_(owner), path_(std::move(path)), key_(WriteBehindFileSystem::PathKey(path_)), slot_(std::move(slot)) {}

  ~WriteBehindFile() override {
    try {
      QueuePiece(false);
      owner_.Enqueue({[slot = slot_] { slot->reset(); }, 0, true, key_}, false);
    } catch (...) {
      // Nothing can be queued (out of memory): finish the file here, once the worker is done with
      // it, so that no short file passes for a whole one.
      owner_.CatchUp(false);
      try {
        if (!piece_.empty()) Opened(slot_, path_).Write(piece_.data(), piece_.size());
      } catch (...) {
        owner_.Fail(std::current_exception());
      }
      slot_->reset();
    }
  }

  void Write(const void* buffer, size_t n) override {
    if (!appendOnly_) {
      CaughtUp().Write(buffer, n);
      return;
    }
    const uint8_t* p = static_cast<const uint8_t*>(buffer);
    while (n > 0) {
      // A short first write is mostly a whole small file: its piece needs no more room.
      if (piece_.capacity() == 0) piece_.reserve(n < kShortWrite ? n : kPieceSize);
      size_t step = std::min(n, kPieceSize - piece_.size());
      piece_.insert(piece_.end(), p, p + step);
      p += step;
      n -= step;
      written_ += static_cast<int64_t>(step);
      if (piece_.size() == kPieceSize) QueuePiece(true);
    }
  }

  void SetLastWriteDosTime(uint32_t dosDateTime) override {
    if (!appendOnly_) {
      CaughtUp().SetLastWriteDosTime(dosDateTime);
      return;
    }
    QueuePiece(true);
    owner_.Enqueue({[slot = slot_, path = path_, dosDateTime] { Opened(slot, path).SetLastWriteDosTime(dosDateTime); },
                    0, false, key_},
                   true);
  }

  // While only written from the start, the file is its bytes written: no need to wait for them.
  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    if (appendOnly_ && offset == 0 && origin != SeekOrigin::Begin) return written_;
    return CaughtUp().Seek(offset, origin);
  }
  int64_t Size() override { return appendOnly_ ? written_ : CaughtUp().Size(); }
  size_t Read(void* buffer, size_t n) override { return CaughtUp().Read(buffer, n); }
  void Truncate() override { CaughtUp().Truncate(); }
  uint32_t LastWriteDosTime() override { return CaughtUp().LastWriteDosTime(); }
  const std::string& Path() const override { return path_; }
  // After every write queued before it.
  void Sync() override { CaughtUp().Sync(); }

 private:
  void QueuePiece(bool raise) {
    if (piece_.empty()) return;
    const size_t bytes = piece_.size();
    // The last piece of a file is mostly far shorter than the buffer it was gathered in: it is
    // queued in a buffer of its own size, so that the queue holds no more than it counts.
    auto data = bytes == piece_.capacity() ? std::make_shared<std::vector<uint8_t>>(std::move(piece_))
                                           : std::make_shared<std::vector<uint8_t>>(piece_.begin(), piece_.end());
    piece_ = {};
    try {
      owner_.Enqueue({[slot = slot_, path = path_, data] { Opened(slot, path).Write(data->data(), data->size()); },
                      bytes, false, key_},
                     raise);
    } catch (...) {
      piece_ = std::move(*data);  // not queued: the bytes stay with the file
      throw;
    }
  }

  // The real file, once every queued write reached it; from now on calls go straight to it.
  TFileStream& CaughtUp() {
    QueuePiece(true);
    owner_.CatchUp(true);
    appendOnly_ = false;
    return Opened(slot_, path_);
  }

  WriteBehindFileSystem& owner_;
  std::string path_;
  std::string key_;
  Slot slot_;
  std::vector<uint8_t> piece_;
  int64_t written_ = 0;
  bool appendOnly_ = true;
};

WriteBehindFileSystem::WriteBehindFileSystem(FileSystem& inner, size_t pendingLimit)
    : inner_(inner), pendingLimit_(std::max<size_t>(pendingLimit, kPieceSize)), worker_([this] { Work(); }) {}

WriteBehindFileSystem::~WriteBehindFileSystem() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    WakeWorker();
  }
  worker_.join();
}

void WriteBehindFileSystem::Work() {
  std::deque<Job> batch;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (queue_.empty()) {
      if (stopping_) return;
      workerWaiting_ = true;
      jobQueued_.wait(lock, [this] { return stopping_ || wakeWorker_; });
      workerWaiting_ = wakeWorker_ = false;
      continue;
    }
    // The whole queue is taken at once, so that the caller rarely finds the lock taken.
    batch.swap(queue_);
    busy_ = true;
    bool failed = failure_ != nullptr;
    lock.unlock();
    size_t bytes = 0;
    for (Job& job : batch) {
      if (!failed || job.releases) {
        try {
          job.work();
        } catch (...) {
          std::lock_guard<std::mutex> hold(mutex_);
          if (!failure_) failure_ = std::current_exception();
          failed = true;
        }
      }
      job.work = nullptr;  // the job's data goes before the queue shrinks
      bytes += job.bytes;
    }
    lock.lock();
    busy_ = false;
    pendingBytes_ -= bytes;
    for (const Job& job : batch) {
      if (job.key.empty()) continue;
      auto it = pendingPaths_.find(job.key);
      if (it != pendingPaths_.end() && --it->second == 0) pendingPaths_.erase(it);
    }
    batch.clear();
    if (callerWaiting_ > 0 || roomWaiting_) progressMade_.notify_all();
  }
}

void WriteBehindFileSystem::RaiseUnreported() {
  if (failure_ && !failureRaised_) {
    failureRaised_ = true;
    std::rethrow_exception(failure_);
  }
}

void WriteBehindFileSystem::WakeWorker() {
  wakeWorker_ = true;
  jobQueued_.notify_one();
}

void WriteBehindFileSystem::Enqueue(Job job, bool raise) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (raise) RaiseUnreported();
  job.bytes += kJobOverhead;
  if (pendingBytes_ > 0 && pendingBytes_ + job.bytes > pendingLimit_) {
    WakeWorker();
    roomWaiting_ = true;
    progressMade_.wait(lock, [&] { return pendingBytes_ == 0 || pendingBytes_ + job.bytes <= pendingLimit_; });
    roomWaiting_ = false;
  }
  // Counted once queued, so that a job that could not be queued is never waited for.
  const size_t bytes = job.bytes;
  std::string key = job.key;
  queue_.push_back(std::move(job));
  pendingBytes_ += bytes;
  if (!key.empty()) ++pendingPaths_[std::move(key)];
  // The worker is woken for a batch of work rather than for every job: waking costs both threads
  // more than most jobs do.
  if (workerWaiting_ && (queue_.size() >= kBatchJobs || pendingBytes_ >= kBatchBytes)) WakeWorker();
}

void WriteBehindFileSystem::CatchUp(bool raise) {
  WaitFor(nullptr, raise);
}

void WriteBehindFileSystem::WaitFor(const std::string* path, bool raise) {
  std::unique_lock<std::mutex> lock(mutex_);
  const std::string key = path ? PathKey(*path) : std::string();
  auto done = [&] { return path ? pendingPaths_.count(key) == 0 : queue_.empty() && !busy_; };
  if (!done()) {
    WakeWorker();
    ++callerWaiting_;
    progressMade_.wait(lock, done);
    --callerWaiting_;
  }
  if (raise) RaiseUnreported();
}

std::string WriteBehindFileSystem::PathKey(const std::string& path) {
  std::string key = path;
  for (char& c : key) {
    if (c == '/') c = '\\';
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return key;
}

void WriteBehindFileSystem::Fail(std::exception_ptr failure) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!failure_) failure_ = failure;
}

void WriteBehindFileSystem::Finish() {
  CatchUp(false);
  std::lock_guard<std::mutex> lock(mutex_);
  failureRaised_ = true;
  if (failure_) std::rethrow_exception(failure_);
}

void WriteBehindFileSystem::SetDirectFolder(const std::string& folder) {
  directFolder_ = PathKey(folder);
  if (!directFolder_.empty() && directFolder_.back() != '\\') directFolder_ += '\\';
}

std::unique_ptr<TFileStream> WriteBehindFileSystem::CreateFile(const std::string& path) {
  const std::string key = PathKey(path);
  if (!directFolder_.empty() && key.compare(0, directFolder_.size(), directFolder_) == 0) {
    WaitFor(&path, false);
    return inner_.CreateFile(path);
  }
  auto slot = std::make_shared<std::unique_ptr<TFileStream>>();
  auto file = std::make_unique<WriteBehindFile>(*this, path, slot);
  Enqueue({[this, slot, path] { *slot = inner_.CreateFile(path); }, 0, false, key}, true);
  return file;
}

bool WriteBehindFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    if (pendingPaths_.count(PathKey(path)) != 0) {
      lock.unlock();
      Enqueue({[this, path, attributes] { inner_.SetAttributes(path, attributes); }, 0, false, PathKey(path)}, false);
      return true;
    }
  }
  return inner_.SetAttributes(path, attributes);
}

// Calls about one path wait only for the work queued for that path.

std::unique_ptr<TFileStream> WriteBehindFileSystem::OpenFile(const std::string& path, FileAccess access) {
  WaitFor(&path, false);
  return inner_.OpenFile(path, access);
}

uint32_t WriteBehindFileSystem::GetAttributes(const std::string& path) {
  WaitFor(&path, false);
  return inner_.GetAttributes(path);
}

bool WriteBehindFileSystem::DeleteFile(const std::string& path) {
  WaitFor(&path, false);
  return inner_.DeleteFile(path);
}

bool WriteBehindFileSystem::RenameFile(const std::string& source, const std::string& target) {
  WaitFor(&source, false);
  WaitFor(&target, false);
  return inner_.RenameFile(source, target);
}

int WriteBehindFileSystem::CreateDirectory(const std::string& path) {
  WaitFor(&path, false);
  return inner_.CreateDirectory(path);
}

std::string WriteBehindFileSystem::ShortPathName(const std::string& path) {
  WaitFor(&path, false);
  return inner_.ShortPathName(path);
}

std::string WriteBehindFileSystem::CurrentDirectory() {
  return inner_.CurrentDirectory();
}
std::string WriteBehindFileSystem::WindowsDirectory() {
  return inner_.WindowsDirectory();
}
std::string WriteBehindFileSystem::FullPathName(const std::string& path) {
  return inner_.FullPathName(path);
}

// Calls whose answer may depend on any file written, or that change how queued paths are read,
// wait for everything.

bool WriteBehindFileSystem::RemoveDirectory(const std::string& path) {
  CatchUp(false);
  return inner_.RemoveDirectory(path);
}

std::unique_ptr<DirectorySearch> WriteBehindFileSystem::FindFirst(const std::string& pattern, FindData& first) {
  CatchUp(false);
  return inner_.FindFirst(pattern, first);
}

bool WriteBehindFileSystem::ChangeDirectory(const std::string& path) {
  CatchUp(false);
  return inner_.ChangeDirectory(path);
}

double WriteBehindFileSystem::DiskFreeBytes(const std::string& root) {
  CatchUp(false);
  return inner_.DiskFreeBytes(root);
}

}  // namespace vurerode::platform

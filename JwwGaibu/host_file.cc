#include "JwwGaibu/host_file.h"

#include "JwwGaibu/model.h"
#include "JwwGaibu/output_lines.h"

namespace JwwGaibu {
namespace {

/// The fallbacks on the disk, every wait spent from the caller's budget.
class DiskHqFallbacks final : public HqFallbacks {
 public:
  explicit DiskHqFallbacks(RetryBudget& budget) : budget_(budget) {}
  ReadBack HoldsHq(const std::filesystem::path& path) override {
    return FileHoldsExactly(path, kHoldCommand, budget_);
  }
  bool ReplaceWithHq(const std::filesystem::path& path) override {
    AtomicFileWriter file;
    return file.Open(path) && file.Write(kHoldCommand) && file.Commit(budget_);
  }
  bool OverwriteWithHq(const std::filesystem::path& path) override {
    return OverwriteExistingFile(path, kHoldCommand, budget_);
  }
  bool Remove(const std::filesystem::path& path) override {
    return RemoveFileIfPresent(path, budget_);
  }

 private:
  RetryBudget& budget_;
};

}  // namespace

HostFile PutHq(HqFallbacks& fallbacks, const std::filesystem::path& path, bool newFileTried) {
  if (!newFileTried && fallbacks.ReplaceWithHq(path)) return HostFile::kHq;
  if (fallbacks.OverwriteWithHq(path)) return HostFile::kHq;
  // A missing file is better than what may stand there: another run's command file, or a
  // selection that does not start with "hq", whose items the host would draw a second time.
  if (fallbacks.Remove(path)) return HostFile::kNothing;
  return HostFile::kSelection;
}

HostFile SaveHq(const std::filesystem::path& path) {
  RetryBudget budget = StartRetryBudget();
  DiskHqFallbacks fallbacks(budget);
  return PutHq(fallbacks, path, false);
}

void SaveHq(TJwwState& s, const std::filesystem::path& path) { s.HostFileHolds = SaveHq(path); }

bool SaveOutputLines(TJwwState& s, const std::filesystem::path& path, RetryBudget& budget,
                     HqFallbacks* fallbacks) {
  DiskHqFallbacks disk(budget);
  HqFallbacks& hq = fallbacks != nullptr ? *fallbacks : disk;
  const bool empty = s.Output.Count() == 0;
  // Another run in the same folder (two drawings open in the host) may have put its own
  // command file in place of this run's "hq" since: it must not be left for this run's
  // host. A file that cannot be read back held the "hq" when last written and is left so:
  // replacing or removing it could only do harm.
  if (empty && s.HostFileHolds == HostFile::kHq) {
    if (hq.HoldsHq(path) != ReadBack::kHoldsOther) return true;
    s.HostFileHolds = HostFile::kSelection;
  }
  s.SaveError = {};
  if (s.Output.Save(path, budget)) {
    s.HostFileHolds = empty ? HostFile::kHq : HostFile::kCommands;
    return true;
  }
  s.SaveError = s.Output.Error();
  // Where this run's "hq" stands it stays. An empty list's save was the "hq" through a new
  // file already, which is not tried twice.
  if (s.HostFileHolds == HostFile::kHq && hq.HoldsHq(path) == ReadBack::kHoldsOther)
    s.HostFileHolds = HostFile::kSelection;
  if (s.HostFileHolds != HostFile::kHq) s.HostFileHolds = PutHq(hq, path, empty);
  return false;
}

}  // namespace JwwGaibu

// Micro-benchmarks of the stages of one run, on generated selections. Each reports the
// bytes and items it handles per second.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "JwwGaibu/emitters.h"
#include "JwwGaibu/format_real.h"
#include "JwwGaibu/host_file.h"
#include "JwwGaibu/output_lines.h"
#include "JwwGaibu/reader.h"
#include "JwwGaibu/write_back.h"
#include "MyFunc/my_func.h"
#include "Unit1/zero_spacing.h"
#include "bench/selection.h"

namespace {

using JwwGaibu::TJwwState;

/// Items of the selection that the in-memory benchmarks work on.
constexpr int64_t kCorpusItems = 100000;

/// A generated selection and its lines (without their CR LF).
struct Corpus {
  std::string Bytes;
  std::vector<std::string_view> Lines;
  Bench::SelectionStats Stats;
};

Corpus MakeCorpus(int64_t items) {
  Corpus c;
  c.Stats = Bench::GenerateSelection(items, c.Bytes);
  std::string_view rest = c.Bytes;
  while (!rest.empty()) {
    const size_t end = rest.find("\r\n");
    c.Lines.push_back(rest.substr(0, end));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 2);
  }
  return c;
}

const Corpus& TheCorpus() {
  static const Corpus corpus = MakeCorpus(kCorpusItems);
  return corpus;
}

/// The numeric fields of the corpus, as the reader sees them.
struct NumberFields {
  std::string Bytes;
  std::vector<std::string_view> Fields;
};

NumberFields CollectNumberFields(const Corpus& corpus) {
  NumberFields nf;
  std::vector<std::pair<size_t, size_t>> spans;
  JwwGaibu::TJwwTokens tokens;
  for (std::string_view line : corpus.Lines) {
    JwwGaibu::TokenizeLine(line, tokens);
    for (int i = 0; i < tokens.N; ++i) {
      const std::string_view t = tokens[i];
      if (t.empty() || t.find_first_not_of("0123456789.-") != std::string_view::npos) continue;
      spans.emplace_back(nf.Bytes.size(), t.size());
      nf.Bytes.append(t);
    }
  }
  for (const auto& [offset, size] : spans)
    nf.Fields.push_back(std::string_view(nf.Bytes).substr(offset, size));
  return nf;
}

/// A progress label that shows nothing and never sees Escape.
class NoProgress : public JwwGaibu::ProgressLabel {
 public:
  void SetStatusText(std::string_view) override {}
  bool StopRequested() override { return false; }
};

/// A fresh folder for the files that a benchmark writes, removed when it ends.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "rq27-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void LoadCorpus(TJwwState& s, const Corpus& corpus) {
  JwwGaibu::ResetModel(s);
  JwwGaibu::TJwwTokens tokens;
  for (std::string_view line : corpus.Lines) JwwGaibu::ParseLine(s, line, tokens);
  JwwGaibu::ResetCurrentAttributes(s);
}

void SetThroughput(benchmark::State& state, int64_t bytes, int64_t items) {
  state.SetBytesProcessed(state.iterations() * bytes);
  state.SetItemsProcessed(state.iterations() * items);
}

// ---- Reader ---------------------------------------------------------------------------

void BM_TokenizeLine(benchmark::State& state) {
  const Corpus& corpus = TheCorpus();
  JwwGaibu::TJwwTokens tokens;
  for (auto _ : state) {
    for (std::string_view line : corpus.Lines) {
      JwwGaibu::TokenizeLine(line, tokens);
      benchmark::DoNotOptimize(tokens.N);
    }
  }
  SetThroughput(state, static_cast<int64_t>(corpus.Bytes.size()), corpus.Stats.Items);
}
BENCHMARK(BM_TokenizeLine)->Unit(benchmark::kMillisecond);

void BM_ParseLine(benchmark::State& state) {
  const Corpus& corpus = TheCorpus();
  TJwwState s;
  JwwGaibu::TJwwTokens tokens;
  for (auto _ : state) {
    JwwGaibu::ResetModel(s);
    for (std::string_view line : corpus.Lines) JwwGaibu::ParseLine(s, line, tokens);
    benchmark::DoNotOptimize(s.EntCount());
  }
  SetThroughput(state, static_cast<int64_t>(corpus.Bytes.size()), corpus.Stats.Items);
}
BENCHMARK(BM_ParseLine)->Unit(benchmark::kMillisecond);

void BM_ParseRealOrZero(benchmark::State& state) {
  const NumberFields fields = CollectNumberFields(TheCorpus());
  for (auto _ : state) {
    for (std::string_view field : fields.Fields) {
      MyFunc::RealStatus status;
      benchmark::DoNotOptimize(MyFunc::ParseRealOrZero(field, status));
    }
  }
  SetThroughput(state, static_cast<int64_t>(fields.Bytes.size()),
                static_cast<int64_t>(fields.Fields.size()));
}
BENCHMARK(BM_ParseRealOrZero)->Unit(benchmark::kMicrosecond);

/// The whole load from disk: block reading, line splitting, parsing. Sizes: the 10,000
/// items that must load at once (under 10 ms), and a large selection.
void BM_LoadInterchangeFile(benchmark::State& state) {
  const Corpus corpus = MakeCorpus(state.range(0));
  TempFolder folder;
  const std::filesystem::path file = folder.Path() / "JWC_TEMP.TXT";
  std::ofstream(file, std::ios::binary) << corpus.Bytes;
  TJwwState s;
  for (auto _ : state) {
    JwwGaibu::ResetModel(s);
    if (!JwwGaibu::LoadInterchangeFile(s, file)) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(s.EntCount());
  }
  SetThroughput(state, static_cast<int64_t>(corpus.Bytes.size()), corpus.Stats.Items);
}
BENCHMARK(BM_LoadInterchangeFile)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// ---- Zeroing pass ---------------------------------------------------------------------

void BM_ZeroTextSpacing(benchmark::State& state) {
  const Corpus& corpus = TheCorpus();
  TJwwState s;
  LoadCorpus(s, corpus);
  int64_t textBytes = 0;
  s.TextTable.ForEach([&](const JwwGaibu::TJwwEntText& text) { textBytes += text.Text.size(); });
  for (auto _ : state) {
    Unit1::ZeroTextSpacing(s, false);
    benchmark::ClobberMemory();
  }
  SetThroughput(state, textBytes, s.TextTable.Count());
}
BENCHMARK(BM_ZeroTextSpacing)->Unit(benchmark::kMicrosecond);

// ---- Output ---------------------------------------------------------------------------

/// Reals as the selection holds them (up to four decimals), and values that need all
/// fifteen digits.
void BM_FormatReal(benchmark::State& state) {
  std::vector<double> values;
  if (state.range(0) == 0) {
    const NumberFields fields = CollectNumberFields(TheCorpus());
    for (std::string_view field : fields.Fields) values.push_back(MyFunc::ParseRealOrZero(field));
  } else {
    for (int i = 1; i <= 100000; ++i) values.push_back(1.0 / i + i);
  }
  char buffer[JwwGaibu::kFormatRealMax];
  int64_t bytes = 0;
  for (double v : values) bytes += JwwGaibu::FormatReal(v, buffer);
  for (auto _ : state) {
    for (double v : values) {
      benchmark::DoNotOptimize(JwwGaibu::FormatReal(v, buffer));
      benchmark::ClobberMemory();
    }
  }
  state.SetLabel(state.range(0) == 0 ? "selection" : "15 digits");
  SetThroughput(state, bytes, static_cast<int64_t>(values.size()));
}
BENCHMARK(BM_FormatReal)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_WriteBackModel(benchmark::State& state) {
  TJwwState s;
  LoadCorpus(s, TheCorpus());
  Unit1::ZeroTextSpacing(s, false);
  NoProgress progress;
  for (auto _ : state) {
    JwwGaibu::ClearOutputLines(s);
    JwwGaibu::ResetCurrentAttributes(s);
    JwwGaibu::AppendOutputLine(s, "hd");
    JwwGaibu::WriteBackModel(s, progress);
    benchmark::DoNotOptimize(s.Output.Count());
  }
  const auto bytes = static_cast<int64_t>(s.Output.FileBytes().size());
  state.counters["lines"] = s.Output.Count();
  SetThroughput(state, bytes, s.EntCount());
}
BENCHMARK(BM_WriteBackModel)->Unit(benchmark::kMillisecond);

/// The atomic save of the command file, fsync and rename included.
void BM_SaveOutputLines(benchmark::State& state) {
  TJwwState s;
  LoadCorpus(s, TheCorpus());
  NoProgress progress;
  JwwGaibu::AppendOutputLine(s, "hd");
  JwwGaibu::WriteBackModel(s, progress);
  TempFolder folder;
  const std::filesystem::path file = folder.Path() / "JWC_TEMP.TXT";
  for (auto _ : state) {
    JwwGaibu::RetryBudget budget = JwwGaibu::StartRetryBudget();
    if (!JwwGaibu::SaveOutputLines(s, file, budget)) state.SkipWithError("save failed");
  }
  SetThroughput(state, static_cast<int64_t>(std::filesystem::file_size(file)), s.EntCount());
}
BENCHMARK(BM_SaveOutputLines)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

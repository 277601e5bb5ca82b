// Writes a generated selection as the host would hand it over.
//   rq27-generate ITEMS FILE [SEED]
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/selection.h"

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) {
    std::fputs("usage: rq27-generate ITEMS FILE [SEED]\n", stderr);
    return 2;
  }
  char* end = nullptr;
  const long long items = std::strtoll(argv[1], &end, 10);
  if (*end != '\0' || items < 0) {
    std::fprintf(stderr, "rq27-generate: not a count: %s\n", argv[1]);
    return 2;
  }
  unsigned long long seed = 27;
  if (argc == 4) seed = std::strtoull(argv[3], nullptr, 10);

  std::string bytes;
  bytes.reserve(static_cast<size_t>(items) * 48 + 1024);
  const Bench::SelectionStats stats = Bench::GenerateSelection(items, bytes, seed);

  std::FILE* f = std::fopen(argv[2], "wb");
  if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() ||
      std::fclose(f) != 0) {
    std::fprintf(stderr, "rq27-generate: cannot write %s: %s\n", argv[2], std::strerror(errno));
    return 1;
  }
  std::fprintf(stderr, "%lld items, %lld lines, %lld texts, %zu bytes (%.1f bytes an item)\n",
               static_cast<long long>(stats.Items), static_cast<long long>(stats.Lines),
               static_cast<long long>(stats.Texts), bytes.size(),
               stats.Items > 0 ? static_cast<double>(bytes.size()) / stats.Items : 0.0);
  return 0;
}

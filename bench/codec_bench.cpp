// Decode and encode speed of both palette formats on a typical 256-colour palette.
// Run: build/native/bench/varnel_bench   (bytes_per_second is per byte of the file)
#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <string>

#include "varnel/act.h"
#include "varnel/jasc_pal.h"

namespace {

using namespace varnel;

// A sunset-like gradient: every component varies, numbers of one to three digits.
Palette TypicalPalette() {
  Palette palette{};
  for (int i = 0; i < static_cast<int>(kPaletteSize); ++i)
    palette[static_cast<std::size_t>(i)] = MakeColor(i < 128 ? 2 * i : 255, i * i / 255, 255 - i);
  return palette;
}

// Throughput per byte of the file the iteration handled.
void ReportBytes(benchmark::State& state, std::size_t bytesPerIteration) {
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytesPerIteration));
}

void JascPalDecode(benchmark::State& state) {
  const std::string text = EncodeJascPal(TypicalPalette());
  for (auto _ : state) {
    benchmark::DoNotOptimize(text.data());
    Palette palette = DecodeJascPal(text);
    benchmark::DoNotOptimize(palette);
  }
  ReportBytes(state, text.size());
  state.counters["file_bytes"] = static_cast<double>(text.size());
}
BENCHMARK(JascPalDecode);

void JascPalEncode(benchmark::State& state) {
  const Palette palette = TypicalPalette();
  std::size_t size = 0;
  for (auto _ : state) {
    std::string text = EncodeJascPal(palette);
    size = text.size();
    benchmark::DoNotOptimize(text);
  }
  ReportBytes(state, size);
}
BENCHMARK(JascPalEncode);

void ActDecode(benchmark::State& state) {
  const std::string bytes = EncodeAct(TypicalPalette());
  for (auto _ : state) {
    benchmark::DoNotOptimize(bytes.data());
    Palette palette = DecodeAct(bytes);
    benchmark::DoNotOptimize(palette);
  }
  ReportBytes(state, kActSize);
}
BENCHMARK(ActDecode);

void ActEncode(benchmark::State& state) {
  const Palette palette = TypicalPalette();
  for (auto _ : state) {
    std::string bytes = EncodeAct(palette);
    benchmark::DoNotOptimize(bytes);
  }
  ReportBytes(state, kActSize);
}
BENCHMARK(ActEncode);

// The yardstick for ACT decoding: copying the 768 bytes and nothing else.
void Memcpy768(benchmark::State& state) {
  const std::string bytes = EncodeAct(TypicalPalette());
  std::array<char, kActSize> copy{};
  for (auto _ : state) {
    benchmark::DoNotOptimize(bytes.data());
    std::memcpy(copy.data(), bytes.data(), kActSize);
    benchmark::DoNotOptimize(copy);
    benchmark::ClobberMemory();
  }
  ReportBytes(state, kActSize);
}
BENCHMARK(Memcpy768);

}  // namespace

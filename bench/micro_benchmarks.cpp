// Micro-benchmarks of the hot paths, on generated sources held in memory.
// Each size-parameterised benchmark reports items (instructions) and bytes per
// second, so linear scaling shows as a flat rate across the sizes.
//
//   build/bench/bench/micro_benchmarks [--benchmark_filter=Encode]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "assembler/bundle_packer.h"
#include "assembler/pack.h"
#include "assembler/record_decoder.h"
#include "assembler/record_list.h"
#include "assembly/assemble.h"
#include "assembly/encoding_pass.h"
#include "assembly/label_pass.h"
#include "assembly/label_table.h"
#include "assembly/log.h"
#include "assembly/normaliser.h"
#include "assembly/source_scanner.h"
#include "bench/source_generator.h"
#include "common/hex.h"
#include "kiv/check.h"
#include "kiv/checker_labels.h"
#include "kiv/checker_report.h"
#include "kiv/checker_statements.h"
#include "kiv/diagnostics.h"
#include "kiv/source_map.h"
#include "tests/support/record_reader.h"

namespace {

using kiv::bench::Profile;

// One generated source with every intermediate product the stages need,
// built once per (profile, size) and kept for the whole run.
struct Corpus {
  std::string source;
  std::string formatted;
  kiv::assembly::LabelTable labels;
  std::string object;  // kivAssembler.txt
  uint64_t instructions = 0;
};

const Corpus& GetCorpus(Profile profile, int64_t instructions) {
  static std::map<std::pair<Profile, int64_t>, std::unique_ptr<Corpus>> cache;
  auto& slot = cache[{profile, instructions}];
  if (!slot) {
    slot = std::make_unique<Corpus>();
    Corpus& c = *slot;
    c.instructions = static_cast<uint64_t>(instructions);
    c.source = kiv::bench::GenerateSourceText(
        {.profile = profile, .instructions = c.instructions, .seed = 1});
    kiv::assembly::AssemblyResult front = kiv::assembly::Assemble(c.source);
    if (front.status != kiv::assembly::Status::kSuccess) {
      std::fprintf(stderr, "micro_benchmarks: generated source does not encode:\n%s",
                   front.log.c_str());
      std::abort();
    }
    c.formatted = std::move(front.formatted);
    c.labels = std::move(front.labels);
    c.object = std::move(front.object_text);
  }
  return *slot;
}

void SetRates(benchmark::State& state, const Corpus& corpus, size_t bytes) {
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(corpus.instructions));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

// --- front end ------------------------------------------------------------

void BM_Normalise(benchmark::State& state) {
  const Corpus& c = GetCorpus(Profile::kTypical, state.range(0));
  for (auto _ : state) {
    std::string formatted = kiv::assembly::NormaliseSource(c.source);
    benchmark::DoNotOptimize(formatted.data());
  }
  SetRates(state, c, c.source.size());
}

// Tokenising as the encoding pass reads: blank-separated tokens.
void BM_Tokenise(benchmark::State& state) {
  const Corpus& c = GetCorpus(Profile::kTypical, state.range(0));
  for (auto _ : state) {
    kiv::assembly::SourceScanner scanner(c.formatted);
    std::string_view token;
    size_t tokens = 0;
    while (scanner.NextToken(token)) ++tokens;
    benchmark::DoNotOptimize(tokens);
  }
  SetRates(state, c, c.formatted.size());
}

void BM_LabelPass(benchmark::State& state) {
  const auto profile = static_cast<Profile>(state.range(1));
  const Corpus& c = GetCorpus(profile, state.range(0));
  for (auto _ : state) {
    kiv::assembly::LabelTable table;
    kiv::assembly::Log log;
    kiv::assembly::BuildLabelList(c.formatted, table, log);
    benchmark::DoNotOptimize(table.size());
  }
  SetRates(state, c, c.formatted.size());
}

// The label pass as the check runs it: every definition also listed, as it
// is entered, for a walk on another thread.
void BM_LabelPassListed(benchmark::State& state) {
  const auto profile = static_cast<Profile>(state.range(1));
  const Corpus& c = GetCorpus(profile, state.range(0));
  for (auto _ : state) {
    kiv::assembly::LabelTable table;
    kiv::assembly::Log log;
    std::vector<kiv::assembly::DefinedLabel> defined;
    std::atomic<size_t> listed{0};
    kiv::assembly::BuildLabelList(c.formatted, table, log, {}, defined, &listed);
    benchmark::DoNotOptimize(defined.data());
  }
  SetRates(state, c, c.formatted.size());
}

void BM_Encode(benchmark::State& state) {
  const auto profile = static_cast<Profile>(state.range(1));
  const Corpus& c = GetCorpus(profile, state.range(0));
  for (auto _ : state) {
    std::string object;
    kiv::assembly::Log log;
    kiv::assembly::EncodeProgram(c.formatted, c.labels, log, object);
    benchmark::DoNotOptimize(object.data());
  }
  SetRates(state, c, c.formatted.size());
}

// Look-ups of existing names in random order, from a table of the given size.
void BM_LabelLookup(benchmark::State& state) {
  const auto size = static_cast<int32_t>(state.range(0));
  kiv::assembly::LabelTable table;
  std::vector<std::string> names;
  names.reserve(static_cast<size_t>(size));
  for (int32_t i = 0; i < size; ++i) {
    names.push_back("compute_partial_sum_" + std::to_string(i));
    table.InsertLabel(names.back(), i);
  }
  std::vector<size_t> order(1 << 16);
  std::mt19937_64 random(1);
  for (size_t& o : order) o = random() % names.size();
  size_t next = 0;
  int64_t sum = 0;
  for (auto _ : state) {
    int32_t index = 0;
    table.FindLabel(names[order[next++ & 0xffff]], index);
    sum += index;
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations());
}

// --- shared record format ---------------------------------------------------

void BM_RecordParse(benchmark::State& state) {
  const Corpus& c = GetCorpus(Profile::kTypical, state.range(0));
  for (auto _ : state) {
    kiv::RecordReader reader(c.object);
    uint64_t sum = 0;
    for (kiv::Item item = reader.Next(); item.kind != kiv::ItemKind::kEndOfFile;
         item = reader.Next()) {
      sum += item.body;
    }
    benchmark::DoNotOptimize(sum);
  }
  SetRates(state, c, c.object.size());
}

// The back end's own reading of the same text: all records into a list.
void BM_DecodeRecords(benchmark::State& state) {
  const Corpus& c = GetCorpus(Profile::kTypical, state.range(0));
  for (auto _ : state) {
    kiv::assembler::RecordList records;
    kiv::assembler::DecodeRecords(c.object, records);
    benchmark::DoNotOptimize(records.entries().data());
  }
  SetRates(state, c, c.object.size());
}

void BM_HexFormat(benchmark::State& state) {
  std::vector<uint32_t> values(4096);
  std::mt19937 random(1);
  for (uint32_t& v : values) v = static_cast<uint32_t>(random() >> (random() % 32));
  std::string out;
  out.reserve(values.size() * 32);
  for (auto _ : state) {
    out.clear();
    for (const uint32_t v : values) {
      kiv::AppendHex(out, v);
      kiv::AppendHexFixed(out, v, 8);
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(values.size()) * 2);
}

// --- back end ---------------------------------------------------------------

// Packing alone: the records read beforehand, three slots to a bundle.
void BM_Pack(benchmark::State& state) {
  const Corpus& c = GetCorpus(Profile::kTypical, state.range(0));
  std::vector<kiv::Item> items;
  kiv::RecordReader reader(c.object);
  for (kiv::Item item = reader.Next(); item.kind != kiv::ItemKind::kEndOfFile;
       item = reader.Next()) {
    if (item.kind == kiv::ItemKind::kInstruction) items.push_back(item);
  }
  for (auto _ : state) {
    kiv::assembler::OutputBuffer image;
    kiv::assembler::OutputBuffer listing;
    kiv::assembler::BundlePacker packer(image, listing);
    for (const kiv::Item& item : items) packer.PackInstruction(item.head, item.body, item.second);
    packer.EndBundle();
    packer.Finish();
    benchmark::DoNotOptimize(listing.view().data());
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(items.size()));
}

// The back end's two passes on the text in memory, files aside.
void BM_BackEndPasses(benchmark::State& state) {
  const auto profile = static_cast<Profile>(state.range(1));
  const Corpus& c = GetCorpus(profile, state.range(0));
  for (auto _ : state) {
    const kiv::assembler::PackResult packed = kiv::assembler::Pack(c.object);
    benchmark::DoNotOptimize(packed.image.data());
  }
  SetRates(state, c, c.object.size());
}

// --- kiv ------------------------------------------------------------------

// The check's statement walk on one thread, with the labels final: the part
// of `kiv check` that stands for the encoding pass.
void BM_CheckWalk(benchmark::State& state) {
  const auto profile = static_cast<Profile>(state.range(1));
  const Corpus& c = GetCorpus(profile, state.range(0));
  std::vector<kiv::tool::LabelDefinition> definitions =
      kiv::tool::ScanLabelDefinitions(c.formatted);
  const kiv::tool::SourceMap lines(c.formatted);
  for (auto _ : state) {
    kiv::tool::Report report;
    kiv::tool::WalkOptions options;
    options.definitions = definitions;
    const kiv::tool::ProgramFacts facts =
        kiv::tool::WalkStatements(c.formatted, lines, c.labels, report, options);
    benchmark::DoNotOptimize(facts.transfers.size());
  }
  SetRates(state, c, c.formatted.size());
}

// The whole check of a source in memory, both threads, printing aside.
void BM_CheckSource(benchmark::State& state) {
  const auto profile = static_cast<Profile>(state.range(1));
  const Corpus& c = GetCorpus(profile, state.range(0));
  for (auto _ : state) {
    const std::vector<kiv::tool::Diagnostic> diagnostics = kiv::tool::CheckSource(c.source);
    benchmark::DoNotOptimize(diagnostics.data());
  }
  SetRates(state, c, c.source.size());
}

// Printing what the check found, with source and caret lines, to nowhere.
void BM_PrintDiagnostics(benchmark::State& state) {
  const auto profile = static_cast<Profile>(state.range(1));
  const Corpus& c = GetCorpus(profile, state.range(0));
  const std::vector<kiv::tool::Diagnostic> diagnostics = kiv::tool::CheckSource(c.source);
  std::ofstream nowhere("/dev/null");
  for (auto _ : state) {
    kiv::tool::PrintDiagnostics(nowhere, "kivAssembly.txt", c.source, diagnostics, false);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(diagnostics.size()));
}

constexpr int64_t kTypical = static_cast<int64_t>(Profile::kTypical);
constexpr int64_t kLabelHeavy = static_cast<int64_t>(Profile::kLabelHeavy);
constexpr int64_t kBoundaryHeavy = static_cast<int64_t>(Profile::kBoundaryHeavy);
constexpr int64_t kDataHeavy = static_cast<int64_t>(Profile::kDataHeavy);
constexpr int64_t kLean = static_cast<int64_t>(Profile::kLean);

void Sizes(benchmark::internal::Benchmark* b) {
  for (const int64_t n : {10000, 100000, 1000000}) b->Arg(n);
  b->Unit(benchmark::kMillisecond);
}

void SizesAndProfiles(benchmark::internal::Benchmark* b) {
  b->ArgNames({"instructions", "profile"});
  for (const int64_t n : {10000, 100000, 1000000}) b->Args({n, kTypical});
  for (const int64_t p : {kLabelHeavy, kBoundaryHeavy, kDataHeavy, kLean}) b->Args({1000000, p});
  b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Normalise)->Apply(Sizes);
BENCHMARK(BM_Tokenise)->Apply(Sizes);
BENCHMARK(BM_LabelPass)->Apply(SizesAndProfiles);
BENCHMARK(BM_LabelPassListed)->Apply(SizesAndProfiles);
BENCHMARK(BM_Encode)->Apply(SizesAndProfiles);
BENCHMARK(BM_LabelLookup)->Arg(1000)->Arg(100000)->Arg(1000000);
BENCHMARK(BM_RecordParse)->Apply(Sizes);
BENCHMARK(BM_DecodeRecords)->Apply(Sizes);
BENCHMARK(BM_HexFormat);
BENCHMARK(BM_Pack)->Apply(Sizes);
BENCHMARK(BM_BackEndPasses)->Apply(SizesAndProfiles);
BENCHMARK(BM_CheckWalk)->Apply(SizesAndProfiles);
BENCHMARK(BM_CheckSource)->Apply(SizesAndProfiles);
BENCHMARK(BM_PrintDiagnostics)->Apply(SizesAndProfiles);

}  // namespace

BENCHMARK_MAIN();

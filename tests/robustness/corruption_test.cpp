// The real audit binary on two worlds, the hand-made small one and the generated sample
// world (small scale), damaged in every way a file can be: cut short, bits flipped,
// directory branches and block chains made to loop, counts and texture sizes set to their
// maximum. Every run must end by itself within seconds and bounded memory with status 0
// or 1, and a run that ends with 0 has written a complete JSON document and contact sheet.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "quillfen/dat/database.hpp"
#include "robustness/damaged_world.hpp"
#include "robustness/tool_run.hpp"
#include "support/temp_dir.hpp"

namespace quillfen::testing {
namespace {

using namespace world_ids;

// The hand-made world: small, every record kind, and patchable record by record.
const DatImages& small_world() {
  static const DatImages images = build_world();
  return images;
}

// The generated sample world (small scale), built with the tests when its generator is.
const DatImages& sample_world() {
  static const DatImages images = [] {
#ifdef QUILLFEN_SAMPLE_WORLD_DIR
    const std::filesystem::path dir = QUILLFEN_SAMPLE_WORLD_DIR;
    return DatImages{read_file_bytes(dir / "client_portal.dat"), read_file_bytes(dir / "client_cell_1.dat")};
#else
    return DatImages{};
#endif
  }();
  return images;
}

struct Damage {
  std::string name;
  DatImages images;
};

// One family of damaged worlds; each test runs the tool on all of its members.
struct Family {
  std::string name;
  std::function<std::vector<Damage>()> make;
};

std::vector<Damage> truncations(const DatImages& world, bool portal, int count) {
  std::vector<Damage> out;
  const Bytes& whole = portal ? world.portal : world.cell;
  // The header's edges, then points spread over the whole file.
  std::vector<std::size_t> sizes = {0, 1, 319, 320, 321, 399, 400, whole.size() - 1};
  for (int i = 1; i <= count; ++i) sizes.push_back(400 + (whole.size() - 400) * i / (count + 1));
  for (const std::size_t size : sizes) {
    DatImages images = world;
    (portal ? images.portal : images.cell).resize(size);
    out.push_back({fmt::format("{} cut to {} bytes", portal ? "portal" : "cell", size), std::move(images)});
  }
  return out;
}

std::vector<Damage> bit_flips(const DatImages& world, bool portal, int count) {
  std::vector<Damage> out;
  for (int seed = 0; seed < count; ++seed) {
    std::mt19937 rng(static_cast<std::uint32_t>(seed));
    DatImages images = world;
    flip_bits(portal ? images.portal : images.cell, rng, 1 + seed % 24);
    out.push_back({fmt::format("{} with bits flipped, seed {}", portal ? "portal" : "cell", seed), std::move(images)});
  }
  return out;
}

// Branch slot `slot` of the node at `node` (the slots lie in the node's first block).
void set_branch(Bytes& image, std::uint32_t node, std::uint32_t slot, std::uint32_t target) {
  put_u32(image, chain_byte_offset(image, node, 4 * slot), target);
}

// Damage to the root and to the first few other nodes of each directory.
std::vector<Damage> directory_loops(const DatImages& world, std::size_t nodes_damaged) {
  std::vector<Damage> out;
  const auto damage = [&](std::string name, bool portal, const std::function<void(Bytes&)>& change) {
    DatImages images = world;
    change(portal ? images.portal : images.cell);
    out.push_back({std::move(name), std::move(images)});
  };
  for (const bool portal : {true, false}) {
    const Bytes& image = portal ? world.portal : world.cell;
    const auto nodes = directory_nodes(image);
    const std::uint32_t root = nodes.front();
    const char* which = portal ? "portal" : "cell";
    damage(fmt::format("{} root branches to itself", which), portal, [&](Bytes& b) { set_branch(b, root, 0, root); });
    damage(fmt::format("{} root branches past the file", which), portal,
           [&](Bytes& b) { set_branch(b, root, 0, 0xFFFFFF00u); });
    damage(fmt::format("{} root's entry count is the maximum", which), portal,
           [&](Bytes& b) { put_u32(b, chain_byte_offset(b, root, dat::kBranchSlots * 4), 0xFFFFFFFFu); });
    damage(fmt::format("{} root's first block links to itself", which), portal, [&](Bytes& b) { put_u32(b, root, root); });
    damage(fmt::format("{} root offset past the file", which), portal,
           [&](Bytes& b) { put_u32(b, kRootOffsetField, 0xFFFFFFF0u); });
    for (std::size_t i = 1; i < std::min(nodes.size(), nodes_damaged + 1); ++i) {
      damage(fmt::format("{} node {} branches back to the root", which, i), portal,
             [&](Bytes& b) { set_branch(b, nodes[i], 0, root); });
      damage(fmt::format("{} node {} branches to itself from its last slot", which, i), portal, [&](Bytes& b) {
        set_branch(b, nodes[i], 0, nodes[i == 1 ? nodes.size() - 1 : 1]);  // to a sibling
        set_branch(b, nodes[i], dat::kBranchSlots - 1, nodes[i]);
        put_u32(b, chain_byte_offset(b, nodes[i], dat::kBranchSlots * 4), 61);
      });
    }
  }
  return out;
}

// Loops in the chains of about `count` files of each DAT, spread over its directory.
std::vector<Damage> chain_loops(const DatImages& world, std::size_t count) {
  std::vector<Damage> out;
  for (const bool portal : {true, false}) {
    const Bytes& image = portal ? world.portal : world.cell;
    const auto chains = file_chains(image);
    const char* which = portal ? "portal" : "cell";
    for (std::size_t i = 0; i < chains.size(); i += std::max<std::size_t>(1, chains.size() / count)) {
      const std::uint32_t first = chains[i];
      DatImages self = world;
      Bytes& b = portal ? self.portal : self.cell;
      put_u32(b, first, first);
      out.push_back({fmt::format("{} chain at 0x{:X} links to itself", which, first), self});
      // With 4-byte blocks no block but the last carries data: a loop never fills anything.
      put_u32(b, kBlockSizeField, 4);
      out.push_back({fmt::format("{} chain at 0x{:X} loops in 4-byte blocks", which, first), std::move(self)});
      const std::uint32_t second = get_u32(image, first);
      if (second != 0) {
        DatImages cycle = world;
        put_u32(portal ? cycle.portal : cycle.cell, second, first);
        out.push_back({fmt::format("{} chain at 0x{:X} loops over two blocks", which, first), std::move(cycle)});
      }
    }
  }
  return out;
}

// Records rewritten with a count or a dimension at its largest value.
std::vector<Damage> maximum_counts() {
  struct Patch {
    std::string name;
    std::uint32_t id;
    std::size_t offset;
    std::uint32_t value;
  };
  const std::vector<Patch> patches = {
      {"DXT1 texture 0x7FFFFFFF wide", kDxt1Texture, 8, 0x7FFFFFFF},
      {"DXT1 texture 0x7FFFFFFF high", kDxt1Texture, 12, 0x7FFFFFFF},
      {"DXT1 texture -1 wide", kDxt1Texture, 8, 0xFFFFFFFF},
      {"DXT1 texture 8193 wide", kDxt1Texture, 8, 8193},
      {"DXT1 texture 4096 x 4096 from 32 bytes", kDxt1Texture, 8, 4096},
      {"RGB texture 0x7FFFFFFF wide", kRgbTexture, 8, 0x7FFFFFFF},
      {"RGB texture length 0x7FFFFFFF", kRgbTexture, 20, 0x7FFFFFFF},
      {"RGB texture length -1", kRgbTexture, 20, 0xFFFFFFFF},
      {"P8 texture 8192 high", kP8Texture, 12, 8192},
      {"palette count 0x7FFFFFFF", kPalette, 4, 0x7FFFFFFF},
      {"palette count -1", kPalette, 4, 0xFFFFFFFF},
      {"surface texture count 0x7FFFFFFF", kSurfaceTexture, 9, 0x7FFFFFFF},
      {"GfxObj surface count 2^30 - 1", kGfxObj, 8, 0xFFFFFFFF},
      {"SetupModel part count 0xFFFFFFFF", kSetup, 8, 0xFFFFFFFF},
      {"LandblockInfo object count 0xFFFFFFFF", kLandblockInfo, 8, 0xFFFFFFFF},
      {"EnvCell counts at their maximum", kEnvCell, 12, 0xFFFFFFFF},
  };
  std::vector<Damage> out;
  for (const Patch& p : patches) {
    out.push_back({p.name, build_world([&](std::uint32_t id, Bytes& bytes) {
                     if (id == p.id) put_u32(bytes, p.offset, p.value);
                     // A square DXT image, both sides at the limit.
                     if (id == p.id && p.value == 4096) put_u32(bytes, 12, 4096);
                   })});
  }
  // Directory entries whose size is the largest there is, and compressed files whose
  // stream declares the largest output.
  TempDir dir;
  write_file_bytes(dir / "portal.dat", small_world().portal);
  const auto db = dat::DatDatabase::open(dir / "portal.dat");
  int compressed = 0;
  for (const auto& entry : db->files()) {
    if (!entry.is_compressed() || entry.size < 4 || compressed++ > 4) continue;
    DatImages images = small_world();
    put_u32(images.portal, chain_byte_offset(images.portal, entry.offset, 0), 0xFFFFFFFFu);
    out.push_back({fmt::format("file 0x{:08X} declares 4 GiB uncompressed", entry.id), std::move(images)});
  }
  const auto nodes = directory_nodes(small_world().portal);
  for (std::uint32_t i = 0; i < 3; ++i) {
    DatImages images = small_world();
    put_u32(images.portal, chain_byte_offset(images.portal, nodes.front(), 252 + 24 * i + 12), 0xFFFFFFFFu);
    out.push_back({fmt::format("root entry {} has size 0xFFFFFFFF", i), std::move(images)});
  }
  return out;
}

class Corruption : public ::testing::TestWithParam<Family> {};

TEST_P(Corruption, EveryRunEndsCleanly) {
  if (GetParam().name.starts_with("SampleWorld") && sample_world().portal.empty()) {
    GTEST_SKIP() << "the sample world generator is not part of this build";
  }
  const auto damages = GetParam().make();
  ASSERT_FALSE(damages.empty());
  int completed = 0;
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.name);
    TempDir dir;
    const ToolRun run = run_tool_on(dir, damage.images);
    ASSERT_FALSE(run.result.timed_out);
    ASSERT_TRUE(run.result.exit_status == 0 || run.result.exit_status == 1)
        << "status " << run.result.exit_status << "\n" << run.result.err.substr(0, 4000);
    EXPECT_TRUE(run.dats_unchanged);
    EXPECT_TRUE(run.only_outputs_written) << run.unexpected_files;
    if (run.result.exit_status == 0) {
      ++completed;
      EXPECT_TRUE(nlohmann::json::accept(read_text(dir / "out" / "audit.json")));
      EXPECT_TRUE(read_text(dir / "out" / "sheet.ppm").starts_with("P6\n"));
    } else {
      EXPECT_NE(run.result.err.find("Error: "), std::string::npos) << run.result.err;
    }
  }
  RecordProperty("completed_runs", completed);
}

INSTANTIATE_TEST_SUITE_P(
    DamagedWorld, Corruption,
    ::testing::Values(
        Family{"SmallWorldPortalTruncated", [] { return truncations(small_world(), true, 24); }},
        Family{"SmallWorldCellTruncated", [] { return truncations(small_world(), false, 12); }},
        Family{"SmallWorldPortalBitsFlipped", [] { return bit_flips(small_world(), true, 40); }},
        Family{"SmallWorldCellBitsFlipped", [] { return bit_flips(small_world(), false, 24); }},
        Family{"SmallWorldDirectoryLoops", [] { return directory_loops(small_world(), 4); }},
        Family{"SmallWorldChainLoops", [] { return chain_loops(small_world(), 12); }},
        Family{"SmallWorldMaximumCounts", maximum_counts},
        // Each run decodes a whole landblock of real size: fewer of them.
        Family{"SampleWorldPortalTruncated", [] { return truncations(sample_world(), true, 8); }},
        Family{"SampleWorldCellTruncated", [] { return truncations(sample_world(), false, 4); }},
        Family{"SampleWorldPortalBitsFlipped", [] { return bit_flips(sample_world(), true, 12); }},
        Family{"SampleWorldCellBitsFlipped", [] { return bit_flips(sample_world(), false, 8); }},
        Family{"SampleWorldDirectoryLoops", [] { return directory_loops(sample_world(), 2); }},
        Family{"SampleWorldChainLoops", [] { return chain_loops(sample_world(), 4); }}),
    [](const auto& family) { return family.param.name; });

// The undamaged world decodes: the damage above is measured against a working audit.
TEST(Corruption, UndamagedWorldAuditsEverySurface) {
  TempDir dir;
  const ToolRun run = run_tool_on(dir, small_world());
  ASSERT_EQ(run.result.exit_status, 0) << run.result.err;
  const auto doc = nlohmann::json::parse(read_text(dir / "out" / "audit.json"));
  EXPECT_EQ(doc["total_surfaces"], 4);
  EXPECT_EQ(run.result.err.find("warn"), std::string::npos) << run.result.err;
}

}  // namespace
}  // namespace quillfen::testing

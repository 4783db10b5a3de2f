// The world audit against the single-landblock path it must agree with: the same surface
// sets, the same audits, and with a pixel budget that runs out, the same refusals as
// spending it in ascending id order, whatever the number of threads.
#include "world-audit/world_audit.hpp"

#include <gtest/gtest.h>
#include <tbb/task_arena.h>

#include <atomic>
#include <string>
#include <vector>

#include "quillfen/dat/discovery.hpp"
#include "quillfen/dat/file_type/env_cell.hpp"
#include "quillfen/dat/file_type/gfx_obj.hpp"
#include "quillfen/dat/file_type/setup_model.hpp"
#include "quillfen/dat/file_type/surface.hpp"
#include "quillfen/dat/file_type/surface_texture.hpp"
#include "quillfen/dat/file_type/texture.hpp"
#include "quillfen/dat/ids.hpp"
#include "quillfen/dat/landblock.hpp"
#include "support/dat_pair.hpp"
#include "support/temp_dir.hpp"
#include "surface-classify-audit/decode_pass.hpp"
#include "world-audit/world_documents.hpp"

namespace quillfen::world {
namespace {

namespace ft = dat::file_type;
namespace ids = dat::ids;

constexpr std::uint32_t kSurfaces = 40;

// Surfaces 0x08000001..0x08000028: every fourth a solid colour, the rest A8 textures of
// 4..13 pixels a side; 0x08000028 names a missing SurfaceTexture. GfxObjs each list a
// window of them; SetupModels combine GfxObjs; six landblocks place them and name a few
// surfaces from their cells, sharing much of it.
class WorldAuditTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new testing::TempDir;
    testing::DatPair pair;
    for (std::uint32_t n = 1; n <= kSurfaces; ++n) {
      ft::Surface surface;
      if (n % 4 == 0) {
        surface.color_value = 0xFF000000 | (n * 0x030507);
      } else {
        surface.surface_type = dat::surface_flags::kTextured;
        surface.texture_refs = ft::TextureRefs{0x05000000 | n, 0};
        ft::SurfaceTexture st;
        st.textures = {0x06000000 | n};
        if (n != kSurfaces - 1) pair.portal(0x05000000 | n, st);
        ft::Texture texture;
        texture.width = static_cast<std::int32_t>(4 + n % 10);
        texture.height = texture.width;
        texture.format_raw = static_cast<std::uint32_t>(ft::TextureFormat::A8);
        texture.source_data.assign(static_cast<std::size_t>(texture.width * texture.height),
                                   static_cast<std::uint8_t>(n * 6));
        pair.portal(0x06000000 | n, texture);
      }
      pair.portal(ids::surface_id(static_cast<std::uint16_t>(n)), surface);
    }
    for (std::uint32_t g = 0; g < 8; ++g) {
      ft::GfxObj gfx;
      for (std::uint32_t n = 1 + g * 4; n <= std::min(kSurfaces, 8 + g * 5); ++n) gfx.surfaces.push_back(ids::surface_id(static_cast<std::uint16_t>(n)));
      pair.portal(0x01000000 | g, gfx);
    }
    ft::SetupModel setup;
    setup.parts = {0x01000001, 0x01000006, 0x01000006};
    pair.portal(0x02000001, setup);
    for (std::uint16_t b = 0; b < 6; ++b) {
      const auto key = static_cast<std::uint16_t>(0x1000 + b * 0x0101);
      dat::landblock::LandblockInfo info;
      info.objects.push_back({.id = 0x01000000u | b, .frame = {}});
      if (b % 2 == 0) info.objects.push_back({.id = 0x02000001, .frame = {}});
      pair.cell(ids::landblock_info_id(key), info);
      ft::env_cell::EnvCell cell;
      cell.surfaces = {static_cast<std::uint16_t>(kSurfaces - b), static_cast<std::uint16_t>(2 + b)};
      pair.cell(ids::cell_id(key, 0x0100), cell);
      keys_.push_back(key);
    }
    pair.write(*dir_ / "portal.dat", *dir_ / "cell.dat");
    portal_ = new dat::DatDatabase(std::move(*dat::DatDatabase::open(*dir_ / "portal.dat")));
    cell_ = new dat::DatDatabase(std::move(*dat::DatDatabase::open(*dir_ / "cell.dat")));
  }
  static void TearDownTestSuite() {
    delete portal_;
    delete cell_;
    delete dir_;
  }

  static WorldAudit audit(int threads, std::uint64_t budget, const OnImage& on_image = {}) {
    WorldAuditSettings settings;
    settings.pixel_budget = budget;
    settings.on_image = on_image;
    AuditCounters counters;
    WorldAudit world;
    tbb::task_arena arena(threads);
    arena.execute([&] { world = std::move(*audit_world(keys_, *portal_, *cell_, settings, counters)); });
    EXPECT_EQ(counters.landblocks_done.load(), keys_.size());
    EXPECT_EQ(counters.surfaces_done.load(), world.surfaces.size());
    return world;
  }

  // Everything the run decided, as text: each surface's audit or failure and its users.
  static std::string outcome(const WorldAudit& world) {
    return serialize_surfaces_doc(world) + serialize_warnings_doc(world);
  }

  static inline testing::TempDir* dir_ = nullptr;
  static inline dat::DatDatabase* portal_ = nullptr;
  static inline dat::DatDatabase* cell_ = nullptr;
  static inline std::vector<std::uint16_t> keys_;
};

TEST_F(WorldAuditTest, EachLandblockGetsWhatItsOwnDiscoveryAndDecodeGive) {
  const WorldAudit world = audit(2, dat::kMaxDecodedPixels);
  ASSERT_EQ(world.landblocks.size(), keys_.size());
  for (const AuditedLandblock& landblock : world.landblocks) {
    std::vector<std::uint32_t> ids;
    for (const std::uint32_t index : landblock.surfaces) ids.push_back(world.surfaces[index].id);
    EXPECT_EQ(ids, dat::discover_surfaces(landblock.key, *portal_, *cell_)) << landblock.key;
  }
  std::size_t failed = 0;
  for (const AuditedSurface& surface : world.surfaces) {
    dat::PixelBudget budget;
    const auto single = audit::classify_one(surface.id, *portal_, budget);
    ASSERT_EQ(single.has_value(), surface.audit.has_value()) << surface.id;
    if (single) {
      EXPECT_EQ(single->audit, *surface.audit);
    } else {
      ++failed;
      EXPECT_EQ(surface.failure, "SurfaceTexture 0x05000027: File ID 05000027 not found in provider");
    }
    EXPECT_TRUE(std::is_sorted(surface.landblocks.begin(), surface.landblocks.end()));
    for (const std::uint16_t key : surface.landblocks) {
      const auto& users = world.landblocks[static_cast<std::size_t>(
                                               std::find(keys_.begin(), keys_.end(), key) - keys_.begin())]
                              .surfaces;
      const auto index = static_cast<std::uint32_t>(&surface - world.surfaces.data());
      EXPECT_NE(std::find(users.begin(), users.end(), index), users.end());
    }
  }
  EXPECT_EQ(failed, 1u);
}

TEST_F(WorldAuditTest, EveryDecodedImageIsHandedOverOnce) {
  std::vector<std::atomic<int>> seen(kSurfaces + 1);
  const WorldAudit world = audit(4, dat::kMaxDecodedPixels, [&](std::size_t index, const dat::SurfaceImage&) {
    seen[index].fetch_add(1);
  });
  for (std::size_t i = 0; i < world.surfaces.size(); ++i) {
    EXPECT_EQ(seen[i].load(), world.surfaces[i].audit ? 1 : 0) << i;
  }
}

// A budget that runs out part way: the surfaces it refuses are those that spending it in
// ascending id order refuses, as the single tool does, with one thread or four.
TEST_F(WorldAuditTest, ARunOutBudgetRefusesTheSameSurfacesWhateverTheThreads) {
  constexpr std::uint64_t kBudget = 700;
  const WorldAudit reference = audit(1, kBudget);
  dat::PixelBudget in_order(kBudget);
  std::size_t refused = 0;
  for (const AuditedSurface& surface : reference.surfaces) {
    const bool decodes = audit::classify_one(surface.id, *portal_, in_order).has_value();
    EXPECT_EQ(decodes, surface.audit.has_value()) << surface.id;
    if (surface.failure.find("budget") != std::string::npos) ++refused;
  }
  EXPECT_GT(refused, 3u);
  for (int run = 0; run < 20; ++run) EXPECT_EQ(outcome(audit(4, kBudget)), outcome(reference)) << run;
}

// Work that grows with landblocks times what each reaches stops at a limit, with a run
// error that says which and what to do, instead of running away on a forged world.
TEST_F(WorldAuditTest, DiscoveryStopsAtItsLimits) {
  const auto run = [](DiscoveryLimits limits) {
    WorldAuditSettings settings;
    settings.limits = limits;
    AuditCounters counters;
    return audit_world(keys_, *portal_, *cell_, settings, counters);
  };
  const auto steps = run({.max_steps = 20, .max_pairs = 1000});
  ASSERT_FALSE(steps);
  EXPECT_EQ(steps.error(),
            "discovering the surfaces of these landblocks takes more than 20 steps, the most one run does; audit "
            "fewer landblocks at a time with --landblocks");
  const auto pairs = run({.max_steps = 1000, .max_pairs = 30});
  ASSERT_FALSE(pairs);
  EXPECT_EQ(pairs.error(),
            "the landblocks reach more than 30 surfaces counted once per landblock, the most one run holds; audit "
            "fewer landblocks at a time with --landblocks");

  // Exactly enough of both is enough.
  const WorldAudit world = audit(1, dat::kMaxDecodedPixels);
  std::uint64_t held = 0;
  for (const auto& landblock : world.landblocks) held += landblock.surfaces.size();
  EXPECT_TRUE(run({.max_steps = 1000, .max_pairs = held}));
  EXPECT_FALSE(run({.max_steps = 1000, .max_pairs = held - 1}));
}

}  // namespace
}  // namespace quillfen::world

// SetupModel assembly and animation hooks: every hook type reads back with the payload
// length its type takes, and a setup decodes whole with the lists its flags ask for.
#include "sample-world/setup_builder.hpp"

#include <gtest/gtest.h>

#include "sample-world/rng.hpp"
#include "world_test_support.hpp"

namespace quillfen::sample {
namespace {

using dat::file_type::AnimationHook;
using dat::file_type::SetupModel;

TEST(SetupBuilderTest, EveryHookTypeReadsBackWithItsPayloadLength) {
  Rng rng(7);
  for (std::uint32_t type = 0; type <= dat::file_type::kMaxHookType; ++type) {
    for (const bool long_form : {false, true}) {
      const AnimationHook hook = make_hook(type, rng, long_form);
      const auto bytes = testing::packed(hook);
      // A hook, its 8-byte header included, always ends on a multiple of 4.
      EXPECT_EQ(bytes.size() % 4, 0u) << type;
      dat::Reader reader(bytes);
      const auto read = AnimationHook::read(reader);
      ASSERT_TRUE(read) << type << ": " << read.error().message();
      EXPECT_EQ(*read, hook) << type;
      EXPECT_EQ(reader.remaining(), 0u) << type;
      const std::size_t expected =
          type == dat::file_type::kVariableHookType ? (long_form ? 8 : 4) : *dat::file_type::hook_payload_size(type);
      EXPECT_EQ(hook.payload.size(), expected) << type;
    }
  }
}

struct SetupCase {
  const char* name;
  bool parent_indices;
  bool default_scales;
  std::uint32_t flags;
};

class SetupBuilderTest : public ::testing::TestWithParam<SetupCase> {};

TEST_P(SetupBuilderTest, DecodesWholeWithItsPartsAndPlacements) {
  Rng rng(3);
  SetupDesign design;
  design.parts = {{0x01000010, place(0, 0, 0)}, {0x01000011, place(0, 0, 3), 0}, {0x01000010, place(1, 0, 3, 90), 1}};
  design.parts[2].scale = vec(0.5, 0.5, 0.5);
  design.parent_indices = GetParam().parent_indices;
  design.default_scales = GetParam().default_scales;
  design.hooks = {make_hook(5, rng, true), make_hook(13, rng), make_hook(0, rng)};
  design.lights = {make_light(0, 0, 2, 0xFFFFC070, 1.0f, 4.0f)};
  design.cyl_spheres = {{vec(0, 0, 0), 1.0f, 3.0f}};
  design.sound_table = 0x20000011;
  const SetupModel setup = make_setup(0x02000042, design);
  EXPECT_EQ(setup.flags, GetParam().flags);

  const auto read = testing::unpack_from_reader<SetupModel>(testing::packed(setup));
  ASSERT_TRUE(read) << read.error().message();
  EXPECT_EQ(*read, setup);
  EXPECT_EQ(read->parts, (std::vector<std::uint32_t>{0x01000010, 0x01000011, 0x01000010}));
  EXPECT_EQ(read->parent_indices.size(), GetParam().parent_indices ? 3u : 0u);
  if (GetParam().parent_indices) {
    EXPECT_EQ(read->parent_indices[2], 1u);
  }
  EXPECT_EQ(read->default_scales.size(), GetParam().default_scales ? 3u : 0u);
  // The default pose carries the hooks, the resting pose only the frames.
  const auto* pose = read->placements.find(kDefaultPlacement);
  const auto* resting = read->placements.find(kRestingPlacement);
  ASSERT_NE(pose, nullptr);
  ASSERT_NE(resting, nullptr);
  EXPECT_EQ(pose->frames.size(), 3u);
  EXPECT_EQ(pose->hooks.size(), 3u);
  EXPECT_EQ(resting->frames, pose->frames);
  EXPECT_TRUE(resting->hooks.empty());
  EXPECT_EQ(read->lights.size(), 1u);
  EXPECT_EQ(read->linked_ids[1], 0x20000011u);
  EXPECT_FALSE(read->linked_ids[0].has_value());
}

INSTANTIATE_TEST_SUITE_P(Flags, SetupBuilderTest,
                         ::testing::Values(SetupCase{"Plain", false, false, 0x00},
                                           SetupCase{"Parents", true, false, 0x01},
                                           SetupCase{"Scales", false, true, 0x02}, SetupCase{"Both", true, true, 0x03}),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace quillfen::sample

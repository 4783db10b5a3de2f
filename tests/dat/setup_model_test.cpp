// SetupModel: the per-part lists, the keyed tables, placements with animation hooks of
// every type, the two decode errors, field frames and round trips.
#include "quillfen/dat/file_type/setup_model.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "dat/model_test_support.hpp"

namespace quillfen::dat::file_type {
namespace {

using testing::field;
using testing::frame_texts;
using testing::packed;
using testing::prefix;
using testing::value_at;
using Texts = std::vector<std::string>;

// Writes a SetupModel field by field; each call is one row of the record's layout.
struct SetupBytes : testing::FieldBytes<SetupBytes> {
  SetupBytes& sphere(float radius) {
    Sphere{{0.0f, 0.0f, 0.0f}, radius}.pack(w);
    return *this;
  }
  SetupBytes& head(std::uint32_t flags, std::uint32_t parts, std::uint32_t id = 0x0200ABCD) {
    u32(id).u32(flags).u32(parts);
    for (std::uint32_t i = 0; i < parts; ++i) u32(0x01000000 + i);
    return *this;
  }
  SetupBytes& hook(std::uint32_t type, std::uint32_t param, std::vector<std::uint8_t> payload) {
    u32(type).u32(param);
    w.write_bytes(payload);
    return *this;
  }
  // Everything after the placements, with empty lists and maps and the given linked ids.
  SetupBytes& tail(std::array<std::uint32_t, 5> linked = {}) {
    u32(0).u32(0);                   // cyl_spheres, spheres
    u32(1).u32(2).u32(3).u32(4);     // scalar_values
    sphere(1.0f).sphere(2.0f);       // sphere_1, sphere_2
    u32(0);                          // lights
    for (const auto id : linked) u32(id);
    return *this;
  }
};

ReadResult<SetupModel> decode(const std::vector<std::uint8_t>& bytes, std::size_t* position = nullptr) {
  Reader reader(bytes);
  auto setup = SetupModel::unpack(reader);
  if (position != nullptr) *position = reader.position();
  return setup;
}

std::vector<std::uint8_t> bytes_of(std::size_t n, std::uint8_t first = 1) {
  std::vector<std::uint8_t> out(n);
  for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(first + i);
  return out;
}

TEST(SetupModel, EmptyRecordIs104Bytes) {
  SetupBytes b;
  b.head(0, 0).u32(0).u32(0).i32(0).tail();
  ASSERT_EQ(b.w.size(), 104u);
  b.u32(0xFFFFFFFF);  // ignored
  std::size_t position = 0;
  const auto setup = decode(b.w.bytes(), &position);
  ASSERT_TRUE(setup.has_value()) << setup.error().message();
  EXPECT_EQ(position, 104u);
  EXPECT_EQ(setup->id, 0x0200ABCDu);
  EXPECT_TRUE(setup->parts.empty());
  EXPECT_TRUE(setup->location_table_1.empty());
  EXPECT_TRUE(setup->placements.empty());
  EXPECT_TRUE(setup->lights.empty());
  EXPECT_EQ(setup->scalar_values, (std::array<std::uint32_t, 4>{1, 2, 3, 4}));
  EXPECT_EQ(setup->sphere_1.radius, 1.0f);
  EXPECT_EQ(setup->sphere_2.radius, 2.0f);
  for (const auto& linked : setup->linked_ids) EXPECT_FALSE(linked.has_value());
}

TEST(SetupModel, FlagsBringParentIndicesThenScales) {
  SetupBytes b;
  b.head(0x03, 2).u32(7).u32(8);
  Vector3{1.0f, 1.0f, 1.0f}.pack(b.w);
  Vector3{2.0f, 2.0f, 2.0f}.pack(b.w);
  b.u32(0).u32(0).i32(0).tail();
  const auto setup = decode(b.w.bytes());
  ASSERT_TRUE(setup.has_value()) << setup.error().message();
  EXPECT_EQ(setup->parts, (std::vector<std::uint32_t>{0x01000000, 0x01000001}));
  EXPECT_EQ(setup->parent_indices, (std::vector<std::uint32_t>{7, 8}));
  EXPECT_EQ(setup->default_scales, (std::vector<Vector3>{{1.0f, 1.0f, 1.0f}, {2.0f, 2.0f, 2.0f}}));
  EXPECT_EQ(packed(*setup), b.w.bytes());
}

TEST(SetupModel, RepeatedKeysKeepTheLastValue) {
  SetupBytes b;
  b.head(0, 1);
  b.u32(2).u32(5).u32(100).frame(0.0f).u32(5).u32(200).frame(0.0f);  // location_table_1
  b.u32(0);
  b.i32(2).u32(9).frame(1.0f).u32(0).u32(9).frame(2.0f).u32(0);  // placements
  b.tail();
  const auto setup = decode(b.w.bytes());
  ASSERT_TRUE(setup.has_value()) << setup.error().message();
  ASSERT_EQ(setup->location_table_1.size(), 1u);
  EXPECT_EQ(value_at(setup->location_table_1, 5).part_id, 200u);
  ASSERT_EQ(setup->placements.size(), 1u);
  EXPECT_EQ(value_at(setup->placements, 9).frames.at(0).origin.x, 2.0f);
}

TEST(SetupModel, LinkedIdZeroIsAbsent) {
  SetupBytes b;
  b.head(0, 0).u32(0).u32(0).i32(0).tail({0, 5, 0, 0x0A000001, 0});
  const auto setup = decode(b.w.bytes());
  ASSERT_TRUE(setup.has_value());
  EXPECT_EQ(setup->linked_ids, (std::array<std::optional<std::uint32_t>, 5>{std::nullopt, 5u, std::nullopt,
                                                                           0x0A000001u, std::nullopt}));
}

struct NegativeCase {
  std::uint32_t id;
  std::int32_t count;
  const char* message;
};

class SetupNegativeCount : public ::testing::TestWithParam<NegativeCase> {};

TEST_P(SetupNegativeCount, IsRejectedAfterTheCount) {
  SetupBytes b;
  b.head(0, 1, GetParam().id).u32(0).u32(0).i32(GetParam().count).tail();
  const auto setup = decode(b.w.bytes());
  ASSERT_FALSE(setup.has_value());
  const auto* custom = std::get_if<CustomError>(&setup.error().cause());
  ASSERT_NE(custom, nullptr);
  EXPECT_EQ(custom->message, GetParam().message);
  EXPECT_EQ(custom->position, 4u * 7);  // id, flags, count, one part, two table counts, the count
  EXPECT_TRUE(setup.error().frames().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Counts, SetupNegativeCount,
    ::testing::Values(NegativeCase{0x0200ABCD, -1, "SetupModel 0x0200ABCD declared negative placement count -1"},
                      NegativeCase{0x2F, INT32_MIN,
                                   "SetupModel 0x0000002F declared negative placement count -2147483648"}));

struct HookCase {
  std::uint32_t type;
  std::size_t payload_size;
};

class HookPayload : public ::testing::TestWithParam<HookCase> {};

TEST_P(HookPayload, HasTheLengthOfItsType) {
  const auto [type, size] = GetParam();
  const auto payload = bytes_of(size);
  ByteWriter w;
  w.write_u32_le(2);  // hook count
  SetupBytes hooks;
  hooks.hook(type, 0xABCD, payload).hook(1, 2, {9, 9, 9, 9});
  w.write_bytes(hooks.w.bytes());
  Reader reader(w.bytes());
  const auto placement = PlacementType::read(reader, 0);
  ASSERT_TRUE(placement.has_value()) << placement.error().message();
  EXPECT_EQ(reader.remaining(), 0u);
  ASSERT_EQ(placement->hooks.size(), 2u);
  EXPECT_EQ(placement->hooks[0], (AnimationHook{type, 0xABCD, payload}));
  EXPECT_EQ(placement->hooks[1].payload, (std::vector<std::uint8_t>{9, 9, 9, 9}));
  EXPECT_EQ(hook_payload_size(type), size);
}

INSTANTIATE_TEST_SUITE_P(
    Types, HookPayload,
    ::testing::Values(HookCase{0, 0}, HookCase{4, 0}, HookCase{17, 0}, HookCase{1, 4}, HookCase{2, 4},
                      HookCase{6, 4}, HookCase{14, 4}, HookCase{15, 4}, HookCase{16, 4}, HookCase{18, 4},
                      HookCase{25, 4}, HookCase{12, 8}, HookCase{19, 8}, HookCase{23, 8}, HookCase{8, 12},
                      HookCase{10, 12}, HookCase{20, 12}, HookCase{22, 12}, HookCase{24, 12}, HookCase{7, 16},
                      HookCase{9, 16}, HookCase{11, 16}, HookCase{21, 16}, HookCase{3, 28}, HookCase{13, 40},
                      HookCase{26, 40}));

struct VariableHookCase {
  const char* name;
  std::vector<std::uint8_t> payload;  // byte, u16 (LE), optional u16, alignment
  bool whole;
};

class VariableHook : public ::testing::TestWithParam<VariableHookCase> {};

TEST_P(VariableHook, ReadsThreeOrFiveBytesAndTheirAlignment) {
  const auto& c = GetParam();
  ByteWriter w;
  w.write_u32_le(1);
  w.write_u32_le(5);
  w.write_u32_le(0);
  w.write_bytes(c.payload);
  Reader reader(w.bytes());
  const auto placement = PlacementType::read(reader, 0);
  if (!c.whole) {
    ASSERT_FALSE(placement.has_value());
    EXPECT_TRUE(placement.error().is_eof());
    return;
  }
  ASSERT_TRUE(placement.has_value()) << placement.error().message();
  EXPECT_EQ(reader.remaining(), 0u);
  EXPECT_EQ(placement->hooks.at(0).payload, c.payload);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, VariableHook,
    ::testing::Values(VariableHookCase{"short", {0xAA, 0x01, 0x00, 0xEE}, true},
                      VariableHookCase{"long", {0xAA, 0x01, 0x80, 0x34, 0x12, 0xE1, 0xE2, 0xE3}, true},
                      VariableHookCase{"short_without_alignment", {0xAA, 0x01, 0x00}, false},
                      VariableHookCase{"long_without_alignment", {0xAA, 0x01, 0x80, 0x34, 0x12, 0xE1, 0xE2}, false},
                      VariableHookCase{"long_cut_in_second_word", {0xAA, 0x01, 0x80, 0x34}, false}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(AnimationHook, TypeAbove26IsRejectedAfterItsParam) {
  for (const auto& [type, message] : {std::pair{27u, "Unsupported AnimationHook type: 0x0000001B"},
                                      std::pair{0xFFFFFFFFu, "Unsupported AnimationHook type: 0xFFFFFFFF"}}) {
    SetupBytes b;
    b.head(0, 1).u32(0).u32(0).i32(1).u32(3).frame(0.0f).u32(2);
    b.hook(0, 0, {});
    b.hook(type, 7, {});
    const std::size_t after_param = b.w.size();
    b.w.write_zeros(64);
    const auto setup = decode(b.w.bytes());
    ASSERT_FALSE(setup.has_value());
    const auto* custom = std::get_if<CustomError>(&setup.error().cause());
    ASSERT_NE(custom, nullptr);
    EXPECT_EQ(custom->message, message);
    EXPECT_EQ(custom->position, after_param);
    EXPECT_TRUE(setup.error().frames().empty());
  }
}

TEST(PlacementType, ThreeFramesAndNoHooksTake88Bytes) {
  SetupBytes b;
  b.frame(1.0f).frame(2.0f).frame(3.0f).u32(0);
  ASSERT_EQ(b.w.size(), 88u);
  Reader reader(b.w.bytes());
  const auto placement = PlacementType::read(reader, 3);
  ASSERT_TRUE(placement.has_value()) << placement.error().message();
  ASSERT_EQ(placement->frames.size(), 3u);
  EXPECT_EQ(placement->frames[2].origin.x, 3.0f);
  EXPECT_TRUE(placement->hooks.empty());
  EXPECT_EQ(reader.remaining(), 0u);
}

// One location, one placement, one cylinder sphere, one sphere and one light, with the
// offsets of their fields marked.
SetupBytes marked_record() {
  SetupBytes b;
  b.head(0, 1).u32(1).u32(0x10).mark("loc_part_id").u32(0).mark("loc_frame").frame(0.0f);
  b.u32(0).i32(1).u32(0).frame(0.0f).u32(1).mark("hook").hook(3, 0, bytes_of(28));
  b.u32(1).mark("cyl_origin").u32(0).u32(0).u32(0).mark("cyl_radius").u32(0).mark("cyl_height").u32(0);
  b.u32(1).mark("sphere_radius").u32(0).u32(0).u32(0).u32(0);
  b.mark("scalars").u32(1).u32(2).u32(3).u32(4).mark("sphere_1").sphere(1.0f).sphere(2.0f);
  b.u32(1).u32(0x77).mark("light_location").frame(0.0f).mark("light_color").u32(0xFFFFFFFF);
  b.mark("light_intensity").u32(0).mark("light_falloff").u32(0).mark("light_cone_angle").u32(0);
  b.mark("linked").u32(0).u32(0).u32(0).u32(0).u32(0);
  return b;
}

struct SetupCutCase {
  const char* mark;
  std::size_t extra;  // bytes kept beyond the mark
  Texts frames;
};

class SetupCut : public ::testing::TestWithParam<SetupCutCase> {};

TEST_P(SetupCut, CarriesTheFramesOfTheDeclaredRecordsOnly) {
  const auto b = marked_record();
  const auto bytes = prefix(b.w.bytes(), b.marks.at(GetParam().mark) + GetParam().extra);
  const auto setup = decode(bytes);
  ASSERT_FALSE(setup.has_value());
  EXPECT_EQ(setup.error().cause_message(), "failed to fill whole buffer");
  EXPECT_EQ(frame_texts(setup.error()), GetParam().frames);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, SetupCut,
    ::testing::Values(
        SetupCutCase{"loc_part_id", 2, {field("part_id", "LocationType")}},
        SetupCutCase{"loc_frame", 12, {field("w", "Quaternion"), field("orientation", "Frame"),
                                       field("frame", "LocationType")}},
        SetupCutCase{"hook", 10, {}},
        SetupCutCase{"cyl_origin", 8, {field("z", "Vector3"), field("origin", "CylSphere")}},
        SetupCutCase{"cyl_radius", 0, {field("radius", "CylSphere")}},
        SetupCutCase{"cyl_height", 3, {field("height", "CylSphere")}},
        SetupCutCase{"sphere_radius", 12, {field("radius", "Sphere")}},
        SetupCutCase{"scalars", 5, {}},
        SetupCutCase{"sphere_1", 0, {field("x", "Vector3"), field("center", "Sphere")}},
        SetupCutCase{"light_location", 0, {field("x", "Vector3"), field("origin", "Frame"),
                                           field("viewer_space_location", "LightInfo")}},
        SetupCutCase{"light_color", 1, {field("color", "LightInfo")}},
        SetupCutCase{"light_intensity", 0, {field("intensity", "LightInfo")}},
        SetupCutCase{"light_falloff", 2, {field("falloff", "LightInfo")}},
        SetupCutCase{"light_cone_angle", 0, {field("cone_angle", "LightInfo")}},
        SetupCutCase{"linked", 18, {}}),
    [](const auto& test) { return std::string(test.param.mark); });

TEST(SetupModel, MarkedRecordDecodesWhole) {
  const auto b = marked_record();
  const auto setup = decode(b.w.bytes());
  ASSERT_TRUE(setup.has_value()) << setup.error().message();
  EXPECT_EQ(value_at(setup->lights, 0x77).color, 0xFFFFFFFFu);
  EXPECT_EQ(value_at(setup->placements, 0).hooks.at(0).payload, bytes_of(28));
  EXPECT_EQ(setup->spheres.size(), 1u);
  EXPECT_EQ(packed(*setup), b.w.bytes());
}

TEST(SetupModel, HostileCountsFailAtTheEndOfTheData) {
  for (int which = 0; which < 5; ++which) {
    SetupBytes b;
    b.u32(0).u32(0x03).u32(which == 0 ? 0xFFFFFFFF : 1).u32(0);
    if (which != 0) b.u32(0).u32(0).u32(0).u32(0);  // parent index, scale
    b.u32(which == 1 ? 0xFFFFFFFF : 0).u32(0);
    b.i32(which == 2 ? INT32_MAX : 1).u32(0).frame(0.0f).u32(which == 3 ? 0xFFFFFFFF : 0);
    b.u32(which == 4 ? 0xFFFFFFFF : 0);
    const auto setup = decode(b.w.bytes());
    ASSERT_FALSE(setup.has_value()) << which;
    EXPECT_TRUE(setup.error().is_eof());
  }
}

AnimationHook random_hook(testing::RecordRng& rng) {
  AnimationHook hook{rng.between(0, kMaxHookType), rng.u32(), {}};
  if (const auto size = hook_payload_size(hook.hook_type)) {
    for (std::size_t i = 0; i < *size; ++i) hook.payload.push_back(rng.u8());
    return hook;
  }
  const bool long_form = rng.chance(0.5);
  const auto word = static_cast<std::uint16_t>((rng.u16() & 0x7FFF) | (long_form ? 0x8000 : 0));
  hook.payload = {rng.u8(), static_cast<std::uint8_t>(word & 0xFF), static_cast<std::uint8_t>(word >> 8)};
  for (int i = 0; i < (long_form ? 5 : 1); ++i) hook.payload.push_back(rng.u8());
  return hook;
}

TEST(SetupModelRoundTrip, RandomRecordsWithEveryHookType) {
  testing::RecordRng rng(0x5E7);
  std::array<int, kMaxHookType + 1> seen{};
  for (int i = 0; i < 300; ++i) {
    SetupModel setup;
    setup.id = rng.u32();
    setup.flags = rng.u32();
    const std::uint32_t parts = rng.between(0, 6);
    for (std::uint32_t k = 0; k < parts; ++k) setup.parts.push_back(rng.u32());
    for (std::uint32_t k = 0; (setup.flags & kSetupHasParentIndices) != 0 && k < parts; ++k) {
      setup.parent_indices.push_back(rng.u32());
    }
    for (std::uint32_t k = 0; (setup.flags & kSetupHasDefaultScales) != 0 && k < parts; ++k) {
      setup.default_scales.push_back(rng.vector3());
    }
    const auto random_location = [&] { return LocationType{rng.u32(), rng.frame()}; };
    const std::uint32_t locations = rng.between(0, 4);
    for (std::uint32_t k = 0; k < locations; ++k) setup.location_table_1.insert_or_assign(rng.u32(), random_location());
    for (std::uint32_t k = 0; k < locations; ++k) setup.location_table_2.insert_or_assign(rng.between(0, 3), random_location());
    const std::uint32_t placements = rng.between(0, 4);
    for (std::uint32_t k = 0; k < placements; ++k) {
      PlacementType placement;
      for (std::uint32_t p = 0; p < parts; ++p) placement.frames.push_back(rng.frame());
      placement.hooks = rng.list<AnimationHook>(6, [&] { return random_hook(rng); });
      for (const auto& hook : placement.hooks) ++seen[hook.hook_type];
      setup.placements.insert_or_assign(rng.u32(), std::move(placement));
    }
    setup.cyl_spheres = rng.list<CylSphere>(3, [&] { return CylSphere{rng.vector3(), rng.f32(), rng.f32()}; });
    setup.spheres = rng.list<Sphere>(3, [&] { return rng.sphere(); });
    for (auto& value : setup.scalar_values) value = rng.u32();
    setup.sphere_1 = rng.sphere();
    setup.sphere_2 = rng.sphere();
    const std::uint32_t lights = rng.between(0, 3);
    for (std::uint32_t k = 0; k < lights; ++k) {
      setup.lights.insert_or_assign(rng.u32(), LightInfo{rng.frame(), rng.u32(), rng.f32(), rng.f32(), rng.f32()});
    }
    for (auto& linked : setup.linked_ids) {
      if (rng.chance(0.5)) linked = rng.between(1, 0xFFFFFFFF);
    }

    const auto bytes = packed(setup);
    std::size_t position = 0;
    const auto back = decode(bytes, &position);
    ASSERT_TRUE(back.has_value()) << back.error().message();
    EXPECT_EQ(*back, setup);
    EXPECT_EQ(position, bytes.size());
  }
  for (std::uint32_t type = 0; type <= kMaxHookType; ++type) EXPECT_GT(seen[type], 0) << "hook type " << type;
}

}  // namespace
}  // namespace quillfen::dat::file_type

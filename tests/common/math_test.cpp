// Geometry records: field order, values kept as read, and their context frames.
#include "quillfen/common/math.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace quillfen::common {
namespace {

std::vector<std::uint8_t> floats(std::initializer_list<float> values) {
  ByteWriter w;
  for (const float v : values) w.write_f32_le(v);
  return w.take();
}

std::vector<std::string> frame_texts(const ReadError& e) {
  std::vector<std::string> out;
  for (const auto& f : e.frames()) out.push_back(f.text);
  return out;
}

TEST(MathTest, QuaternionReadsScalarPartFirst) {
  const auto bytes = floats({1.0f, 0.0f, 0.0f, 0.0f});
  Reader r(bytes);
  const auto q = Quaternion::read(r);
  ASSERT_TRUE(q);
  EXPECT_EQ(*q, (Quaternion{1.0f, 0.0f, 0.0f, 0.0f}));
}

TEST(MathTest, PlaneAndSphereKeepValuesUnnormalised) {
  const auto bytes = floats({3.0f, 4.0f, 12.0f, -2.5f});
  Reader r1(bytes);
  EXPECT_EQ(*Plane::read(r1), (Plane{{3.0f, 4.0f, 12.0f}, -2.5f}));
  Reader r2(bytes);
  EXPECT_EQ(*Sphere::read(r2), (Sphere{{3.0f, 4.0f, 12.0f}, -2.5f}));
}

template <class T>
std::optional<ReadError> read_error_of(Reader& r) {
  auto result = T::read(r);
  if (result) return std::nullopt;
  return std::move(result).error();
}

struct TruncationCase {
  const char* name;
  std::optional<ReadError> (*read)(Reader&);
  int available_floats;
  std::vector<std::string> frames;
};

class GeometryTruncationTest : public ::testing::TestWithParam<TruncationCase> {};

TEST_P(GeometryTruncationTest, ReportsTheFailingFieldThenItsRecord) {
  const auto& c = GetParam();
  const auto all = floats({1, 2, 3, 4});
  const std::vector<std::uint8_t> bytes(all.begin(), all.begin() + 4 * c.available_floats);
  Reader r(bytes);
  const auto error = c.read(r);
  ASSERT_TRUE(error.has_value());
  EXPECT_TRUE(error->is_eof());
  EXPECT_EQ(frame_texts(*error), c.frames);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, GeometryTruncationTest,
    ::testing::Values(
        TruncationCase{"Vector3_x", read_error_of<Vector3>, 0, {"While parsing field 'x' in Vector3"}},
        TruncationCase{"Vector3_z", read_error_of<Vector3>, 2, {"While parsing field 'z' in Vector3"}},
        TruncationCase{"Quaternion_w", read_error_of<Quaternion>, 0, {"While parsing field 'w' in Quaternion"}},
        TruncationCase{"Quaternion_z", read_error_of<Quaternion>, 3, {"While parsing field 'z' in Quaternion"}},
        TruncationCase{"Plane_normal", read_error_of<Plane>, 1,
                       {"While parsing field 'y' in Vector3", "While parsing field 'normal' in Plane"}},
        TruncationCase{"Plane_d", read_error_of<Plane>, 3, {"While parsing field 'd' in Plane"}},
        TruncationCase{"Sphere_center", read_error_of<Sphere>, 2,
                       {"While parsing field 'z' in Vector3", "While parsing field 'center' in Sphere"}},
        TruncationCase{"Sphere_radius", read_error_of<Sphere>, 3, {"While parsing field 'radius' in Sphere"}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(MathTest, PackIsTheInverseOfRead) {
  const Sphere s{{1.5f, -2.0f, 1e-30f}, 7.0f};
  ByteWriter w;
  s.pack(w);
  ASSERT_EQ(w.size(), 16u);
  Reader r(w.bytes());
  EXPECT_EQ(*Sphere::read(r), s);
  EXPECT_EQ(r.remaining(), 0u);
}

}  // namespace
}  // namespace quillfen::common

// The id set: the ids ascending and distinct whatever their types, and each id's index in
// that list, for ids inside the bitmap and for the others on either side of it.
#include "world-audit/id_set.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quillfen::world {
namespace {

using dat::ids::RecordType;

struct SetCase {
  const char* name;
  RecordType first;
  RecordType last;
  std::vector<std::uint32_t> added;
};

void PrintTo(const SetCase& c, std::ostream* os) { *os << c.name; }

class IdSetTest : public ::testing::TestWithParam<SetCase> {};

TEST_P(IdSetTest, GivesTheIdsAscendingAndEachOnesIndex) {
  IdSet set(GetParam().first, GetParam().last);
  for (const std::uint32_t id : GetParam().added) set.add(id);
  std::vector<std::uint32_t> expected = GetParam().added;
  std::ranges::sort(expected);
  expected.erase(std::unique(expected.begin(), expected.end()), expected.end());

  const std::vector<std::uint32_t> ids = set.finish();
  ASSERT_EQ(ids, expected);
  for (std::size_t i = 0; i < ids.size(); ++i) EXPECT_EQ(set.index_of(ids[i]), i) << std::hex << ids[i];
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IdSetTest,
    ::testing::Values(
        SetCase{"Empty", RecordType::GfxObj, RecordType::GfxObj, {}},
        SetCase{"RepeatsOfOneType", RecordType::GfxObj, RecordType::GfxObj,
                {0x01000040, 0x01000001, 0x01000040, 0x01FFFFFF, 0x01000000, 0x0100003F, 0x01000001}},
        SetCase{"TwoTypes", RecordType::GfxObj, RecordType::SetupModel,
                {0x02000007, 0x01000007, 0x02FFFFFF, 0x01ABCDEF, 0x02000007}},
        SetCase{"OthersOnBothSides", RecordType::GfxObj, RecordType::GfxObj,
                {0x08000001, 0x00000000, 0x01000005, 0xFFFFFFFF, 0x00FFFFFF, 0x02000000, 0x01000005, 0x08000001}},
        SetCase{"OnlyOthers", RecordType::Surface, RecordType::Surface, {0x01000002, 0x0100001, 0x07FFFFFF}}),
    [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace quillfen::world

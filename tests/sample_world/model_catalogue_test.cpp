// The model catalogue: ids handed out in order from its block, the surfaces a placed model
// shows, and the records written to a DAT that reads them back (compressed where asked).
#include "sample-world/model_catalogue.hpp"

#include <gtest/gtest.h>

#include "support/temp_dir.hpp"
#include "world_test_support.hpp"

namespace quillfen::sample {
namespace {

using dat::file_type::GfxObj;
using dat::file_type::SetupModel;

struct Fixture {
  ModelCatalogue catalogue{0x0300};
  std::uint32_t crate = 0;
  std::uint32_t lamp = 0;
  std::uint32_t setup = 0;

  Fixture() {
    Mesh box;
    add_box(box, vec(0, 0, 0), vec(1, 1, 1), {0, 1, 0});
    crate = catalogue.add_gfx(box, surface_ids({0x0110, 0x0111}));
    lamp = catalogue.add_gfx(box, {0x08000120, 0}, {}, true);
    SetupDesign design;
    design.parts = {{lamp, place(0, 0, 0)}, {crate, place(0, 0, 1)}, {lamp, place(0, 0, 2)}};
    setup = catalogue.add_setup(design, true);
  }
};

TEST(ModelCatalogueTest, HandsOutIdsInOrderFromItsBlock) {
  const Fixture f;
  EXPECT_EQ(f.crate, 0x01000300u);
  EXPECT_EQ(f.lamp, 0x01000301u);
  EXPECT_EQ(f.setup, 0x02000300u);
  EXPECT_EQ(f.catalogue.size(), 3u);
  ASSERT_NE(f.catalogue.find_gfx(f.lamp), nullptr);
  EXPECT_EQ(f.catalogue.find_gfx(f.lamp)->id, f.lamp);
  EXPECT_EQ(f.catalogue.find_gfx(f.setup), nullptr);
  EXPECT_EQ(f.catalogue.find_setup(f.setup)->parts.size(), 3u);
}

TEST(ModelCatalogueTest, ModelSurfacesFollowPartsInOrder) {
  const Fixture f;
  const ModelCatalogue* catalogues[] = {&f.catalogue};
  EXPECT_EQ(model_surfaces(catalogues, f.crate), (std::vector<std::uint32_t>{0x08000110, 0x08000111}));
  // Parts in order, duplicates and the 0 kept: that is what a GfxObj's list says.
  EXPECT_EQ(model_surfaces(catalogues, f.setup),
            (std::vector<std::uint32_t>{0x08000120, 0, 0x08000110, 0x08000111, 0x08000120, 0}));
  EXPECT_TRUE(model_surfaces(catalogues, 0x01000399).empty());
  EXPECT_TRUE(model_surfaces(catalogues, 0x03000300).empty());
}

TEST(ModelCatalogueTest, WritesRecordsThatDecode) {
  const Fixture f;
  const quillfen::testing::TempDir dir;
  const auto db = testing::write_dat(dir / "portal.dat", [&](DatSink& sink) { return f.catalogue.write(sink); });
  ASSERT_TRUE(db);
  EXPECT_EQ(db->files().size(), 3u);
  EXPECT_FALSE(db->files().find(f.crate)->is_compressed());
  EXPECT_TRUE(db->files().find(f.lamp)->is_compressed());
  EXPECT_TRUE(db->files().find(f.setup)->is_compressed());
  for (const std::uint32_t id : {f.crate, f.lamp}) {
    const auto bytes = db->get_file(id);
    ASSERT_TRUE(bytes);
    const auto gfx = testing::unpack_from_reader<GfxObj>(*bytes);
    ASSERT_TRUE(gfx) << gfx.error().message();
    EXPECT_EQ(*gfx, *f.catalogue.find_gfx(id));
  }
  const auto bytes = db->get_file(f.setup);
  ASSERT_TRUE(bytes);
  const auto setup = testing::unpack_from_reader<SetupModel>(*bytes);
  ASSERT_TRUE(setup) << setup.error().message();
  EXPECT_EQ(*setup, *f.catalogue.find_setup(f.setup));
}

}  // namespace
}  // namespace quillfen::sample

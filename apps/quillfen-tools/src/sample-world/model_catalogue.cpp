// ModelCatalogue: ids in order of creation, records kept until written.
#include "sample-world/model_catalogue.hpp"

#include "sample-world/ids.hpp"

namespace quillfen::sample {

ModelCatalogue::ModelCatalogue(std::uint32_t first)
    : next_gfx_(ids::kGfxObj | first), next_setup_(ids::kSetup | first) {}

std::uint32_t ModelCatalogue::add_gfx(const Mesh& mesh, std::vector<std::uint32_t> surfaces, const GfxOptions& options,
                                      bool compress) {
  const std::uint32_t id = next_gfx_++;
  auto gfx = make_gfx_obj(id, mesh, std::move(surfaces), options);
  if (gfx) {
    gfx_.push_back({std::move(*gfx), compress});
  } else if (!error_) {
    error_ = std::move(gfx).error();
  }
  return id;
}

std::uint32_t ModelCatalogue::add_setup(const SetupDesign& design, bool compress) {
  const std::uint32_t id = next_setup_++;
  setups_.push_back({make_setup(id, design), compress});
  return id;
}

const dat::file_type::GfxObj* ModelCatalogue::find_gfx(std::uint32_t id) const {
  for (const auto& entry : gfx_) {
    if (entry.record.id == id) return &entry.record;
  }
  return nullptr;
}

const dat::file_type::SetupModel* ModelCatalogue::find_setup(std::uint32_t id) const {
  for (const auto& entry : setups_) {
    if (entry.record.id == id) return &entry.record;
  }
  return nullptr;
}

Status ModelCatalogue::write(DatSink& portal) const {
  if (error_) return std::unexpected(*error_);
  for (const auto& entry : gfx_) QF_TRY_VOID(portal.add_record(entry.record.id, entry.record, entry.compress));
  for (const auto& entry : setups_) QF_TRY_VOID(portal.add_record(entry.record.id, entry.record, entry.compress));
  return {};
}

std::vector<std::uint32_t> surface_ids(std::initializer_list<std::uint16_t> numbers) {
  std::vector<std::uint32_t> surfaces;
  for (const std::uint16_t number : numbers) surfaces.push_back(ids::surface(number));
  return surfaces;
}

std::vector<std::uint32_t> model_surfaces(std::span<const ModelCatalogue* const> catalogues, std::uint32_t id) {
  const auto gfx_surfaces = [&](std::uint32_t gfx_id) -> std::vector<std::uint32_t> {
    for (const ModelCatalogue* catalogue : catalogues) {
      if (const auto* gfx = catalogue->find_gfx(gfx_id)) return gfx->surfaces;
    }
    return {};
  };
  if ((id & 0xFF000000u) == ids::kGfxObj) return gfx_surfaces(id);
  std::vector<std::uint32_t> surfaces;
  for (const ModelCatalogue* catalogue : catalogues) {
    if (const auto* setup = catalogue->find_setup(id)) {
      for (const std::uint32_t part : setup->parts) {
        const auto part_surfaces = gfx_surfaces(part);
        surfaces.insert(surfaces.end(), part_surfaces.begin(), part_surfaces.end());
      }
      break;
    }
  }
  return surfaces;
}

}  // namespace quillfen::sample

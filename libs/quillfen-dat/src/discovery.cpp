// Discovery reads LandblockInfo objects, then buildings, then the landblock's EnvCells.
// Each model id is decoded once per cache: a model placed again adds no surface its first
// placement did not. Without that a hostile landblock placing a SetupModel of thousands of
// parts thousands of times would cost millions of GfxObj decodes (and as many copies of
// their surface lists).
#include "quillfen/dat/discovery.hpp"

#include <algorithm>

#include "quillfen/dat/file_type/env_cell.hpp"
#include "quillfen/dat/file_type/gfx_obj.hpp"
#include "quillfen/dat/file_type/setup_model.hpp"
#include "quillfen/dat/ids.hpp"
#include "quillfen/dat/landblock.hpp"

namespace quillfen::dat {
namespace {

void sort_unique(std::vector<std::uint32_t>& ids) {
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
}

// Decodes `ids` (distinct, none known yet) with `decode` through `run_each` and files each
// result, sorted and without repeats, under its id.
template <class Decode>
void decode_all(const std::vector<std::uint32_t>& ids, const ModelSurfaceCache::RunEach& run_each,
                Decode decode, std::unordered_map<std::uint32_t, std::vector<std::uint32_t>>& into) {
  std::vector<std::vector<std::uint32_t>> results(ids.size());
  run_each(ids.size(), [&](std::size_t i) {
    results[i] = decode(ids[i]);
    sort_unique(results[i]);
  });
  into.reserve(into.size() + ids.size());
  for (std::size_t i = 0; i < ids.size(); ++i) into.emplace(ids[i], std::move(results[i]));
}

// Drops repeats whenever a list has doubled since it was last compacted, so it stays
// within twice its distinct ids however often the files repeat them.
class Compactor {
 public:
  void operator()(std::vector<std::uint32_t>& ids) {
    if (ids.size() < 2 * compacted_ + 4096) return;
    sort_unique(ids);
    compacted_ = ids.size();
  }

 private:
  std::size_t compacted_ = 0;
};

template <class Map>
std::vector<std::uint32_t> unknown_ids(std::vector<std::uint32_t> ids, const Map& known) {
  std::erase_if(ids, [&known](std::uint32_t id) { return known.contains(id); });
  sort_unique(ids);
  return ids;
}

template <class Map>
std::span<const std::uint32_t> lookup(const Map& map, std::uint32_t id) {
  const auto found = map.find(id);
  if (found == map.end()) return {};
  return found->second;
}

}  // namespace

LandblockRefs read_landblock_refs(std::uint16_t landblock, const DatDatabase& cell) {
  LandblockRefs refs;
  refs.landblock = landblock;
  if (const auto bytes = cell.get_file(ids::landblock_info_id(landblock))) {
    if (const auto info = landblock::LandblockInfo::unpack(*bytes)) {
      refs.has_info = true;
      for (const auto& object : info->objects) refs.model_ids.push_back(object.id);
      for (const auto& building : info->buildings) refs.model_ids.push_back(building.model_id);
    }
  }

  // The interior cells are the ids present in the landblock's cell range: one slice of
  // the sorted index rather than a scan of every key.
  const auto cells = cell.files().range(ids::cell_id(landblock, ids::kFirstInteriorCell),
                                        ids::cell_id(landblock, ids::kLastInteriorCell));
  Compactor compact_models;
  Compactor compact_surfaces;
  cell.get_files(cells, [&](const DatFileEntry&, DatDatabase::FileResult&& bytes) {
    if (!bytes) return;
    Reader reader(*bytes);
    const auto env_cell = file_type::env_cell::EnvCell::unpack(reader);
    if (!env_cell) return;
    ++refs.interior_cells;
    for (const std::uint16_t number : env_cell->surfaces) refs.cell_surfaces.push_back(ids::surface_id(number));
    for (const auto& object : env_cell->objects) refs.model_ids.push_back(object.stab_id);
    compact_models(refs.model_ids);
    compact_surfaces(refs.cell_surfaces);
  });
  return refs;
}

std::vector<std::uint32_t> gfx_obj_surfaces(const DatDatabase& portal, std::uint32_t id) {
  const auto bytes = portal.get_file(id);
  if (!bytes) return {};
  Reader reader(*bytes);
  auto gfx = file_type::GfxObj::unpack(reader);
  if (!gfx) return {};
  return std::move(gfx->surfaces);
}

std::vector<std::uint32_t> setup_model_parts(const DatDatabase& portal, std::uint32_t id) {
  const auto bytes = portal.get_file(id);
  if (!bytes) return {};
  Reader reader(*bytes);
  auto setup = file_type::SetupModel::unpack(reader);
  if (!setup) return {};
  return std::move(setup->parts);
}

void ModelSurfaceCache::run_in_order(std::size_t count, const std::function<void(std::size_t)>& job) {
  for (std::size_t i = 0; i < count; ++i) job(i);
}

void ModelSurfaceCache::prefetch(std::span<const std::uint32_t> model_ids, const RunEach& run_each) {
  std::vector<std::uint32_t> setups;
  std::vector<std::uint32_t> gfx_objs;
  for (const std::uint32_t id : model_ids) {
    if (ids::has_type(id, ids::RecordType::SetupModel)) setups.push_back(id);
    if (ids::has_type(id, ids::RecordType::GfxObj)) gfx_objs.push_back(id);
  }
  setups = unknown_ids(std::move(setups), setups_);
  const DatDatabase& portal = *portal_;
  decode_all(setups, run_each, [&portal](std::uint32_t id) { return dat::setup_model_parts(portal, id); }, setups_);
  for (const std::uint32_t setup : setups) {
    const auto parts = lookup(setups_, setup);
    gfx_objs.insert(gfx_objs.end(), parts.begin(), parts.end());
  }
  gfx_objs = unknown_ids(std::move(gfx_objs), gfx_objs_);
  decode_all(gfx_objs, run_each, [&portal](std::uint32_t id) { return dat::gfx_obj_surfaces(portal, id); }, gfx_objs_);
}

std::span<const std::uint32_t> ModelSurfaceCache::gfx_obj_surfaces(std::uint32_t gfx_obj_id) const {
  return lookup(gfx_objs_, gfx_obj_id);
}

std::span<const std::uint32_t> ModelSurfaceCache::setup_model_parts(std::uint32_t setup_id) const {
  return lookup(setups_, setup_id);
}

std::vector<std::uint32_t> reached_gfx_objs(const LandblockRefs& refs, const ModelSurfaceCache& models) {
  std::vector<std::uint32_t> placed = refs.model_ids;
  sort_unique(placed);
  std::vector<std::uint32_t> gfx_objs;
  for (const std::uint32_t id : placed) {
    if (ids::has_type(id, ids::RecordType::GfxObj)) gfx_objs.push_back(id);
    if (ids::has_type(id, ids::RecordType::SetupModel)) {
      const auto parts = models.setup_model_parts(id);
      gfx_objs.insert(gfx_objs.end(), parts.begin(), parts.end());
    }
  }
  sort_unique(gfx_objs);
  return gfx_objs;
}

std::vector<std::uint32_t> surfaces_of(const LandblockRefs& refs, const ModelSurfaceCache& models) {
  std::vector<std::uint32_t> surfaces = refs.cell_surfaces;
  for (const std::uint32_t id : reached_gfx_objs(refs, models)) {
    const auto list = models.gfx_obj_surfaces(id);
    surfaces.insert(surfaces.end(), list.begin(), list.end());
  }
  sort_unique(surfaces);
  if (!surfaces.empty() && surfaces.front() == 0) surfaces.erase(surfaces.begin());
  return surfaces;
}

std::vector<std::uint32_t> discover_surfaces(std::uint16_t landblock, const DatDatabase& cell,
                                             ModelSurfaceCache& models) {
  const LandblockRefs refs = read_landblock_refs(landblock, cell);
  models.prefetch(refs.model_ids);
  return surfaces_of(refs, models);
}

std::vector<std::uint32_t> discover_surfaces(std::uint16_t landblock, const DatDatabase& portal,
                                             const DatDatabase& cell) {
  ModelSurfaceCache models(portal);
  return discover_surfaces(landblock, cell, models);
}

}  // namespace quillfen::dat

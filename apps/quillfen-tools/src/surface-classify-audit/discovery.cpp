// Discovery walks LandblockInfo objects, then buildings, then the landblock's EnvCells.
// Each model id is followed once per run: the databases do not change while it runs, so
// a model placed again adds no surface its first placement did not. Without that a
// hostile landblock placing a SetupModel of thousands of parts thousands of times would
// cost millions of GfxObj decodes (and as many copies of their surface lists).
#include "surface-classify-audit/discovery.hpp"

#include <algorithm>
#include <unordered_set>

#include "quillfen/dat/file_type/env_cell.hpp"
#include "quillfen/dat/file_type/gfx_obj.hpp"
#include "quillfen/dat/file_type/setup_model.hpp"
#include "quillfen/dat/landblock.hpp"

namespace quillfen::audit {
namespace {

constexpr std::uint32_t kGfxObjType = 0x01;
constexpr std::uint32_t kSetupModelType = 0x02;
constexpr std::uint32_t kSurfaceIdBase = 0x08000000;
constexpr std::uint32_t kLandblockInfoCell = 0xFFFE;
constexpr std::uint32_t kFirstInteriorCell = 0x0001;
constexpr std::uint32_t kLastInteriorCell = 0xFFFD;

void append(std::vector<std::uint32_t>& to, const std::vector<std::uint32_t>& from) {
  to.insert(to.end(), from.begin(), from.end());
}

// The surface ids found so far. Duplicates are dropped whenever the list has doubled,
// so its size stays within twice the distinct ids, however often the files repeat them.
class SurfaceSet {
 public:
  void add(std::uint32_t id) {
    ids_.push_back(id);
    compact_if_grown();
  }
  void add(const std::vector<std::uint32_t>& ids) {
    append(ids_, ids);
    compact_if_grown();
  }
  // Ascending, without duplicates or 0.
  std::vector<std::uint32_t> take() {
    compact();
    if (!ids_.empty() && ids_.front() == 0) ids_.erase(ids_.begin());
    return std::move(ids_);
  }

 private:
  void compact_if_grown() {
    if (ids_.size() >= 2 * compacted_ + 4096) compact();
  }
  void compact() {
    std::sort(ids_.begin(), ids_.end());
    ids_.erase(std::unique(ids_.begin(), ids_.end()), ids_.end());
    compacted_ = ids_.size();
  }

  std::vector<std::uint32_t> ids_;
  std::size_t compacted_ = 0;
};

// surfaces_for_setup_or_gfx over one run, following each SetupModel and each GfxObj id
// once. A part id is always read as a GfxObj, so the two kinds are remembered apart.
class ModelWalk {
 public:
  ModelWalk(const dat::DatDatabase& portal, SurfaceSet& found) : portal_(portal), found_(found) {}

  void follow(std::uint32_t id) {
    const std::uint32_t type = id >> 24;
    if (type == kGfxObjType) return follow_gfx(id);
    if (type != kSetupModelType || !setups_.insert(id).second) return;
    const auto bytes = portal_.get_file(id);
    if (!bytes) return;
    dat::Reader reader(*bytes);
    const auto setup = dat::file_type::SetupModel::unpack(reader);
    if (!setup) return;
    for (const std::uint32_t part : setup->parts) follow_gfx(part);
  }

 private:
  void follow_gfx(std::uint32_t id) {
    if (gfx_objs_.insert(id).second) found_.add(surfaces_for_gfx(portal_, id));
  }

  const dat::DatDatabase& portal_;
  SurfaceSet& found_;
  std::unordered_set<std::uint32_t> setups_;
  std::unordered_set<std::uint32_t> gfx_objs_;
};

}  // namespace

std::vector<std::uint32_t> surfaces_for_gfx(const dat::DatDatabase& portal, std::uint32_t id) {
  const auto bytes = portal.get_file(id);
  if (!bytes) return {};
  dat::Reader reader(*bytes);
  auto gfx = dat::file_type::GfxObj::unpack(reader);
  if (!gfx) return {};
  return std::move(gfx->surfaces);
}

std::vector<std::uint32_t> surfaces_for_setup_or_gfx(const dat::DatDatabase& portal, std::uint32_t id) {
  const std::uint32_t type = id >> 24;
  if (type == kGfxObjType) return surfaces_for_gfx(portal, id);
  if (type != kSetupModelType) return {};
  const auto bytes = portal.get_file(id);
  if (!bytes) return {};
  dat::Reader reader(*bytes);
  const auto setup = dat::file_type::SetupModel::unpack(reader);
  if (!setup) return {};
  // Parts are read as GfxObjs only: nested setups are not followed.
  std::vector<std::uint32_t> surfaces;
  for (const std::uint32_t part : setup->parts) append(surfaces, surfaces_for_gfx(portal, part));
  return surfaces;
}

std::vector<std::uint32_t> discover_surfaces(std::uint16_t landblock, const dat::DatDatabase& portal,
                                             const dat::DatDatabase& cell) {
  const std::uint32_t base = static_cast<std::uint32_t>(landblock) << 16;
  SurfaceSet found;
  ModelWalk models(portal, found);

  if (const auto bytes = cell.get_file(base | kLandblockInfoCell)) {
    if (const auto info = dat::landblock::LandblockInfo::unpack(*bytes)) {
      for (const auto& object : info->objects) models.follow(object.id);
      for (const auto& building : info->buildings) models.follow(building.model_id);
    }
  }

  // The interior cells are the ids present in the landblock's cell range: one slice of
  // the sorted index rather than a scan of every key.
  for (const auto& entry : cell.files().range(base | kFirstInteriorCell, base | kLastInteriorCell)) {
    const auto bytes = cell.get_file(entry.id);
    if (!bytes) continue;
    dat::Reader reader(*bytes);
    const auto env_cell = dat::file_type::env_cell::EnvCell::unpack(reader);
    if (!env_cell) continue;
    for (const std::uint16_t surface : env_cell->surfaces) found.add(kSurfaceIdBase | surface);
    for (const auto& object : env_cell->objects) models.follow(object.stab_id);
  }
  return found.take();
}

}  // namespace quillfen::audit

// Discovery walks LandblockInfo objects, then buildings, then the landblock's EnvCells.
// Models are decoded again every time they are placed; the set makes that harmless.
#include "surface-classify-audit/discovery.hpp"

#include <algorithm>

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
  std::vector<std::uint32_t> found;

  if (const auto bytes = cell.get_file(base | kLandblockInfoCell)) {
    if (const auto info = dat::landblock::LandblockInfo::unpack(*bytes)) {
      for (const auto& object : info->objects) append(found, surfaces_for_setup_or_gfx(portal, object.id));
      for (const auto& building : info->buildings) append(found, surfaces_for_setup_or_gfx(portal, building.model_id));
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
    for (const std::uint16_t surface : env_cell->surfaces) found.push_back(kSurfaceIdBase | surface);
    for (const auto& object : env_cell->objects) append(found, surfaces_for_setup_or_gfx(portal, object.stab_id));
  }

  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  if (!found.empty() && found.front() == 0) found.erase(found.begin());
  return found;
}

}  // namespace quillfen::audit

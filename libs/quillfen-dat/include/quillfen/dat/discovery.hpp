// Surface discovery: every surface id that a landblock's objects, buildings and interior
// cells use. Nothing here fails: records that cannot be read are skipped in silence, as a
// damaged record must not hide what the rest of the landblock uses.
//
// Discovery has two steps. `read_landblock_refs` reads the cell DAT: the model ids that
// the LandblockInfo and the EnvCells place, and the surfaces the cells name directly.
// `ModelSurfaceCache` turns model ids into surface ids through the portal DAT, decoding
// each model id once however often, and in however many landblocks, it is placed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <unordered_map>
#include <vector>

#include "quillfen/dat/database.hpp"

namespace quillfen::dat {

// What one landblock's cell-DAT records point at.
struct LandblockRefs {
  std::uint16_t landblock = 0;
  bool has_info = false;  // its LandblockInfo was read and decoded
  std::size_t interior_cells = 0;  // EnvCells read and decoded
  // Placed model ids: the LandblockInfo's objects and buildings and each cell's static
  // objects. Only the set counts: repeats may be dropped on the way, order is not kept.
  std::vector<std::uint32_t> model_ids;
  // Surface ids named by the EnvCells' surface numbers; a set in the same sense.
  std::vector<std::uint32_t> cell_surfaces;
};

// Reads the LandblockInfo (id key << 16 | 0xFFFE) and every EnvCell in the landblock's
// interior cell range that the cell DAT holds.
LandblockRefs read_landblock_refs(std::uint16_t landblock, const DatDatabase& cell);

// The surface list of one GfxObj in file order, or nothing when it cannot be read whole.
std::vector<std::uint32_t> gfx_obj_surfaces(const DatDatabase& portal, std::uint32_t id);

// The part ids of one SetupModel in file order, or nothing when it cannot be read whole.
std::vector<std::uint32_t> setup_model_parts(const DatDatabase& portal, std::uint32_t id);

// What every model id followed so far leads to. A GfxObj id (top byte 0x01) gives its own
// surface list; a SetupModel id (0x02) its parts, each read as a GfxObj whatever its id
// (nested setups are not followed); any other id gives nothing.
//
// `prefetch` may decode in parallel; once it returns, the const lookups are safe from any
// number of threads. Share one cache across the landblocks of a run: the databases do not
// change while it runs, so a model decoded once is known for good. A SetupModel keeps only
// its part ids, not a copy of their surfaces, so the cache holds each list once.
class ModelSurfaceCache {
 public:
  // Calls job(i) exactly once for every i < count, from as many threads as it likes;
  // each job writes only its own slot.
  using RunEach = std::function<void(std::size_t count, const std::function<void(std::size_t)>& job)>;

  // One job after another on the calling thread.
  static void run_in_order(std::size_t count, const std::function<void(std::size_t)>& job);

  explicit ModelSurfaceCache(const DatDatabase& portal) : portal_(&portal) {}

  // Decodes every model of `model_ids` that is not known yet (repeats are fine), and the
  // GfxObj parts of the SetupModels among them.
  void prefetch(std::span<const std::uint32_t> model_ids, const RunEach& run_each = run_in_order);

  // What `prefetch` has learned, ascending and without repeats; empty for an id it has
  // not seen and for a record that cannot be read.
  std::span<const std::uint32_t> gfx_obj_surfaces(std::uint32_t gfx_obj_id) const;
  std::span<const std::uint32_t> setup_model_parts(std::uint32_t setup_id) const;

  std::size_t gfx_objs_known() const { return gfx_objs_.size(); }
  std::size_t setups_known() const { return setups_.size(); }

 private:
  const DatDatabase* portal_;
  // A part id is always read as a GfxObj, so the two kinds are remembered apart: the
  // same id may be placed as a SetupModel and listed as a part elsewhere.
  std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> gfx_objs_;
  std::unordered_map<std::uint32_t, std::vector<std::uint32_t>> setups_;
};

// Every GfxObj that `refs` reaches, placed directly or as a part of a prefetched
// SetupModel: ascending, without repeats.
std::vector<std::uint32_t> reached_gfx_objs(const LandblockRefs& refs, const ModelSurfaceCache& models);

// The surfaces that `refs` reaches through models already prefetched into `models`:
// ascending, without repeats and without the id 0.
std::vector<std::uint32_t> surfaces_of(const LandblockRefs& refs, const ModelSurfaceCache& models);

// Discovery of one landblock with a cache that may be shared across landblocks.
std::vector<std::uint32_t> discover_surfaces(std::uint16_t landblock, const DatDatabase& cell,
                                             ModelSurfaceCache& models);

// Discovery of one landblock on its own.
std::vector<std::uint32_t> discover_surfaces(std::uint16_t landblock, const DatDatabase& portal,
                                             const DatDatabase& cell);

}  // namespace quillfen::dat

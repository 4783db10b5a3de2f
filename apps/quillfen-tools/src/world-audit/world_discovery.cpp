// Discovery over many landblocks: each landblock's references, then every model any of
// them places (decoded once for the whole run), then what each landblock reaches as
// indices into the sorted list of every surface the world reaches. Each parallel step
// writes only its own slot; whatever depends on order runs afterwards in index order.
#include "world-audit/world_discovery.hpp"

#include <tbb/enumerable_thread_specific.h>
#include <fmt/format.h>
#include <tbb/parallel_for.h>

#include <algorithm>
#include <atomic>
#include <bit>

#include "quillfen/dat/discovery.hpp"
#include "quillfen/dat/ids.hpp"
#include "world-audit/id_set.hpp"

namespace quillfen::world {
namespace {

using dat::ids::RecordType;

void run_each_in_parallel(std::size_t count, const std::function<void(std::size_t)>& job) {
  tbb::parallel_for(std::size_t{0}, count, [&job](std::size_t i) { job(i); });
}

void sort_unique(std::vector<std::uint32_t>& ids) {
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
}

std::size_t position_of(const std::vector<std::uint32_t>& sorted, std::uint32_t id) {
  return static_cast<std::size_t>(std::lower_bound(sorted.begin(), sorted.end(), id) - sorted.begin());
}

// Takes from a shared allowance; once one take fails, every later take fails too, so the
// other workers stop early.
class Allowance {
 public:
  explicit Allowance(std::uint64_t total) : left_(total) {}
  bool take(std::uint64_t amount) {
    std::uint64_t left = left_.load(std::memory_order_relaxed);
    do {
      if (amount > left) {
        left_.store(0, std::memory_order_relaxed);
        exhausted_.store(true, std::memory_order_relaxed);
        return false;
      }
    } while (!left_.compare_exchange_weak(left, left - amount, std::memory_order_relaxed));
    return true;
  }
  bool exhausted() const { return exhausted_.load(std::memory_order_relaxed); }

 private:
  std::atomic<std::uint64_t> left_;
  std::atomic<bool> exhausted_{false};
};

// The id 0 names no surface; it maps to an index no list keeps.
constexpr std::uint32_t kNoIndex = UINT32_MAX;

// Surface id to its position in the sorted list of every surface the world reaches. Ids
// with the surface type byte and a 16-bit number, which are nearly all of them, go
// through a table; any other id is searched for.
class SurfaceIndexer {
 public:
  explicit SurfaceIndexer(const std::vector<std::uint32_t>& unique) : unique_(unique), numbered_(0x10000, kNoIndex) {
    for (std::size_t i = 0; i < unique.size(); ++i) {
      if ((unique[i] & 0xFFFF0000u) == dat::ids::kSurfaceIdBase) numbered_[unique[i] & 0xFFFFu] = static_cast<std::uint32_t>(i);
    }
  }
  // Every id given must be in the list, or 0.
  std::uint32_t operator()(std::uint32_t id) const {
    if (id == 0) return kNoIndex;
    if ((id & 0xFFFF0000u) == dat::ids::kSurfaceIdBase) return numbered_[id & 0xFFFFu];
    return static_cast<std::uint32_t>(position_of(unique_, id));
  }

 private:
  const std::vector<std::uint32_t>& unique_;
  std::vector<std::uint32_t> numbered_;
};

// Marks surface indices and hands them back ascending, at a cost in the number marked
// rather than in the size of the world: only the words that were touched are visited.
class IndexSet {
 public:
  void mark(std::uint32_t index) {
    if (index == kNoIndex) return;
    const std::size_t word = index / 64;
    if (word >= words_.size()) words_.resize(word + 1, 0);
    if (words_[word] == 0) touched_.push_back(word);
    words_[word] |= std::uint64_t{1} << (index % 64);
  }
  // The marked indices, ascending; leaves the set empty.
  std::vector<std::uint32_t> take() {
    std::sort(touched_.begin(), touched_.end());
    std::vector<std::uint32_t> indices;
    for (const std::size_t word : touched_) {
      for (std::uint64_t bits = words_[word]; bits != 0; bits &= bits - 1) {
        indices.push_back(static_cast<std::uint32_t>(word * 64 + static_cast<std::size_t>(std::countr_zero(bits))));
      }
      words_[word] = 0;
    }
    touched_.clear();
    return indices;
  }

 private:
  std::vector<std::uint64_t> words_;
  std::vector<std::size_t> touched_;
};

// Every surface id the world reaches, ascending and without 0: the surfaces of every
// GfxObj reached and of every cell. Numbered surface ids are collected in a table of
// 64 Ki flags rather than sorted, as there are millions of cell entries naming them.
std::vector<std::uint32_t> union_of_surfaces(const std::vector<std::uint32_t>& all_gfx,
                                             const dat::ModelSurfaceCache& cache,
                                             const std::vector<dat::LandblockRefs>& refs) {
  std::vector<bool> numbered(0x10000, false);
  std::vector<std::uint32_t> others;
  const auto add = [&](std::uint32_t id) {
    if ((id & 0xFFFF0000u) == dat::ids::kSurfaceIdBase) {
      numbered[id & 0xFFFFu] = true;
    } else if (id != 0) {
      others.push_back(id);
    }
  };
  for (const std::uint32_t gfx : all_gfx) {
    for (const std::uint32_t id : cache.gfx_obj_surfaces(gfx)) add(id);
  }
  for (const auto& r : refs) {
    for (const std::uint32_t id : r.cell_surfaces) add(id);
  }
  for (std::uint32_t number = 0; number < numbered.size(); ++number) {
    if (numbered[number]) others.push_back(dat::ids::kSurfaceIdBase | number);
  }
  sort_unique(others);
  return others;
}

std::string too_much_work(const DiscoveryLimits& limits) {
  return fmt::format(
      "discovering the surfaces of these landblocks takes more than {} steps, the most one run does; audit fewer "
      "landblocks at a time with --landblocks",
      limits.max_steps);
}

}  // namespace

std::expected<DiscoveredWorld, std::string> discover_world(std::span<const std::uint16_t> keys,
                                                          const dat::DatDatabase& portal, const dat::DatDatabase& cell,
                                                          AuditCounters& counters, const DiscoveryLimits& limits) {
  counters.landblocks_total.store(keys.size());
  std::vector<dat::LandblockRefs> refs(keys.size());
  tbb::parallel_for(std::size_t{0}, keys.size(), [&](std::size_t i) {
    refs[i] = dat::read_landblock_refs(keys[i], cell);
    sort_unique(refs[i].cell_surfaces);
    counters.landblocks_done.fetch_add(1, std::memory_order_relaxed);
  });

  std::vector<std::uint32_t> models;
  {
    IdSet placed(RecordType::GfxObj, RecordType::SetupModel);
    for (const auto& r : refs) {
      for (const std::uint32_t id : r.model_ids) placed.add(id);
    }
    models = placed.finish();
  }
  dat::ModelSurfaceCache cache(portal);
  cache.prefetch(models, run_each_in_parallel);
  models = {};

  // Every step below costs what it is about to go through, before it does, so that a
  // forged world whose landblocks each reach everything stops at the limit instead of
  // doing work that grows with landblocks times models.
  Allowance steps(limits.max_steps);
  Allowance pairs(limits.max_pairs);
  std::vector<std::vector<std::uint32_t>> gfx_objs(keys.size());
  tbb::parallel_for(std::size_t{0}, keys.size(), [&](std::size_t i) {
    std::uint64_t cost = refs[i].model_ids.size();
    for (const std::uint32_t id : refs[i].model_ids) cost += cache.setup_model_parts(id).size();
    if (!steps.take(cost)) return;
    gfx_objs[i] = dat::reached_gfx_objs(refs[i], cache);
    refs[i].model_ids = {};
  });
  if (steps.exhausted()) return std::unexpected(too_much_work(limits));

  // Every GfxObj reached anywhere, and every surface the world reaches.
  IdSet gfx_set(RecordType::GfxObj, RecordType::GfxObj);
  for (const auto& list : gfx_objs) {
    for (const std::uint32_t id : list) gfx_set.add(id);
  }
  const std::vector<std::uint32_t> all_gfx = gfx_set.finish();
  DiscoveredWorld found;
  found.keys.assign(keys.begin(), keys.end());
  found.surface_ids = union_of_surfaces(all_gfx, cache, refs);
  // Each GfxObj's surfaces as indices, once, in one flat array (GfxObj g owns the
  // entries from offsets[g] to offsets[g + 1]); then each landblock's surfaces are the
  // union of its GfxObjs' and its own cells'.
  const SurfaceIndexer indexer(found.surface_ids);
  std::vector<std::size_t> offsets(all_gfx.size() + 1, 0);
  for (std::size_t g = 0; g < all_gfx.size(); ++g) offsets[g + 1] = offsets[g] + cache.gfx_obj_surfaces(all_gfx[g]).size();
  std::vector<std::uint32_t> gfx_indices(offsets.back());
  tbb::parallel_for(std::size_t{0}, all_gfx.size(), [&](std::size_t g) {
    std::size_t at = offsets[g];
    for (const std::uint32_t id : cache.gfx_obj_surfaces(all_gfx[g])) gfx_indices[at++] = indexer(id);
  });
  found.landblock_surfaces.resize(keys.size());
  tbb::enumerable_thread_specific<IndexSet> sets;
  tbb::parallel_for(std::size_t{0}, keys.size(), [&](std::size_t i) {
    std::uint64_t cost = refs[i].cell_surfaces.size();
    for (const std::uint32_t gfx : gfx_objs[i]) {
      const std::size_t g = gfx_set.index_of(gfx);
      cost += offsets[g + 1] - offsets[g];
    }
    if (pairs.exhausted() || !steps.take(cost)) return;
    IndexSet& set = sets.local();
    for (const std::uint32_t gfx : gfx_objs[i]) {
      const std::size_t g = gfx_set.index_of(gfx);
      for (std::size_t at = offsets[g]; at < offsets[g + 1]; ++at) set.mark(gfx_indices[at]);
    }
    for (const std::uint32_t id : refs[i].cell_surfaces) set.mark(indexer(id));
    found.landblock_surfaces[i] = set.take();
    if (!pairs.take(found.landblock_surfaces[i].size())) found.landblock_surfaces[i] = {};
    refs[i] = {};
    gfx_objs[i] = {};
  });
  if (steps.exhausted()) return std::unexpected(too_much_work(limits));
  if (pairs.exhausted()) {
    return std::unexpected(fmt::format(
        "the landblocks reach more than {} surfaces counted once per landblock, the most one run holds; audit fewer "
        "landblocks at a time with --landblocks",
        limits.max_pairs));
  }
  return found;
}

WorldAudit index_world(DiscoveredWorld found) {
  WorldAudit world;
  world.surfaces.resize(found.surface_ids.size());
  for (std::size_t i = 0; i < found.surface_ids.size(); ++i) world.surfaces[i].id = found.surface_ids[i];
  // Each surface's users, counted first so every list is allocated once; keys are
  // ascending, so each list is too.
  std::vector<std::uint32_t> users(found.surface_ids.size(), 0);
  for (const auto& indices : found.landblock_surfaces) {
    for (const std::uint32_t index : indices) ++users[index];
  }
  for (std::size_t i = 0; i < users.size(); ++i) world.surfaces[i].landblocks.reserve(users[i]);
  world.landblocks.resize(found.keys.size());
  for (std::size_t b = 0; b < found.keys.size(); ++b) {
    const std::uint16_t key = found.keys[b];
    world.landblocks[b].key = key;
    for (const std::uint32_t index : found.landblock_surfaces[b]) world.surfaces[index].landblocks.push_back(key);
    world.landblocks[b].surfaces = std::move(found.landblock_surfaces[b]);
  }
  return world;
}

}  // namespace quillfen::world

// DXT block encoders. A colour block tries a few endpoint pairs - along the texels'
// principal axis, a least-squares refit of that, and the best pair for the block's mean
// colour alone - and keeps the one whose decoded colours are closest to the texels.
#include "quillfen/dat/write/dxt_encode.hpp"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "quillfen/dat/file_type/dxt.hpp"

namespace quillfen::dat::write {
namespace {

using file_type::expand5;
using file_type::dxt5_alpha_levels;
using file_type::expand6;

constexpr std::uint32_t expand(std::uint32_t code, std::uint32_t bits) {
  return bits == 5 ? expand5(code) : expand6(code);
}

// For each 8-bit value, the 5- or 6-bit code whose expansion is nearest.
struct ChannelTables {
  std::array<std::uint8_t, 256> nearest{};
  // The code pair (a for c0, b for c1) whose two-thirds point (2A + B) / 3 is nearest,
  // as the decoder computes it: a flat block can then hit colours no endpoint can.
  std::array<std::array<std::uint8_t, 2>, 256> two_thirds{};
};

ChannelTables build_tables(std::uint32_t bits) {
  ChannelTables t;
  const std::uint32_t codes = 1u << bits;
  for (std::uint32_t v = 0; v < 256; ++v) {
    std::uint32_t best = std::numeric_limits<std::uint32_t>::max();
    for (std::uint32_t c = 0; c < codes; ++c) {
      const auto d = static_cast<std::uint32_t>(std::abs(static_cast<int>(expand(c, bits)) - static_cast<int>(v)));
      if (d < best) {
        best = d;
        t.nearest[v] = static_cast<std::uint8_t>(c);
      }
    }
    best = std::numeric_limits<std::uint32_t>::max();
    for (std::uint32_t a = 0; a < codes; ++a) {
      for (std::uint32_t b = 0; b < codes; ++b) {
        const std::uint32_t mid = (2 * expand(a, bits) + expand(b, bits)) / 3;
        const auto d = static_cast<std::uint32_t>(std::abs(static_cast<int>(mid) - static_cast<int>(v)));
        if (d < best) {
          best = d;
          t.two_thirds[v] = {static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b)};
        }
      }
    }
  }
  return t;
}

const ChannelTables& tables5() {
  static const ChannelTables t = build_tables(5);
  return t;
}
const ChannelTables& tables6() {
  static const ChannelTables t = build_tables(6);
  return t;
}

std::uint16_t pack565(std::uint32_t r5, std::uint32_t g6, std::uint32_t b5) {
  return static_cast<std::uint16_t>((r5 << 11) | (g6 << 5) | b5);
}

struct Rgb8 {
  std::uint32_t r, g, b;
};

Rgb8 unpack565(std::uint32_t c) { return {expand5(c >> 11), expand6((c >> 5) & 63u), expand5(c & 31u)}; }

// The nearest 565 colour to a point in 0..255 space (clamped and rounded first).
std::uint16_t quantize565(double r, double g, double b) {
  const auto to_byte = [](double x) { return static_cast<std::size_t>(std::clamp(x, 0.0, 255.0) + 0.5); };
  return pack565(tables5().nearest[to_byte(r)], tables6().nearest[to_byte(g)], tables5().nearest[to_byte(b)]);
}

struct Candidate {
  std::uint16_t c0 = 0;
  std::uint16_t c1 = 0;
  std::uint32_t indices = 0;
  std::uint64_t error = std::numeric_limits<std::uint64_t>::max();
};

// Puts the pair in four-colour order. c0 == c1 would switch a DXT1 block to three colours
// with a transparent index, so an equal pair is split by one step; the texels then simply
// choose the endpoint that still holds their colour.
void order_endpoints(std::uint16_t& c0, std::uint16_t& c1) {
  if (c0 < c1) std::swap(c0, c1);
  if (c0 == c1) {
    if (c0 == 0) {
      c0 = 1;
    } else {
      c1 = static_cast<std::uint16_t>(c0 - 1);
    }
  }
}

// Chooses each texel's nearest colour among the four the decoder derives from the pair.
Candidate fit(std::uint16_t c0, std::uint16_t c1, const BlockTexels& texels) {
  order_endpoints(c0, c1);
  const Rgb8 e0 = unpack565(c0);
  const Rgb8 e1 = unpack565(c1);
  const std::array<Rgb8, 4> palette = {
      e0, e1, Rgb8{(2 * e0.r + e1.r) / 3, (2 * e0.g + e1.g) / 3, (2 * e0.b + e1.b) / 3},
      Rgb8{(e0.r + 2 * e1.r) / 3, (e0.g + 2 * e1.g) / 3, (e0.b + 2 * e1.b) / 3}};
  Candidate out{c0, c1, 0, 0};
  for (std::uint32_t t = 0; t < 16; ++t) {
    std::uint32_t best_index = 0;
    std::uint32_t best = std::numeric_limits<std::uint32_t>::max();
    for (std::uint32_t i = 0; i < 4; ++i) {
      const int dr = static_cast<int>(texels[t][0]) - static_cast<int>(palette[i].r);
      const int dg = static_cast<int>(texels[t][1]) - static_cast<int>(palette[i].g);
      const int db = static_cast<int>(texels[t][2]) - static_cast<int>(palette[i].b);
      const auto d = static_cast<std::uint32_t>(dr * dr + dg * dg + db * db);
      if (d < best) {
        best = d;
        best_index = i;
      }
    }
    out.indices |= best_index << (2 * t);
    out.error += best;
  }
  return out;
}

struct Vec3 {
  double x, y, z;
};

// The pair whose two-thirds point is nearest to one colour, for flat blocks.
Candidate fit_single_colour(const Vec3& colour, const BlockTexels& texels) {
  const auto to_byte = [](double x) { return static_cast<std::size_t>(std::clamp(x, 0.0, 255.0) + 0.5); };
  const auto& r = tables5().two_thirds[to_byte(colour.x)];
  const auto& g = tables6().two_thirds[to_byte(colour.y)];
  const auto& b = tables5().two_thirds[to_byte(colour.z)];
  return fit(pack565(r[0], g[0], b[0]), pack565(r[1], g[1], b[1]), texels);
}

// The direction of greatest spread of the texel colours, by power iteration on their
// covariance; zero when every texel is the same colour.
Vec3 principal_axis(const BlockTexels& texels, const Vec3& mean) {
  double xx = 0, xy = 0, xz = 0, yy = 0, yz = 0, zz = 0;
  for (const auto& t : texels) {
    const double dx = t[0] - mean.x, dy = t[1] - mean.y, dz = t[2] - mean.z;
    xx += dx * dx;
    xy += dx * dy;
    xz += dx * dz;
    yy += dy * dy;
    yz += dy * dz;
    zz += dz * dz;
  }
  // Start from the row of the widest channel: never orthogonal to the answer unless the
  // block is flat.
  Vec3 v = xx >= yy && xx >= zz ? Vec3{xx, xy, xz} : (yy >= zz ? Vec3{xy, yy, yz} : Vec3{xz, yz, zz});
  for (int i = 0; i < 8; ++i) {
    const Vec3 next{xx * v.x + xy * v.y + xz * v.z, xy * v.x + yy * v.y + yz * v.z, xz * v.x + yz * v.y + zz * v.z};
    const double scale = std::max({std::abs(next.x), std::abs(next.y), std::abs(next.z)});
    if (scale == 0.0) return {0, 0, 0};
    v = {next.x / scale, next.y / scale, next.z / scale};
  }
  return v;
}

// Least-squares endpoints for the chosen indices: each texel is modelled as
// w * E0 + (1 - w) * E1 with w = 1, 0, 2/3, 1/3 for indices 0..3.
bool refit(const Candidate& current, const BlockTexels& texels, Vec3& e0, Vec3& e1) {
  constexpr double kWeight[4] = {1.0, 0.0, 2.0 / 3.0, 1.0 / 3.0};
  double aa = 0, ab = 0, bb = 0;
  Vec3 ax{0, 0, 0}, bx{0, 0, 0};
  for (std::uint32_t t = 0; t < 16; ++t) {
    const double w = kWeight[(current.indices >> (2 * t)) & 3u];
    const double w1 = 1.0 - w;
    aa += w * w;
    ab += w * w1;
    bb += w1 * w1;
    ax = {ax.x + w * texels[t][0], ax.y + w * texels[t][1], ax.z + w * texels[t][2]};
    bx = {bx.x + w1 * texels[t][0], bx.y + w1 * texels[t][1], bx.z + w1 * texels[t][2]};
  }
  const double det = aa * bb - ab * ab;
  if (std::abs(det) < 1e-9) return false;  // every texel on one index: nothing to solve
  e0 = {(bb * ax.x - ab * bx.x) / det, (bb * ax.y - ab * bx.y) / det, (bb * ax.z - ab * bx.z) / det};
  e1 = {(aa * bx.x - ab * ax.x) / det, (aa * bx.y - ab * ax.y) / det, (aa * bx.z - ab * ax.z) / det};
  return true;
}

void put_u16(EncodedBlock& out, std::size_t at, std::uint16_t v) {
  out[at] = static_cast<std::uint8_t>(v);
  out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace

EncodedBlock encode_colour_block(const BlockTexels& texels) {
  Vec3 mean{0, 0, 0};
  for (const auto& t : texels) mean = {mean.x + t[0], mean.y + t[1], mean.z + t[2]};
  mean = {mean.x / 16.0, mean.y / 16.0, mean.z / 16.0};

  Candidate best = fit_single_colour(mean, texels);
  if (best.error != 0) {
    // Endpoints at the extremes of the texels' projections onto the principal axis.
    const Vec3 axis = principal_axis(texels, mean);
    double lo = 0.0, hi = 0.0;
    for (const auto& t : texels) {
      const double p = (t[0] - mean.x) * axis.x + (t[1] - mean.y) * axis.y + (t[2] - mean.z) * axis.z;
      lo = std::min(lo, p);
      hi = std::max(hi, p);
    }
    const double norm2 = axis.x * axis.x + axis.y * axis.y + axis.z * axis.z;
    if (norm2 > 0.0) {
      lo /= norm2;
      hi /= norm2;
    }
    Vec3 e0{mean.x + hi * axis.x, mean.y + hi * axis.y, mean.z + hi * axis.z};
    Vec3 e1{mean.x + lo * axis.x, mean.y + lo * axis.y, mean.z + lo * axis.z};
    Candidate current = fit(quantize565(e0.x, e0.y, e0.z), quantize565(e1.x, e1.y, e1.z), texels);
    // Two least-squares rounds usually settle; each is kept only if it helps.
    for (int round = 0; round < 2 && current.error != 0; ++round) {
      if (current.error < best.error) best = current;
      if (!refit(current, texels, e0, e1)) break;
      current = fit(quantize565(e0.x, e0.y, e0.z), quantize565(e1.x, e1.y, e1.z), texels);
    }
    if (current.error < best.error) best = current;
  }

  EncodedBlock out{};
  put_u16(out, 0, best.c0);
  put_u16(out, 2, best.c1);
  for (std::size_t i = 0; i < 4; ++i) out[4 + i] = static_cast<std::uint8_t>(best.indices >> (8 * i));
  return out;
}

EncodedBlock encode_dxt3_alpha(const BlockTexels& texels) {
  EncodedBlock out{};
  for (std::size_t t = 0; t < 16; ++t) {
    // The nearest multiple of 17, as the decoder scales 4 bits back to 8.
    const auto nibble = static_cast<std::uint32_t>((texels[t][3] + 8u) / 17u);
    out[t / 2] = static_cast<std::uint8_t>(out[t / 2] | (nibble << (4 * (t % 2))));
  }
  return out;
}

namespace {

struct AlphaFit {
  std::uint64_t indices = 0;
  std::uint64_t error = 0;
};

AlphaFit fit_alpha(const std::array<std::uint32_t, 8>& levels, const BlockTexels& texels) {
  AlphaFit out;
  for (std::uint32_t t = 0; t < 16; ++t) {
    std::uint64_t best_index = 0;
    std::uint32_t best = std::numeric_limits<std::uint32_t>::max();
    for (std::uint32_t k = 0; k < 8; ++k) {
      const auto d = static_cast<std::uint32_t>(std::abs(static_cast<int>(texels[t][3]) - static_cast<int>(levels[k])));
      if (d < best) {
        best = d;
        best_index = k;
      }
    }
    out.indices |= best_index << (3 * t);
    out.error += static_cast<std::uint64_t>(best) * best;
  }
  return out;
}

}  // namespace

EncodedBlock encode_dxt5_alpha(const BlockTexels& texels) {
  std::uint32_t lo = 255, hi = 0;
  // The extremes among the values other than 0 and 255, which the six-level mode has for free.
  std::uint32_t inner_lo = 255, inner_hi = 0;
  for (const auto& t : texels) {
    lo = std::min<std::uint32_t>(lo, t[3]);
    hi = std::max<std::uint32_t>(hi, t[3]);
    if (t[3] != 0 && t[3] != 255) {
      inner_lo = std::min<std::uint32_t>(inner_lo, t[3]);
      inner_hi = std::max<std::uint32_t>(inner_hi, t[3]);
    }
  }
  // Eight levels need a0 > a1; with a flat block a0 == a1 selects the other mode, where
  // index 0 still gives a0 exactly.
  std::uint32_t a0 = hi, a1 = lo;
  AlphaFit best = fit_alpha(dxt5_alpha_levels(a0, a1), texels);
  if (best.error != 0 && inner_lo <= inner_hi) {
    const AlphaFit six = fit_alpha(dxt5_alpha_levels(inner_lo, inner_hi), texels);
    if (six.error < best.error) {
      best = six;
      a0 = inner_lo;
      a1 = inner_hi;
    }
  }
  EncodedBlock out{};
  out[0] = static_cast<std::uint8_t>(a0);
  out[1] = static_cast<std::uint8_t>(a1);
  for (std::size_t i = 0; i < 6; ++i) out[2 + i] = static_cast<std::uint8_t>(best.indices >> (8 * i));
  return out;
}

}  // namespace quillfen::dat::write

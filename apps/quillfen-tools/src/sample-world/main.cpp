// quillfen-sample-world: writes the sample world's portal and cell DATs into a directory.
// Exit status 0 after writing (or --help, --version), 1 when writing fails, 2 for a bad
// command line.
#include <fmt/format.h>

#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>

#include "quillfen/version.hpp"
#include "sample-world/ids.hpp"
#include "sample-world/world.hpp"

namespace {

using quillfen::sample::DatSummary;

constexpr int kExitError = 1;
constexpr int kExitUsage = 2;

// A seed in decimal, or in hexadecimal after "0x"; it must fit in 64 bits. CLI11's own
// integer parsing would also take octal and surrounding spaces.
std::optional<std::uint64_t> parse_seed(std::string_view text) {
  int base = 10;
  if (text.starts_with("0x") || text.starts_with("0X")) {
    base = 16;
    text.remove_prefix(2);
  }
  std::uint64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  if (text.empty() || ec != std::errc{} || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::string describe(const DatSummary& dat) {
  return fmt::format("Wrote {}: {} files ({} LRS-compressed), {} bytes of records, {} bytes on disk ({:.1f} MiB)",
                     dat.path.string(), dat.files, dat.compressed_files, dat.content_bytes, dat.file_bytes,
                     static_cast<double>(dat.file_bytes) / (1024.0 * 1024.0));
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Writes the sample world (client_portal.dat and client_cell_1.dat) into a directory.",
               "quillfen-sample-world"};
  std::string out_dir;
  std::string seed_text = "1";
  std::string scale_text = "small";
  app.add_option("--out-dir", out_dir, "Directory to write the two DAT files into (created if missing)")
      ->type_name("DIR")
      ->required();
  app.add_option("--seed", seed_text, "Seed of the world's textures and placements (decimal, or hex after 0x)")
      ->type_name("N")
      ->capture_default_str();
  app.add_option("--scale", scale_text, "small (a few thousand files) or full (the size of real game files)")
      ->type_name("SCALE")
      ->capture_default_str();
  app.set_version_flag("--version", fmt::format("quillfen-sample-world {}", quillfen::version()));
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::fputs(app.help().c_str(), stdout);
    return 0;
  } catch (const CLI::CallForVersion& e) {
    std::puts(e.what());
    return 0;
  } catch (const CLI::ParseError& e) {
    fmt::print(stderr, "error: {}\nRun with --help for more information.\n", e.what());
    return kExitUsage;
  }

  quillfen::sample::WorldOptions options;
  options.out_dir = out_dir;
  const auto seed = parse_seed(seed_text);
  if (!seed) {
    fmt::print(stderr, "error: --seed: invalid value '{}': expected a 64-bit number\n", seed_text);
    return kExitUsage;
  }
  options.seed = *seed;
  const auto scale = quillfen::sample::parse_scale(scale_text);
  if (!scale) {
    fmt::print(stderr, "error: --scale: {}\n", scale.error());
    return kExitUsage;
  }
  options.scale = *scale;

  const auto summary = quillfen::sample::generate_world(options);
  if (!summary) {
    fmt::print(stderr, "Error: {}\n", summary.error());
    return kExitError;
  }
  fmt::print("{}\n{}\nLandblocks: {} around the town at 0x{:04X} (seed {}, scale {})\n", describe(summary->portal),
             describe(summary->cell), summary->landblocks, quillfen::sample::ids::kTown, options.seed, scale_text);
  return 0;
}

// Display, debug and cause-chain texts of DatError.
#include "quillfen/dat/error.hpp"

#include <fmt/format.h>

namespace quillfen::dat {
namespace {

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};

}  // namespace

std::string DatError::message() const {
  using namespace dat_error;
  return std::visit(
      Overloaded{
          [](const Io& e) { return fmt::format("IO error: {}", e.error.message()); },
          [](const BinRead& e) { return fmt::format("Binary read error: {}", e.error.message()); },
          [](const NotFound& e) { return fmt::format("File ID {:08X} not found in provider", e.id); },
          [](const DuplicateId& e) { return fmt::format("Duplicate File ID {:08X} detected", e.id); },
          [](const Corruption& e) { return fmt::format("Corruption detected: {}", e.detail); },
          [](const DecompressionFailed& e) {
            return fmt::format("Failed to recover compressed file {:08X}", e.id);
          },
          [](const PathError& e) {
            return fmt::format("Failed to open file at {}: {}", e.path.string(), e.source.message());
          },
          [](const Other& e) { return fmt::format("Other error: {}", e.text); },
      },
      value_);
}

std::string DatError::debug() const {
  using namespace dat_error;
  return std::visit(
      Overloaded{
          [](const Io& e) { return fmt::format("Io({:?})", e.error.message()); },
          [](const BinRead& e) { return fmt::format("BinRead({:?})", e.error.message()); },
          [](const NotFound& e) { return fmt::format("NotFound(0x{:08X})", e.id); },
          [](const DuplicateId& e) { return fmt::format("DuplicateId(0x{:08X})", e.id); },
          [](const Corruption& e) { return fmt::format("Corruption({:?})", e.detail); },
          [](const DecompressionFailed& e) { return fmt::format("DecompressionFailed(0x{:08X})", e.id); },
          [](const PathError& e) {
            return fmt::format("PathError {{ path: {:?}, source: {:?} }}", e.path.string(),
                               e.source.message());
          },
          [](const Other& e) { return fmt::format("Other({:?})", e.text); },
      },
      value_);
}

std::vector<std::string> DatError::causes() const {
  using namespace dat_error;
  if (const auto* io = get_if<Io>()) return {io->error.message()};
  if (const auto* path = get_if<PathError>()) return {path->source.message()};
  if (const auto* bin = get_if<BinRead>()) {
    std::vector<std::string> chain{bin->error.message()};
    if (!bin->error.frames().empty() || std::holds_alternative<CustomError>(bin->error.cause())) {
      chain.push_back(bin->error.cause_message());
    }
    return chain;
  }
  return {};
}

}  // namespace quillfen::dat

// The bytes of a record through its own `pack`, for tests that build DATs and fixtures
// from records. A record that cannot be packed fails the test and gives no bytes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "quillfen/dat/pack.hpp"

namespace quillfen::testing {

template <class Record, class... Args>
std::vector<std::uint8_t> packed(const Record& record, const Args&... args) {
  auto bytes = dat::pack_record(record, args...);
  if (!bytes) {
    ADD_FAILURE() << "pack: " << bytes.error().message;
    return {};
  }
  return std::move(*bytes);
}

}  // namespace quillfen::testing

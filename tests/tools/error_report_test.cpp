// The error report: message, and causes indented or numbered.
#include "surface-classify-audit/error_report.hpp"

#include <gtest/gtest.h>

namespace quillfen::audit {
namespace {

TEST(ErrorReportTest, MessageAloneWithoutCauses) {
  EXPECT_EQ(format_error_report({"contact sheet too large", {}}), "Error: contact sheet too large\n");
}

TEST(ErrorReportTest, OneCauseIsIndentedByFourSpaces) {
  EXPECT_EQ(format_error_report({"parse hex landblock", {"invalid digit found in string"}}),
            "Error: parse hex landblock\n\nCaused by:\n    invalid digit found in string\n");
}

TEST(ErrorReportTest, SeveralCausesAreNumberedInFiveColumns) {
  EXPECT_EQ(format_error_report({"Binary read error: x", {"x (While parsing field 'magic' in DatHeader)", "x"}}),
            "Error: Binary read error: x\n\nCaused by:\n"
            "    0: x (While parsing field 'magic' in DatHeader)\n    1: x\n");
}

TEST(ErrorReportTest, DatErrorsKeepTheirCauseChain) {
  const auto run_error = to_run_error(dat::DatError(dat::dat_error::NotFound{0x2F}));
  EXPECT_EQ(run_error, (RunError{"File ID 0000002F not found in provider", {}}));
}

}  // namespace
}  // namespace quillfen::audit

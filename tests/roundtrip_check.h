// Reading our own command file back. The host reads it by the lexical rules of its own
// file, so our reader must find in it every item that the write-back pass wrote, as that
// item. Shared by the round-trip test and the whole-run fuzz target.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "JwwGaibu/model.h"

namespace RoundTrip {

/// Figures of one comparison, summed over many.
struct TRoundTripCounts {
  int Files = 0;         ///< command files compared
  int Written = 0;       ///< items written and found again as stated
  int Dropped = 0;       ///< degenerate items and block insertions, which are written as nothing
  int FreeTexts = 0;     ///< free-size texts read back, their spacing checked
  int Merged = 0;        ///< solids whose corners only the 15-digit form made coincide
  int FailedLoads = 0;   ///< inputs that could not be read, answered with "hq"
  int Unchanged = 0;     ///< inputs whose texts OK has nothing to change, answered with "hq"
  int PerKind[16] = {};  ///< Written, by kind code
};

/// `written` is the model as the write-back pass saw it: loaded, then zeroed with
/// `negativeOnly`. `readBack` is the command file that the pass produced, loaded by our own
/// reader (the load must have succeeded). Gives "" when every written item comes back as one
/// item of the same kind with the fields that the command file carries, else a description
/// of the first difference. The exact comparison and its known asymmetries are stated in
/// roundtrip_check.cc.
std::string CompareRoundTrip(const JwwGaibu::TJwwState& written,
                             const JwwGaibu::TJwwState& readBack, bool negativeOnly,
                             TRoundTripCounts& counts);

/// The dialog's OK flow on `input`, saved as JWC_TEMP.TXT in `folder` (which holds nothing
/// else), with the check box set to `negativeOnly`. Then: the save succeeded and left no other
/// file; after a failed load the command file is exactly "hq"; otherwise it begins with "hd",
/// our reader reads it to its end, and CompareRoundTrip holds against the input loaded and
/// zeroed on its own. Gives "" when all of that holds, else what did not.
std::string CheckOkRun(const std::filesystem::path& folder, std::string_view input,
                       bool negativeOnly, TRoundTripCounts& counts);

}  // namespace RoundTrip

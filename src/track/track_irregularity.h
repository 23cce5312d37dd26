// Track irregularity: the stored profile of "Irregularity.dat", or a profile
// generated from a spectrum and stored back into that file.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Fills TrackIrregularity from the file open on `unit`: code, seed, the two
// wavelengths, length and spacing are the members of the record, passed by
// reference. A generation lays out the file's store with source flag 0 and
// its samples (ctx.rewrites), so that the next run reads back exactly the
// same profile. Closes the unit, unchanged.
void generate_track_irregularity(RunContext& ctx, std::int32_t& spectrum_code, std::int32_t& seed,
                                 float& min_wavelength, float& max_wavelength, float& length, float& spacing,
                                 std::int32_t& unit);

// Stores a profile that generate_track_irregularity generated into the file
// it came from; called where the run opens its result files, once every
// input is read and checked. Nothing to do for a stored profile.
void store_generated_irregularity(RunContext& ctx);

}  // namespace tb

#include "track/track_irregularity.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/format.h"
#include "platform/list_read.h"
#include "platform/texts.h"
#include "run/input_helpers.h"
#include "track/irregularity_synthesis.h"

namespace tb {

namespace {

constexpr std::string_view kLabel = "\\Irregularity.dat";

// Every number that a later run reads back is written with nine significant
// digits, enough for a single-precision value to read back exactly, and every
// 32-bit integer fits its field.
constexpr std::string_view kParameterLayout = "(1X,3I12,5E17.9)";
constexpr std::string_view kValuesLayout = "(1X,3E17.9)";
constexpr std::string_view kSampleLayout = "(3E17.9)";

void read_stored_samples(RunContext& ctx, std::int32_t unit, Array2<float>& profile) {
  const std::int32_t n = profile.extent(1);
  std::vector<ReadTarget> rows;
  rows.reserve(static_cast<std::size_t>(n));
  for (std::int32_t i = 1; i <= n; ++i)
    rows.push_back(ReadTarget::reals(profile.at_ptr(i, 2), 3, static_cast<std::ptrdiff_t>(profile.stride(2))));
  // A file that holds fewer samples leaves the rest 0.
  read_list(ctx.units, unit, rows);
}

void write_generated_file(RunContext& ctx, std::int32_t unit, std::int32_t code, std::int32_t seed,
                          float min_wavelength, float max_wavelength, float spacing, float filter_wavelength) {
  const TrackIrregularity& irr = ctx.irregularity;
  const Array2<float>& p = irr.irregularity_profile;
  const std::int32_t n = p.extent(1);
  UnitTable& u = ctx.units;
  u.rewind(unit);
  u.write_record(unit, list_directed_line({text::irregularity_parameter_header}));
  u.write_records(unit, format_records(kParameterLayout, {0, code, seed, min_wavelength, max_wavelength,
                                                          stored_irregularity_length(n, spacing), spacing,
                                                          filter_wavelength}));
  u.write_record(unit, list_directed_line({text::irregularity_ramp_header}));
  u.write_records(unit, format_records(kValuesLayout, {irr.irregularity_ramp_length}));
  u.write_record(unit, list_directed_line({text::irregularity_scale_header}));
  u.write_records(unit, format_records(kValuesLayout, {irr.irregularity_scale(1), irr.irregularity_scale(2),
                                                       irr.irregularity_scale(3)}));
  u.write_record(unit, "");
  for (std::int32_t i = 1; i <= n; ++i)
    u.write_records(unit, format_records(kSampleLayout, {p(i, 2), p(i, 3), p(i, 4)}));
}

// One console line when a spectrum carries no power on the longest lines of
// the wavelength range asked for: per kind so shortened, the longest
// wavelength that the generated profile holds.
void report_shortened_wavelengths(RunContext& ctx, std::int32_t code, float max_wavelength,
                                  const CarriedWavelengths& carried) {
  static constexpr const char* kKinds[3] = {"vertical profile", "alignment", "cross level"};
  std::string named;
  for (int k = 0; k < 3; ++k) {
    if (!carried.shortened[k]) continue;
    char part[96];
    std::snprintf(part, sizeof part, "%.1f m (%s)", static_cast<double>(carried.longest[k]), kKinds[k]);
    named += (named.empty() ? "" : ", ") + std::string(part);
  }
  if (named.empty()) return;
  char asked[64];
  std::snprintf(asked, sizeof asked, "%.1f m", static_cast<double>(max_wavelength));
  ctx.console.line(" Irregularity: spectrum " + std::to_string(code) +
                   " has no power at the longest wavelengths asked for (" + asked +
                   "); the longest wavelength generated is " + named + ".");
}

}  // namespace

void generate_track_irregularity(RunContext& ctx, std::int32_t& spectrum_code, std::int32_t& seed,
                                 float& min_wavelength, float& max_wavelength, float& length, float& spacing,
                                 std::int32_t& unit) {
  TrackIrregularity& irr = ctx.irregularity;
  UnitTable& u = ctx.units;
  std::int32_t source = 0;
  float filter_wavelength = 0.0f;

  read_list(u, unit, {});
  read_list(u, unit, {source, spectrum_code, seed, min_wavelength, max_wavelength, length, spacing,
                      filter_wavelength});
  read_list(u, unit, {});
  read_list(u, unit, {irr.irregularity_ramp_length});
  read_list(u, unit, {});
  const std::int32_t status = read_list(u, unit, {irr.irregularity_scale.span()});
  check_read_status(ctx, status, kLabel);
  if (!(spacing > 0.0f)) check_read_status(ctx, 1, kLabel);
  if (source != 0 && source != 1) check_read_status(ctx, 1, kLabel);

  Array2<float>& profile = irr.irregularity_profile;
  if (source == 0) {
    const std::int32_t n = irregularity_sample_count(length, spacing);
    length = static_cast<float>(n) * spacing;
    profile.resize(n, 4);
    read_stored_samples(ctx, unit, profile);
  } else {
    // Generation needs positive wavelengths and a spectrum code of the table.
    if (!(min_wavelength > 0.0f) || !(max_wavelength > 0.0f) || spectrum_code < 1)
      check_read_status(ctx, 1, kLabel);
    ctx.console.list_line({"\tGenerating Track Irregularity......"});
    const float f_max = 1.0f / min_wavelength;
    spacing = 0.25f / f_max;
    const std::int32_t n = irregularity_sample_count(length, spacing);
    length = spacing * static_cast<float>(n);
    profile.resize(n, 4);
    const CarriedWavelengths carried = synthesise_irregularity_profiles(spectrum_code, seed, min_wavelength,
                                                                        max_wavelength, spacing,
                                                                        ctx.control.two_pi, profile);
    report_shortened_wavelengths(ctx, spectrum_code, max_wavelength, carried);
    write_generated_file(ctx, unit, spectrum_code, seed, min_wavelength, max_wavelength, spacing,
                         filter_wavelength);
  }

  const std::int32_t n = profile.extent(1);
  for (int c = 2; c <= 4; ++c)
    for (std::int32_t i = 1; i <= n; ++i) profile(i, c) *= irr.irregularity_scale(c - 1);
  for (std::int32_t i = 1; i <= n; ++i) profile(i, 1) = static_cast<float>(i - 1) * spacing;
  u.close(unit);
  lowpass_filter_profile_columns(profile, spacing, filter_wavelength);
}

}  // namespace tb

#include "track/track_irregularity.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "platform/format.h"
#include "platform/list_read.h"
#include "platform/texts.h"
#include "run/input_helpers.h"
#include "track/fft.h"
#include "track/interpolation.h"
#include "track/irregularity_psd.h"
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

// Reads the stored samples (three values each) and returns how many rows the
// file gives whole. A file that holds fewer samples leaves the rest 0; a
// value that does not read as a number is a data error.
std::int32_t read_stored_samples(RunContext& ctx, std::int32_t unit, Array2<float>& profile) {
  const std::int32_t n = profile.extent(1);
  constexpr float unread = std::numeric_limits<float>::quiet_NaN();
  for (int c = 2; c <= 4; ++c)
    for (std::int32_t i = 1; i <= n; ++i) profile(i, c) = unread;
  std::vector<ReadTarget> rows;
  rows.reserve(static_cast<std::size_t>(n));
  for (std::int32_t i = 1; i <= n; ++i)
    rows.push_back(ReadTarget::reals(profile.at_ptr(i, 2), 3, static_cast<std::ptrdiff_t>(profile.stride(2))));
  const std::int32_t status = read_list(ctx.units, unit, rows);
  if (status != io_status::end_of_file)
    check_read_status(ctx, status, kLabel, unit,
                      counted("stored sample", n, 0, 3, "as many as record 2's length over its spacing"));
  std::int32_t given = 0;
  for (std::int32_t i = 1; i <= n; ++i) {
    bool whole = true;
    for (int c = 2; c <= 4; ++c)
      if (std::isnan(profile(i, c))) {
        profile(i, c) = 0.0f;
        whole = false;
      }
    if (whole && given == i - 1) given = i;
  }
  return given;
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

  // Records 1 to 6 are all needed: a text line, the parameters, a text
  // line, the ramp length, a text line, the scale factors.
  const auto read = [&](std::initializer_list<ReadTarget> targets, std::string_view record) {
    check_read_status(ctx, read_list(u, unit, targets), kLabel, unit, record);
  };
  read({}, "record 1, a title line");
  read({source, spectrum_code, seed, min_wavelength, max_wavelength, length, spacing, filter_wavelength},
       "record 2, source flag, spectrum code, seed, wavelengths, length, spacing, filter wavelength");
  read({}, "record 3, a title line");
  read({irr.irregularity_ramp_length}, "record 4, taper length");
  read({}, "record 5, a title line");
  read({irr.irregularity_scale.span()}, "record 6, scale factors");
  const auto bad = [&](const std::string& problem) { stop_with_bad_value(ctx, kLabel, unit, "record 2", problem); };
  if (!(spacing > 0.0f)) bad("spacing " + value_text(spacing) + ", must be above 0");
  if (source != 0 && source != 1)
    bad("source flag " + std::to_string(source) + ", must be 1 (generate) or 0 (the stored profile)");
  // The profile takes the smallest power of two of samples above
  // int(length / dx): the track model interpolates it through three samples,
  // the count must stay a 32-bit power of two, and the memory must hold the
  // profile (four values a sample) with the two complex sequences of its
  // transforms.
  const auto check_length = [&](float dx, const std::string& spacing_named) {
    const float q = length / dx;
    if (!(q >= 2.0f)) {
      ctx.console.list_line({too_few_interpolation_points});
      bad("length " + value_text(length) + " m, must be at least " + value_text(2.0f * dx) + " m, twice " +
          spacing_named);
    }
    if (!(q < 1073741824.0f))
      bad("length " + value_text(length) + " m, must be below " + value_text(1073741824.0f * dx) +
          " m, 2^30 times " + spacing_named);
    const std::int32_t n = irregularity_sample_count(length, dx);
    if ((4.0 * sizeof(float) + 2.0 * sizeof(Complex)) * n > static_cast<double>(memory_limit_bytes()))
      bad("length " + value_text(length) + " m, " + std::to_string(n) + " samples at " + spacing_named +
          ", more than the memory holds");
  };

  Array2<float>& profile = irr.irregularity_profile;
  if (source == 0) {
    check_length(spacing, "the spacing " + value_text(spacing) + " m");
    const std::int32_t n = irregularity_sample_count(length, spacing);
    length = static_cast<float>(n) * spacing;
    resize_from_counts(ctx, {kLabel, unit, "record 2, length and spacing"}, profile, n, 4);
    const std::int32_t given = read_stored_samples(ctx, unit, profile);
    // A stored profile is read again in every run until its flag is set to
    // 1: the console says which profile the run takes.
    std::string line = " Track irregularity: the stored profile of " + unit_file_name(ctx, unit, kLabel) +
                       " (source flag 0, " + std::to_string(n) + " samples";
    if (given == 0 && n > 0)
      line += ", which the file does not give: the profile is 0";
    else if (given < n)
      line += ", of which the file gives " + std::to_string(given) + ", the rest are 0";
    ctx.console.line(line + "); set the flag to 1 to generate a new one.");
  } else {
    // Generation needs positive wavelengths and a spectrum code of the table.
    if (!(min_wavelength > 0.0f)) bad("shortest wavelength " + value_text(min_wavelength) + ", must be above 0");
    if (!(max_wavelength > 0.0f)) bad("longest wavelength " + value_text(max_wavelength) + ", must be above 0");
    if (!is_known_irregularity_spectrum(spectrum_code))
      bad("spectrum code " + std::to_string(spectrum_code) + ", must be " + known_irregularity_spectra);
    const float f_max = 1.0f / min_wavelength;
    const float dx = 0.25f / f_max;
    check_length(dx, "the sample spacing " + value_text(dx) + " m, a quarter of the shortest wavelength");
    ctx.console.list_line({"\tGenerating Track Irregularity......"});
    spacing = dx;
    const std::int32_t n = irregularity_sample_count(length, spacing);
    length = spacing * static_cast<float>(n);
    resize_from_counts(ctx, {kLabel, unit, "record 2, length and shortest wavelength"}, profile, n, 4);
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

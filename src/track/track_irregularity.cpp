#include "track/track_irregularity.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "input/read_errors.h"
#include "model/file_names.h"
#include "numerics/fft.h"
#include "numerics/interpolation.h"
#include "platform/format.h"
#include "platform/list_read.h"
#include "platform/progress.h"
#include "platform/texts.h"
#include "track/irregularity_psd.h"
#include "track/irregularity_synthesis.h"

namespace tb {

namespace {

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
    check_read_status(ctx, status, irregularity_file, unit,
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

// The store of a generated profile, laid out for the run's start: records 1
// to 7 of the rewritten file, and a copy of the samples as generated, before
// scaling and filtering. The next run reads exactly this profile back.
void lay_out_generated_store(RunContext& ctx, std::int32_t unit, std::int32_t code, std::int32_t seed,
                             float min_wavelength, float max_wavelength, float spacing, float filter_wavelength) {
  const TrackIrregularity& irr = ctx.irregularity;
  const Array2<float>& p = irr.irregularity_profile;
  const std::int32_t n = p.extent(1);
  PendingTextRewrite& store = ctx.rewrites.irregularity;
  const UnitTable::OpenAttempt* opened = ctx.units.last_open(unit);
  store = PendingTextRewrite{true, unit, opened ? opened->name : std::string(irregularity_file.substr(1)), {}};
  std::vector<std::string>& r = store.records;
  r.push_back(list_directed_line({text::irregularity_parameter_header}));
  append_records(r, format_records(kParameterLayout, {0, code, seed, min_wavelength, max_wavelength,
                                                      stored_irregularity_length(n, spacing), spacing,
                                                      filter_wavelength}));
  r.push_back(list_directed_line({text::irregularity_ramp_header}));
  append_records(r, format_records(kValuesLayout, {irr.irregularity_ramp_length}));
  r.push_back(list_directed_line({text::irregularity_scale_header}));
  append_records(r, format_records(kValuesLayout, {irr.irregularity_scale(1), irr.irregularity_scale(2),
                                                   irr.irregularity_scale(3)}));
  r.push_back("");
  Array2<float>& samples = ctx.rewrites.irregularity_samples;
  resize_from_counts(ctx, {irregularity_file, unit, "record 2, length and shortest wavelength"}, samples, n, 3);
  for (int c = 1; c <= 3; ++c) std::copy_n(p.at_ptr(1, c + 1), n, samples.at_ptr(1, c));
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
    check_read_status(ctx, read_list(u, unit, targets), irregularity_file, unit, record);
  };
  read({}, "record 1, a title line");
  read({source, spectrum_code, seed, min_wavelength, max_wavelength, length, spacing, filter_wavelength},
       "record 2, source flag, spectrum code, seed, wavelengths, length, spacing, filter wavelength");
  read({}, "record 3, a title line");
  read({irr.irregularity_ramp_length}, "record 4, taper length");
  read({}, "record 5, a title line");
  read({irr.irregularity_scale.span()}, "record 6, scale factors");
  const auto bad = [&](const std::string& problem) {
    stop_with_bad_value(ctx, irregularity_file, unit, "record 2", problem);
  };
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
    // A generated profile also keeps its three columns as generated, until
    // the run stores them.
    const double floats = source == 1 ? 7.0 : 4.0;
    if ((floats * sizeof(float) + 2.0 * sizeof(Complex)) * n > static_cast<double>(memory_limit_bytes()))
      bad("length " + value_text(length) + " m, " + std::to_string(n) + " samples at " + spacing_named +
          ", more than the memory holds");
  };

  Array2<float>& profile = irr.irregularity_profile;
  std::optional<ProgressLines> progress;
  if (source == 0) {
    check_length(spacing, "the spacing " + value_text(spacing) + " m");
    const std::int32_t n = irregularity_sample_count(length, spacing);
    length = static_cast<float>(n) * spacing;
    resize_from_counts(ctx, {irregularity_file, unit, "record 2, length and spacing"}, profile, n, 4);
    const std::int32_t given = read_stored_samples(ctx, unit, profile);
    // Source flag 0 asks for the profile the file stores: a file that stores
    // none (a flag set to 0 by hand before any generation) would run on a
    // smooth track.
    if (given == 0)
      stop_with_bad_value(ctx, irregularity_file, unit, "record 2, source flag",
                          "0 (the stored profile), but the file stores no sample after record 6 (" +
                              std::to_string(n) + " samples of three values expected); set the flag to 1 to "
                              "generate a profile");
    // A stored profile is read again in every run until its flag is set to
    // 1: the console says which profile the run takes.
    std::string line = " Track irregularity: the stored profile of " + unit_file_name(ctx, unit, irregularity_file) +
                       " (source flag 0, " + std::to_string(n) + " samples";
    if (given < n) line += ", of which the file gives " + std::to_string(given) + ", the rest are 0";
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
    // Three transforms of N samples, and six more to filter them: a very
    // long track takes a while, and says how far it is.
    progress.emplace(ctx.console, "Track irregularity",
                     3 + lowpass_filter_transforms(n, spacing, filter_wavelength), start_up_stop_note);
    resize_from_counts(ctx, {irregularity_file, unit, "record 2, length and shortest wavelength"}, profile, n, 4);
    const CarriedWavelengths carried = synthesise_irregularity_profiles(
        spectrum_code, seed, min_wavelength, max_wavelength, spacing, ctx.control.two_pi, profile, &*progress);
    report_shortened_wavelengths(ctx, spectrum_code, max_wavelength, carried);
    lay_out_generated_store(ctx, unit, spectrum_code, seed, min_wavelength, max_wavelength, spacing,
                            filter_wavelength);
  }

  const std::int32_t n = profile.extent(1);
  for (int c = 2; c <= 4; ++c)
    for (std::int32_t i = 1; i <= n; ++i) profile(i, c) *= irr.irregularity_scale(c - 1);
  for (std::int32_t i = 1; i <= n; ++i) profile(i, 1) = static_cast<float>(i - 1) * spacing;
  u.close(unit);
  if (!progress && lowpass_filter_transforms(n, spacing, filter_wavelength) > 0)
    progress.emplace(ctx.console, "Track irregularity", lowpass_filter_transforms(n, spacing, filter_wavelength),
                     start_up_stop_note);
  lowpass_filter_profile_columns(profile, spacing, filter_wavelength, progress ? &*progress : nullptr);
}

void store_generated_irregularity(RunContext& ctx) {
  PendingTextRewrite& store = ctx.rewrites.irregularity;
  if (!store.pending) return;
  store.pending = false;
  UnitTable& u = ctx.units;
  const std::int32_t unit = store.unit;
  check_read_status(ctx, u.open(unit, store.file_name, OpenMode::unknown, UnitForm::text), irregularity_file, unit,
                    "the store of the generated profile");
  for (const std::string& record : store.records) u.write_record(unit, record);
  // A record per sample: millions for a very long track.
  const Array2<float>& s = ctx.rewrites.irregularity_samples;
  const std::int32_t n = s.extent(1);
  constexpr std::int32_t kStride = 4096;
  ProgressLines progress(ctx.console, "Track irregularity", n);
  for (std::int32_t i = 1; i <= n; ++i) {
    u.write_records(unit, format_records(kSampleLayout, {s(i, 1), s(i, 2), s(i, 3)}));
    if (i % kStride == 0)
      progress.advance(kStride, [&] {
        return "storing sample " + grouped(i) + " of " + grouped(n) + " in " +
               unit_file_name(ctx, unit, irregularity_file);
      });
  }
  u.close(unit);
  store.records.clear();
  ctx.rewrites.irregularity_samples = Array2<float>();
}

}  // namespace tb

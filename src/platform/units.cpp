#include "platform/units.h"

#include <bit>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

namespace tb {

namespace {

constexpr std::size_t kBinaryBufferBytes = 1 << 20;

std::uint32_t to_little_endian(std::uint32_t v) {
  if constexpr (std::endian::native == std::endian::little) {
    return v;
  } else {
    return ((v & 0xFFu) << 24) | ((v & 0xFF00u) << 8) | ((v >> 8) & 0xFF00u) | (v >> 24);
  }
}

std::vector<std::string> load_records(const std::filesystem::path& path, bool& ok) {
  std::vector<std::string> records;
  std::ifstream in(path, std::ios::binary);
  ok = static_cast<bool>(in);
  if (!ok) return records;
  std::ostringstream all;
  all << in.rdbuf();
  const std::string text = all.str();
  // A UTF-8 byte-order mark that an editor put before the first record is
  // no part of it, as a carriage return before a line end is none.
  constexpr std::string_view byte_order_mark = "\xEF\xBB\xBF";
  std::size_t start = std::string_view(text).starts_with(byte_order_mark) ? byte_order_mark.size() : 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    const bool last = end == std::string::npos;
    if (last) end = text.size();
    std::string rec = text.substr(start, end - start);
    if (!rec.empty() && rec.back() == '\r') rec.pop_back();
    records.push_back(std::move(rec));
    start = end + 1;
  }
  return records;
}

}  // namespace

UnitTable::~UnitTable() {
  try {
    close_all();
  } catch (...) {
    // A failure while closing at the end of the process cannot be reported.
  }
}

std::filesystem::path UnitTable::resolve(const std::string& name) const {
  std::filesystem::path p(name);
  if (p.is_absolute()) return p;
  return working_dir / p;
}

UnitTable::Unit* UnitTable::find(std::int32_t unit) {
  auto it = units_.find(unit);
  return it == units_.end() ? nullptr : it->second.get();
}

const UnitTable::Unit* UnitTable::find(std::int32_t unit) const {
  auto it = units_.find(unit);
  return it == units_.end() ? nullptr : it->second.get();
}

bool UnitTable::is_open(std::int32_t unit) const { return find(unit) != nullptr; }

bool UnitTable::is_text(std::int32_t unit) const {
  const Unit* u = find(unit);
  return u && u->form == UnitForm::text;
}

bool UnitTable::is_binary(std::int32_t unit) const {
  const Unit* u = find(unit);
  return u && u->form == UnitForm::binary;
}

std::int32_t UnitTable::open(std::int32_t unit, const std::string& name, OpenMode mode,
                             UnitForm form) {
  close(unit);
  const std::int32_t status = open_unit(unit, name, mode, form);
  attempts_[unit] = OpenAttempt{name, status};
  return status;
}

const UnitTable::OpenAttempt* UnitTable::last_open(std::int32_t unit) const {
  auto it = attempts_.find(unit);
  return it == attempts_.end() ? nullptr : &it->second;
}

std::int32_t UnitTable::open_unit(std::int32_t unit, const std::string& name, OpenMode mode, UnitForm form) {
  const std::filesystem::path path = resolve(name);
  std::error_code ec;
  const bool exists = std::filesystem::is_regular_file(path, ec);
  if (!exists) {
    if (mode == OpenMode::old || std::filesystem::exists(path, ec)) {
      return mode == OpenMode::old ? io_status::file_not_found : io_status::cannot_open;
    }
    std::ofstream create(path, std::ios::binary | std::ios::app);
    if (!create) return io_status::cannot_open;
  } else if (mode == OpenMode::replace) {
    std::ofstream empty(path, std::ios::binary | std::ios::trunc);
    if (!empty) return io_status::cannot_open;
  }
  auto u = std::make_unique<Unit>();
  u->form = form;
  if (form == UnitForm::text) {
    bool ok = false;
    u->text.path = path;
    u->text.name = name;
    u->text.records = load_records(path, ok);
    if (!ok) return io_status::cannot_open;
  } else {
    u->binary.path = path;
    u->binary.file = std::fopen(path.c_str(), "r+b");
    if (!u->binary.file) return io_status::cannot_open;
    u->binary.buffer.resize(kBinaryBufferBytes);
    std::setvbuf(u->binary.file, u->binary.buffer.data(), _IOFBF, u->binary.buffer.size());
  }
  units_[unit] = std::move(u);
  return io_status::ok;
}

void UnitTable::close_unit(Unit& u) {
  if (u.form == UnitForm::text) {
    if (u.text.modified) {
      std::ofstream out(u.text.path, std::ios::binary | std::ios::trunc);
      for (const std::string& r : u.text.records) {
        out.write(r.data(), static_cast<std::streamsize>(r.size()));
        out.put('\n');
      }
      out.close();
      if (!out) throw PlatformError("cannot write " + u.text.path.string());
      u.text.modified = false;
    }
    return;
  }
  BinaryUnit& b = u.binary;
  if (!b.file) return;
  const bool flushed = std::fflush(b.file) == 0;
  std::fclose(b.file);
  b.file = nullptr;
  if (!flushed) throw PlatformError("cannot write " + b.path.string());
  if (b.written) {
    std::error_code ec;
    if (std::filesystem::file_size(b.path, ec) > b.written_end && !ec) {
      std::filesystem::resize_file(b.path, b.written_end, ec);
      if (ec) throw PlatformError("cannot shorten " + b.path.string());
    }
  }
}

void UnitTable::close(std::int32_t unit) {
  auto it = units_.find(unit);
  if (it == units_.end()) return;
  std::unique_ptr<Unit> u = std::move(it->second);
  units_.erase(it);
  close_unit(*u);
}

void UnitTable::close_all() {
  for (std::int32_t unit = 1; unit <= 200; ++unit) close(unit);
  while (!units_.empty()) close(units_.begin()->first);
}

std::int32_t UnitTable::rewind(std::int32_t unit) {
  Unit* u = find(unit);
  if (!u) return io_status::not_connected;
  if (u->form == UnitForm::text) {
    u->text.position = 0;
  } else {
    BinaryUnit& b = u->binary;
    if (std::fseek(b.file, 0, SEEK_SET) != 0) throw PlatformError("cannot rewind " + b.path.string());
    b.position = 0;
  }
  return io_status::ok;
}

std::int32_t UnitTable::backspace(std::int32_t unit) {
  Unit* u = find(unit);
  if (!u) return io_status::not_connected;
  if (u->form != UnitForm::text) return io_status::wrong_form;
  // After the end of the file was met, one step back stands before the
  // end-of-file mark: the next read meets the end again, not the last record.
  if (u->text.position > 0) --u->text.position;
  return io_status::ok;
}

TextUnit* UnitTable::text(std::int32_t unit) {
  Unit* u = find(unit);
  if (!u || u->form != UnitForm::text) return nullptr;
  return &u->text;
}

const TextUnit* UnitTable::text(std::int32_t unit) const {
  const Unit* u = find(unit);
  if (!u || u->form != UnitForm::text) return nullptr;
  return &u->text;
}

std::int32_t UnitTable::read_record(std::int32_t unit, std::string& record) {
  Unit* u = find(unit);
  if (!u) return io_status::not_connected;
  if (u->form != UnitForm::text) return io_status::wrong_form;
  TextUnit& t = u->text;
  if (t.position >= t.records.size()) {
    t.position = t.records.size() + 1;  // past the end-of-file mark
    return io_status::end_of_file;
  }
  record = t.records[t.position++];
  return io_status::ok;
}

void UnitTable::write_record(std::int32_t unit, std::string_view record) {
  TextUnit* t = text(unit);
  if (!t) throw PlatformError("write to unit " + std::to_string(unit) + ", which is not a connected text unit");
  if (t->position < t->records.size()) t->records.resize(t->position);
  t->records.emplace_back(record);
  t->position = t->records.size();
  t->modified = true;
}

void UnitTable::write_records(std::int32_t unit, std::string_view text) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    write_record(unit, text.substr(start, end - start));
    start = end + 1;
  }
}

BinaryUnit& UnitTable::binary_for_write(std::int32_t unit) {
  Unit* u = find(unit);
  if (!u || u->form != UnitForm::binary)
    throw PlatformError("write to unit " + std::to_string(unit) + ", which is not a connected binary unit");
  BinaryUnit& b = u->binary;
  if (!b.last_was_write) {
    std::fseek(b.file, static_cast<long>(b.position), SEEK_SET);
    b.last_was_write = true;
  }
  return b;
}

void UnitTable::write_bytes(std::int32_t unit, const void* bytes, std::size_t count) {
  BinaryUnit& b = binary_for_write(unit);
  if (count > 0 && std::fwrite(bytes, 1, count, b.file) != count)
    throw PlatformError("cannot write " + b.path.string());
  b.position += count;
  b.written = true;
  if (b.position > b.written_end) b.written_end = b.position;
}

void UnitTable::rewrite_f32(std::int32_t unit, std::uint64_t byte_offset, float value) {
  BinaryUnit& b = binary_for_write(unit);
  const std::uint64_t resume = b.position;
  if (std::fseek(b.file, static_cast<long>(byte_offset), SEEK_SET) != 0)
    throw PlatformError("cannot rewrite " + b.path.string());
  b.position = byte_offset;
  write_f32(unit, value);
  if (std::fseek(b.file, static_cast<long>(resume), SEEK_SET) != 0)
    throw PlatformError("cannot rewrite " + b.path.string());
  b.position = resume;
}

std::uint64_t UnitTable::byte_position(std::int32_t unit) const {
  const Unit* u = find(unit);
  if (!u || u->form != UnitForm::binary)
    throw PlatformError("position of unit " + std::to_string(unit) + ", which is not a connected binary unit");
  return u->binary.position;
}

void UnitTable::write_i32(std::int32_t unit, std::int32_t value) {
  const std::uint32_t le = to_little_endian(static_cast<std::uint32_t>(value));
  write_bytes(unit, &le, 4);
}

void UnitTable::write_f32(std::int32_t unit, float value) {
  const std::uint32_t le = to_little_endian(std::bit_cast<std::uint32_t>(value));
  write_bytes(unit, &le, 4);
}

void UnitTable::write_f32s(std::int32_t unit, std::span<const float> values) {
  if constexpr (std::endian::native == std::endian::little) {
    write_bytes(unit, values.data(), values.size() * sizeof(float));
  } else {
    for (float v : values) write_f32(unit, v);
  }
}

std::int32_t UnitTable::read_bytes(std::int32_t unit, void* bytes, std::size_t count) {
  Unit* u = find(unit);
  if (!u) return io_status::not_connected;
  if (u->form != UnitForm::binary) return io_status::wrong_form;
  BinaryUnit& b = u->binary;
  if (b.last_was_write) {
    std::fflush(b.file);
    std::fseek(b.file, static_cast<long>(b.position), SEEK_SET);
    b.last_was_write = false;
  }
  const std::size_t got = std::fread(bytes, 1, count, b.file);
  b.position += got;
  if (got == count) return io_status::ok;
  if (std::feof(b.file)) {
    std::clearerr(b.file);
    return io_status::end_of_file;
  }
  std::clearerr(b.file);
  return io_status::read_failed;
}

std::int32_t UnitTable::read_i32(std::int32_t unit, std::int32_t& value) {
  std::uint32_t le = 0;
  const std::int32_t st = read_bytes(unit, &le, 4);
  if (st == io_status::ok) value = static_cast<std::int32_t>(to_little_endian(le));
  return st;
}

std::int32_t UnitTable::read_f32(std::int32_t unit, float& value) {
  std::uint32_t le = 0;
  const std::int32_t st = read_bytes(unit, &le, 4);
  if (st == io_status::ok) value = std::bit_cast<float>(to_little_endian(le));
  return st;
}

std::int32_t UnitTable::read_f32s(std::int32_t unit, std::span<float> values) {
  if constexpr (std::endian::native == std::endian::little) {
    return read_bytes(unit, values.data(), values.size() * sizeof(float));
  } else {
    for (float& v : values) {
      const std::int32_t st = read_f32(unit, v);
      if (st != io_status::ok) return st;
    }
    return io_status::ok;
  }
}

}  // namespace tb

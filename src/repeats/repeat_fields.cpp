#include "repeats/repeat_fields.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

// The digits of value, ending just before end, moved to out; their number.
std::size_t write_digits(char* out, std::uint64_t value) {
  char digits[24];
  char* const end = digits + sizeof digits;
  const char* first = TextBuffer::write_digits_before(end, value);
  const std::size_t n = static_cast<std::size_t>(end - first);
  std::memcpy(out, first, n);
  return n;
}

}  // namespace

std::string chromosome_name(const std::string& record_name, unsigned record_number) {
  auto first = std::find_if_not(record_name.begin(), record_name.end(), is_blank);
  auto last = std::find_if(first, record_name.end(), is_blank);
  if (first == last) return "record_" + std::to_string(record_number);
  return std::string(first, last);
}

void append_column(TextBuffer& line, const std::string& text) {
  line.append(text.data(), text.size());
  line.append('\t');
}

void append_column(TextBuffer& line, const CDnaString& text) {
  line.append(text.data, text.length);
  line.append('\t');
}

void append_column(TextBuffer& line, const FieldText& text) {
  text.append_to(line);
  line.append('\t');
}

void append_column(TextBuffer& line, long long number) {
  line.append_int(number);
  line.append('\t');
}

std::size_t copy_number_fast(int normalised, unsigned unit_length, char* out) {
  if (normalised < 0 || unit_length == 0) return 0;
  // The quotient in hundredths, rounded to the nearest. A quotient that is
  // not half-way lies at least 1/(200 unit_length) from the half-way point,
  // far more than the double's rounding error, so printf rounds it the same.
  const std::uint64_t hundredths_times_length = std::uint64_t{100} * static_cast<std::uint64_t>(normalised);
  std::uint64_t hundredths = hundredths_times_length / unit_length;
  const std::uint64_t twice_rest = 2 * (hundredths_times_length % unit_length);
  if (twice_rest == unit_length) return 0;
  if (twice_rest > unit_length) ++hundredths;
  std::size_t n = write_digits(out, hundredths / 100);
  out[n++] = '.';
  out[n++] = static_cast<char>('0' + hundredths / 10 % 10);
  out[n++] = static_cast<char>('0' + hundredths % 10);
  return n;
}

void RepeatFields::describe(const Csat& repeat, const CSequence_Mol& seq, const std::string& chromosome,
                            unsigned long long n, int N_mode) {
  sat = &repeat;
  chrom = &chromosome;
  start = repeat.start_position(seq.residues) - 1;
  end = repeat.end_position(seq.residues);

  std::memcpy(id.text, "TR", 2);
  id.length = 2 + write_digits(id.text + 2, n);

  copy_number.length = copy_number_fast(repeat.normalised_length(), repeat.unit_length(), copy_number.text);
  if (copy_number.length == 0) {
    const double copies = static_cast<double>(repeat.normalised_length()) / repeat.unit_length();
    copy_number.length = static_cast<std::size_t>(
        std::snprintf(copy_number.text, sizeof copy_number.text, "%.2f", copies));
  }

  const double percent = repeat.perfection(N_mode);
  perfection.length = fixed3_fast(percent, perfection.text);
  if (perfection.length == 0) {
    perfection.length = static_cast<std::size_t>(std::snprintf(perfection.text, sizeof perfection.text, "%.3f", percent));
  }
}

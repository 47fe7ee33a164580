#include "driver/input_problem.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct CompressedFormat {
  const char* name;
  const char* magic;
  std::size_t length;
};

// Formats whose files are recognised by their first bytes; gzip is read.
const CompressedFormat compressed_formats[] = {
    {"bzip2", "BZh", 3},
    {"xz", "\xFD" "7zXZ\0", 6},
    {"zstd", "\x28\xB5\x2F\xFD", 4},
    {"zip", "PK\x03\x04", 4},
    {"7-Zip", "7z\xBC\xAF\x27\x1C", 6},
    {"lz4", "\x04\x22\x4D\x18", 4},
    {"compress (.Z)", "\x1F\x9D", 2},
};

const char* compressed_format(const CFile& in) {
  for (const CompressedFormat& format : compressed_formats) {
    if (in.head_length() >= format.length && std::memcmp(in.head(), format.magic, format.length) == 0) {
      return format.name;
    }
  }
  return nullptr;
}

bool is_directory(const std::string& name) {
  struct stat status;
  return name != "-" && stat(name.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string shown(int character) {
  const unsigned char byte = static_cast<unsigned char>(character);
  char text[32];
  if (std::isprint(byte)) {
    std::snprintf(text, sizeof text, "'%c'", byte);
  } else {
    std::snprintf(text, sizeof text, "the byte 0x%02X", byte);
  }
  return text;
}

std::string place(const CFile::Rejection& rejection) {
  std::string at = "Line " + std::to_string(rejection.line);
  if (rejection.column != 0) at += ", column " + std::to_string(rejection.column);
  return at;
}

// Letters of the protein alphabet that no nucleotide code uses.
bool protein_only(int character) {
  return character > 0 && std::strchr("EFIJLOPQZefijlopqz", character) != nullptr;
}

}  // namespace

std::string describe_input_problem(const CFile& in, const std::string& name) {
  if (is_directory(name)) return "It is a directory, not a file.\n";
  if (const char* format = compressed_format(in)) {
    return std::string("It is compressed with ") + format +
           ", which velkor does not read: decompress it first (velkor reads\n"
           "standard input as -), or compress it with gzip.\n";
  }
  if (in.read_error()) return "The system could not read it.\n";
  const CFile::Rejection& rejection = in.rejection();
  if (!rejection.set) return "";
  if (rejection.at_end) {
    return in.head_length() == 0 ? "The file is empty.\n" : "The file holds no record: no line starts with '>'.\n";
  }
  if (rejection.header_expected) {
    return place(rejection) + " holds " + shown(rejection.character) +
           " where a record's header line, starting with '>', must come.\n";
  }
  std::string why = place(rejection) + " holds " + shown(rejection.character) +
                    ", which is not a residue: velkor reads DNA sequences (A, C, G, T, U,\n"
                    "N and the other IUPAC codes, upper or lower case, '-' and '*').\n";
  if (protein_only(rejection.character)) why += "The record may be a protein sequence.\n";
  if (rejection.character == '#' && rejection.column == 1) {
    why += "Comment lines may stand only before the first record.\n";
  }
  return why;
}

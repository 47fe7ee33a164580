#ifndef VELKOR_CONFIG_CATALOG_OPTION_H
#define VELKOR_CONFIG_CATALOG_OPTION_H

#include <string>
#include <vector>

// The genotypers whose repeat catalogues velkor writes (--catalog FORMAT:PATH).
enum class CatalogFormat { TRGT, HIPSTR, EXPANSIONHUNTER };

struct CatalogRequest {
  CatalogFormat format;
  std::string filename;
};

// Which repeats become loci of a catalogue. A genotyper needs reads that span
// a locus with room to spare and a repeat long enough to vary: a catalogue of
// every 6-bp run of A's is mostly noise to it.
struct CatalogSettings {
  unsigned min_length = 12;  // residues
  float min_copies = 3.0f;   // normalised length / unit length
};

// The name the option takes, e.g. "trgt".
const char* catalog_format_name(CatalogFormat format);

// Reads the values of --catalog into requests. Returns the message for a
// value that is not FORMAT:PATH with a known format and a path, or for a
// format asked for twice; empty when all are good.
std::string read_catalog_requests(const std::vector<std::string>& values, std::vector<CatalogRequest>& requests);

#endif

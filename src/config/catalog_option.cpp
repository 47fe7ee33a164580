#include "config/catalog_option.h"

#include <cstdio>

namespace {
constexpr CatalogFormat FORMATS[] = {CatalogFormat::TRGT, CatalogFormat::HIPSTR, CatalogFormat::EXPANSIONHUNTER};
}

const char* catalog_format_name(CatalogFormat format) {
  switch (format) {
    case CatalogFormat::TRGT:
      return "trgt";
    case CatalogFormat::HIPSTR:
      return "hipstr";
    default:
      return "expansionhunter";
  }
}

bool read_catalog_requests(const std::vector<std::string>& values, std::vector<CatalogRequest>& requests) {
  requests.clear();
  for (const std::string& value : values) {
    const std::size_t colon = value.find(':');
    const CatalogFormat* format = nullptr;
    if (colon != std::string::npos && colon + 1 < value.size()) {
      for (const CatalogFormat& known : FORMATS) {
        if (value.compare(0, colon, catalog_format_name(known)) == 0) format = &known;
      }
    }
    if (!format) {
      std::fprintf(stderr,
                   "Sorry, the catalogue \"%s\" is not FORMAT:PATH with FORMAT one of trgt, hipstr and "
                   "expansionhunter.\n",
                   value.c_str());
      return false;
    }
    for (const CatalogRequest& earlier : requests) {
      if (earlier.format == *format) {
        std::fprintf(stderr, "Sorry, the %s catalogue is asked for twice.\n", catalog_format_name(*format));
        return false;
      }
    }
    requests.push_back({*format, value.substr(colon + 1)});
  }
  return true;
}

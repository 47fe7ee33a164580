#include "config/catalog_option.h"


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

std::string read_catalog_requests(const std::vector<std::string>& values, std::vector<CatalogRequest>& requests) {
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
      return "Sorry, the catalogue \"" + value +
             "\" is not FORMAT:PATH with FORMAT one of trgt, hipstr and expansionhunter.\n";
    }
    for (const CatalogRequest& earlier : requests) {
      if (earlier.format == *format) {
        return std::string("Sorry, the ") + catalog_format_name(*format) + " catalogue is asked for twice.\n";
      }
    }
    requests.push_back({*format, value.substr(colon + 1)});
  }
  return "";
}

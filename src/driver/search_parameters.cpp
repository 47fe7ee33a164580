#include "driver/search_parameters.h"

SearchOptions search_options_of(const RunOptions& run) {
  SearchOptions options;
  static_cast<SearchSettings&>(options) = run;
  return options;
}

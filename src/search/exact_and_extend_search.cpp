#include "search/CSearchController.h"
void CSearchController::search_exact_and_extend_to_imperfect_repeats() {}

#include "search/CSearchController.h"
void CSearchController::exact_search_2() {}

#include "search/CSearchController.h"
void CSearchController::report_SATList(FILE*, std::list<Csat*>) {}

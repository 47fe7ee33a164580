#include "search/CSearchController.h"
void CSearchController::extend_imperfect_forward(Csat&, const char*) {}
void CSearchController::extend_imperfect_backward(Csat&, const char*) {}

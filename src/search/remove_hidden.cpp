#include "search/CSearchController.h"
void CSearchController::remove_hidden(CsatContainer&) {}

#include "config/option_table.h"

#include <algorithm>

bool OptionTable::given(const std::string& name) const {
  for (const std::unique_ptr<TCLAP::Arg>& arg : args_) {
    if (arg->getName() == name) return arg->isSet();
  }
  return false;
}

void OptionTable::set(RunOptions& options) const {
  for (const auto& set : sets_) set(options);
}

OptionProblem OptionTable::first_problem(const RunOptions& options) {
  std::stable_sort(checks_.begin(), checks_.end(),
                   [](const Check& a, const Check& b) { return a.turn < b.turn; });
  for (const Check& check : checks_) {
    OptionProblem problem = check.problem(options);
    if (!problem.message.empty()) return problem;
  }
  return {};
}

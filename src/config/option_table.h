#ifndef VELKOR_CONFIG_OPTION_TABLE_H
#define VELKOR_CONFIG_OPTION_TABLE_H

#include <tclap/CmdLine.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/exit_codes.h"
#include "config/run_options.h"

// A mistake on the command line: its message and the exit status it gets.
struct OptionProblem {
  std::string message;  // empty: no mistake
  int code = EXIT_BAD_OPTION;
};

// Of several mistakes the user is told of the first in this order, which
// does not follow the order of the usage text; scripts may rely on it.
enum class CheckTurn {
  FIRST_RECORD,
  LAST_RECORD,
  MIN_UNIT_LENGTH_TYPE,
  MAX_UNIT_LENGTH_TYPE,
  THREADS,
  CATALOGS,
  CATALOG_MIN_LENGTH,
  OUTPUT_FORMAT,
  PRINT_REPEAT_SEQ_MODE,
  N_PERFECTION_MODE,
  REPORT_UNIT,
  MIN_PERFECTION,
  SCORE_OR_LENGTH,
  MISMATCH_SCORE,
  INDEL_SCORE,
  RECURSION,
  UNIT_LENGTH_ORDER,
  MIN_UNIT_LENGTH,
  STANDARD_OUTPUT,
};

// The options of the command line, one entry each: its letter and name,
// its description, what it sets in a RunOptions when given (the default is
// what a RunOptions holds) and the check of its value. Entries are added in
// the order the parser wants them: the usage text lists them backwards.
class OptionTable {
 public:
  explicit OptionTable(TCLAP::CmdLine& cmd) : cmd_(cmd) {}
  OptionTable(const OptionTable&) = delete;
  OptionTable& operator=(const OptionTable&) = delete;

  void add_switch(const std::string& letter, const std::string& name, const std::string& description,
                  std::function<void(RunOptions&)> set) {
    auto& arg = own(std::make_unique<TCLAP::SwitchArg>(letter, name, description, false));
    sets_.push_back([&arg, set](RunOptions& options) {
      if (arg.isSet()) set(options);
    });
  }

  // check, if given, tells what is wrong with a value given; it is asked
  // in its turn among all checks.
  template <typename Value>
  void add_value(const std::string& letter, const std::string& name, const std::string& description,
                 const std::string& type, std::function<void(RunOptions&, Value)> set,
                 CheckTurn turn = CheckTurn::STANDARD_OUTPUT, std::function<OptionProblem(Value)> check = nullptr) {
    auto& arg = own(std::make_unique<TCLAP::ValueArg<Value>>(letter, name, description, false, Value(), type));
    add_given_value(arg, set, turn, check);
  }

  // A value that must be one of values.
  void add_choice(const std::string& letter, const std::string& name, const std::string& description,
                  std::vector<std::string> values, std::function<void(RunOptions&, std::string)> set) {
    constraints_.push_back(std::make_unique<TCLAP::ValuesConstraint<std::string>>(values));
    auto& arg = own(std::make_unique<TCLAP::ValueArg<std::string>>(letter, name, description, false, "",
                                                                    constraints_.back().get()));
    add_given_value<std::string>(arg, set, CheckTurn::STANDARD_OUTPUT, nullptr);
  }

  // An option that may be given many times; check also reads its values.
  void add_list(const std::string& name, const std::string& description, const std::string& type,
                CheckTurn turn, std::function<std::string(const std::vector<std::string>&, RunOptions&)> read) {
    auto& arg = own(std::make_unique<TCLAP::MultiArg<std::string>>("", name, description, false, type));
    auto problem = std::make_shared<std::string>();
    sets_.push_back([&arg, read, problem](RunOptions& options) {
      if (arg.isSet()) *problem = read(arg.getValue(), options);
    });
    checks_.push_back({turn, [problem](const RunOptions&) { return OptionProblem{*problem}; }});
  }

  // A check of the options as a whole, asked in its turn.
  void add_check(CheckTurn turn, std::function<OptionProblem(const RunOptions&)> problem) {
    checks_.push_back({turn, std::move(problem)});
  }

  // True when the option of that name was given.
  bool given(const std::string& name) const;

  // Sets what the options given say.
  void set(RunOptions& options) const;
  // The first mistake in turn, if any, once the options are set.
  OptionProblem first_problem(const RunOptions& options);

 private:
  struct Check {
    CheckTurn turn;
    std::function<OptionProblem(const RunOptions&)> problem;
  };

  template <typename Arg>
  Arg& own(std::unique_ptr<Arg> arg) {
    Arg& added = *arg;
    cmd_.add(added);
    args_.push_back(std::move(arg));
    return added;
  }

  template <typename Value>
  void add_given_value(TCLAP::ValueArg<Value>& arg, std::function<void(RunOptions&, Value)> set, CheckTurn turn,
                       std::function<OptionProblem(Value)> check) {
    sets_.push_back([&arg, set](RunOptions& options) {
      if (arg.isSet()) set(options, arg.getValue());
    });
    if (check) {
      checks_.push_back({turn, [&arg, check](const RunOptions&) {
                           return arg.isSet() ? check(arg.getValue()) : OptionProblem();
                         }});
    }
  }

  TCLAP::CmdLine& cmd_;
  std::vector<std::unique_ptr<TCLAP::Arg>> args_;
  std::vector<std::unique_ptr<TCLAP::ValuesConstraint<std::string>>> constraints_;
  std::vector<std::function<void(RunOptions&)>> sets_;
  std::vector<Check> checks_;
};

#endif

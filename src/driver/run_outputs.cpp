#include "driver/run_outputs.h"

#include "config/exit_codes.h"
#include "driver/masking.h"
#include "driver/messages.h"

int abort_run(int code) {
  good_bye_on_error(code);
  return code;
}

int write_failed(const OutputStream& stream) {
  stream.report_write_error();
  return abort_run(EXIT_WRITE_ERROR);
}

namespace {

// The first of the files for other tools whose writes failed, or null.
ExtraFile* failed_file(std::deque<ExtraFile>& extras) {
  for (ExtraFile& file : extras) {
    if (!file.stream.written_so_far()) return &file;
  }
  return nullptr;
}

}  // namespace

int check_written(RunOutputs& outputs) {
  if (!outputs.out.flush()) return write_failed(outputs.out);
  if (ExtraFile* failed = failed_file(outputs.extras)) return write_failed(failed->stream);
  if (!outputs.masked.written_so_far()) return write_failed(outputs.masked);
  return EXIT_OK;
}

int commit_outputs(RunOutputs& outputs) {
  if (!outputs.out.commit()) return write_failed(outputs.out);
  for (ExtraFile& file : outputs.extras) {
    if (!file.stream.commit()) return write_failed(file.stream);
  }
  if (!outputs.masked.commit()) return write_failed(outputs.masked);
  return EXIT_OK;
}

bool write_masked(FILE* out, const CSequence_Mol& seq, unsigned record_number, InputLetters* letters,
                  int mask_with) {
  if (!letters) {
    write_masked_record(out, seq);
    return true;
  }
  return letters->write_record(out, seq, record_number, mask_with);
}
